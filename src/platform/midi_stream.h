// midi_stream.h - the byte-level work of a MIDI port that is not tied to a MIDI library: taking
// apart what an input port delivers, and handing a long system-exclusive message to an output
// port in paced pieces. Used by the RtMidi backend and by ktunit; portable (it needs no backend,
// only the word packing of midi.h).
//
// shortMessageLength(status): the bytes of the message that starts with status (1..3); 0 for
//   bytes that do not start a short message (data bytes, F0, F7).
// packShortMessage(bytes, n): the first n (at most 3) bytes packed by packMidiShort (midi.h),
//   the bytes a message does not have as 0.
//
// MidiInputAssembler: fed the pieces an input port delivers, in order, it produces whole
//   messages. MIDI libraries differ in what a piece is: one message, a part of a long
//   system-exclusive message (its middle pieces start with a data byte), or a system-exclusive
//   message with real-time bytes (clock, sensing) that arrived in its middle. The assembler
//   works byte by byte like a MIDI receiver: F0 .. F7 is one system-exclusive message (real-time
//   bytes inside it are taken out), a status byte other than F7 or a real-time byte ends an
//   unfinished one (it is lost, as on the cable), short messages follow their status byte (and
//   running status). Clock (F8) and active sensing (FE) are dropped, as the ports are told to.
//   A system-exclusive message above MaxSysExBytes is dropped whole.
//
// sendPaced(bytes, length, port): hands a system-exclusive message to an output in chunks of
//   at most ChunkBytes, never faster on average than a MIDI cable (MsPerByte): after a chunk
//   it waits until start + sent * MsPerByte. Reports progress after every chunk. Gives up
//   (false) when a chunk cannot be handed over or when the whole send takes longer than
//   sendTimeLimitMs(length) (a MIDI system that hangs or crawls must not hold the program).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/midi.h"

namespace midistream {

constexpr uint8_t SysExStart = 0xF0;
constexpr uint8_t SysExEnd = 0xF7;
constexpr uint8_t TimingClock = 0xF8;
constexpr uint8_t ActiveSensing = 0xFE;

inline int shortMessageLength(uint8_t status) {
    if (status < 0x80) return 0;
    if (status < 0xF0) {
        const uint8_t kind = status & 0xF0;
        return (kind == 0xC0 || kind == 0xD0) ? 2 : 3;
    }
    switch (status) {
        case 0xF1:  // time code quarter frame
        case 0xF3:  // song select
            return 2;
        case 0xF2:  // song position
            return 3;
        case SysExStart:
        case SysExEnd:
            return 0;
        default:  // tune request, the undefined F4/F5 and the real-time bytes
            return 1;
    }
}

inline uint32_t packShortMessage(const uint8_t* bytes, size_t n) {
    return packMidiShort(n > 0 ? bytes[0] : 0, n > 1 ? bytes[1] : 0, n > 2 ? bytes[2] : 0);
}

class MidiInputAssembler {
public:
    static constexpr size_t MaxSysExBytes = size_t(1) << 20;

    // onShort(uint32_t word) for every short message, onSysEx(const std::vector<uint8_t>&)
    // for every whole system-exclusive message, both called before feed returns.
    template <class ShortSink, class SysExSink>
    void feed(const uint8_t* bytes, size_t n, ShortSink&& onShort, SysExSink&& onSysEx) {
        for (size_t i = 0; i < n; ++i) {
            const uint8_t b = bytes[i];
            if (b >= 0xF8) {
                // Real time: may stand anywhere, even inside another message, which goes on.
                if (b != TimingClock && b != ActiveSensing && b != 0xF9 && b != 0xFD) onShort(uint32_t(b));
            } else if (b == SysExStart) {
                status_ = 0;
                inSysEx_ = true;
                overflow_ = false;
                sysEx_.assign(1, b);
            } else if (b == SysExEnd) {
                if (inSysEx_ && !overflow_) {
                    sysEx_.push_back(b);
                    onSysEx(static_cast<const std::vector<uint8_t>&>(sysEx_));
                }
                inSysEx_ = false;
                sysEx_.clear();
                status_ = 0;
            } else if (b >= 0x80) {
                endSysEx();
                status_ = b;
                have_ = 0;
                if (shortMessageLength(b) == 1) {
                    onShort(uint32_t(b));
                    status_ = 0;
                }
            } else if (inSysEx_) {
                if (sysEx_.size() + 1 >= MaxSysExBytes) {
                    overflow_ = true;
                    sysEx_.clear();
                } else if (!overflow_) {
                    sysEx_.push_back(b);
                }
            } else if (status_ != 0) {
                data_[have_++] = b;
                if (have_ + 1 == shortMessageLength(status_)) {
                    const uint8_t message[3] = {status_, data_[0], data_[1]};
                    onShort(packShortMessage(message, size_t(have_) + 1));
                    have_ = 0;
                    if (status_ >= 0xF0) status_ = 0;  // running status is for channel messages only
                }
            }
            // A data byte without a status byte before it is lost.
        }
    }

    // Forgets a message that was not finished (a port closed or reopened in its middle).
    void reset() {
        endSysEx();
        status_ = 0;
        have_ = 0;
    }

    bool inSysEx() const { return inSysEx_; }

private:
    void endSysEx() {
        inSysEx_ = false;
        overflow_ = false;
        sysEx_.clear();
    }

    std::vector<uint8_t> sysEx_;
    bool inSysEx_ = false;
    bool overflow_ = false;
    uint8_t status_ = 0;
    uint8_t data_[2] = {0, 0};
    int have_ = 0;
};

constexpr size_t ChunkBytes = 256;
// 3125 bytes a second: the 31250 baud of a MIDI cable, ten bits a byte.
constexpr uint32_t MicrosecondsPerByte = 320;

// When the first `sent` bytes are on the cable, in whole milliseconds after the start (rounded up).
inline uint32_t wireDoneMs(size_t sent) {
    return static_cast<uint32_t>((uint64_t(sent) * MicrosecondsPerByte + 999) / 1000);
}

// How long a send of `length` bytes may take before it is given up: twice the wire time and
// two seconds more.
inline uint32_t sendTimeLimitMs(size_t length) { return 2 * wireDoneMs(length) + 2000; }

// What sendPaced needs of the output and the clock:
//   bool send(const uint8_t* chunk, size_t n)  hands one chunk over (false: it failed)
//   uint32_t nowMs()                           a millisecond clock (wraps like GetTickCount)
//   void sleepMs(uint32_t ms)                  waits
//   void progress(size_t sent, size_t total)   after every chunk
template <class Send, class Now, class Sleep, class Progress>
bool sendPaced(const uint8_t* bytes, size_t length, Send&& send, Now&& nowMs, Sleep&& sleepMs, Progress&& progress) {
    const uint32_t start = nowMs();
    const uint32_t limit = sendTimeLimitMs(length);
    size_t sent = 0;
    while (sent < length) {
        const size_t n = length - sent < ChunkBytes ? length - sent : ChunkBytes;
        if (!send(bytes + sent, n)) return false;
        sent += n;
        progress(sent, length);
        const uint32_t due = wireDoneMs(sent);
        for (;;) {
            const uint32_t elapsed = nowMs() - start;  // unsigned: correct across the wrap
            if (elapsed > limit) return false;
            if (elapsed >= due) break;
            sleepMs(due - elapsed);
        }
    }
    return true;
}

}  // namespace midistream
