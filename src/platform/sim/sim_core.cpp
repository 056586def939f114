// The simulated machine: virtual clock, timeline, event queue, live input state, dialogs,
// the process functions and the transcript.
#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/announce.h"
#include "platform/textview.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/input.h"
#include "platform/process.h"
#include "platform/toolwindow.h"
#include "platform/sim/sim_state.h"
#include "platform/zoomscale.h"

namespace sim {

namespace {

Machine TheMachine;

// A run that goes on this long after its last happening is stuck in a wait nothing ends.
constexpr uint32_t StuckAfterMs = 10 * 60 * 1000;
// CloseRequested delivered this often without the program ending: it ignores closing.
constexpr int MaxCloseDeliveries = 50;

[[noreturn]] void endStuck(const std::string& what) {
    transcript("stuck", quote(what));
    throw ProgramEnded{"stuck: " + what};
}

void applyDue() {
    Machine& m = machine();
    while (!m.Timeline.empty() && m.Timeline.begin()->first.first <= m.NowUs) {
        auto first = m.Timeline.begin();
        std::function<void()> apply = std::move(first->second);
        m.Timeline.erase(first);
        apply();
    }
}

uint64_t lastScheduledTimeUs() {
    Machine& m = machine();
    return m.Timeline.empty() ? m.ScriptEndUs : std::max(m.ScriptEndUs, m.Timeline.rbegin()->first.first);
}

void checkNotRunaway() {
    Machine& m = machine();
    if (m.NowUs > lastScheduledTimeUs() + uint64_t(StuckAfterMs) * 1000) {
        endStuck(m.Waiting.empty() ? "a wait that nothing ends" : m.Waiting);
    }
}

bool exhausted() {
    Machine& m = machine();
    return m.Timeline.empty() && m.Pending.empty() && m.NowUs >= m.ScriptEndUs;
}

Event takePending() {
    Machine& m = machine();
    Event e = std::move(m.Pending.front());
    m.Pending.pop_front();
    const bool setsMouse = !m.PendingSetsMouse.empty() && m.PendingSetsMouse.front();
    if (!m.PendingSetsMouse.empty()) m.PendingSetsMouse.pop_front();
    if (setsMouse) {
        m.MouseX = e.x;
        m.MouseY = e.y;
        m.MouseButtons = e.buttons;
    }
    return e;
}

}  // namespace

Machine& machine() { return TheMachine; }

void reset(const std::string& homeFolder) {
    TheMachine = Machine{};
    TheMachine.Home = homeFolder;
    unit::reset(TheMachine.Unit);
}

const std::string& home() { return machine().Home; }

void setTranscript(std::ostream* out) { machine().Transcript = out; }

void setTranscriptFromLoop(bool on) { machine().TranscriptFromLoop = on; }

void transcript(const std::string& kind, const std::string& payload) {
    Machine& m = machine();
    if (m.Transcript == nullptr) return;
    // How a run ended is part of every transcript, also of one that never reached its loop.
    const bool ending = kind == "exit" || kind == "stuck";
    if (m.TranscriptFromLoop && !m.LoopStarted && !ending) return;
    *m.Transcript << now() << ' ' << kind;
    if (!payload.empty()) *m.Transcript << ' ' << payload;
    *m.Transcript << '\n' << std::flush;  // a run killed later keeps what it did so far
}

std::string quote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (byte < 0x20 || byte == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string hexBytes(const uint8_t* bytes, size_t length) {
    std::string out;
    char buf[4];
    for (size_t i = 0; i < length; ++i) {
        std::snprintf(buf, sizeof buf, "%02X", bytes[i]);
        if (i > 0) out += ' ';
        out += buf;
    }
    return out;
}

uint64_t now() { return machine().NowUs / 1000; }
uint64_t nowUs() { return machine().NowUs; }

void schedule(uint64_t at, std::function<void()> happening) { scheduleUs(at * 1000, std::move(happening)); }

void scheduleUs(uint64_t atUs, std::function<void()> happening) {
    Machine& m = machine();
    m.Timeline.emplace(std::make_pair(atUs, m.NextOrder++), std::move(happening));
}

void scheduleEvent(uint64_t at, const Event& e) {
    schedule(at, [e] { queueEvent(e); });
}

void setScriptEnd(uint64_t at) { machine().ScriptEndUs = at * 1000; }

void advanceToUs(uint64_t atUs) {
    Machine& m = machine();
    // Apply happenings in time order, with the clock standing at each one's time.
    while (!m.Timeline.empty() && m.Timeline.begin()->first.first <= atUs) {
        if (m.Timeline.begin()->first.first > m.NowUs) m.NowUs = m.Timeline.begin()->first.first;
        applyDue();
    }
    if (atUs > m.NowUs) m.NowUs = atUs;
    applyDue();
}

void queueEvent(const Event& e) {
    machine().Pending.push_back(e);
    machine().PendingSetsMouse.push_back(false);
}

namespace {

// The number of the window a happening goes to: 0 the main window, n a shown tool window;
// -1 for a tool window that is not shown (the happening is dropped).
int targetWindow(const std::string& name) {
    if (name.empty() || name == "main") return MainWindowId;
    const std::deque<ToolWindowRecord>& tools = machine().Tools;
    for (size_t i = 0; i < tools.size(); ++i) {
        if (tools[i].Name == name) return tools[i].Shown ? static_cast<int>(i) + 1 : -1;
    }
    return -1;
}

}  // namespace

void doubleClick(int x, int y, const std::string& window) {
    Machine& m = machine();
    const int target = targetWindow(window);
    if (target < 0) return;
    x = unzoomed(x, m.Zoom);
    y = unzoomed(y, m.Zoom);
    m.MouseX = x;
    m.MouseY = y;
    for (int step = 0; step < 4; ++step) {
        Event e;
        e.kind = EventKind::MouseButton;
        e.window = target;
        e.x = x;
        e.y = y;
        e.buttons = step % 2 == 0 ? 1 : 0;
        e.doubleClick = step == 2;
        m.Pending.push_back(e);
        m.PendingSetsMouse.push_back(true);
    }
}

void wheel(int x, int y, int notches, bool shift, const std::string& window) {
    Machine& m = machine();
    const int target = targetWindow(window);
    if (target < 0) return;
    x = unzoomed(x, m.Zoom);
    y = unzoomed(y, m.Zoom);
    m.MouseX = x;
    m.MouseY = y;
    Event e;
    e.kind = EventKind::Wheel;
    e.window = target;
    e.x = x;
    e.y = y;
    e.notches = notches;
    e.shift = shift;
    queueEvent(e);
}

void keyPress(Event e, const std::string& window) {
    const int target = targetWindow(window);
    if (target < 0) return;
    e.window = target;
    queueEvent(e);
}

void menuCommand(int commandId) {
    if (machine().Greyed.count(commandId) != 0) return;  // a greyed item cannot be chosen
    Event e;
    e.kind = EventKind::Command;
    e.command = commandId;
    queueEvent(e);
}

void setMouse(int x, int y, int buttons, bool shift, const std::string& window) {
    Machine& m = machine();
    const int target = targetWindow(window);
    if (target < 0) return;
    x = unzoomed(x, m.Zoom);
    y = unzoomed(y, m.Zoom);
    m.MouseX = x;
    m.MouseY = y;
    m.MouseButtons = buttons;
    m.ShiftHeld = shift;
    Event e;
    e.kind = EventKind::MouseButton;
    e.window = target;
    e.x = x;
    e.y = y;
    e.buttons = buttons;
    queueEvent(e);
}

void setForeground(int window) {
    machine().Foreground = window;
    Event e;
    e.kind = EventKind::Other;  // the activation messages a window receives
    queueEvent(e);
}

void setScreen(int width, int height, bool tell) {
    machine().ScreenWidth = width;
    machine().ScreenHeight = height;
    if (!tell) return;
    Event e;
    e.kind = EventKind::Other;  // the display-change message
    queueEvent(e);
}

void setScreenDpi(int dpi) { machine().ScreenDpi = dpi; }

void setRandomSeed(uint64_t seed) { machine().RandomSeed = seed; }

void queueDialogAnswer(const DialogAnswer& answer) { machine().Answers.push_back(QueuedAnswer{answer, false}); }

void queueTextAnswer(const std::string& text) {
    QueuedAnswer a;
    a.Answer.outcome = DialogOutcome::Chosen;
    a.Answer.path = text;
    a.Text = true;
    machine().Answers.push_back(a);
}

}  // namespace sim

using sim::machine;

// ---- clock.h

// The low 32 bits of script time: the tick wraps after 49.7 days, as on the real systems.
uint32_t tickCount() { return static_cast<uint32_t>(sim::now()); }

uint64_t randomSeed() { return machine().RandomSeed; }

std::string localTimeText() {
    // The machine's calendar starts on 2000-01-01 at midnight and runs with virtual time.
    uint64_t seconds = machine().NowUs / 1000000;
    int64_t days = static_cast<int64_t>(seconds / 86400) + 10957;  // days from 1970-01-01
    seconds %= 86400;
    // Days to the civil date (the proleptic Gregorian calendar, counted in 400-year eras).
    days += 719468;
    const int64_t era = days / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    const int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", static_cast<int>(year), static_cast<int>(month),
                  static_cast<int>(day), static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                  static_cast<int>(seconds % 60));
    return text;
}

void sleepMilliseconds(uint32_t ms) {
    sim::advanceToUs(machine().NowUs + uint64_t(ms) * 1000);
    sim::checkNotRunaway();
}

// ---- events.h

Event waitEvent() {
    sim::Machine& m = machine();
    for (;;) {
        sim::applyDue();
        if (!m.Pending.empty()) return sim::takePending();
        if (sim::exhausted()) {
            if (!m.Waiting.empty()) sim::endStuck(m.Waiting);
            if (++m.CloseDeliveries > sim::MaxCloseDeliveries) sim::endStuck("a program that does not close");
            Event e;
            e.kind = EventKind::CloseRequested;
            return e;
        }
        const uint64_t next = m.Timeline.empty() ? m.ScriptEndUs : m.Timeline.begin()->first.first;
        // A wake comes when nothing else comes first: not the script's next line, not its end
        // (a wake keeps no run going), not a held button's Tick.
        if (m.WakeUs != 0 && m.WakeUs <= next && (m.MouseButtons == 0 || m.WakeUs <= m.NowUs + 10000)) {
            sim::advanceToUs(std::max(m.WakeUs, m.NowUs));
            m.WakeUs = 0;
            if (!m.Pending.empty()) return sim::takePending();
            sim::checkNotRunaway();
            Event e;
            e.kind = EventKind::Wake;
            return e;
        }
        if (m.MouseButtons != 0 && next > m.NowUs + 10000) {
            // A button is held and nothing happens for 10 ms: the program sees a Tick.
            sim::advanceToUs(m.NowUs + 10000);
            if (!m.Pending.empty()) return sim::takePending();
            sim::checkNotRunaway();
            Event e;
            e.kind = EventKind::Tick;
            return e;
        }
        sim::advanceToUs(next);
    }
}

bool waitEventFor(uint32_t ms, Event& e) {
    sim::Machine& m = machine();
    const uint64_t deadline = m.NowUs + uint64_t(ms) * 1000;
    for (;;) {
        sim::applyDue();
        if (!m.Pending.empty()) {
            e = sim::takePending();
            return true;
        }
        if (m.NowUs >= deadline) {
            sim::checkNotRunaway();
            return false;
        }
        uint64_t next = deadline;
        if (!m.Timeline.empty() && m.Timeline.begin()->first.first < deadline) next = m.Timeline.begin()->first.first;
        sim::advanceToUs(next);
    }
}

bool peekEvent(Event& e) {
    sim::applyDue();
    if (machine().Pending.empty()) return false;
    e = sim::takePending();
    return true;
}

void postCloseRequest() {
    Event e;
    e.kind = EventKind::CloseRequested;
    sim::queueEvent(e);
}

void wakeAfter(uint32_t ms) { machine().WakeUs = machine().NowUs + uint64_t(ms) * 1000; }

// ---- input.h

void mousePosition(int& x, int& y) {
    x = machine().MouseX;
    y = machine().MouseY;
}

int mouseButtons() { return machine().MouseButtons; }

bool shiftHeld() { return machine().ShiftHeld; }

int foregroundWindow() { return machine().Foreground; }

void screenSize(int& width, int& height) {
    width = machine().ScreenWidth;
    height = machine().ScreenHeight;
}

int screenDpi() { return machine().ScreenDpi; }

// ---- process.h

std::string fixedPathFolder() { return machine().Home + "/Qrdxpath"; }
char pathSeparator() { return '/'; }
bool isPathSplit(char c) { return c == '/'; }
std::string currentDirectory() { return machine().Home; }

void endProgram() { throw sim::ProgramEnded{"endProgram"}; }

// ---- announce.h

void announce(Announcement what, const std::vector<std::string>& texts, int number) {
    sim::Machine& m = machine();
    auto text = [&](size_t i) { return i < texts.size() ? texts[i] : std::string(); };
    switch (what) {
    case Announcement::MessageShown:
        sim::transcript("message", sim::quote(text(0)) + " " + sim::quote(text(1)));
        m.Waiting = text(0);
        break;
    case Announcement::ChoiceAsked:
        m.Waiting = text(0);
        break;
    case Announcement::ChoiceAnswered:
        sim::transcript("choice", sim::quote(text(0)) + " " + sim::quote(text(1)) + " " + sim::quote(text(2)) +
                                      " -> " + std::to_string(number));
        break;
    case Announcement::WindowText:
        sim::transcript("text", sim::quote(text(0)));
        break;
    case Announcement::LoopStarted:
        m.LoopStarted = true;
        break;
    case Announcement::LibraryListed:
        sim::transcript("library", std::to_string(number) + " " + sim::quote(text(0)));
        for (size_t i = 1; i + 1 < texts.size(); i += 2) sim::transcript("item", sim::quote(texts[i]) + " " + texts[i + 1]);
        break;
    case Announcement::MorphMoved:
        sim::transcript("morph", std::to_string(number));
        break;
    case Announcement::LiveTextShown:  // the sim writes each line as it is added
        break;
    case Announcement::StatusChanged:
        sim::transcript("status", sim::quote(text(0)) + " " + sim::quote(text(1)));
        break;
    }
}

// ---- textview.h

void showTextView(const std::string& title, const std::vector<std::string>& lines) {
    sim::transcript("view", sim::quote(title));
    for (const std::string& line : lines) sim::transcript("text", sim::quote(line));
}

void appendTextView(const std::string& title, const std::vector<std::string>& lines) {
    sim::Machine& m = machine();
    if (!m.LiveTextOpen) sim::transcript("view", sim::quote(title));
    m.LiveTextOpen = true;
    for (const std::string& line : lines) sim::transcript("text", sim::quote(line));
}

bool liveTextViewOpen() { return machine().LiveTextOpen; }

void closeTextView() { machine().LiveTextOpen = false; }

// ---- dialogs.h

void messageBox(const std::string& title, const std::string& text) {
    sim::transcript("box", sim::quote(title) + " " + sim::quote(text));
}

void alertBox(const std::string& line1, const std::string& line2) {
    sim::transcript("alert", sim::quote(line1) + " " + sim::quote(line2));
}

namespace {

// The next queued answer; none queued is a cancel. `text` says which kind the dialog takes:
// an answer of the other kind is used up and cancels it.
DialogAnswer takeAnswer(bool text) {
    sim::Machine& m = machine();
    DialogAnswer answer;
    if (m.Answers.empty()) return answer;
    if (m.Answers.front().Text == text) answer = m.Answers.front().Answer;
    m.Answers.pop_front();
    return answer;
}

// initialName: what the dialog's name field holds when it opens; shown only when there is one,
// so the lines of dialogs without one stay as they were.
DialogAnswer fileOrFolderAnswer(const char* kind, const std::string& title, const std::string& startFolder,
                                const std::string& initialName = "") {
    const DialogAnswer answer = takeAnswer(false);
    std::string shown;
    switch (answer.outcome) {
    case DialogOutcome::Chosen: shown = sim::quote(answer.path); break;
    case DialogOutcome::Cancelled: shown = "cancel"; break;
    case DialogOutcome::NoPath: shown = "nopath"; break;
    }
    const std::string initial = initialName.empty() ? std::string() : " " + sim::quote(initialName);
    sim::transcript("dialog", std::string(kind) + " " + sim::quote(title) + " " + sim::quote(startFolder) + initial +
                                  " -> " + shown);
    return answer;
}

}  // namespace

DialogAnswer fileDialog(FileDialogKind kind, const std::string& title, const std::string& startFolder,
                        const std::string& /*pattern*/, const std::string& initialName) {
    DialogAnswer a =
        fileOrFolderAnswer(kind == FileDialogKind::Open ? "open" : "save", title, startFolder, initialName);
    // A file dialog has no "no path" outcome; an answer meant for a folder browser cancels it.
    if (a.outcome == DialogOutcome::NoPath) a.outcome = DialogOutcome::Cancelled;
    return a;
}

DialogAnswer folderDialog(const std::string& title, const std::string& startFolder) {
    return fileOrFolderAnswer("folder", title, startFolder);
}

bool askText(const std::string& title, const std::string& /*prompt*/, const std::string& initial,
             std::string& answer) {
    const DialogAnswer a = takeAnswer(true);
    const bool chosen = a.outcome == DialogOutcome::Chosen;
    sim::transcript("dialog", "text " + sim::quote(title) + " " + sim::quote(initial) + " -> " +
                                  (chosen ? sim::quote(a.path) : std::string("cancel")));
    if (chosen) answer = a.path;
    return chosen;
}
