#include "platform/rtmidi/alsa_input.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <thread>
#include <vector>

struct AlsaSequencerInput::State {
    snd_seq_t* seq = nullptr;
    snd_midi_event_t* decoder = nullptr;
    int port = -1;
    int wake[2] = {-1, -1};
    std::thread thread;
    Sink sink;
    // Held while an event is handed over, and by disconnect: after it, nothing of the old
    // connection is handed over any more.
    std::mutex handing;
    int fromClient = -1, fromPort = -1;  // the connected port (under `handing`)

    void run();
    void hand(const snd_seq_event_t& event);
    void stop();
};

namespace {

constexpr int InputEvents = 2000;

// Events that are no MIDI: the sequencer's notices of clients, ports and connections.
bool carriesMidi(const snd_seq_event_t& event) {
    switch (event.type) {
    case SND_SEQ_EVENT_CLIENT_START:
    case SND_SEQ_EVENT_CLIENT_EXIT:
    case SND_SEQ_EVENT_CLIENT_CHANGE:
    case SND_SEQ_EVENT_PORT_START:
    case SND_SEQ_EVENT_PORT_EXIT:
    case SND_SEQ_EVENT_PORT_CHANGE:
    case SND_SEQ_EVENT_PORT_SUBSCRIBED:
    case SND_SEQ_EVENT_PORT_UNSUBSCRIBED:
        return false;
    default:
        return true;
    }
}

}  // namespace

void AlsaSequencerInput::State::hand(const snd_seq_event_t& event) {
    if (!carriesMidi(event)) return;
    std::lock_guard<std::mutex> lock(handing);
    if (event.type == SND_SEQ_EVENT_SYSEX) {
        // The bytes as they are, whatever their length (the decoder wants a buffer for all).
        if (event.data.ext.len > 0 && event.data.ext.ptr != nullptr)
            sink(static_cast<const uint8_t*>(event.data.ext.ptr), event.data.ext.len);
        return;
    }
    unsigned char bytes[16];
    const long n = snd_midi_event_decode(decoder, bytes, sizeof bytes, &event);
    if (n > 0) sink(bytes, static_cast<size_t>(n));
}

void AlsaSequencerInput::State::run() {
    const int count = snd_seq_poll_descriptors_count(seq, POLLIN);
    if (count <= 0) return;
    std::vector<pollfd> fds(static_cast<size_t>(count) + 1);
    snd_seq_poll_descriptors(seq, fds.data(), static_cast<unsigned>(count), POLLIN);
    fds.back() = {wake[0], POLLIN, 0};
    for (;;) {
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds.back().revents != 0) return;  // stop() wrote to the pipe
        // Everything the sequencer has now; -EAGAIN: nothing more (also after a wake-up that
        // brought nothing), wait again.
        for (;;) {
            snd_seq_event_t* event = nullptr;
            const int got = snd_seq_event_input(seq, &event);
            if (got == -ENOSPC) continue;  // the input overran: events were lost, the rest follows
            if (got < 0 || event == nullptr) break;
            hand(*event);
        }
    }
}

void AlsaSequencerInput::State::stop() {
    if (thread.joinable()) {
        const char end = 0;
        if (write(wake[1], &end, 1) == 1) {
            thread.join();
        } else {
            thread.detach();  // cannot be woken; it ends with the process
        }
    }
    for (int& fd : wake) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    if (decoder != nullptr) snd_midi_event_free(decoder);
    decoder = nullptr;
    if (seq != nullptr) snd_seq_close(seq);
    seq = nullptr;
}

AlsaSequencerInput::AlsaSequencerInput() : state_(std::make_unique<State>()) {}

AlsaSequencerInput::~AlsaSequencerInput() { state_->stop(); }

bool AlsaSequencerInput::start(const std::string& clientName, const std::string& portName, bool exported, Sink sink,
                               std::string& errorText) {
    State& s = *state_;
    s.sink = std::move(sink);
    int err = snd_seq_open(&s.seq, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK);
    if (err < 0) {
        s.seq = nullptr;
        errorText = std::string("The ALSA sequencer cannot be opened: ") + snd_strerror(err);
        return false;
    }
    snd_seq_set_client_name(s.seq, clientName.c_str());
    // Room for what a sender may hand over at once: the sequencer drops what does not fit in a
    // client's input (200 events unless asked), and a program's whole state sent on a device's
    // opening is some 300. The sequencer grants at most 2,000 (and takes a larger number
    // without a word, changing nothing).
    snd_seq_set_client_pool_input(s.seq, InputEvents);
    const unsigned caps = SND_SEQ_PORT_CAP_WRITE | (exported ? SND_SEQ_PORT_CAP_SUBS_WRITE : SND_SEQ_PORT_CAP_NO_EXPORT);
    s.port = snd_seq_create_simple_port(s.seq, portName.c_str(), caps,
                                        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    // The decoder of short messages (system-exclusive data is handed over as it is).
    if (s.port < 0 || snd_midi_event_new(16, &s.decoder) < 0 || pipe(s.wake) != 0) {
        errorText = "The ALSA sequencer refused a port: " + std::string(snd_strerror(s.port < 0 ? s.port : -EIO));
        s.stop();
        return false;
    }
    snd_midi_event_no_status(s.decoder, 1);  // every message with its status byte
    s.thread = std::thread([&s] { s.run(); });
    return true;
}

bool AlsaSequencerInput::connectFrom(int client, int port, std::string& errorText) {
    disconnect();
    State& s = *state_;
    if (s.seq == nullptr) {
        errorText = "The ALSA sequencer is not open.";
        return false;
    }
    const int err = snd_seq_connect_from(s.seq, s.port, client, port);
    if (err < 0) {
        errorText = std::string("The ALSA sequencer cannot connect the port: ") + snd_strerror(err);
        return false;
    }
    std::lock_guard<std::mutex> lock(s.handing);
    s.fromClient = client;
    s.fromPort = port;
    return true;
}

void AlsaSequencerInput::disconnect() {
    State& s = *state_;
    std::lock_guard<std::mutex> lock(s.handing);
    if (s.fromClient < 0 || s.seq == nullptr) return;
    snd_seq_disconnect_from(s.seq, s.port, s.fromClient, s.fromPort);  // fails when the port has gone: fine
    s.fromClient = s.fromPort = -1;
}
