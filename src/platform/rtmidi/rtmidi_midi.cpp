// The MIDI devices of the Linux desktop, on RtMidi.
//
// MIDI systems: the ALSA sequencer, else JACK, chosen once at first use. A machine may have
// both (a bridge between them is common); then the ports of both are offered, their names
// marked "ALSA: " and "JACK: ". A system works when RtMidi can start a client on it: ALSA
// fails at once without /dev/snd/seq; RtMidi's JACK client is created even without a server
// and only complains ("JACK server not running?") when it is used, so JACK is asked for its
// ports once before it counts as working.
//
// Each system has one RtMidiIn and one RtMidiOut for the whole run; a device is opened by
// connecting them to a port. Their clients are named after the program and its process
// number, so that our own ports can be left out of the device lists (the open output port of
// this program would otherwise turn up as an input device, and shift the numbers of the
// devices after it). A device is opened by its name, not by RtMidi's port number, because the
// numbers change whenever a port comes or goes. The names shown (and kept in the options files)
// and the order of the lists are portnames.h's: ALSA's without the sequencer's client numbers,
// the system's MIDI through ports last.
//
// Errors: RtMidi reports through a callback set on each object (without one it prints to
// stderr and throws). Warnings are kept for the error text, anything worse makes the call fail;
// RtMidiError exceptions are caught here as well.
//
// Input runs on RtMidi's thread (JACK's process thread, or ALSA's input thread): the callback
// only assembles messages and posts events (desktopPostEvent). The system-exclusive receive
// buffer of the portable code is one flag: set by midiInQueueBuffer, taken by the next whole
// system-exclusive message delivered; while it is not set, such messages are dropped.
//
// Output of long system-exclusive messages is chunked and paced (midi_stream.h): RtMidi drops a
// single message larger than its JACK ring buffer (16 KB) without a word, and inexpensive USB
// interfaces lose bytes when the host floods them; small parts at MIDI pace are safe on both
// systems.
//
// A JACK server that stops: RtMidi 5 does not notice. Its port lists still show the old ports
// (libjack reads them from the server's shared memory), and its output, once nobody empties its
// ring buffer, waits for room in it with sched_yield for ever: a send 16 KB after the server
// went would never return. So each JACK system has a watch: a client of our own, made through
// the libjack that RtMidi has loaded, whose shutdown callback marks the system dead. A dead
// system sends nothing and offers no devices; when none of its ports is open any longer, it is
// started again at the next listing (the server may be back).
//
// The controller input is a third client of a system, made when it is first opened (a program
// that never opens one pays nothing for it). It asks RtMidi to leave system-exclusive data
// out, and its callback marks its short messages as the controller's.
//
// Ports that come and go: JACK calls the watch's port registration callback; on ALSA a client
// of our own listens on the sequencer's announce port. Either posts DevicesChanged.
#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <poll.h>
#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/desktop/queue.h"
#include "platform/midi.h"
#include "platform/midi_errors.h"
#include "platform/midi_stream.h"
#include "platform/rtmidi/alsa_input.h"
#include "platform/rtmidi/portnames.h"
#include "platform/trace.h"

namespace {

bool isWarning(RtMidiError::Type type) {
    return type == RtMidiError::WARNING || type == RtMidiError::DEBUG_WARNING;
}

// What RtMidi reported during one call on one object.
class ErrorLog {
public:
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        warnings_.clear();
        errors_.clear();
    }
    void add(RtMidiError::Type type, const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        (isWarning(type) ? warnings_ : errors_).push_back(text);
    }
    bool failed() {
        std::lock_guard<std::mutex> lock(mutex_);
        return !errors_.empty();
    }
    bool reportedAnything() {
        std::lock_guard<std::mutex> lock(mutex_);
        return !errors_.empty() || !warnings_.empty();
    }
    // Everything reported, warnings first (they often say why: "JACK server not running?").
    std::string text() {
        std::lock_guard<std::mutex> lock(mutex_);
        std::string all;
        for (const auto* list : {&warnings_, &errors_})
            for (const std::string& t : *list) all += (all.empty() ? "" : "\n") + t;
        return all;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> warnings_, errors_;
};

void logRtMidiError(RtMidiError::Type type, const std::string& text, void* log) {
    static_cast<ErrorLog*>(log)->add(type, text);
}

// The input side shared with RtMidi's thread.
struct InputState {
    bool fromController = false;  // set before the callback is, never changed after
    std::atomic<bool> open{false};
    std::atomic<bool> started{false};
    std::atomic<bool> bufferQueued{false};
    std::atomic<unsigned> epoch{0};  // moved on when a half-received message must be forgotten

    // Touched by the callback only.
    unsigned seenEpoch = 0;
    midistream::MidiInputAssembler assembler;
};

// A JACK client without ports that only listens for the server's shutdown (see above). The
// libjack functions are looked up at run time, in the library RtMidi brought in: the program
// is not linked with libjack itself.
class JackWatch {
public:
    // ownPrefix: the start of our own ports' names, whose coming and going is left out.
    bool start(const std::string& clientName, const std::string& ownPrefix) {
        ownPrefix_ = ownPrefix;
        portById_ = reinterpret_cast<PortByIdFunction>(dlsym(RTLD_DEFAULT, "jack_port_by_id"));
        portName_ = reinterpret_cast<PortNameFunction>(dlsym(RTLD_DEFAULT, "jack_port_name"));
        using OpenFunction = void* (*)(const char*, int, int*, ...);
        using ShutdownFunction = void (*)(void*, void (*)(void*), void*);
        using ActivateFunction = int (*)(void*);
        const auto open = reinterpret_cast<OpenFunction>(dlsym(RTLD_DEFAULT, "jack_client_open"));
        const auto onShutdown = reinterpret_cast<ShutdownFunction>(dlsym(RTLD_DEFAULT, "jack_on_shutdown"));
        const auto activate = reinterpret_cast<ActivateFunction>(dlsym(RTLD_DEFAULT, "jack_activate"));
        close_ = reinterpret_cast<CloseFunction>(dlsym(RTLD_DEFAULT, "jack_client_close"));
        if (open == nullptr || onShutdown == nullptr || activate == nullptr || close_ == nullptr) return false;
        const int noServerStart = 0x01;  // JackNoStartServer
        client_ = open(clientName.c_str(), noServerStart, nullptr);
        if (client_ == nullptr) return false;
        onShutdown(client_, serverStopped, &gone_);
        // Ports coming and going: the program rescans its devices in its command loop.
        using RegistrationFunction = int (*)(void*, void (*)(uint32_t, int, void*), void*);
        if (const auto onRegistration =
                reinterpret_cast<RegistrationFunction>(dlsym(RTLD_DEFAULT, "jack_set_port_registration_callback")))
            onRegistration(client_, portRegistered, this);
        if (activate(client_) != 0) {
            close_(client_);
            client_ = nullptr;
            return false;
        }
        return true;
    }
    ~JackWatch() {
        if (client_ != nullptr) close_(client_);
    }
    bool serverGone() const { return gone_.load(); }

private:
    using CloseFunction = int (*)(void*);
    using PortByIdFunction = void* (*)(void*, uint32_t);
    using PortNameFunction = const char* (*)(const void*);
    static void serverStopped(void* gone) { static_cast<std::atomic<bool>*>(gone)->store(true); }
    // On JACK's notification thread: only the event is posted (it wakes the waiting thread).
    // Our own ports are left out: the program opens its devices again after every change, and
    // each opening registers a port of ours, which would be a change again, for ever. (An
    // unregistered port's name stays readable by its id until the id is used again.)
    static void portRegistered(uint32_t id, int /*registered*/, void* watch) {
        const auto* self = static_cast<const JackWatch*>(watch);
        if (self->portById_ != nullptr && self->portName_ != nullptr) {
            const void* port = self->portById_(self->client_, id);
            const char* name = port != nullptr ? self->portName_(port) : nullptr;
            if (name != nullptr && std::string(name).compare(0, self->ownPrefix_.size(), self->ownPrefix_) == 0) return;
        }
        Event e;
        e.kind = EventKind::DevicesChanged;
        desktopPostEvent(e);
    }

    void* client_ = nullptr;
    CloseFunction close_ = nullptr;
    PortByIdFunction portById_ = nullptr;
    PortNameFunction portName_ = nullptr;
    std::string ownPrefix_;
    std::atomic<bool> gone_{false};
};

// An ALSA sequencer client whose one port is subscribed to the system's announce port: the
// sequencer tells it of every client and port that starts, changes or ends. Its thread waits
// in poll (on the sequencer and on a pipe that ends it) and posts one DevicesChanged for all
// that the sequencer had to say at once. Like the JACK watch, it looks libasound up at run
// time, in the library RtMidi brought in.
class AlsaAnnounceWatch {
public:
    // ownPrefix: the start of our own clients' names, whose ports' coming and going is left out.
    bool start(const std::string& clientName, const std::string& ownPrefix) {
        ownPrefix_ = ownPrefix;
        if (!find(infoMalloc_, "snd_seq_client_info_malloc") || !find(infoFree_, "snd_seq_client_info_free") ||
            !find(clientInfo_, "snd_seq_get_any_client_info") || !find(infoName_, "snd_seq_client_info_get_name"))
            infoMalloc_ = nullptr;  // without them every change counts
        if (!find(open_, "snd_seq_open") || !find(close_, "snd_seq_close") ||
            !find(setName_, "snd_seq_set_client_name") || !find(createPort_, "snd_seq_create_simple_port") ||
            !find(connectFrom_, "snd_seq_connect_from") || !find(pollCount_, "snd_seq_poll_descriptors_count") || !find(pollFds_, "snd_seq_poll_descriptors") ||
            !find(input_, "snd_seq_event_input"))
            return false;
        if (open_(&seq_, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
            seq_ = nullptr;
            return false;
        }
        setName_(seq_, clientName.c_str());
        const int port = createPort_(seq_, "announce", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
                                     SND_SEQ_PORT_TYPE_APPLICATION);
        if (port < 0 || connectFrom_(seq_, port, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE) < 0 ||
            pipe(wake_) != 0) {
            stop();
            return false;
        }
        thread_ = std::thread([this] { run(); });
        return true;
    }
    ~AlsaAnnounceWatch() { stop(); }

private:
    template <class Function>
    static bool find(Function*& function, const char* name) {
        function = reinterpret_cast<Function*>(dlsym(RTLD_DEFAULT, name));
        return function != nullptr;
    }

    static bool isDeviceChange(int type) {
        return type == SND_SEQ_EVENT_CLIENT_START || type == SND_SEQ_EVENT_CLIENT_EXIT ||
               type == SND_SEQ_EVENT_CLIENT_CHANGE || type == SND_SEQ_EVENT_PORT_START ||
               type == SND_SEQ_EVENT_PORT_EXIT || type == SND_SEQ_EVENT_PORT_CHANGE;
    }

    void run() {
        const int count = pollCount_(seq_, POLLIN);
        if (count <= 0) return;
        std::vector<pollfd> fds(static_cast<size_t>(count) + 1);
        pollFds_(seq_, fds.data(), static_cast<unsigned>(count), POLLIN);
        fds[static_cast<size_t>(count)] = {wake_[0], POLLIN, 0};
        for (;;) {
            if (poll(fds.data(), fds.size(), -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds.back().revents != 0) return;  // stop() wrote to the pipe
            bool changed = false;
            for (;;) {
                snd_seq_event_t* event = nullptr;
                const int got = input_(seq_, &event);
                if (got == -ENOSPC) {  // events were lost: something may have changed
                    changed = true;
                    continue;
                }
                if (got < 0 || event == nullptr) break;  // -EAGAIN: all read
                if (isDeviceChange(event->type) && !ofOurOwnPort(*event)) changed = true;
            }
            if (changed) {
                Event e;
                e.kind = EventKind::DevicesChanged;
                desktopPostEvent(e);
            }
        }
    }

    // One of our own clients, or a port of one, started or changed: the program opened a device
    // itself (it opens its devices again after every change, so counting these would never
    // end). A client or port that ended cannot be asked for its name any more: it counts.
    bool ofOurOwnPort(const snd_seq_event_t& event) const {
        const int type = event.type;
        if (infoMalloc_ == nullptr ||
            (type != SND_SEQ_EVENT_PORT_START && type != SND_SEQ_EVENT_PORT_EXIT && type != SND_SEQ_EVENT_PORT_CHANGE &&
             type != SND_SEQ_EVENT_CLIENT_START && type != SND_SEQ_EVENT_CLIENT_CHANGE))
            return false;
        snd_seq_client_info_t* info = nullptr;
        if (infoMalloc_(&info) < 0 || info == nullptr) return false;
        bool own = false;
        if (clientInfo_(seq_, event.data.addr.client, info) >= 0) {
            const char* name = infoName_(info);
            own = name != nullptr && std::string(name).compare(0, ownPrefix_.size(), ownPrefix_) == 0;
        }
        infoFree_(info);
        return own;
    }

    void stop() {
        if (thread_.joinable()) {
            const char end = 0;
            if (write(wake_[1], &end, 1) != 1) {
                thread_.detach();  // cannot be woken; it ends with the process
            } else {
                thread_.join();
            }
        }
        for (int& fd : wake_) {
            if (fd >= 0) ::close(fd);
            fd = -1;
        }
        if (seq_ != nullptr) close_(seq_);
        seq_ = nullptr;
    }

    decltype(snd_seq_client_info_malloc)* infoMalloc_ = nullptr;
    decltype(snd_seq_client_info_free)* infoFree_ = nullptr;
    decltype(snd_seq_get_any_client_info)* clientInfo_ = nullptr;
    decltype(snd_seq_client_info_get_name)* infoName_ = nullptr;
    std::string ownPrefix_;
    decltype(snd_seq_open)* open_ = nullptr;
    decltype(snd_seq_close)* close_ = nullptr;
    decltype(snd_seq_set_client_name)* setName_ = nullptr;
    decltype(snd_seq_create_simple_port)* createPort_ = nullptr;
    decltype(snd_seq_connect_from)* connectFrom_ = nullptr;
    decltype(snd_seq_poll_descriptors_count)* pollCount_ = nullptr;
    decltype(snd_seq_poll_descriptors)* pollFds_ = nullptr;
    decltype(snd_seq_event_input)* input_ = nullptr;
    snd_seq_t* seq_ = nullptr;
    int wake_[2] = {-1, -1};
    std::thread thread_;
};

struct MidiSystem {
    RtMidi::Api api = RtMidi::UNSPECIFIED;
    std::string label;
    // Declared before the RtMidi objects, which use them until they are destroyed.
    InputState input;
    InputState ctlInput;  // the controller input's
    ErrorLog inLog, outLog, ctlLog;
    std::unique_ptr<RtMidiIn> in;
    std::unique_ptr<RtMidiIn> ctl;  // made at the controller input's first open
    std::unique_ptr<RtMidiOut> out;
    std::unique_ptr<JackWatch> watch;  // JACK only
    std::unique_ptr<AlsaAnnounceWatch> announce;  // ALSA only; without it no hot-plug, all else works
    // ALSA only: the inputs' own sequencer clients (alsa_input.h), made at their first opening;
    // RtMidi's input client there only lists the ports.
    std::unique_ptr<AlsaSequencerInput> alsaIn, alsaCtl;

    // Its server stopped; or it was, and it could not be started again yet (no clients).
    bool dead() const { return in == nullptr || out == nullptr || (watch != nullptr && watch->serverGone()); }
};

struct Device {
    MidiSystem* system = nullptr;  // null: its system was started anew since
    std::string portName;  // as RtMidi names it
    std::string shown;     // as the program shows it
};

struct Backend {
    std::vector<std::unique_ptr<MidiSystem>> systems;
    std::string whyNone;      // when no system works: what each said
    std::string baseName;     // our clients' names start with it
    std::string ownPrefix;    // the start of our ports' names
    std::vector<Device> outs, ins;
    bool outsListed = false, insListed = false;
    MidiSystem* outOpen = nullptr;
    MidiSystem* inOpen = nullptr;
    MidiSystem* ctlOpen = nullptr;
};

// The bytes an input's reading thread (RtMidi's or our ALSA one) took, made into events.
void feedInput(InputState& in, const uint8_t* bytes, size_t n) {
    const unsigned epoch = in.epoch.load();
    if (epoch != in.seenEpoch) {
        in.assembler.reset();
        in.seenEpoch = epoch;
    }
    if (bytes == nullptr || n == 0) return;
    // Stamped as it comes in (the clock is steady_clock, safe on this thread): RtMidi's delta
    // times only count from one message to the next, and the program may take the event much
    // later, for instance while a send still holds it.
    const uint32_t arrivedAt = tickCount();
    // Assembled even while nobody listens, so that a message that began before the start
    // is not mistaken for one that begins later.
    in.assembler.feed(
        bytes, n,
        [&](uint32_t word) {
            if (!in.open.load() || !in.started.load()) return;
            Event e;
            e.kind = EventKind::MidiShort;
            e.midiWord = word;
            e.fromController = in.fromController;
            e.arrivedAt = arrivedAt;
            desktopPostEvent(e);
        },
        [&](const std::vector<uint8_t>& sysEx) {
            if (!in.open.load() || !in.started.load() || in.fromController) return;
            if (!in.bufferQueued.exchange(false)) return;  // no buffer: the message is lost
            Event e;
            e.kind = EventKind::MidiLong;
            e.bytes = sysEx;
            e.arrivedAt = arrivedAt;
            desktopPostEvent(e);
        });
}

void onInput(double /*deltaSeconds*/, std::vector<unsigned char>* message, void* user) {
    if (message != nullptr) feedInput(*static_cast<InputState*>(user), message->data(), message->size());
}

// The client names: the program's name and process number, so that they are ours alone.
std::string clientBaseName() {
    std::string name;
    std::ifstream comm("/proc/self/comm");
    std::getline(comm, name);
    std::string clean;
    for (char c : name)
        if (c != ':' && static_cast<unsigned char>(c) >= 0x20) clean += c;  // ':' parts client and port
    if (clean.empty()) clean = "korvatone";
    return clean + "-" + std::to_string(static_cast<long>(getpid()));
}

std::unique_ptr<MidiSystem> startSystem(RtMidi::Api api, const std::string& label, const std::string& base,
                                        std::string& why) {
    auto system = std::make_unique<MidiSystem>();
    system->api = api;
    system->label = label;
    if (api == RtMidi::UNIX_JACK) {
        // The watch first: RtMidi's JACK clients report a missing server on stderr before an
        // error callback can be set, the watch's client finds out quietly.
        system->watch = std::make_unique<JackWatch>();
        if (!system->watch->start(base + " watch", base + " ")) {
            why = "JACK server not running?";
            return nullptr;
        }
    }
    try {
        // The two clients start side by side: a JACK client waits a cycle or two of its
        // server before it is there, and one after the other the waits add up.
        auto out = std::async(std::launch::async, [&] { return std::make_unique<RtMidiOut>(api, base + " out"); });
        system->in = std::make_unique<RtMidiIn>(api, base + " in");
        system->in->setErrorCallback(logRtMidiError, &system->inLog);
        system->out = out.get();
        system->out->setErrorCallback(logRtMidiError, &system->outLog);
        // A client that could not reach its server tries again on every call and reports it.
        system->in->getPortCount();
        system->out->getPortCount();
        if (system->inLog.reportedAnything() || system->outLog.reportedAnything()) {
            why = system->inLog.reportedAnything() ? system->inLog.text() : system->outLog.text();
            return nullptr;
        }
        if (api == RtMidi::LINUX_ALSA) {
            system->announce = std::make_unique<AlsaAnnounceWatch>();
            if (!system->announce->start(base + " watch", base + " ")) system->announce.reset();
        }
        system->in->ignoreTypes(false, true, true);  // system exclusive yes; clock and sensing no
        system->in->setCallback(onInput, &system->input);
    } catch (const RtMidiError& error) {
        why = error.getMessage();
        return nullptr;
    }
    return system;
}

void closeEverything();

// The backend's state outside its Backend (which the start makes, in the background): the
// start itself, and the texts the system libraries report meanwhile.
struct StartState {
    std::mutex SystemTextMutex;      // guards SystemText: it is set on the starting thread
    std::string SystemText;          // the last text libjack or ALSA reported (for the error boxes)
    std::once_flag StartOnce;        // the backend's start was begun
    std::future<Backend*> Starting;  // the backend being started in the background
};
StartState Start;

// Quiet start: libjack and ALSA print to stderr when their system is absent ("Cannot connect
// to server socket", "ALSA lib ... open /dev/snd/seq failed"). Their texts are kept instead,
// for the boxes that tell why no system works. Looked up at run time like the watch's calls.

void keepSystemText(const char* text) {
    std::lock_guard<std::mutex> lock(Start.SystemTextMutex);
    Start.SystemText = text != nullptr ? text : "";
}

void keepAlsaText(const char* /*file*/, int /*line*/, const char* /*function*/, int /*err*/, const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    keepSystemText(text);
}

void silenceSystemLibraries() {
    using TextFunction = void (*)(void (*)(const char*));
    for (const char* name : {"jack_set_error_function", "jack_set_info_function"})
        if (const auto set = reinterpret_cast<TextFunction>(dlsym(RTLD_DEFAULT, name))) set(keepSystemText);
    using AlsaHandler = void (*)(const char*, int, const char*, int, const char*, ...);
    using AlsaSetFunction = int (*)(AlsaHandler);
    if (const auto set = reinterpret_cast<AlsaSetFunction>(dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler")))
        set(keepAlsaText);
}

// RtMidi reports a failed ALSA client on stderr before an error callback can be set, so a
// machine without the sequencer is told apart first.
bool alsaSequencerPresent(std::string& why) {
    if (access("/dev/snd/seq", F_OK) == 0) return true;
    why = "There is no ALSA sequencer (/dev/snd/seq).";
    return false;
}

// Both systems with their clients; lives to the end: RtMidi's threads may still look at it.
Backend* startBackend() {
    auto* made = new Backend;
    const std::string base = clientBaseName();
    made->baseName = base;
    made->ownPrefix = base + " ";
    std::string alsaWhy, jackWhy;
    silenceSystemLibraries();
    if (alsaSequencerPresent(alsaWhy))
        if (auto alsa = startSystem(RtMidi::LINUX_ALSA, "ALSA", base, alsaWhy)) made->systems.push_back(std::move(alsa));
    traceStep("midi-alsa");
    if (auto jack = startSystem(RtMidi::UNIX_JACK, "JACK", base, jackWhy)) made->systems.push_back(std::move(jack));
    traceStep("midi-jack");
    if (made->systems.empty()) {
        std::lock_guard<std::mutex> lock(Start.SystemTextMutex);
        if (!Start.SystemText.empty()) jackWhy += " (" + Start.SystemText + ")";
        made->whyNone = "No MIDI system works.\nALSA: " + alsaWhy + "\nJACK: " + jackWhy;
    }
    return made;
}

void beginStart() {
    std::call_once(Start.StartOnce, [] { Start.Starting = std::async(std::launch::async, startBackend); });
}

Backend& backend() {
    beginStart();
    static Backend* const b = Start.Starting.get();
    static const bool closedAtExit = [] {
        // Closes the ports, so that no input arrives while the program's static objects go
        // away: those made before this point (the event queue among them) are destroyed after
        // this handler runs.
        std::atexit(closeEverything);
        return true;
    }();
    (void)closedAtExit;
    return *b;
}

// Ends a system's clients, our own first (they post nothing after this), then RtMidi's.
void stopClients(MidiSystem& system) {
    system.alsaCtl.reset();
    system.alsaIn.reset();
    system.announce.reset();
    system.watch.reset();
    system.ctl.reset();
    system.in.reset();
    system.out.reset();
}

// A JACK system whose server stopped is started again once none of its ports is open and the
// server is back; until then it is tried again at every listing.
void restartDeadSystems(Backend& b) {
    for (auto& system : b.systems) {
        if (!system->dead() || b.inOpen == system.get() || b.outOpen == system.get() || b.ctlOpen == system.get())
            continue;
        // Devices listed before point at the old clients: they cannot be opened any more.
        for (auto* list : {&b.outs, &b.ins})
            for (Device& d : *list)
                if (d.system == system.get()) d.system = nullptr;
        // The old clients go first: libjack crashes closing a client of a stopped server once
        // a client of a new server exists.
        stopClients(*system);
        std::string why;
        if (std::unique_ptr<MidiSystem> again = startSystem(system->api, system->label, b.baseName, why))
            system = std::move(again);
    }
}

// The devices of one direction, as RtMidi lists them now, without our own ports; their shown
// names and order are portnames.h's.
template <class Port>
std::vector<Device> listDevices(Backend& b, Port* (*portOf)(MidiSystem&), ErrorLog& (*logOf)(MidiSystem&)) {
    restartDeadSystems(b);
    std::vector<portnames::SystemPorts> listed;
    for (auto& system : b.systems) {
        listed.push_back({system->api == RtMidi::LINUX_ALSA ? portnames::MidiApi::Alsa : portnames::MidiApi::Jack,
                          system->label, {}});
        if (system->dead()) continue;  // its lists are the ones from before the server stopped
        Port* port = portOf(*system);
        logOf(*system).clear();
        try {
            const unsigned count = port->getPortCount();
            for (unsigned i = 0; i < count; ++i) listed.back().portNames.push_back(port->getPortName(i));
        } catch (const RtMidiError&) {
            listed.back().portNames.clear();  // a system that fails to list offers nothing this time
        }
    }
    std::vector<Device> devices;
    for (portnames::ListedPort& port : portnames::arrangePorts(listed, b.ownPrefix))
        devices.push_back({b.systems[port.system].get(), std::move(port.portName), std::move(port.shown)});
    return devices;
}

RtMidiOut* outPort(MidiSystem& s) { return s.out.get(); }
RtMidiIn* inPort(MidiSystem& s) { return s.in.get(); }
ErrorLog& outLog(MidiSystem& s) { return s.outLog; }
ErrorLog& inLog(MidiSystem& s) { return s.inLog; }

void listOutputs(Backend& b) {
    b.outs = listDevices<RtMidiOut>(b, outPort, outLog);
    b.outsListed = true;
}

void listInputs(Backend& b) {
    b.ins = listDevices<RtMidiIn>(b, inPort, inLog);
    b.insListed = true;
}

// Where RtMidi lists the port of that full name now; -1 when it is not listed.
template <class Port>
int indexOfPort(Port& port, const std::string& portName) {
    const unsigned count = port.getPortCount();
    for (unsigned i = 0; i < count; ++i)
        if (port.getPortName(i) == portName) return static_cast<int>(i);
    return -1;
}

// Connects `port` to the device's port, by RtMidi's name of it, wherever it stands in the list
// now; the error texts name the device as it is shown.
template <class Port>
bool openByName(Port& port, ErrorLog& log, const Device& device, const std::string& ourPortName,
                std::string& errorText) {
    log.clear();
    try {
        const int index = indexOfPort(port, device.portName);
        if (index < 0) {
            errorText = midiErrorGone(device.shown);
            return false;
        }
        port.openPort(static_cast<unsigned>(index), ourPortName);
    } catch (const RtMidiError& error) {
        errorText = error.getMessage();
        return false;
    }
    if (log.failed() || !port.isPortOpen()) {
        errorText = log.text();
        if (errorText.empty()) errorText = midiErrorNotOpened(device.shown);
        try {
            port.closePort();
        } catch (const RtMidiError&) {
        }
        return false;
    }
    return true;
}

bool stillUsable(const Device& device, std::string& errorText) {
    if (device.system == nullptr) {
        errorText = midiErrorGone(device.shown);
        return false;
    }
    if (device.system->dead()) {
        errorText = "The " + device.system->label + " server has stopped.";
        return false;
    }
    return true;
}

void closeEverything() {
    Backend& b = backend();
    midiCtlCloseDevice();
    midiInCloseDevice();
    midiOutCloseDevice();
    for (auto& system : b.systems) {
        try {
            stopClients(*system);
        } catch (const RtMidiError&) {
        }
    }
    b.systems.clear();
    b.ins.clear();
    b.outs.clear();
}

}  // namespace

void startMidiSystems() { beginStart(); }

int midiOutDeviceCount() {
    Backend& b = backend();
    listOutputs(b);
    return static_cast<int>(b.outs.size());
}

std::string midiOutDeviceName(int k) {
    Backend& b = backend();
    if (!b.outsListed) listOutputs(b);
    return k >= 0 && k < static_cast<int>(b.outs.size()) ? b.outs[k].shown : std::string();
}

int midiInDeviceCount() {
    Backend& b = backend();
    listInputs(b);
    return static_cast<int>(b.ins.size());
}

std::string midiInDeviceName(int k) {
    Backend& b = backend();
    if (!b.insListed) listInputs(b);
    return k >= 0 && k < static_cast<int>(b.ins.size()) ? b.ins[k].shown : std::string();
}

bool midiOutOpenDevice(int k, std::string& errorText) {
    Backend& b = backend();
    if (b.outOpen != nullptr) {
        errorText = MidiErrorAlreadyOpen;
        return false;
    }
    if (b.systems.empty()) {
        errorText = b.whyNone;
        return false;
    }
    if (!b.outsListed) listOutputs(b);
    if (k == -1) {
        // The system's default output: there is none on Linux, so the first one.
        if (b.outs.empty()) {
            errorText = MidiErrorNoOutput;
            return false;
        }
        k = 0;
    }
    if (k < 0 || k >= static_cast<int>(b.outs.size())) {
        errorText = MidiErrorBadDevice;
        return false;
    }
    const Device device = b.outs[k];
    if (!stillUsable(device, errorText)) return false;
    if (!openByName(*device.system->out, device.system->outLog, device, "MIDI out", errorText)) return false;
    b.outOpen = device.system;
    return true;
}

// A port closes at once (nothing of ours is queued on it); should RtMidi complain, the device
// is given up all the same, so the close always succeeds.
bool midiOutCloseDevice() {
    Backend& b = backend();
    if (b.outOpen == nullptr) return true;
    MidiSystem* system = b.outOpen;
    b.outOpen = nullptr;
    try {
        system->out->closePort();
    } catch (const RtMidiError&) {
    }
    return true;
}

// Nothing waits in an output queue of ours: a send returns when its bytes were handed over.
void midiOutResetDevice() {}

bool midiOutIsOpen() { return backend().outOpen != nullptr; }

namespace {

// Input device k, found for an input whose open system is openNow (one open at a time).
bool inputToOpen(const MidiSystem* openNow, int k, Device& device, std::string& errorText) {
    Backend& b = backend();
    if (openNow != nullptr) {
        errorText = MidiErrorAlreadyOpen;
        return false;
    }
    if (b.systems.empty()) {
        errorText = b.whyNone;
        return false;
    }
    if (!b.insListed) listInputs(b);
    if (k < 0 || k >= static_cast<int>(b.ins.size())) {
        errorText = MidiErrorBadDevice;
        return false;
    }
    device = b.ins[k];
    return stillUsable(device, errorText);
}

// On ALSA: connects the input's own sequencer client (made at the first opening, named
// `clientName`) from the device's port, found by its full name in RtMidi's list now.
bool connectAlsaInput(std::unique_ptr<AlsaSequencerInput>& alsa, InputState& input, RtMidiIn& lister,
                      const std::string& clientName, const Device& device, std::string& errorText) {
    int client = -1, port = -1;
    bool listed = false;
    try {
        listed = indexOfPort(lister, device.portName) >= 0;
    } catch (const RtMidiError&) {
    }
    if (!listed || portnames::alsaAddressAt(device.portName, client, port) == std::string::npos) {
        errorText = midiErrorGone(device.shown);
        return false;
    }
    if (alsa == nullptr) {
        auto made = std::make_unique<AlsaSequencerInput>();
        InputState* state = &input;
        if (!made->start(
                clientName, "MIDI in", false, [state](const uint8_t* bytes, size_t n) { feedInput(*state, bytes, n); },
                errorText))
            return false;
        alsa = std::move(made);
    }
    return alsa->connectFrom(client, port, errorText);
}

// Opens an input's port on its client, its state new (so no callback of an earlier opening
// counts). `alsa`: the input's own client on the ALSA sequencer (for a JACK system unused).
bool openInputPort(MidiSystem& system, std::unique_ptr<AlsaSequencerInput>& alsa, InputState& input,
                   RtMidiIn& client, ErrorLog& log, const Device& device, const char* what, std::string& errorText) {
    input.started = false;
    input.bufferQueued = false;
    ++input.epoch;
    if (system.api == RtMidi::LINUX_ALSA) {
        const std::string name = backend().baseName + " " + what;
        if (!connectAlsaInput(alsa, input, *system.in, name, device, errorText)) return false;
    } else if (!openByName(client, log, device, what, errorText)) {
        return false;
    }
    input.open = true;
    return true;
}

// Closes an input's port; whatever its reading thread still hands over belongs to the closed
// opening.
void closeInputPort(std::unique_ptr<AlsaSequencerInput>& alsa, InputState& input, RtMidiIn& client) {
    input.open = false;
    input.started = false;
    input.bufferQueued = false;
    ++input.epoch;
    if (alsa != nullptr) alsa->disconnect();
    try {
        client.closePort();
    } catch (const RtMidiError&) {
    }
}

}  // namespace

bool midiInOpenDevice(int k, std::string& errorText) {
    Backend& b = backend();
    Device device;
    if (!inputToOpen(b.inOpen, k, device, errorText)) return false;
    MidiSystem& system = *device.system;
    if (!openInputPort(system, system.alsaIn, system.input, *system.in, system.inLog, device, "MIDI in", errorText)) return false;
    b.inOpen = device.system;
    return true;
}

void midiInStartDevice() {
    Backend& b = backend();
    if (b.inOpen != nullptr) b.inOpen->input.started = true;
}

void midiInStopDevice() {
    Backend& b = backend();
    if (b.inOpen != nullptr) b.inOpen->input.started = false;
}

bool midiInCloseDevice() {
    Backend& b = backend();
    if (b.inOpen == nullptr) return true;
    MidiSystem* system = b.inOpen;
    b.inOpen = nullptr;
    closeInputPort(system->alsaIn, system->input, *system->in);
    return true;
}

// The controller input's client of a system, made at its first use.
bool controllerClient(MidiSystem& system, const std::string& base, std::string& errorText) {
    if (system.ctl != nullptr) return true;
    try {
        system.ctlInput.fromController = true;
        auto ctl = std::make_unique<RtMidiIn>(system.api, base + " ctl");
        ctl->setErrorCallback(logRtMidiError, &system.ctlLog);
        ctl->ignoreTypes(true, true, true);  // system exclusive, clock and sensing: none of them
        ctl->setCallback(onInput, &system.ctlInput);
        system.ctl = std::move(ctl);
    } catch (const RtMidiError& error) {
        errorText = error.getMessage();
        return false;
    }
    return true;
}

bool midiCtlOpenDevice(int k, std::string& errorText) {
    Backend& b = backend();
    Device device;
    if (!inputToOpen(b.ctlOpen, k, device, errorText)) return false;
    MidiSystem& system = *device.system;
    if (!controllerClient(system, b.baseName, errorText)) return false;
    if (!openInputPort(system, system.alsaCtl, system.ctlInput, *system.ctl, system.ctlLog, device, "controller in", errorText)) return false;
    b.ctlOpen = device.system;
    return true;
}

void midiCtlStartDevice() {
    Backend& b = backend();
    if (b.ctlOpen != nullptr) b.ctlOpen->ctlInput.started = true;
}

bool midiCtlCloseDevice() {
    Backend& b = backend();
    if (b.ctlOpen == nullptr) return true;
    MidiSystem* system = b.ctlOpen;
    b.ctlOpen = nullptr;
    closeInputPort(system->alsaCtl, system->ctlInput, *system->ctl);
    return true;
}

bool midiCtlIsOpen() { return backend().ctlOpen != nullptr; }

// Stops the input and gives the receive buffer back, like a reset of a Windows input device.
void midiInResetDevice() {
    Backend& b = backend();
    if (b.inOpen == nullptr) return;
    b.inOpen->input.started = false;
    b.inOpen->input.bufferQueued = false;
    ++b.inOpen->input.epoch;
}

bool midiInIsOpen() { return backend().inOpen != nullptr; }

void midiInQueueBuffer() {
    Backend& b = backend();
    if (b.inOpen != nullptr) b.inOpen->input.bufferQueued = true;
}

void midiInReleaseBuffer() {
    Backend& b = backend();
    if (b.inOpen != nullptr) b.inOpen->input.bufferQueued = false;
}

void midiOutSendShort(uint32_t word) {
    Backend& b = backend();
    if (b.outOpen == nullptr) return;
    uint8_t bytes[3];
    unpackMidiShort(word, bytes);
    const int length = midistream::shortMessageLength(bytes[0]);
    if (length == 0 || b.outOpen->dead()) return;  // not the start of a short message; nobody to take it
    try {
        b.outOpen->out->sendMessage(bytes, static_cast<size_t>(length));
    } catch (const RtMidiError&) {
        // A short message that cannot go out is lost, as on a cable that is pulled.
    }
}

bool midiOutSendSysEx(const uint8_t* bytes, size_t length, const SysExProgress& progress) {
    Backend& b = backend();
    if (b.outOpen == nullptr || bytes == nullptr || length == 0) return false;
    MidiSystem* system = b.outOpen;
    auto sendChunk = [&](const uint8_t* chunk, size_t n) {
        // The output may have been closed meanwhile (by nothing we know of today, but a
        // progress function could): then the rest cannot go out.
        if (b.outOpen != system || system->dead()) return false;
        system->outLog.clear();
        try {
            // A part of a system-exclusive message: JACK passes the bytes on as one event (a
            // receiver puts the parts together again). ALSA's encoder, which RtMidi sizes to the
            // largest message sent (here a whole chunk), sends a system-exclusive event each
            // time its buffer is full, so a full chunk goes out at once; a shorter part stays
            // in the encoder with a warning ("incomplete message") and goes with the next one.
            // So warnings do not fail a chunk.
            system->out->sendMessage(chunk, n);
        } catch (const RtMidiError&) {
            return false;
        }
        return !system->outLog.failed();
    };
    auto sleep = [](uint32_t ms) { sleepMilliseconds(ms); };
    auto report = [&](size_t sent, size_t total) {
        if (progress) progress(sent, total);
    };
    return midistream::sendPaced(bytes, length, sendChunk, tickCount, sleep, report);
}
