// midi_probe - drives ktunit through the desktop MIDI backend (src/platform/rtmidi), the way
// ktprog and ktboot use it: device lists, opening by index, short messages, paced
// system-exclusive output, and replies that arrive as events only while the receive buffer is
// queued. The event queue and the clock of the FLTK half are stood in for here.
//
//   midi_probe program
//       NRPN edits and notes, a program write (115 bytes) that must be answered, one whose
//       answer must be lost because no receive buffer is queued, and one with a bad checksum
//       that must not be answered.
//   midi_probe update --erase-ms N --image-file FILE
//       identification and erase notice (not before N ms), an update with a bad checksum
//       that must be answered "failed", then a 60,013-byte update (a 52,500-byte image, which
//       is written to FILE) that must go out at MIDI pace and be answered "ok".
//
// Exit status: 0 when everything was as expected, 1 otherwise, 2 for a wrong command line.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/desktop/queue.h"
#include "platform/midi.h"

// --- the stand-ins for the FLTK half ---

namespace {

std::mutex queueMutex;
std::condition_variable queueWake;
std::deque<Event> queue;

const auto programStart = std::chrono::steady_clock::now();

}  // namespace

void desktopPostEvent(const Event& e) {
    {
        std::lock_guard<std::mutex> lock(queueMutex);
        queue.push_back(e);
    }
    queueWake.notify_one();
}

uint32_t tickCount() {
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - programStart).count());
}

void sleepMilliseconds(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

namespace {

using Bytes = std::vector<uint8_t>;

const char* const UnitPort = "Korvatone (virtual)";
const Bytes ProgramWritten = {0xF0, 0x00, 0x21, 0x11, 0x03, 0x21, 0xF7};
const Bytes IdentifyRequest = {0xF0, 0x00, 0x21, 0x11, 0x02, 0x10, 0xF7};
const Bytes IdentifyReply = {0xF0, 0x00, 0x21, 0x11, 0x02, 0x11, 0xF7};
const Bytes EraseDone = {0xF0, 0x00, 0x21, 0x11, 0x02, 0x12, 0xF7};
const Bytes UpdateOk = {0xF0, 0x00, 0x21, 0x11, 0x02, 0x14, 0xF7};
const Bytes UpdateFailed = {0xF0, 0x00, 0x21, 0x11, 0x02, 0x15, 0xF7};

int failures = 0;

void check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    std::fflush(stdout);
    if (!ok) ++failures;
}

std::string hex(const Bytes& b) {
    std::string t;
    char x[4];
    for (size_t i = 0; i < b.size() && i < 12; ++i) {
        std::snprintf(x, sizeof x, "%02X", b[i]);
        t += (i ? " " : "") + std::string(x);
    }
    return b.size() > 12 ? t + " .." : t;
}

// The next system-exclusive message to arrive within ms; other events are passed over.
bool waitSysEx(uint32_t ms, Bytes& message) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    std::unique_lock<std::mutex> lock(queueMutex);
    for (;;) {
        while (!queue.empty()) {
            Event e = std::move(queue.front());
            queue.pop_front();
            if (e.kind == EventKind::MidiLong) {
                message = std::move(e.bytes);
                return true;
            }
        }
        if (queueWake.wait_until(lock, until) == std::cv_status::timeout && queue.empty()) return false;
    }
}

bool expectReply(const Bytes& wanted, uint32_t ms, const std::string& what) {
    Bytes got;
    const uint32_t start = tickCount();
    const bool arrived = waitSysEx(ms, got);
    check(arrived && got == wanted, what + (arrived ? " (" + hex(got) + " after " +
                                                          std::to_string(tickCount() - start) + " ms)"
                                                    : " (nothing within " + std::to_string(ms) + " ms)"));
    return arrived && got == wanted;
}

void expectSilence(uint32_t ms, const std::string& what) {
    Bytes got;
    const bool arrived = waitSysEx(ms, got);
    check(!arrived, what + (arrived ? " (but " + hex(got) + " arrived)" : ""));
}

int findDevice(bool output) {
    const int n = output ? midiOutDeviceCount() : midiInDeviceCount();
    for (int k = 0; k < n; ++k) {
        const std::string name = output ? midiOutDeviceName(k) : midiInDeviceName(k);
        if (name.find(UnitPort) != std::string::npos) return k;
    }
    return -1;
}

// Waits up to 10 s for the unit's ports (ktunit may be starting) and opens them.
bool openUnit() {
    int out = -1, in = -1;
    for (int tries = 0; tries < 100 && (out < 0 || in < 0); ++tries) {
        if (tries > 0) sleepMilliseconds(100);
        out = findDevice(true);
        in = findDevice(false);
    }
    if (out < 0 || in < 0) {
        check(false, std::string("the ports of ") + UnitPort + " are listed");
        return false;
    }
    std::printf("output %d: %s\ninput %d: %s\n", out, midiOutDeviceName(out).c_str(), in, midiInDeviceName(in).c_str());
    std::string error;
    const bool outOpen = midiOutOpenDevice(out, error);
    check(outOpen, "output opened" + (outOpen ? std::string() : ": " + error));
    const bool inOpen = midiInOpenDevice(in, error);
    check(inOpen, "input opened" + (inOpen ? std::string() : ": " + error));
    if (!outOpen || !inOpen) return false;
    std::string again;
    check(!midiOutOpenDevice(out, again) && !again.empty(), "a second open of the output is refused");
    midiInStartDevice();
    return true;
}

void closeUnit() {
    midiInReleaseBuffer();
    midiInStopDevice();
    const bool inClosed = midiInCloseDevice();
    const bool outClosed = midiOutCloseDevice();
    check(inClosed && outClosed && !midiInIsOpen() && !midiOutIsOpen(), "both devices closed");
    check(midiInCloseDevice() && midiOutCloseDevice(), "closing again, with nothing open, succeeds");
}

void nrpn(int msb, int lsb, int value) {
    midiOutSendShort(0xB0 | 99 << 8 | uint32_t(msb) << 16);
    midiOutSendShort(0xB0 | 98 << 8 | uint32_t(lsb) << 16);
    midiOutSendShort(0xB0 | 6 << 8 | uint32_t(value) << 16);
}

Bytes withChecksum(Bytes m, const Bytes& data) {
    uint32_t sum = 0;
    for (uint8_t b : data) sum += b;
    m.insert(m.end(), data.begin(), data.end());
    m.insert(m.end(), {uint8_t((sum >> 7) & 0x7F), uint8_t(sum & 0x7F), 0xF7});
    return m;
}

// 104 data bytes summing to 1000.
Bytes programWrite(int location) {
    Bytes data(104, 0x0A);
    for (size_t i = 100; i < 104; ++i) data[i] = 0;
    return withChecksum({0xF0, 0x00, 0x21, 0x11, 0x03, 0x20, 0x00, uint8_t(location)}, data);
}

// Seven bits to a byte, the most significant bit of the image first, as the updater sends
// it: floor((8n + 7) / 7) bytes.
Bytes packSevenBit(const Bytes& image) {
    Bytes packed;
    uint32_t bits = 0;
    int count = 0;
    for (uint8_t byte : image) {
        bits = (bits << 8) | byte;
        count += 8;
        while (count >= 7) {
            count -= 7;
            packed.push_back(uint8_t((bits >> count) & 0x7F));
        }
        bits &= (1u << count) - 1;
    }
    const size_t wanted = (8 * image.size() + 7) / 7;
    if (packed.size() < wanted) packed.push_back(uint8_t((bits << (7 - count)) & 0x7F));
    return packed;
}

Bytes updateMessage(const Bytes& packed) {
    const size_t l = packed.size();
    return withChecksum(
        {0xF0, 0x00, 0x21, 0x11, 0x02, 0x13, uint8_t((l >> 14) & 0x7F), uint8_t((l >> 7) & 0x7F), uint8_t(l & 0x7F)},
        packed);
}

int programSession() {
    if (!openUnit()) return 1;

    // Parameter edits inside the edit bracket, and a note.
    nrpn(10, 1, 0);
    nrpn(13, 2, 64);
    midiOutSendShort(0x90 | 60 << 8 | 100 << 16);
    midiOutSendShort(0x80 | 60 << 8);
    nrpn(10, 1, 1);

    Bytes message = programWrite(7);
    check(message.size() == 115, "a program write has 115 bytes");
    midiInQueueBuffer();
    std::vector<size_t> progress;
    const bool sent = midiOutSendSysEx(message.data(), message.size(),
                                       [&](size_t s, size_t total) { progress.push_back(total == 115 ? s : 0); });
    check(sent && progress == std::vector<size_t>{115}, "the program write went out in one piece");
    expectReply(ProgramWritten, 2000, "program 7 answered");

    // The reply took the receive buffer: the next reply has nowhere to go and is lost.
    message = programWrite(8);
    midiOutSendSysEx(message.data(), message.size());
    expectSilence(500, "no reply without a queued receive buffer");
    midiInQueueBuffer();
    message = programWrite(9);
    midiOutSendSysEx(message.data(), message.size());
    expectReply(ProgramWritten, 2000, "program 9 answered once the buffer is queued again");

    // The controller input on the unit's own port too (the system allows a second connection):
    // the unit's reply reaches the input once; the controller input passes it on never.
    std::string error;
    const bool ctlOpen = midiCtlOpenDevice(findDevice(false), error);
    check(ctlOpen && midiCtlIsOpen(), "the controller input opened" + (ctlOpen ? std::string() : ": " + error));
    midiCtlStartDevice();
    midiInQueueBuffer();
    message = programWrite(12);
    midiOutSendSysEx(message.data(), message.size());
    expectReply(ProgramWritten, 2000, "program 12 answered with the controller input open");
    midiInQueueBuffer();
    expectSilence(500, "no system-exclusive data from the controller input");
    check(midiCtlCloseDevice() && !midiCtlIsOpen() && midiCtlCloseDevice(), "the controller input closed");

    // A bad checksum is refused without an answer.
    midiInQueueBuffer();
    message = programWrite(10);
    message[message.size() - 2] ^= 0x01;
    midiOutSendSysEx(message.data(), message.size());
    expectSilence(500, "a write with a bad checksum is not answered");

    // A stopped input delivers nothing, even with a buffer queued.
    midiInStopDevice();
    message = programWrite(11);
    midiOutSendSysEx(message.data(), message.size());
    expectSilence(500, "a stopped input delivers nothing");
    midiInStartDevice();

    closeUnit();
    return failures == 0 ? 0 : 1;
}

int updateSession(uint32_t eraseMs, const std::string& imageFile) {
    if (!openUnit()) return 1;

    midiInQueueBuffer();
    const uint32_t asked = tickCount();
    midiOutSendSysEx(IdentifyRequest.data(), IdentifyRequest.size());
    if (expectReply(IdentifyReply, 2000, "identification answered")) {
        midiInQueueBuffer();
        const uint32_t replied = tickCount();
        if (expectReply(EraseDone, eraseMs + 2000, "erase notice")) {
            const uint32_t erased = tickCount();
            check(erased - replied + 50 >= eraseMs,
                  "the erase notice came " + std::to_string(erased - asked) + " ms after the request");
        }
    }

    // A broken update: answered "failed".
    midiInQueueBuffer();
    Bytes bad = updateMessage(packSevenBit(Bytes(8, 0x55)));
    bad[bad.size() - 2] ^= 0x01;
    midiOutSendSysEx(bad.data(), bad.size());
    expectReply(UpdateFailed, 2000, "an update with a bad checksum is answered \"failed\"");

    // The real thing: 52,500 bytes of image, 60,013 bytes on the cable.
    Bytes image(52500);
    uint32_t seed = 12345;
    for (uint8_t& b : image) {
        seed = seed * 1103515245u + 12345u;
        b = uint8_t(seed >> 16);
    }
    const Bytes message = updateMessage(packSevenBit(image));
    check(message.size() == 60013, "the update message has " + std::to_string(message.size()) + " bytes");
    {
        std::ofstream file(imageFile, std::ios::binary);
        file.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        check(static_cast<bool>(file), "the image was written to " + imageFile);
    }
    midiInQueueBuffer();
    std::vector<size_t> progress;
    const uint32_t start = tickCount();
    const bool sent = midiOutSendSysEx(message.data(), message.size(), [&](size_t s, size_t total) {
        if (total == message.size()) progress.push_back(s);
    });
    const uint32_t took = tickCount() - start;
    bool steps = !progress.empty() && progress.back() == message.size();
    for (size_t i = 0; steps && i < progress.size(); ++i)
        steps = progress[i] > (i ? progress[i - 1] : 0) && progress[i] - (i ? progress[i - 1] : 0) <= 256;
    check(sent, "the update was handed over");
    check(steps && progress.size() == (message.size() + 255) / 256,
          std::to_string(progress.size()) + " progress reports, every 256 bytes at most, the last at the end");
    // 3125 bytes a second: 19,205 ms; the sleeps may overshoot a little, never undershoot.
    check(took >= 19200 && took < 21500, "the update took " + std::to_string(took) + " ms (MIDI pace: 19205 ms)");
    expectReply(UpdateOk, 3000, "the update is answered \"ok\"");

    closeUnit();
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string usage = "usage: midi_probe program | update --erase-ms N --image-file FILE\n";
    if (argc < 2) {
        std::fputs(usage.c_str(), stderr);
        return 2;
    }
    const std::string mode = argv[1];
    if (mode == "program" && argc == 2) return programSession();
    if (mode == "update") {
        uint32_t eraseMs = 1500;
        std::string imageFile;
        for (int i = 2; i + 1 < argc; i += 2) {
            if (std::strcmp(argv[i], "--erase-ms") == 0) eraseMs = static_cast<uint32_t>(std::atoi(argv[i + 1]));
            else if (std::strcmp(argv[i], "--image-file") == 0) imageFile = argv[i + 1];
        }
        if (!imageFile.empty()) return updateSession(eraseMs, imageFile);
    }
    std::fputs(usage.c_str(), stderr);
    return 2;
}
