// ktunit - a Korvatone on a MIDI port: the unit model (src/unit) behind a virtual MIDI port
// named "Korvatone (virtual)", for trying the editor and the updater without the instrument
// and for integration tests of the desktop MIDI backend.
//
//   ktunit [--update] [--erase-ms N] [--verdict ok|fail] [--reply-delay N]
//          [--declaration KtProg.DAT] [--api alsa|jack] [--quiet]
//          [--dump-on-exit FILE] [--image-out FILE]
//
// It opens an input and an output port on the ALSA sequencer, else on JACK, feeds the unit
// every message that arrives (stamped with a monotonic microsecond clock), sends the unit's
// replies at the times the unit gives them, and writes a line for everything that happens.
// SIGINT or SIGTERM end it: the unit's summary goes to the dump file, the last firmware image
// received to the image file, and it exits with 0.
//
// Threads: RtMidi's input thread only assembles messages and hands them over; one worker
// feeds the unit, prints, and sends the replies when they are due (it sleeps on a condition
// variable until then); the main thread waits for the signal.
#include <rtmidi/RtMidi.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/midi_stream.h"
#include "platform/rtmidi/alsa_input.h"
#include "unit/unit.h"

namespace {

const char* const ClientName = "Korvatone";
const char* const PortName = "Korvatone (virtual)";

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

// --- the command line ---

struct Options {
    bool update = false;
    uint32_t eraseMs = 1500;
    bool verdictOk = true;
    uint32_t replyDelayMs = 5;
    std::string declaration;
    std::string api;  // "", "alsa" or "jack"
    bool quiet = false;
    std::string dumpFile;
    std::string imageFile;
};

const char* const Usage =
    "usage: ktunit [--update] [--erase-ms N] [--verdict ok|fail] [--reply-delay N]\n"
    "              [--declaration KtProg.DAT] [--api alsa|jack] [--quiet]\n"
    "              [--dump-on-exit FILE] [--image-out FILE]\n";

bool parseMilliseconds(const char* text, uint32_t& value) {
    char* end = nullptr;
    const unsigned long v = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || text[0] == '-' || v > 600000) return false;
    value = static_cast<uint32_t>(v);
    return true;
}

bool parseOptions(int argc, char** argv, Options& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--update") {
            o.update = true;
        } else if (a == "--quiet") {
            o.quiet = true;
        } else if (a == "--help" || a == "-h") {
            error.clear();
            return false;
        } else if (!hasValue) {
            error = "unknown option or missing value: " + a;
            return false;
        } else if (a == "--erase-ms" || a == "--reply-delay") {
            if (!parseMilliseconds(argv[++i], a == "--erase-ms" ? o.eraseMs : o.replyDelayMs)) {
                error = a + " takes milliseconds, 0..600000";
                return false;
            }
        } else if (a == "--verdict") {
            const std::string v = argv[++i];
            if (v != "ok" && v != "fail") {
                error = "--verdict takes ok or fail";
                return false;
            }
            o.verdictOk = v == "ok";
        } else if (a == "--api") {
            o.api = argv[++i];
            if (o.api != "alsa" && o.api != "jack") {
                error = "--api takes alsa or jack";
                return false;
            }
        } else if (a == "--declaration") {
            o.declaration = argv[++i];
        } else if (a == "--dump-on-exit") {
            o.dumpFile = argv[++i];
        } else if (a == "--image-out") {
            o.imageFile = argv[++i];
        } else {
            error = "unknown option: " + a;
            return false;
        }
    }
    return true;
}

// --- the names of the parameters ---

// Parameter j's NRPN number: the groups of the unit, each with its MSB, the LSB counting from 1.
struct NrpnGroup {
    int first, count, msb;
};
const NrpnGroup NrpnGroups[] = {{0, 12, 11},  {12, 12, 12}, {24, 12, 13}, {36, 12, 14}, {48, 8, 15}, {56, 2, 16},
                                {58, 6, 17},  {64, 14, 18}, {78, 7, 19},  {85, 4, 20},  {89, 15, 21}};

int parameterOfNrpn(int msb, int lsb) {
    for (const NrpnGroup& g : NrpnGroups)
        if (g.msb == msb && lsb >= 1 && lsb <= g.count) return g.first + lsb - 1;
    return -1;
}

struct PotName {
    int field = 0, pot = 0;
    std::string name;
};

// A small reader of the editor's declaration file, for the pots' captions only: it walks the
// file as the editor does (data lines, comments from ";"), evaluating just the counts.
class DeclarationReader {
public:
    bool read(const std::string& path, std::vector<PotName>& pots, std::string& error) {
        file_.open(path);
        if (!file_) {
            error = "cannot be read";
            return false;
        }
        std::string line;
        if (!dataLine(line)) return outOfData(error);
        if (upper(trim(line)) == "SYMBOL_START") {
            for (;;) {
                if (!dataLine(line)) return outOfData(error);
                if (trim(line) == "SYMBOL_END") break;
                const size_t eq = line.find('=');
                if (eq == std::string::npos) continue;
                symbols_.emplace_back(trim(line.substr(0, eq)), evaluate(line.substr(eq + 1)));
            }
            if (!dataLine(line)) return outOfData(error);  // the knob travel
        }
        int fields = 0, pairs = 0, labels = 0, lines = 0;
        // After the field count: the largest pot index, the two repeat times, the window's
        // place and size, four reserved values.
        if (!count(fields) || !skip(1 + 2 + 4 + 4) || !count(pairs) || !skip(2 * pairs) || !count(labels) ||
            !skip(4 * labels) || !count(lines) || !skip(5 * lines))
            return outOfData(error);
        for (int f = 0; f < fields; ++f) {
            int potCount = 0;
            if (!skip(3) || !count(potCount)) return outOfData(error);
            for (int k = 0; k < potCount; ++k) {
                std::string title, caption;
                if (!skip(3) || !dataLine(title) || !dataLine(caption)) return outOfData(error);
                pots.push_back({f, k, potName(title, caption)});
            }
        }
        return true;
    }

private:
    bool outOfData(std::string& error) {
        error = "the declaration ends too early (line " + std::to_string(lineNumber_) + ")";
        return false;
    }

    // The next line that is not empty and does not start with ";", without its comment.
    bool dataLine(std::string& line) {
        while (std::getline(file_, line)) {
            ++lineNumber_;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty() || line[0] == ';') continue;
            const size_t comment = line.find(';');
            if (comment != std::string::npos) line.erase(comment);
            return true;
        }
        return false;
    }

    bool skip(int n) {
        std::string line;
        for (int i = 0; i < n; ++i)
            if (!dataLine(line)) return false;
        return true;
    }

    bool count(int& value) {
        std::string line;
        if (!dataLine(line)) return false;
        value = std::max(0, static_cast<int>(std::lround(evaluate(line))));
        return true;
    }

    // Numbers and symbols joined by + - *, products first (no brackets in these files).
    double evaluate(const std::string& text) {
        double sum = 0, product = 1;
        int sign = 1;
        std::string operand;
        auto take = [&](char next) {
            product *= operandValue(trim(operand));
            operand.clear();
            if (next != '*') {
                sum += sign * product;
                product = 1;
                sign = next == '-' ? -1 : 1;
            }
        };
        const std::string t = trim(text);
        for (size_t i = 0; i < t.size(); ++i) {
            const char c = t[i];
            // A sign at the start of an operand belongs to its number.
            if ((c == '+' || c == '-' || c == '*') && !trim(operand).empty())
                take(c);
            else
                operand += c;
        }
        take('+');
        return sum;
    }

    double operandValue(const std::string& operand) {
        if (operand.empty()) return 0;
        char* end = nullptr;
        const double v = std::strtod(operand.c_str(), &end);
        if (end != operand.c_str()) return v;
        for (const auto& s : symbols_)
            if (s.first == operand) return s.second;
        return 0;
    }

    static std::string trim(const std::string& s) {
        const size_t a = s.find_first_not_of(" \t");
        if (a == std::string::npos) return std::string();
        return s.substr(a, s.find_last_not_of(" \t") - a + 1);
    }

    static std::string upper(std::string s) {
        for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    }

    // The caption ("|" parts its two lines), else the title; blanks collapsed.
    static std::string potName(const std::string& title, const std::string& caption) {
        std::string name;
        for (const std::string* text : {&caption, &title}) {
            std::string words;
            for (char c : *text) {
                const char d = c == '|' ? ' ' : c;
                if (d == ' ' && (words.empty() || words.back() == ' ')) continue;
                words += d;
            }
            name = trim(words);
            if (!name.empty()) break;
        }
        return name;
    }

    std::ifstream file_;
    int lineNumber_ = 0;
    std::vector<std::pair<std::string, double>> symbols_;
};

// --- what the unit was sent, in words ---

using unit::hexBytes;

const uint8_t Maker[3] = {0x00, 0x21, 0x11};
constexpr uint8_t PartLoader = 0x02, PartProgram = 0x03;

std::string replyName(const Bytes& r) {
    const Bytes head = {0xF0, Maker[0], Maker[1], Maker[2]};
    if (r.size() == 7 && std::equal(head.begin(), head.end(), r.begin()) && r[6] == 0xF7) {
        if (r[4] == PartProgram && r[5] == 0x21) return "answered: program written";
        if (r[4] == PartLoader && r[5] == 0x11) return "answered: identification";
        if (r[4] == PartLoader && r[5] == 0x12) return "erase done";
        if (r[4] == PartLoader && r[5] == 0x14) return "answered: update ok";
        if (r[4] == PartLoader && r[5] == 0x15) return "answered: update failed";
    }
    return "answered: " + hexBytes(r, 16);
}

// --- the virtual unit ---

struct Arrival {
    Bytes bytes;
    uint64_t atUs;
};

class VirtualUnit {
public:
    explicit VirtualUnit(const Options& o) : options_(o), start_(Clock::now()) {
        unit::reset(state_);
        state_.UnitMode = o.update ? unit::Mode::Update : unit::Mode::Program;
        state_.EraseMs = o.eraseMs;
        state_.VerdictOk = o.verdictOk;
        state_.ReplyDelayMs = o.replyDelayMs;
    }

    void setPotNames(std::vector<PotName> names) { potNames_ = std::move(names); }

    uint64_t nowUs() const {
        return static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start_).count());
    }

    // On the input's reading thread.
    void pieceArrived(const std::vector<unsigned char>& piece) {
        const uint64_t at = nowUs();
        std::vector<Arrival> whole;
        assembler_.feed(
            piece.data(), piece.size(),
            [&](uint32_t word) {
                const uint8_t status = word & 0xFF;
                const int n = midistream::shortMessageLength(status);
                Bytes bytes;
                for (int i = 0; i < n; ++i) bytes.push_back(uint8_t(word >> (8 * i)));
                whole.push_back({bytes, at});
            },
            [&](const Bytes& sysEx) { whole.push_back({sysEx, at}); });
        if (whole.empty()) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (Arrival& a : whole) inbox_.push_back(std::move(a));
        }
        wake_.notify_one();
    }

    void run(RtMidiOut& out) {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stop_) {
            if (!inbox_.empty()) {
                std::deque<Arrival> arrived;
                arrived.swap(inbox_);
                lock.unlock();
                for (const Arrival& a : arrived) receive(a);
                lock.lock();
                continue;
            }
            if (!due_.empty()) {
                const uint64_t at = due_.begin()->first;
                if (nowUs() >= at) {
                    const Bytes reply = due_.begin()->second;
                    due_.erase(due_.begin());
                    lock.unlock();
                    send(out, reply);
                    lock.lock();
                } else {
                    wake_.wait_until(lock, start_ + std::chrono::microseconds(at));
                }
                continue;
            }
            wake_.wait(lock);
        }
    }

    void stop() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
    }

    // After the worker has ended.
    const unit::State& state() const { return state_; }

    void say(const std::string& line) {
        if (options_.quiet) return;
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }

private:
    void receive(const Arrival& a) {
        if (a.bytes.empty()) return;
        if (a.bytes[0] == 0xF0)
            receiveSysEx(a);
        else
            receiveShort(a);
    }

    void receiveShort(const Arrival& a) {
        const unit::Counts before = state_.Count;
        unit::receiveShort(state_, a.bytes.data(), a.bytes.size(), a.atUs);
        const unit::Counts& after = state_.Count;
        if (after.shortMessages == before.shortMessages) return;  // not for the unit
        const uint8_t kind = a.bytes[0] & 0xF0;
        const int d1 = a.bytes.size() > 1 ? a.bytes[1] : 0;
        const int d2 = a.bytes.size() > 2 ? a.bytes[2] : 0;
        if (kind == 0x90 && d2 > 0) {
            say("note on " + std::to_string(d1));
        } else if (kind == 0x80 || kind == 0x90) {
            say("note off " + std::to_string(d1));
        } else if (kind == 0xB0 && d1 == 6) {
            if (after.nrpnErrors != before.nrpnErrors) {
                say("refused: " + state_.LastRefusalText);
            } else if (after.editBegins != before.editBegins) {
                say("edit begin");
            } else if (after.editEnds != before.editEnds) {
                say("edit end");
            } else {
                say("parameter " + std::to_string(state_.Msb) + "/" + std::to_string(state_.Lsb) + " = " +
                    std::to_string(d2) + " (" + describe(state_.Msb, state_.Lsb) + ")");
            }
        }
    }

    std::string describe(int msb, int lsb) const {
        if (msb == 10 && lsb == 1) return "edit bracket";
        const int j = parameterOfNrpn(msb, lsb);
        if (j < 0) return "no parameter of the panel";
        if (j < static_cast<int>(potNames_.size())) {
            const PotName& p = potNames_[j];
            std::string text = "field " + std::to_string(p.field) + " pot " + std::to_string(p.pot);
            if (!p.name.empty()) text += " " + p.name;
            return text;
        }
        return "parameter " + std::to_string(j);
    }

    void receiveSysEx(const Arrival& a) {
        const unit::Counts before = state_.Count;
        const std::vector<unit::Reply> replies = unit::receiveSysEx(state_, a.bytes, a.atUs);
        const unit::Counts& after = state_.Count;
        const bool refused = after.refused != before.refused;
        // In update mode the one message taken that is no update data is the identification.
        const bool identification =
            state_.UnitMode == unit::Mode::Update && !refused && after.updates == before.updates;
        const std::string size = std::to_string(a.bytes.size()) + " bytes";
        if (after.programsWritten != before.programsWritten) {
            const int location = a.bytes[7];
            unsigned sum = 0;
            for (uint8_t b : state_.ProgramMemory[location]) sum += b;
            char number[4];
            std::snprintf(number, sizeof number, "%02d", location);
            say(std::string("program ") + number + " written (sum " + std::to_string(sum) + ")");
        } else if (identification) {
            say("identification request");
        } else if (after.updates != before.updates) {
            if (refused) {
                say("update: " + size + " received, refused: " + state_.LastRefusalText);
            } else {
                char crc[9];
                std::snprintf(crc, sizeof crc, "%08X", unsigned(unit::crc32(state_.Image.data(), state_.Image.size())));
                say("update: " + size + " received, image " + std::to_string(state_.Image.size()) + " bytes crc32 " +
                    crc + ", verdict " + (state_.VerdictOk ? "ok" : "fail"));
            }
        } else if (refused) {
            say("refused: " + state_.LastRefusalText + " (" + size + ": " + hexBytes(a.bytes, 8) + ")");
        }
        if (replies.empty()) return;
        std::lock_guard<std::mutex> lock(mutex_);
        // Replies due at the same time go out in the order the unit made them.
        for (const unit::Reply& r : replies) due_.emplace(r.atUs, r.bytes);
    }

    void send(RtMidiOut& out, const Bytes& reply) {
        try {
            // The replies are short; anything longer still goes in pieces the ports take.
            for (size_t sent = 0; sent < reply.size(); sent += midistream::ChunkBytes)
                out.sendMessage(reply.data() + sent, std::min(midistream::ChunkBytes, reply.size() - sent));
            say(replyName(reply));
        } catch (const RtMidiError& e) {
            std::fprintf(stderr, "ktunit: a reply could not be sent: %s\n", e.getMessage().c_str());
        }
    }

    const Options options_;
    const Clock::time_point start_;
    unit::State state_;  // the worker's alone while it runs
    std::vector<PotName> potNames_;
    midistream::MidiInputAssembler assembler_;  // RtMidi's thread's alone

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Arrival> inbox_;
    std::multimap<uint64_t, Bytes> due_;
    bool stop_ = false;
};

void onInput(double /*deltaSeconds*/, std::vector<unsigned char>* message, void* user) {
    if (message != nullptr) static_cast<VirtualUnit*>(user)->pieceArrived(*message);
}

struct Ports {
    std::unique_ptr<RtMidiIn> in;                 // JACK
    std::unique_ptr<AlsaSequencerInput> alsaIn;  // ALSA (RtMidi's ALSA input may fall silent)
    std::unique_ptr<RtMidiOut> out;
    std::string apiName;
};

// Opens the virtual ports on the first MIDI system that works, or on the one asked for.
bool openPorts(const std::string& wanted, VirtualUnit& unitModel, Ports& ports, std::string& why) {
    const std::pair<RtMidi::Api, const char*> apis[] = {{RtMidi::LINUX_ALSA, "alsa"}, {RtMidi::UNIX_JACK, "jack"}};
    for (const auto& api : apis) {
        if (!wanted.empty() && wanted != api.second) continue;
        try {
            if (api.first == RtMidi::LINUX_ALSA) {
                // RtMidi first, so that a machine without the sequencer says so in its words.
                ports.out = std::make_unique<RtMidiOut>(api.first, ClientName);
                auto in = std::make_unique<AlsaSequencerInput>();
                std::string error;
                VirtualUnit* unitOf = &unitModel;
                if (!in->start(
                        ClientName, PortName, true,
                        [unitOf](const uint8_t* bytes, size_t n) {
                            unitOf->pieceArrived(std::vector<unsigned char>(bytes, bytes + n));
                        },
                        error))
                    throw RtMidiError(error, RtMidiError::DRIVER_ERROR);
                ports.alsaIn = std::move(in);
                ports.out->openVirtualPort(PortName);
                ports.apiName = "ALSA";
                return true;
            }
            ports.in = std::make_unique<RtMidiIn>(api.first, ClientName);
            ports.in->ignoreTypes(false, true, true);
            ports.in->setCallback(onInput, &unitModel);
            ports.in->openVirtualPort(PortName);
            ports.out = std::make_unique<RtMidiOut>(api.first, ClientName);
            ports.out->openVirtualPort(PortName);
            ports.apiName = api.first == RtMidi::LINUX_ALSA ? "ALSA" : "JACK";
            return true;
        } catch (const RtMidiError& e) {
            why += std::string(why.empty() ? "" : "; ") + api.second + ": " + e.getMessage();
            ports.in.reset();
            ports.alsaIn.reset();
            ports.out.reset();
        }
    }
    return false;
}

bool writeDump(const std::string& path, const unit::State& s) {
    std::ofstream file(path);
    for (const std::string& line : unit::summary(s)) file << line << "\n";
    return static_cast<bool>(file);
}

bool writeImage(const std::string& path, const unit::State& s) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(s.Image.data()), static_cast<std::streamsize>(s.Image.size()));
    return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        if (!error.empty()) std::fprintf(stderr, "ktunit: %s\n", error.c_str());
        std::fputs(Usage, error.empty() ? stdout : stderr);
        return error.empty() ? 0 : 2;
    }

    VirtualUnit unitModel(options);
    if (!options.declaration.empty()) {
        std::vector<PotName> names;
        if (!DeclarationReader().read(options.declaration, names, error)) {
            std::fprintf(stderr, "ktunit: %s: %s\n", options.declaration.c_str(), error.c_str());
            return 2;
        }
        unitModel.setPotNames(std::move(names));
    }

    // The signals are taken by the main thread alone: blocked here, before RtMidi and the
    // worker start their threads (which inherit the mask), and waited for with sigwait.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);  // a reader of our output that goes away must not end us

    Ports ports;
    if (!openPorts(options.api, unitModel, ports, error)) {
        std::fprintf(stderr, "ktunit: no MIDI port could be opened (%s)\n", error.c_str());
        return 1;
    }
    std::thread worker([&] { unitModel.run(*ports.out); });
    unitModel.say(std::string("ready: ") + PortName + " on " + ports.apiName + ", " +
                  (options.update ? "update" : "program") + " mode, reply delay " +
                  std::to_string(options.replyDelayMs) + " ms" +
                  (options.update ? ", erase " + std::to_string(options.eraseMs) + " ms, verdict " +
                                        (options.verdictOk ? "ok" : "fail")
                                  : std::string()));

    int signalNumber = 0;
    sigwait(&endSignals, &signalNumber);

    // Input first, so that nothing arrives for a worker that is gone.
    ports.alsaIn.reset();
    try {
        if (ports.in != nullptr) ports.in->closePort();
    } catch (const RtMidiError&) {
    }
    unitModel.stop();
    worker.join();
    try {
        ports.out->closePort();
    } catch (const RtMidiError&) {
    }
    ports.in.reset();
    ports.out.reset();

    int status = 0;
    const unit::State& s = unitModel.state();
    if (!options.dumpFile.empty() && !writeDump(options.dumpFile, s)) {
        std::fprintf(stderr, "ktunit: %s could not be written\n", options.dumpFile.c_str());
        status = 1;
    }
    if (!options.imageFile.empty()) {
        if (!s.HaveImage) {
            std::fprintf(stderr, "ktunit: no firmware image was received; %s not written\n", options.imageFile.c_str());
        } else if (!writeImage(options.imageFile, s)) {
            std::fprintf(stderr, "ktunit: %s could not be written\n", options.imageFile.c_str());
            status = 1;
        }
    }
    unitModel.say("stopped");
    return status;
}
