// win32_midi.cpp - the MIDI devices on winmm.
//
// Both devices report to a window (CALLBACK_WINDOW): the main window, or while there is none
// a hidden message-only window. Input therefore arrives as MM_MIM_* window messages on the
// program's thread, which the window procedure hands to handleMidiInMessage; no winmm
// callback runs on a system thread.
//
// The receive buffer: one MIDIHDR with 32,000 bytes for system-exclusive input. It belongs
// to the driver from midiInAddBuffer until MM_MIM_LONGDATA brings it back; the portable code
// then decides whether to queue it again (midiInQueueBuffer). Adding a header that is still
// queued is an error, so the state is tracked here and the call only made when it is not.
//
// The controller input is a second input handle. No buffer is ever added to it, so winmm drops
// its system-exclusive data; its short messages are marked as the controller's.
//
// Sending system-exclusive data: winmm sends in the background and marks the header
// MHDR_DONE when the bytes are out; until then neither the header nor the bytes may change.
// midiOutSendSysEx copies the message into a buffer of its own and waits for that flag
// (pumping messages, so the windows stay alive), reporting progress estimated from the time
// a MIDI cable needs.
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/events.h"
#include "platform/midi.h"
#include "platform/midi_errors.h"
#include "platform/win32/win32_state.h"

namespace {

constexpr DWORD ReceiveBufferBytes = 32000;
constexpr UINT ErrorTextBytes = 128;
// A MIDI cable carries 31,250 bits per second, ten bits per byte.
constexpr uint64_t WireBytesPerSecond = 3125;
// Progress is reported whenever this many more bytes are estimated to be out.
constexpr size_t ProgressStepBytes = 256;
// How long the send wait sleeps between looks at MHDR_DONE.
constexpr uint32_t SendPollMs = 2;

// The backend's state: the open devices and the buffers winmm reads and fills.
struct MidiState {
    HMIDIOUT OutHandle = nullptr;
    HMIDIIN InHandle = nullptr;
    HMIDIIN CtlHandle = nullptr;  // the controller input

    std::vector<char> ReceiveMemory = std::vector<char>(ReceiveBufferBytes);
    MIDIHDR ReceiveHeader{};
    bool ReceivePrepared = false;  // ReceiveHeader is prepared on InHandle
    bool ReceiveQueued = false;    // and queued: winmm fills it

    std::vector<char> SendMemory;  // the bytes of the long message being sent, until it is done
    MIDIHDR SendHeader{};
};
MidiState Midi;

std::string outErrorText(MMRESULT code) {
    char text[ErrorTextBytes] = {0};
    if (midiOutGetErrorTextA(code, text, ErrorTextBytes) != MMSYSERR_NOERROR || text[0] == '\0') {
        return "MIDI output error " + std::to_string(code);
    }
    return std::string(text, strnlen(text, ErrorTextBytes));
}

std::string inErrorText(MMRESULT code) {
    char text[ErrorTextBytes] = {0};
    if (midiInGetErrorTextA(code, text, ErrorTextBytes) != MMSYSERR_NOERROR || text[0] == '\0') {
        return "MIDI input error " + std::to_string(code);
    }
    return std::string(text, strnlen(text, ErrorTextBytes));
}

// The product name field of a capabilities record, up to its NUL.
std::string productName(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

// The window winmm reports to, as the open calls take it.
void notifyTarget(DWORD_PTR& callback, DWORD& flags) {
    const HWND window = ktwin::midiNotifyWindow();
    callback = reinterpret_cast<DWORD_PTR>(window);
    flags = window != nullptr ? CALLBACK_WINDOW : CALLBACK_NULL;
}

// Whether a handle whose close failed (after the reset and the second close) is still open.
// Only a device that still holds buffers (MIDIERR_STILLPLAYING) is; any other refusal comes
// from a handle that is dead (its device was unplugged: the driver is gone, and a device of
// the same name plugged in again is a new device), which nothing can close any more. Such a
// handle is dropped, so that the device can be opened again by name when it is back.
bool stillOpenAfterClose(MMRESULT result) { return result == MIDIERR_STILLPLAYING; }

void forgetReceiveBuffer() {
    Midi.ReceiveHeader = MIDIHDR{};
    Midi.ReceivePrepared = false;
    Midi.ReceiveQueued = false;
}

// A header that is prepared but not queued would stay prepared on a handle that is gone, so
// it is unprepared before the input closes.
void unprepareIdleReceiveBuffer() {
    if (Midi.InHandle == nullptr || !Midi.ReceivePrepared || Midi.ReceiveQueued) return;
    midiInUnprepareHeader(Midi.InHandle, &Midi.ReceiveHeader, sizeof Midi.ReceiveHeader);
    Midi.ReceivePrepared = false;
}

// When winmm posted the message being handled: GetMessageTime, in GetTickCount's time base.
// The input messages are posted to the window, and the window procedure handles them from the
// message pump, so that is their arrival, also when the program takes the event much later
// (a send pumps messages while it waits for MHDR_DONE). A time that is not in the last minute
// belongs to no posted message: then the arrival is now.
uint32_t postedAt() {
    const uint32_t now = tickCount();
    const uint32_t posted = static_cast<uint32_t>(GetMessageTime());
    const int32_t age = tickDiff(now, posted);
    return age >= 0 && age < 60000 ? posted : now;
}

void queueMidiOther() {
    Event e;
    e.kind = EventKind::MidiOther;
    ktwin::queueEvent(e);
}

}  // namespace

namespace ktwin {

bool handleMidiInMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case MM_MIM_DATA:
        // A message of a device that has been closed meanwhile is left out.
        if ((Midi.InHandle != nullptr && reinterpret_cast<HMIDIIN>(wParam) == Midi.InHandle) ||
            (Midi.CtlHandle != nullptr && reinterpret_cast<HMIDIIN>(wParam) == Midi.CtlHandle)) {
            Event e;
            e.kind = EventKind::MidiShort;
            e.midiWord = static_cast<uint32_t>(lParam);
            e.fromController = reinterpret_cast<HMIDIIN>(wParam) == Midi.CtlHandle;
            e.arrivedAt = postedAt();
            queueEvent(e);
        }
        return true;
    case MM_MIM_LONGDATA:
    case MM_MIM_LONGERROR: {
        auto* header = reinterpret_cast<MIDIHDR*>(lParam);
        // Only our header on the open device counts, and only while it is really back: the
        // message is posted, so it may arrive after a reset returned the buffer and the
        // program queued it again; then it speaks of a return that is over.
        if (Midi.InHandle == nullptr || reinterpret_cast<HMIDIIN>(wParam) != Midi.InHandle || header != &Midi.ReceiveHeader ||
            (header->dwFlags & MHDR_INQUEUE) != 0 || !Midi.ReceiveQueued) {
            return true;
        }
        Midi.ReceiveQueued = false;
        const DWORD recorded = std::min(header->dwBytesRecorded, ReceiveBufferBytes);
        if (message == MM_MIM_LONGDATA && recorded > 0) {
            Event e;
            e.kind = EventKind::MidiLong;
            const auto* bytes = reinterpret_cast<const uint8_t*>(header->lpData);
            e.bytes.assign(bytes, bytes + recorded);
            e.arrivedAt = postedAt();
            queueEvent(e);
        } else {
            // A broken system-exclusive message (or an empty return): there is nothing for
            // the program to take, and the program would queue the buffer again only for a
            // message it got, so winmm needs the buffer queued again here, or the input
            // stays deaf to system-exclusive data.
            midiInQueueBuffer();
            if (message == MM_MIM_LONGERROR) queueMidiOther();
        }
        return true;
    }
    case MM_MIM_OPEN:
    case MM_MIM_CLOSE:
    case MM_MIM_ERROR:
    case MM_MIM_MOREDATA:
        queueMidiOther();
        return true;
    default:
        return false;
    }
}

}  // namespace ktwin

// ---- device lists

void startMidiSystems() {}  // winmm lists and opens its devices at once

int midiOutDeviceCount() { return static_cast<int>(midiOutGetNumDevs()); }

std::string midiOutDeviceName(int k) {
    MIDIOUTCAPSA caps{};
    const UINT_PTR id = k == -1 ? static_cast<UINT_PTR>(MIDI_MAPPER) : static_cast<UINT_PTR>(k);
    if (k < -1 || midiOutGetDevCapsA(id, &caps, sizeof caps) != MMSYSERR_NOERROR) return std::string();
    return productName(caps.szPname, sizeof caps.szPname);
}

int midiInDeviceCount() { return static_cast<int>(midiInGetNumDevs()); }

std::string midiInDeviceName(int k) {
    MIDIINCAPSA caps{};
    if (k < 0 || midiInGetDevCapsA(static_cast<UINT_PTR>(k), &caps, sizeof caps) != MMSYSERR_NOERROR) {
        return std::string();
    }
    return productName(caps.szPname, sizeof caps.szPname);
}

// ---- output

bool midiOutOpenDevice(int k, std::string& errorText) {
    if (Midi.OutHandle != nullptr) {
        errorText = MidiErrorAlreadyOpen;
        return false;
    }
    DWORD_PTR callback = 0;
    DWORD flags = CALLBACK_NULL;
    notifyTarget(callback, flags);
    const UINT id = k == -1 ? MIDI_MAPPER : static_cast<UINT>(k);
    HMIDIOUT handle = nullptr;
    const MMRESULT result = midiOutOpen(&handle, id, callback, 0, flags);
    if (result != MMSYSERR_NOERROR) {
        errorText = outErrorText(result);
        return false;
    }
    Midi.OutHandle = handle;
    return true;
}

bool midiOutCloseDevice() {
    if (Midi.OutHandle == nullptr) return true;
    MMRESULT result = midiOutClose(Midi.OutHandle);
    if (result != MMSYSERR_NOERROR) {
        // winmm refuses to close an output that still has buffers queued (MIDIERR_STILLPLAYING);
        // midiOutReset returns them, marked done, and then the close goes through.
        midiOutReset(Midi.OutHandle);
        result = midiOutClose(Midi.OutHandle);
    }
    if (!stillOpenAfterClose(result)) Midi.OutHandle = nullptr;
    return Midi.OutHandle == nullptr;
}

void midiOutResetDevice() {
    if (Midi.OutHandle != nullptr) midiOutReset(Midi.OutHandle);
}

bool midiOutIsOpen() { return Midi.OutHandle != nullptr; }

void midiOutSendShort(uint32_t word) {
    if (Midi.OutHandle != nullptr) midiOutShortMsg(Midi.OutHandle, static_cast<DWORD>(word));
}

bool midiOutSendSysEx(const uint8_t* bytes, size_t length, const SysExProgress& progress) {
    if (Midi.OutHandle == nullptr || bytes == nullptr || length == 0 || length > 0xFFFFFFFFu) return false;
    const HMIDIOUT handle = Midi.OutHandle;
    // The driver reads the bytes while the program goes on: they live here until it is done.
    Midi.SendMemory.assign(reinterpret_cast<const char*>(bytes), reinterpret_cast<const char*>(bytes) + length);
    Midi.SendHeader = MIDIHDR{};
    Midi.SendHeader.lpData = Midi.SendMemory.data();
    Midi.SendHeader.dwBufferLength = static_cast<DWORD>(length);
    Midi.SendHeader.dwBytesRecorded = static_cast<DWORD>(length);
    if (midiOutPrepareHeader(handle, &Midi.SendHeader, sizeof Midi.SendHeader) != MMSYSERR_NOERROR) return false;
    if (midiOutLongMsg(handle, &Midi.SendHeader, sizeof Midi.SendHeader) != MMSYSERR_NOERROR) {
        midiOutUnprepareHeader(handle, &Midi.SendHeader, sizeof Midi.SendHeader);
        return false;
    }

    // Twice the time the cable needs, and two seconds more: a driver that takes longer hangs.
    const uint64_t wireMs = static_cast<uint64_t>(length) * 1000 / WireBytesPerSecond;
    const uint64_t limitMs = 2 * wireMs + 2000;
    const uint32_t start = tickCount();
    size_t reported = 0;
    bool done = true;
    // The driver sets MHDR_DONE from its own thread; the volatile read sees it.
    while ((static_cast<volatile DWORD&>(Midi.SendHeader.dwFlags) & MHDR_DONE) == 0) {
        const uint64_t elapsed = static_cast<uint64_t>(std::max<int32_t>(tickDiff(tickCount(), start), 0));
        if (elapsed > limitMs) {
            // midiOutReset hands the buffer back (MHDR_DONE) so it can be unprepared.
            midiOutReset(handle);
            done = false;
            break;
        }
        if (progress) {
            const size_t estimate =
                static_cast<size_t>(std::min<uint64_t>(elapsed * WireBytesPerSecond / 1000, length - 1));
            if (estimate >= reported + ProgressStepBytes) {
                reported = estimate;
                progress(estimate, length);
            }
        }
        sleepMilliseconds(SendPollMs);
    }
    // Unpreparing a header the driver still holds fails with MIDIERR_STILLPLAYING; after the
    // reset above it is back.
    midiOutUnprepareHeader(handle, &Midi.SendHeader, sizeof Midi.SendHeader);
    if (done && progress) progress(length, length);
    return done;
}

// ---- input

namespace {

// Opens input device k into slot (the unit's input or the controller's), its messages posted
// to the backend's thread like the other input's.
bool openInputHandle(HMIDIIN& slot, int k, std::string& errorText) {
    if (slot != nullptr) {
        errorText = MidiErrorAlreadyOpen;
        return false;
    }
    DWORD_PTR callback = 0;
    DWORD flags = CALLBACK_NULL;
    notifyTarget(callback, flags);
    HMIDIIN handle = nullptr;
    const MMRESULT result = k < 0 ? static_cast<MMRESULT>(MMSYSERR_BADDEVICEID)
                                  : midiInOpen(&handle, static_cast<UINT>(k), callback, 0, flags);
    if (result != MMSYSERR_NOERROR) {
        errorText = inErrorText(result);
        return false;
    }
    slot = handle;
    return true;
}

}  // namespace

bool midiInOpenDevice(int k, std::string& errorText) {
    if (!openInputHandle(Midi.InHandle, k, errorText)) return false;
    forgetReceiveBuffer();
    return true;
}

void midiInStartDevice() {
    if (Midi.InHandle != nullptr) midiInStart(Midi.InHandle);
}

void midiInStopDevice() {
    if (Midi.InHandle != nullptr) midiInStop(Midi.InHandle);
}

bool midiInCloseDevice() {
    if (Midi.InHandle == nullptr) return true;
    unprepareIdleReceiveBuffer();
    MMRESULT result = midiInClose(Midi.InHandle);
    if (result != MMSYSERR_NOERROR) {
        // winmm refuses to close an input while a buffer is still queued on it
        // (MIDIERR_STILLPLAYING); midiInReset returns every queued buffer, after which ours
        // can be unprepared and the close goes through.
        midiInResetDevice();
        unprepareIdleReceiveBuffer();
        result = midiInClose(Midi.InHandle);
    }
    if (!stillOpenAfterClose(result)) {
        Midi.InHandle = nullptr;
        forgetReceiveBuffer();
    }
    return Midi.InHandle == nullptr;
}

void midiInResetDevice() {
    if (Midi.InHandle == nullptr) return;
    // A reset stops the input and returns every queued buffer (marked done, the return posted
    // as MM_MIM_LONGDATA, which is left out as over).
    midiInReset(Midi.InHandle);
    Midi.ReceiveQueued = false;
}

bool midiInIsOpen() { return Midi.InHandle != nullptr; }

void midiInQueueBuffer() {
    if (Midi.InHandle == nullptr || Midi.ReceiveQueued) return;
    if (!Midi.ReceivePrepared) {
        Midi.ReceiveHeader = MIDIHDR{};
        Midi.ReceiveHeader.lpData = Midi.ReceiveMemory.data();
        Midi.ReceiveHeader.dwBufferLength = ReceiveBufferBytes;
        if (midiInPrepareHeader(Midi.InHandle, &Midi.ReceiveHeader, sizeof Midi.ReceiveHeader) != MMSYSERR_NOERROR) return;
        Midi.ReceivePrepared = true;
    }
    Midi.ReceiveHeader.dwBytesRecorded = 0;
    if (midiInAddBuffer(Midi.InHandle, &Midi.ReceiveHeader, sizeof Midi.ReceiveHeader) == MMSYSERR_NOERROR) Midi.ReceiveQueued = true;
}

void midiInReleaseBuffer() {
    if (Midi.InHandle == nullptr || !Midi.ReceivePrepared) return;
    if (Midi.ReceiveQueued) {
        // winmm gives a queued buffer back only through a reset (which stops the input too);
        // unpreparing it while queued fails.
        midiInReset(Midi.InHandle);
        Midi.ReceiveQueued = false;
    }
    midiInUnprepareHeader(Midi.InHandle, &Midi.ReceiveHeader, sizeof Midi.ReceiveHeader);
    Midi.ReceivePrepared = false;
}

// ---- the controller input

bool midiCtlOpenDevice(int k, std::string& errorText) { return openInputHandle(Midi.CtlHandle, k, errorText); }

void midiCtlStartDevice() {
    if (Midi.CtlHandle != nullptr) midiInStart(Midi.CtlHandle);
}

bool midiCtlCloseDevice() {
    if (Midi.CtlHandle == nullptr) return true;
    midiInReset(Midi.CtlHandle);  // stops it; it holds no buffer
    const MMRESULT result = midiInClose(Midi.CtlHandle);
    if (!stillOpenAfterClose(result)) Midi.CtlHandle = nullptr;
    return Midi.CtlHandle == nullptr;
}

bool midiCtlIsOpen() { return Midi.CtlHandle != nullptr; }
