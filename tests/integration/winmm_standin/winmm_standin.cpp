// winmm_standin.cpp - a winmm.dll with one MIDI input and one MIDI output, both named
// "Korvatone (stand-in)", behind which the unit model (src/unit) plays the Korvatone. Wine
// has no MIDI device of its own here; with this DLL next to ktprog.exe or ktboot.exe (and
// WINEDLLOVERRIDES=winmm=n,b) the programs' winmm code runs against a unit.
//
// It keeps to winmm's documented behaviour, not to what our backend happens to do:
// - Notifications go to the callback the open call names: CALLBACK_WINDOW posts
//   MM_MIM_OPEN/CLOSE/DATA/LONGDATA and MM_MOM_OPEN/CLOSE/DONE to the window (wParam the
//   device handle, lParam the header or the short message); CALLBACK_FUNCTION calls the
//   function (MIM_DATA's dwParam2 the time since midiInStart in milliseconds); CALLBACK_THREAD
//   posts to the thread, CALLBACK_EVENT sets the event.
// - Output: midiOutShortMsg reaches the unit at once. midiOutLongMsg queues the header
//   (MHDR_INQUEUE); the headers of a device play one after the other at the cable's pace,
//   3,125 bytes per second, and only when a header's last byte is out does the unit receive
//   the message and the header get MHDR_DONE with MM_MOM_DONE. Unpreparing a queued header,
//   or closing the device with one queued, fails with MIDIERR_STILLPLAYING; midiOutReset ends
//   every queued header at once (MHDR_DONE, MM_MOM_DONE; the unit gets nothing of them).
// - Input: the unit's replies come after the unit's delays. A system-exclusive reply goes
//   into the first added buffer (dwBytesRecorded, MHDR_DONE, MM_MIM_LONGDATA); without a
//   buffer it is lost, as on Windows. Nothing is delivered outside midiInStart..midiInStop.
//   midiInReset stops the input and returns every added buffer, done with nothing recorded.
//   Closing with a buffer still added fails with MIDIERR_STILLPLAYING.
// - A header that was not prepared is refused with MIDIERR_UNPREPARED.
//
// One worker thread keeps the time line (headers finishing, replies due); the callers only
// take the lock briefly and never wait for the cable.
//
// What the unit received is written line by line to the file KT_STANDIN_LOG names (as
// ktunit prints it: "parameter 12/3 = 64", "program 01 written (sum ..)", ...; lines of the
// device side start with "#"). KT_STANDIN_UPDATE=1 puts the unit in update mode,
// KT_STANDIN_IMAGE_OUT=FILE receives every good firmware image the unit takes,
// KT_STANDIN_DUMP=FILE the unit's summary whenever the output closes,
// KT_STANDIN_REPLY_DELAY=MS sets the unit's reply delay (0: it answers at once), and
// KT_STANDIN_VERDICT_DELAY=MS holds the verdict on a firmware image that much longer (a unit
// slow to check what it flashed), the other replies keep the reply delay.
#define _WINMM_  // these are the functions, not imports of them
#include <windows.h>
#include <mmsystem.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "unit/unit.h"

namespace {

using Bytes = std::vector<uint8_t>;

const char DeviceName[] = "Korvatone (stand-in)";
const char MapperName[] = "Microsoft MIDI Mapper";
constexpr uint64_t WireBytesPerSecond = 3125;

struct Notify {
    DWORD_PTR callback = 0;
    DWORD_PTR instance = 0;
    DWORD flags = CALLBACK_NULL;
};

struct Playing {
    MIDIHDR* header;
    uint64_t doneAtUs;  // when its last byte is out
};

struct OutDevice {
    Notify notify;
    std::deque<Playing> queue;  // the front one is on the cable
    uint8_t runningStatus = 0;
};

struct InDevice {
    Notify notify;
    std::deque<MIDIHDR*> buffers;
    bool started = false;
    uint64_t startUs = 0;
};

// Everything below is guarded by Lock.
CRITICAL_SECTION Lock;
HANDLE Wake = nullptr;  // set when the time line changed
bool Started = false;
LARGE_INTEGER ClockStart, ClockRate;
unit::State Unit;
uint64_t VerdictDelayUs = 0;
OutDevice* Out = nullptr;
InDevice* In = nullptr;
std::multimap<uint64_t, Bytes> Due;  // the unit's replies by the time they arrive
FILE* Log = nullptr;

uint64_t nowUs() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return uint64_t(now.QuadPart - ClockStart.QuadPart) * 1000000u / uint64_t(ClockRate.QuadPart);
}

void say(const char* format, ...) {
    if (Log == nullptr) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(Log, format, args);
    va_end(args);
    std::fputc('\n', Log);
    std::fflush(Log);
}

using unit::hexBytes;

bool flagSet(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && std::strcmp(v, "1") == 0;
}

DWORD WINAPI worker(void*);

// The first open starts the clock, the unit, the log and the worker (not in DllMain, where
// no thread may be started).
void startOnce() {
    if (Started) return;
    Started = true;
    QueryPerformanceFrequency(&ClockRate);
    QueryPerformanceCounter(&ClockStart);
    unit::reset(Unit);
    Unit.UnitMode = flagSet("KT_STANDIN_UPDATE") ? unit::Mode::Update : unit::Mode::Program;
    if (const char* delay = std::getenv("KT_STANDIN_REPLY_DELAY")) Unit.ReplyDelayMs = uint32_t(std::strtoul(delay, nullptr, 10));
    if (const char* delay = std::getenv("KT_STANDIN_VERDICT_DELAY")) VerdictDelayUs = uint64_t(std::strtoul(delay, nullptr, 10)) * 1000;
    if (const char* path = std::getenv("KT_STANDIN_LOG")) Log = std::fopen(path, "ab");  // Unix line ends
    say("# stand-in started, unit in %s mode, reply delay %u ms, verdict delay %u ms",
        Unit.UnitMode == unit::Mode::Update ? "update" : "program", unsigned(Unit.ReplyDelayMs), unsigned(VerdictDelayUs / 1000));
    Wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(CreateThread(nullptr, 0, worker, nullptr, 0, nullptr));
}

void post(const Notify& n, void* handle, UINT message, DWORD_PTR p1, DWORD_PTR p2) {
    switch (n.flags & CALLBACK_TYPEMASK) {
    case CALLBACK_WINDOW:
        PostMessageA(reinterpret_cast<HWND>(n.callback), message, reinterpret_cast<WPARAM>(handle), LPARAM(p1));
        break;
    case CALLBACK_THREAD:
        PostThreadMessageA(DWORD(n.callback), message, reinterpret_cast<WPARAM>(handle), LPARAM(p1));
        break;
    case CALLBACK_FUNCTION:
        if (n.callback != 0)
            reinterpret_cast<LPDRVCALLBACK>(n.callback)(reinterpret_cast<HDRVR>(handle), message, n.instance, p1, p2);
        break;
    case CALLBACK_EVENT:
        SetEvent(reinterpret_cast<HANDLE>(n.callback));
        break;
    default:
        break;
    }
}

bool validCallback(DWORD flags) {
    const DWORD type = flags & CALLBACK_TYPEMASK;
    return type == CALLBACK_NULL || type == CALLBACK_WINDOW || type == CALLBACK_THREAD ||
           type == CALLBACK_FUNCTION || type == CALLBACK_EVENT;
}

// --- the unit's side ---

void writeFileNamed(const char* variable, const std::vector<std::string>& lines, const Bytes* bytes) {
    const char* path = std::getenv(variable);
    if (path == nullptr || *path == '\0') return;
    FILE* f = std::fopen(path, "wb");
    if (f == nullptr) {
        say("# %s cannot be written", path);
        return;
    }
    if (bytes != nullptr && !bytes->empty()) std::fwrite(bytes->data(), 1, bytes->size(), f);
    for (const std::string& line : lines) std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
}

void unitShort(const uint8_t* bytes, size_t length, uint64_t atUs) {
    const unit::Counts before = Unit.Count;
    unit::receiveShort(Unit, bytes, length, atUs);
    const unit::Counts& after = Unit.Count;
    if (after.shortMessages == before.shortMessages) return;  // not for the unit
    const uint8_t kind = bytes[0] & 0xF0;
    const int d1 = length > 1 ? bytes[1] : 0;
    const int d2 = length > 2 ? bytes[2] : 0;
    if (kind == 0x90 && d2 > 0) {
        say("note on %d", d1);
    } else if (kind == 0x80 || kind == 0x90) {
        say("note off %d", d1);
    } else if (kind == 0xB0 && d1 == 6) {
        if (after.nrpnErrors != before.nrpnErrors)
            say("refused: %s", Unit.LastRefusalText.c_str());
        else if (after.editBegins != before.editBegins)
            say("edit begin");
        else if (after.editEnds != before.editEnds)
            say("edit end");
        else
            say("parameter %d/%d = %d", Unit.Msb, Unit.Lsb, d2);
    }
}

void unitSysEx(const Bytes& m, uint64_t atUs) {
    const unit::Counts before = Unit.Count;
    const std::vector<unit::Reply> replies = unit::receiveSysEx(Unit, m, atUs);
    const unit::Counts& after = Unit.Count;
    const bool refused = after.refused != before.refused;
    const bool identification = Unit.UnitMode == unit::Mode::Update && !refused && after.updates == before.updates;
    if (after.programsWritten != before.programsWritten) {
        unsigned sum = 0;
        for (uint8_t b : Unit.ProgramMemory[m[7]]) sum += b;
        say("program %02d written (sum %u)", m[7], sum);
    } else if (identification) {
        say("identification request");
    } else if (after.updates != before.updates) {
        if (refused) {
            say("update: %u bytes received, refused: %s", unsigned(m.size()), Unit.LastRefusalText.c_str());
        } else {
            say("update: %u bytes received, image %u bytes crc32 %08X", unsigned(m.size()), unsigned(Unit.Image.size()),
                unsigned(unit::crc32(Unit.Image.data(), Unit.Image.size())));
            writeFileNamed("KT_STANDIN_IMAGE_OUT", {}, &Unit.Image);
        }
    } else if (refused) {
        say("refused: %s (%u bytes: %s)", Unit.LastRefusalText.c_str(), unsigned(m.size()), hexBytes(m, 8).c_str());
    }
    const uint64_t extraUs = after.updates != before.updates ? VerdictDelayUs : 0;
    for (const unit::Reply& r : replies) Due.emplace(r.atUs + extraUs, r.bytes);
    SetEvent(Wake);
}

// A reply reaches the input (or is lost, as with winmm when nobody listens).
void deliver(const Bytes& reply, uint64_t atUs) {
    if (In == nullptr || !In->started) {
        say("# reply lost, the input is %s: %s", In == nullptr ? "closed" : "stopped", hexBytes(reply, 8).c_str());
        return;
    }
    const DWORD_PTR stamp = DWORD_PTR((atUs > In->startUs ? atUs - In->startUs : 0) / 1000);
    if (reply[0] != 0xF0) {
        DWORD word = 0;
        for (size_t i = 0; i < reply.size() && i < 3; ++i) word |= DWORD(reply[i]) << (8 * i);
        post(In->notify, In, MM_MIM_DATA, word, stamp);
        return;
    }
    if (In->buffers.empty()) {
        say("# reply lost, no buffer was added: %s", hexBytes(reply, 8).c_str());
        return;
    }
    MIDIHDR* h = In->buffers.front();
    In->buffers.pop_front();
    const DWORD n = DWORD(reply.size() < h->dwBufferLength ? reply.size() : h->dwBufferLength);
    std::memcpy(h->lpData, reply.data(), n);
    h->dwBytesRecorded = n;
    h->dwFlags = (h->dwFlags & ~DWORD(MHDR_INQUEUE)) | MHDR_DONE;
    say("# reply delivered: %s", hexBytes(reply, 8).c_str());
    post(In->notify, In, MM_MIM_LONGDATA, reinterpret_cast<DWORD_PTR>(h), stamp);
}

void finishHeader(MIDIHDR* h) {
    h->dwFlags = (h->dwFlags & ~DWORD(MHDR_INQUEUE)) | MHDR_DONE;
    post(Out->notify, Out, MM_MOM_DONE, reinterpret_cast<DWORD_PTR>(h), 0);
}

uint64_t wireUs(DWORD bytes) { return uint64_t(bytes) * 1000000u / WireBytesPerSecond; }

// Whatever is due by now; returns how long to sleep until the next thing.
DWORD runTimeLine() {
    const uint64_t now = nowUs();
    while (Out != nullptr && !Out->queue.empty() && Out->queue.front().doneAtUs <= now) {
        const Playing p = Out->queue.front();
        Out->queue.pop_front();
        const auto* data = reinterpret_cast<const uint8_t*>(p.header->lpData);
        unitSysEx(Bytes(data, data + p.header->dwBufferLength), p.doneAtUs);
        finishHeader(p.header);
        // The next header starts when this one ended.
        if (!Out->queue.empty()) Out->queue.front().doneAtUs = p.doneAtUs + wireUs(Out->queue.front().header->dwBufferLength);
    }
    while (!Due.empty() && Due.begin()->first <= now) {
        const Bytes reply = Due.begin()->second;
        const uint64_t at = Due.begin()->first;
        Due.erase(Due.begin());
        deliver(reply, at);
    }
    uint64_t next = UINT64_MAX;
    if (Out != nullptr && !Out->queue.empty()) next = Out->queue.front().doneAtUs;
    if (!Due.empty() && Due.begin()->first < next) next = Due.begin()->first;
    if (next == UINT64_MAX) return INFINITE;
    return DWORD((next - now + 999) / 1000);
}

DWORD WINAPI worker(void*) {
    for (;;) {
        EnterCriticalSection(&Lock);
        const DWORD wait = runTimeLine();
        LeaveCriticalSection(&Lock);
        WaitForSingleObject(Wake, wait);
    }
}

struct Held {
    Held() { EnterCriticalSection(&Lock); }
    ~Held() { LeaveCriticalSection(&Lock); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
};

OutDevice* outOf(HMIDIOUT h) { return h != nullptr && reinterpret_cast<OutDevice*>(h) == Out ? Out : nullptr; }
InDevice* inOf(HMIDIIN h) { return h != nullptr && reinterpret_cast<InDevice*>(h) == In ? In : nullptr; }

const char* errorText(MMRESULT code) {
    switch (code) {
    case MMSYSERR_NOERROR: return "The specified command was carried out.";
    case MMSYSERR_ERROR: return "Undefined external error.";
    case MMSYSERR_BADDEVICEID: return "A device ID has been used that is out of range for your system.";
    case MMSYSERR_ALLOCATED: return "The specified device is already in use. Wait until it is free, and then try again.";
    case MMSYSERR_INVALHANDLE: return "The specified device handle is invalid.";
    case MMSYSERR_INVALFLAG: return "An invalid flag was passed to a system function.";
    case MMSYSERR_INVALPARAM: return "An invalid parameter was passed to a system function.";
    case MIDIERR_UNPREPARED: return "The header has not been prepared.";
    case MIDIERR_STILLPLAYING: return "The buffer is still in use.";
    default: return nullptr;
    }
}

MMRESULT copyErrorText(MMRESULT code, LPSTR text, UINT size) {
    const char* t = errorText(code);
    if (t == nullptr) return MMSYSERR_BADERRNUM;
    if (text == nullptr || size == 0) return MMSYSERR_INVALPARAM;
    std::snprintf(text, size, "%s", t);
    return MMSYSERR_NOERROR;
}

MMRESULT checkHeader(const MIDIHDR* h, UINT size) {
    if (h == nullptr || size < sizeof(MIDIHDR) || h->lpData == nullptr) return MMSYSERR_INVALPARAM;
    return MMSYSERR_NOERROR;
}

// Preparing and unpreparing are the same for both directions; `busy` says in the log why a
// header the device still holds cannot be unprepared.
MMRESULT prepareHeader(LPMIDIHDR h, UINT size) {
    if (const MMRESULT r = checkHeader(h, size)) return r;
    if (h->dwFlags & MHDR_PREPARED) return MMSYSERR_NOERROR;
    h->dwFlags = MHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT unprepareHeader(LPMIDIHDR h, UINT size, const char* busy) {
    if (const MMRESULT r = checkHeader(h, size)) return r;
    if (!(h->dwFlags & MHDR_PREPARED)) return MMSYSERR_NOERROR;
    if (h->dwFlags & MHDR_INQUEUE) {
        say("# unprepare refused: the buffer is still %s", busy);
        return MIDIERR_STILLPLAYING;
    }
    h->dwFlags &= ~DWORD(MHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

// A header that may be handed to the device (played or filled): prepared, not held already,
// with room for a byte.
MMRESULT checkQueueable(LPMIDIHDR h, UINT size) {
    if (const MMRESULT r = checkHeader(h, size)) return r;
    if (!(h->dwFlags & MHDR_PREPARED)) return MIDIERR_UNPREPARED;
    if (h->dwFlags & MHDR_INQUEUE) return MIDIERR_STILLPLAYING;
    if (h->dwBufferLength == 0) return MMSYSERR_INVALPARAM;
    return MMSYSERR_NOERROR;
}

int shortLength(uint8_t status) {
    if (status >= 0xF4) return 1;
    if (status == 0xF1 || status == 0xF3) return 2;
    if (status == 0xF2) return 3;
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) InitializeCriticalSection(&Lock);
    return TRUE;
}

// --- output ---

UINT WINAPI midiOutGetNumDevs() { return 1; }

MMRESULT WINAPI midiOutGetDevCapsA(UINT_PTR id, LPMIDIOUTCAPSA caps, UINT size) {
    if (id != 0 && id != UINT_PTR(MIDI_MAPPER) && id != UINT(MIDI_MAPPER)) return MMSYSERR_BADDEVICEID;
    if (caps == nullptr) return MMSYSERR_INVALPARAM;
    MIDIOUTCAPSA c{};
    c.wMid = 0xFFFF;  // no maker id
    c.wPid = 1;
    c.vDriverVersion = 0x0100;
    std::snprintf(c.szPname, sizeof c.szPname, "%s", id == 0 ? DeviceName : MapperName);
    c.wTechnology = id == 0 ? MOD_MIDIPORT : MOD_MAPPER;
    c.wVoices = 0;
    c.wNotes = 0;
    c.wChannelMask = 0xFFFF;
    std::memcpy(caps, &c, size < sizeof c ? size : sizeof c);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI midiOutGetErrorTextA(MMRESULT code, LPSTR text, UINT size) { return copyErrorText(code, text, size); }

MMRESULT WINAPI midiOutOpen(LPHMIDIOUT handle, UINT id, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
    if (handle == nullptr) return MMSYSERR_INVALPARAM;
    if (id != 0 && id != UINT(MIDI_MAPPER)) return MMSYSERR_BADDEVICEID;
    if (!validCallback(flags)) return MMSYSERR_INVALFLAG;
    Held held;
    startOnce();
    if (Out != nullptr) return MMSYSERR_ALLOCATED;
    Out = new OutDevice;
    Out->notify = {callback, instance, flags};
    *handle = reinterpret_cast<HMIDIOUT>(Out);
    say("# output opened");
    post(Out->notify, Out, MM_MOM_OPEN, 0, 0);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI midiOutClose(HMIDIOUT handle) {
    Held held;
    OutDevice* d = outOf(handle);
    if (d == nullptr) return MMSYSERR_INVALHANDLE;
    if (!d->queue.empty()) {
        say("# output close refused: a buffer is still playing");
        return MIDIERR_STILLPLAYING;
    }
    post(d->notify, d, MM_MOM_CLOSE, 0, 0);
    Out = nullptr;
    delete d;
    say("# output closed");
    writeFileNamed("KT_STANDIN_DUMP", unit::summary(Unit), nullptr);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI midiOutShortMsg(HMIDIOUT handle, DWORD word) {
    Held held;
    OutDevice* d = outOf(handle);
    if (d == nullptr) return MMSYSERR_INVALHANDLE;
    uint8_t bytes[3] = {uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16)};
    size_t length;
    if (bytes[0] < 0x80) {  // running status: the data bytes move up
        if (d->runningStatus == 0) return MMSYSERR_INVALPARAM;
        bytes[2] = bytes[1];
        bytes[1] = bytes[0];
        bytes[0] = d->runningStatus;
    }
    length = size_t(shortLength(bytes[0]));
    if (bytes[0] < 0xF0) d->runningStatus = bytes[0];
    if (bytes[0] == 0xF0 || bytes[0] == 0xF7) return MMSYSERR_INVALPARAM;
    unitShort(bytes, length, nowUs());
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI midiOutPrepareHeader(HMIDIOUT handle, LPMIDIHDR h, UINT size) {
    Held held;
    if (outOf(handle) == nullptr) return MMSYSERR_INVALHANDLE;
    return prepareHeader(h, size);
}

MMRESULT WINAPI midiOutUnprepareHeader(HMIDIOUT handle, LPMIDIHDR h, UINT size) {
    Held held;
    if (outOf(handle) == nullptr) return MMSYSERR_INVALHANDLE;
    return unprepareHeader(h, size, "playing");
}

MMRESULT WINAPI midiOutLongMsg(HMIDIOUT handle, LPMIDIHDR h, UINT size) {
    Held held;
    OutDevice* d = outOf(handle);
    if (d == nullptr) return MMSYSERR_INVALHANDLE;
    if (const MMRESULT r = checkQueueable(h, size)) return r;
    h->dwFlags = (h->dwFlags & ~DWORD(MHDR_DONE)) | MHDR_INQUEUE;
    const uint64_t now = nowUs();
    const uint64_t start = d->queue.empty() ? now : d->queue.back().doneAtUs;
    d->queue.push_back({h, start + wireUs(h->dwBufferLength)});
    say("# long message queued: %u bytes", unsigned(h->dwBufferLength));
    SetEvent(Wake);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI midiOutReset(HMIDIOUT handle) {
    Held held;
    OutDevice* d = outOf(handle);
    if (d == nullptr) return MMSYSERR_INVALHANDLE;
    if (!d->queue.empty()) say("# output reset: %u buffers ended unsent", unsigned(d->queue.size()));
    while (!d->queue.empty()) {
        MIDIHDR* h = d->queue.front().header;
        d->queue.pop_front();
        finishHeader(h);
    }
    d->runningStatus = 0;
    SetEvent(Wake);
    return MMSYSERR_NOERROR;
}

// --- input ---

UINT WINAPI midiInGetNumDevs() { return 1; }

MMRESULT WINAPI midiInGetDevCapsA(UINT_PTR id, LPMIDIINCAPSA caps, UINT size) {
    if (id != 0) return MMSYSERR_BADDEVICEID;
    if (caps == nullptr) return MMSYSERR_INVALPARAM;
    MIDIINCAPSA c{};
    c.wMid = 0xFFFF;  // no maker id
    c.wPid = 1;
    c.vDriverVersion = 0x0100;
    std::snprintf(c.szPname, sizeof c.szPname, "%s", DeviceName);
    std::memcpy(caps, &c, size < sizeof c ? size : sizeof c);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI midiInGetErrorTextA(MMRESULT code, LPSTR text, UINT size) { return copyErrorText(code, text, size); }

MMRESULT WINAPI midiInOpen(LPHMIDIIN handle, UINT id, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
    if (handle == nullptr) return MMSYSERR_INVALPARAM;
    if (id != 0) return MMSYSERR_BADDEVICEID;
    if (!validCallback(flags & ~DWORD(MIDI_IO_STATUS))) return MMSYSERR_INVALFLAG;
    Held held;
    startOnce();
    if (In != nullptr) return MMSYSERR_ALLOCATED;
    In = new InDevice;
    In->notify = {callback, instance, flags};
    *handle = reinterpret_cast<HMIDIIN>(In);
    say("# input opened");
    post(In->notify, In, MM_MIM_OPEN, 0, 0);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI midiInClose(HMIDIIN handle) {
    Held held;
    InDevice* d = inOf(handle);
    if (d == nullptr) return MMSYSERR_INVALHANDLE;
    if (!d->buffers.empty()) {
        say("# input close refused: %u buffers still added", unsigned(d->buffers.size()));
        return MIDIERR_STILLPLAYING;
    }
    post(d->notify, d, MM_MIM_CLOSE, 0, 0);
    In = nullptr;
    delete d;
    say("# input closed");
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI midiInPrepareHeader(HMIDIIN handle, LPMIDIHDR h, UINT size) {
    Held held;
    if (inOf(handle) == nullptr) return MMSYSERR_INVALHANDLE;
    return prepareHeader(h, size);
}

MMRESULT WINAPI midiInUnprepareHeader(HMIDIIN handle, LPMIDIHDR h, UINT size) {
    Held held;
    if (inOf(handle) == nullptr) return MMSYSERR_INVALHANDLE;
    return unprepareHeader(h, size, "added");
}

MMRESULT WINAPI midiInAddBuffer(HMIDIIN handle, LPMIDIHDR h, UINT size) {
    Held held;
    InDevice* d = inOf(handle);
    if (d == nullptr) return MMSYSERR_INVALHANDLE;
    if (const MMRESULT r = checkQueueable(h, size)) return r;
    h->dwFlags = (h->dwFlags & ~DWORD(MHDR_DONE)) | MHDR_INQUEUE;
    h->dwBytesRecorded = 0;
    d->buffers.push_back(h);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI midiInStart(HMIDIIN handle) {
    Held held;
    InDevice* d = inOf(handle);
    if (d == nullptr) return MMSYSERR_INVALHANDLE;
    if (!d->started) {
        d->started = true;
        d->startUs = nowUs();
    }
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI midiInStop(HMIDIIN handle) {
    Held held;
    InDevice* d = inOf(handle);
    if (d == nullptr) return MMSYSERR_INVALHANDLE;
    d->started = false;  // nothing is ever half received here, so no buffer comes back
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI midiInReset(HMIDIIN handle) {
    Held held;
    InDevice* d = inOf(handle);
    if (d == nullptr) return MMSYSERR_INVALHANDLE;
    d->started = false;
    while (!d->buffers.empty()) {
        MIDIHDR* h = d->buffers.front();
        d->buffers.pop_front();
        h->dwBytesRecorded = 0;
        h->dwFlags = (h->dwFlags & ~DWORD(MHDR_INQUEUE)) | MHDR_DONE;
        post(d->notify, d, MM_MIM_LONGDATA, reinterpret_cast<DWORD_PTR>(h), 0);
    }
    return MMSYSERR_NOERROR;
}

}  // extern "C"
