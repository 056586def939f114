// alsa_input.h - MIDI input from the ALSA sequencer, read by a thread of our own.
//
// RtMidi 5's ALSA input is not used: its reading thread takes a "Resource temporarily
// unavailable" from the sequencer (a wake-up with nothing to read) for an error, prints it on
// stderr, and after it may read nothing more for the rest of the run, so a device goes silent
// with the port still connected. This one reads the sequencer without blocking after each
// wake-up until it says there is nothing more, and says nothing on stderr.
//
// AlsaSequencerInput is one client of the sequencer with one port that takes events. Either
// the program connects it to a port it chose (connectFrom / disconnect: the device opened and
// closed), or others connect to it (exported: a port that others see and write to). Every
// event that carries MIDI bytes is handed to the sink on the reading thread, as bytes (a
// system-exclusive message may come in several parts; the sink puts them together).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class AlsaSequencerInput {
public:
    using Sink = std::function<void(const uint8_t* bytes, size_t n)>;

    AlsaSequencerInput();
    ~AlsaSequencerInput();
    AlsaSequencerInput(const AlsaSequencerInput&) = delete;
    AlsaSequencerInput& operator=(const AlsaSequencerInput&) = delete;

    // Starts the client `clientName` with the port `portName`, and its thread. exported: other
    // clients see the port and may connect to it. False with a text when the sequencer refuses.
    bool start(const std::string& clientName, const std::string& portName, bool exported, Sink sink,
               std::string& errorText);
    // Connects the port from the sequencer's port client:port (one at a time: an earlier one is
    // let go). False with a text when the sequencer refuses (the port has gone).
    bool connectFrom(int client, int port, std::string& errorText);
    // Lets the connected port go; nothing of it reaches the sink after this returns.
    void disconnect();

private:
    struct State;
    std::unique_ptr<State> state_;
};
