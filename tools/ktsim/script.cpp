#include "script.h"

#include <cstdlib>

#include "platform/canvas.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/input.h"
#include "platform/png.h"
#include "platform/sim/sim.h"
#include "unit/unit.h"

namespace ktsim {

namespace {

// One wait may cover a year, a whole script a thousand: far beyond the 49.7 days after which
// the programs' 32-bit tick wraps, and far below where microseconds in 64 bits would.
constexpr long long MaxWaitMs = 366LL * 24 * 3600 * 1000;
constexpr uint64_t MaxScriptMs = 1000ULL * MaxWaitMs;

// Lines that set up the machine (devices, open failures, the unit's behaviour) take effect at
// once when they stand at time 0, so the program finds them when it starts. Everything else
// happens when the program first takes events or waits, like input arriving while it runs.
void setUp(uint64_t t, std::function<void()> change) {
    if (t == 0) change();
    else sim::schedule(t, std::move(change));
}

bool parseInt(const std::string& word, long long lo, long long hi, long long& value) {
    if (word.empty()) return false;
    char* end = nullptr;
    long long v = std::strtoll(word.c_str(), &end, 10);
    if (*end != '\0' || v < lo || v > hi) return false;
    value = v;
    return true;
}

bool parseHexByte(const std::string& word, uint8_t& value) {
    if (word.size() != 2) return false;
    char* end = nullptr;
    unsigned long v = std::strtoul(word.c_str(), &end, 16);
    if (*end != '\0') return false;
    value = static_cast<uint8_t>(v);
    return true;
}

std::string resolve(const std::string& home, const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    return home + "/" + path;
}

// The options of "unit" lines, applied to the simulated unit at their script time.
bool unitOptionLine(const std::vector<std::string>& w, uint64_t t, std::string& error) {
    long long n = 0;
    const std::string option = w.size() > 1 ? w[1] : "";
    auto onUnit = [t](std::function<void(unit::State&)> change) {
        setUp(t, [change] { change(sim::theUnit()); });
    };
    if (option == "absent" && w.size() == 2) {
        onUnit([](unit::State& u) { u.Absent = true; });
    } else if (option == "present" && w.size() == 2) {
        onUnit([](unit::State& u) { u.Absent = false; });
    } else if (option == "reply-delay" && w.size() == 3 && parseInt(w[2], 0, 10000000, n)) {
        const uint32_t ms = static_cast<uint32_t>(n);
        onUnit([ms](unit::State& u) { u.ReplyDelayMs = ms; });
    } else if (option == "erase-ms" && w.size() == 3 && parseInt(w[2], 0, 10000000, n)) {
        const uint32_t ms = static_cast<uint32_t>(n);
        onUnit([ms](unit::State& u) { u.EraseMs = ms; });
    } else if (option == "mode" && w.size() == 3 && (w[2] == "program" || w[2] == "update")) {
        const unit::Mode mode = w[2] == "update" ? unit::Mode::Update : unit::Mode::Program;
        onUnit([mode](unit::State& u) { u.UnitMode = mode; });
    } else if (option == "verdict" && w.size() == 3 && (w[2] == "ok" || w[2] == "fail")) {
        const bool ok = w[2] == "ok";
        onUnit([ok](unit::State& u) { u.VerdictOk = ok; });
    } else if (option == "wire-speed" && w.size() == 3 && (w[2] == "on" || w[2] == "off")) {
        const bool on = w[2] == "on";
        setUp(t, [on] { sim::setWireSpeed(on); });
    } else if (option == "send-done-late" && w.size() == 3 && parseInt(w[2], 0, 10000000, n)) {
        const uint32_t ms = static_cast<uint32_t>(n);
        setUp(t, [ms] { sim::setSendDoneLate(ms); });
    } else if (option == "silent-next" && w.size() == 2) {
        onUnit([](unit::State& u) { u.Overrides.push_back(unit::ReplyOverride{true, {}}); });
    } else if (option == "reply-next" && w.size() >= 3) {
        std::vector<uint8_t> bytes;
        for (size_t i = 2; i < w.size(); ++i) {
            uint8_t b = 0;
            if (!parseHexByte(w[i], b)) {
                error = "bytes are two hex digits: " + w[i];
                return false;
            }
            bytes.push_back(b);
        }
        onUnit([bytes](unit::State& u) { u.Overrides.push_back(unit::ReplyOverride{false, bytes}); });
    } else if (option == "dump" && w.size() == 2) {
        sim::schedule(t, [] {
            const unit::State& u = sim::theUnit();
            sim::transcript("unit", "settings reply-delay " + std::to_string(u.ReplyDelayMs) + " erase-ms " +
                                        std::to_string(u.EraseMs) + " verdict " + (u.VerdictOk ? "ok" : "fail") +
                                        " pending-overrides " + std::to_string(u.Overrides.size()) +
                                        " wire-speed " + (sim::wireSpeed() ? "on" : "off"));
            for (const std::string& line : unit::summary(u)) sim::transcript("unit", line);
        });
    } else {
        error = "unit absent|present|reply-delay MS|reply-next XX .. F7|silent-next|mode program|update|"
                "erase-ms MS|verdict ok|fail|wire-speed on|off|send-done-late MS|dump";
        return false;
    }
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The escape after a backslash in a quoted word, at line[i]: the transcript's \t \n \r \xHH,
// and any other character standing for itself (\" and \\ among them).
bool takeEscape(const std::string& line, size_t& i, std::string& word, std::string& error) {
    const char c = line[i++];
    switch (c) {
    case 't': word += '\t'; return true;
    case 'n': word += '\n'; return true;
    case 'r': word += '\r'; return true;
    case 'x': {
        const int high = i < line.size() ? hexDigit(line[i]) : -1;
        const int low = i + 1 < line.size() ? hexDigit(line[i + 1]) : -1;
        if (high < 0 || low < 0) {
            error = "\\x takes two hex digits";
            return false;
        }
        word += static_cast<char>(high * 16 + low);
        i += 2;
        return true;
    }
    default: word += c; return true;
    }
}

}  // namespace

bool splitScriptLine(const std::string& line, std::vector<std::string>& words, std::string& error) {
    words.clear();
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            std::string word;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char d = line[i++];
                if (d == '\\' && i < line.size()) {
                    if (!takeEscape(line, i, word, error)) return false;
                } else if (d == '"') {
                    closed = true;
                    break;
                } else {
                    word += d;
                }
            }
            if (!closed) {
                error = "a string without its closing quote";
                return false;
            }
            words.push_back(word);
        } else {
            std::string word;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') word += line[i++];
            words.push_back(word);
        }
    }
    return true;
}

namespace {

// A key line's word: [ctrl+][shift+] and one character or a key name.
bool parseKey(std::string word, Event& e) {
    for (;;) {
        if (word.rfind("ctrl+", 0) == 0 && word.size() > 5) {
            e.ctrl = true;
            word.erase(0, 5);
        } else if (word.rfind("shift+", 0) == 0 && word.size() > 6) {
            e.shift = true;
            word.erase(0, 6);
        } else {
            break;
        }
    }
    static const std::pair<const char*, int> Names[] = {
        {"enter", KeyEnter}, {"escape", KeyEscape}, {"up", KeyUp},           {"down", KeyDown},
        {"left", KeyLeft},   {"right", KeyRight},   {"pageup", KeyPageUp},   {"pagedown", KeyPageDown},
        {"home", KeyHome},   {"end", KeyEnd},       {"plus", '+'},           {"minus", '-'},
        {"backspace", KeyBackspace}, {"space", ' '},
    };
    for (const auto& [name, key] : Names) {
        if (word == name) {
            e.key = key;
            return true;
        }
    }
    // f1 .. f12
    long long n = 0;
    if (word.size() >= 2 && word[0] == 'f' && parseInt(word.substr(1), 1, 12, n) && word[1] != '0' && word[1] != '+') {
        e.key = KeyF1 + static_cast<int>(n) - 1;
        return true;
    }
    if (word.size() != 1) return false;
    e.key = static_cast<unsigned char>(word[0]);
    return true;
}

// A window's name in window and snapshot lines: a short word of lower-case letters and digits.
bool isWindowName(const std::string& word) {
    if (word.empty() || word.size() > 32) return false;
    for (char c : word) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_')) return false;
    }
    return true;
}

}  // namespace

ScriptResult loadScript(const std::string& text, const std::string& home, const UnitLineHandler& unitLine,
                        std::vector<std::string>* snapshotFailures) {
    ScriptResult result;
    uint64_t t = 0;  // ms
    std::string window;  // where mouse, wheel, dblclick and key lines go: "" the main window
    size_t start = 0;
    int lineNumber = 0;
    auto fail = [&](const std::string& why) {
        result.ok = false;
        result.error = "line " + std::to_string(lineNumber) + ": " + why;
        return result;
    };
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        std::vector<std::string> w;
        std::string error;
        if (!splitScriptLine(line, w, error)) return fail(error);
        if (w.empty()) {
            if (end == text.size()) break;
            continue;
        }
        const std::string& verb = w[0];
        long long n = 0, n2 = 0, n3 = 0;
        Event e;

        if (verb == "wait") {
            if (w.size() != 2 || !parseInt(w[1], 0, MaxWaitMs, n)) {
                return fail("wait needs milliseconds (0.." + std::to_string(MaxWaitMs) + ")");
            }
            if (t + uint64_t(n) > MaxScriptMs) return fail("the script runs beyond " + std::to_string(MaxScriptMs) + " ms");
            t += static_cast<uint64_t>(n);
        } else if (verb == "devices") {
            if (w.size() < 2 || (w[1] != "out" && w[1] != "in")) return fail("devices out|in \"Name\" ...");
            std::vector<std::string> names(w.begin() + 2, w.end());
            bool out = w[1] == "out";
            if (t == 0) {
                if (out) sim::setMidiOutDevices(names); else sim::setMidiInDevices(names);
            } else {
                // A port plugged in or out while the program runs.
                sim::schedule(t, [out, names] { sim::changeMidiDevices(out, names); });
            }
        } else if (verb == "fail-open") {
            if (w.size() != 4 || (w[1] != "out" && w[1] != "in") || !parseInt(w[2], -1, 1000, n)) {
                return fail("fail-open out|in K \"text\"");
            }
            bool out = w[1] == "out";
            int k = static_cast<int>(n);
            std::string why = w[3];
            setUp(t, [out, k, why] { sim::setMidiOpenFailure(out, k, why); });
        } else if (verb == "unit") {
            const bool taken = unitLine ? unitLine(w, t, error) : unitOptionLine(w, t, error);
            if (!taken) return fail(error);
        } else if (verb == "answer") {
            DialogAnswer a;
            if (w.size() == 3 && w[1] == "file") {
                a.outcome = DialogOutcome::Chosen;
                a.path = resolve(home, w[2]);
            } else if (w.size() == 3 && w[1] == "folder") {
                a.outcome = DialogOutcome::Chosen;
                a.path = resolve(home, w[2]);
            } else if (w.size() == 2 && w[1] == "cancel") {
                a.outcome = DialogOutcome::Cancelled;
            } else if (w.size() == 2 && w[1] == "folder-nopath") {
                a.outcome = DialogOutcome::NoPath;
            } else if (w.size() == 3 && w[1] == "text") {
                sim::queueTextAnswer(w[2]);
                if (end == text.size()) break;
                continue;
            } else {
                return fail("answer file \"PATH\" | answer cancel | answer folder \"PATH\" | answer folder-nopath | "
                            "answer text \"TEXT\"");
            }
            sim::queueDialogAnswer(a);
        } else if (verb == "menu") {
            if (w.size() != 2 || !parseInt(w[1], 0, 65535, n)) return fail("menu needs a command identifier");
            const int id = static_cast<int>(n);
            sim::schedule(t, [id] { sim::menuCommand(id); });
        } else if (verb == "mouse") {
            // "shift" at the end: a Shift key is held until the next mouse line.
            const bool shift = w.size() == 5 && w[4] == "shift";
            if ((w.size() != 4 && !shift) || !parseInt(w[1], -32768, 32767, n) || !parseInt(w[2], -32768, 32767, n2) ||
                !parseInt(w[3], 0, 3, n3)) {
                return fail("mouse X Y B [shift] (B 0..3)");
            }
            int x = static_cast<int>(n), y = static_cast<int>(n2), b = static_cast<int>(n3);
            sim::schedule(t, [x, y, b, shift, window] { sim::setMouse(x, y, b, shift, window); });
        } else if (verb == "key" || verb == "keyup") {
            const bool repeat = verb == "key" && w.size() == 3 && w[2] == "repeat";
            if ((w.size() != 2 && !repeat) || !parseKey(w[1], e)) {
                return fail(std::string(verb == "key" ? "key [ctrl+][shift+]NAME [repeat]" : "keyup [ctrl+][shift+]NAME") +
                            ": one character, enter, escape, up, down, left, right, pageup, pagedown, home, end, "
                            "plus, minus, backspace, space or f1..f12");
            }
            e.kind = verb == "key" ? EventKind::Key : EventKind::KeyUp;
            e.repeat = repeat;
            sim::schedule(t, [e, window] { sim::keyPress(e, window); });
        } else if (verb == "wheel") {
            const bool shift = w.size() == 5 && w[4] == "shift";
            if ((w.size() != 4 && !shift) || !parseInt(w[1], -32768, 32767, n) || !parseInt(w[2], -32768, 32767, n2) ||
                !parseInt(w[3], -1000, 1000, n3) || n3 == 0) {
                return fail("wheel X Y N [shift] (N notches, not 0; > 0 away from the user)");
            }
            int x = static_cast<int>(n), y = static_cast<int>(n2), notches = static_cast<int>(n3);
            sim::schedule(t, [x, y, notches, shift, window] { sim::wheel(x, y, notches, shift, window); });
        } else if (verb == "dblclick") {
            if (w.size() != 3 || !parseInt(w[1], -32768, 32767, n) || !parseInt(w[2], -32768, 32767, n2)) {
                return fail("dblclick X Y");
            }
            int x = static_cast<int>(n), y = static_cast<int>(n2);
            sim::schedule(t, [x, y, window] { sim::doubleClick(x, y, window); });
        } else if (verb == "midi-in" || verb == "midi-in-sysex") {
            std::vector<uint8_t> bytes;
            for (size_t i = 1; i < w.size(); ++i) {
                uint8_t b = 0;
                if (!parseHexByte(w[i], b)) return fail("bytes are two hex digits: " + w[i]);
                bytes.push_back(b);
            }
            if (verb == "midi-in" && (bytes.empty() || bytes.size() > 3)) return fail("midi-in takes 1 to 3 bytes");
            if (verb == "midi-in-sysex" && (bytes.size() < 2 || bytes.front() != 0xF0 || bytes.back() != 0xF7)) {
                return fail("midi-in-sysex takes F0 .. F7");
            }
            sim::schedule(t, [bytes] { sim::midiArrives(bytes); });
        } else if (verb == "ctl-in") {
            std::vector<uint8_t> bytes;
            for (size_t i = 1; i < w.size(); ++i) {
                uint8_t b = 0;
                if (!parseHexByte(w[i], b)) return fail("bytes are two hex digits: " + w[i]);
                bytes.push_back(b);
            }
            const bool sysEx = bytes.size() >= 2 && bytes.front() == 0xF0 && bytes.back() == 0xF7;
            if (!sysEx && (bytes.empty() || bytes.size() > 3)) return fail("ctl-in takes 1 to 3 bytes or F0 .. F7");
            sim::schedule(t, [bytes] { sim::ctlMidiArrives(bytes); });
        } else if (verb == "foreground") {
            if (w.size() != 2 || (w[1] != "other" && w[1] != "main")) return fail("foreground other|main");
            int window = w[1] == "main" ? ForegroundMain : ForegroundOther;
            sim::schedule(t, [window] { sim::setForeground(window); });
        } else if (verb == "minimise" || verb == "restore" || verb == "repaint" || verb == "close") {
            if (w.size() != 1) return fail(verb + " takes nothing");
            if (verb == "minimise") {
                e.kind = EventKind::WindowMoved;
                e.x = e.y = 33536;  // how the window system reports a minimised window's position
            } else if (verb == "restore") {
                e.kind = EventKind::WindowRestored;
            } else if (verb == "repaint") {
                e.kind = EventKind::Repaint;
            } else {
                e.kind = EventKind::CloseRequested;
            }
            sim::scheduleEvent(t, e);
        } else if (verb == "screen") {
            if (w.size() != 3 || !parseInt(w[1], 1, 100000, n) || !parseInt(w[2], 1, 100000, n2)) {
                return fail("screen W H");
            }
            int sw = static_cast<int>(n), sh = static_cast<int>(n2);
            // At time 0 it is the screen the program starts on (its zoom at start-up depends
            // on it); later it is a change of the display that the program hears of.
            if (t == 0) sim::setScreen(sw, sh, false);
            else sim::schedule(t, [sw, sh] { sim::setScreen(sw, sh); });
        } else if (verb == "dpi") {
            if (w.size() != 2 || !parseInt(w[1], 24, 2400, n)) return fail("dpi N (24..2400)");
            const int dpi = static_cast<int>(n);
            setUp(t, [dpi] { sim::setScreenDpi(dpi); });
        } else if (verb == "seed") {
            // The editor seeds its generator once, at start-up: a seed stands at time 0.
            if (w.size() != 2 || t != 0 || !parseInt(w[1], 0, 999999999999999999LL, n)) {
                return fail("seed N (0..999999999999999999, at time 0)");
            }
            const uint64_t seed = static_cast<uint64_t>(n);
            setUp(t, [seed] { sim::setRandomSeed(seed); });
        } else if (verb == "window") {
            if (w.size() != 2 || !isWindowName(w[1])) return fail("window NAME (main, or a tool window's name)");
            window = w[1] == "main" ? "" : w[1];
        } else if (verb == "snapshot") {
            if ((w.size() != 2 && w.size() != 3) || (w.size() == 3 && !isWindowName(w[2]))) {
                return fail("snapshot \"FILE.png\" [NAME]");
            }
            std::string path = resolve(home, w[1]);
            std::string name = w.size() == 3 && w[2] != "main" ? w[2] : "";
            sim::schedule(t, [path, name, snapshotFailures] {
                std::string why;
                Canvas shown;  // the window as the screen shows it, at its zoom
                if (name.empty()) {
                    if (sim::mainWindowIsOpen()) sim::shownMainWindow(shown);
                    else why = "no main window is open";
                } else if (!sim::shownToolWindow(name, shown)) {
                    why = "no tool window " + name + " is shown";
                }
                if (why.empty() && !writePng(shown, path, &why)) why = path + ": " + why;
                if (!why.empty() && snapshotFailures) snapshotFailures->push_back("snapshot: " + why);
            });
        } else if (verb == "transcript") {
            // A setting of the whole run, wherever it stands: the start-up stream is the same in
            // most scenarios, and leaving it out keeps their transcripts to what they are about.
            if (w.size() != 2 || w[1] != "from-loop") return fail("transcript from-loop");
            sim::setTranscriptFromLoop(true);
        } else {
            return fail("unknown line: " + verb);
        }
        if (end == text.size()) break;
    }
    result.endTime = t;
    return result;
}

}  // namespace ktsim
