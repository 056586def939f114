// The simulated MIDI devices: lists and open failures set by the script, everything sent to
// an open output recorded in the transcript and handed to the sink (the simulated unit),
// input from outside delivered as events while an input device is open and started.
#include <algorithm>
#include <cstdio>

#include "platform/midi.h"
#include "platform/midi_errors.h"
#include "platform/sim/sim_state.h"

using sim::machine;

namespace sim {

namespace {

// The port a cable of the unit goes to: the one of the unit's name, else the first.
std::string unitPort(const std::vector<std::string>& names, const std::string& unitName) {
    if (names.empty() || std::find(names.begin(), names.end(), unitName) != names.end()) return unitName;
    return names.front();
}

// An open device after its list changed: connected to the same port, wherever it stands now.
void followPort(const std::vector<std::string>& names, bool open, int& device, const std::string& port, bool& gone) {
    if (!open || gone || device < 0) return;
    if (device < static_cast<int>(names.size()) && names[device] == port) return;
    const auto it = std::find(names.begin(), names.end(), port);
    if (it == names.end()) {
        gone = true;
    } else {
        device = static_cast<int>(it - names.begin());
    }
}

std::string quotedList(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += " " + quote(name);
    return text;
}

}  // namespace

void setMidiOutDevices(const std::vector<std::string>& names) {
    machine().MidiOutNames = names;
    machine().UnitOutPort = unitPort(names, "KT MIDI Out");
}

void setMidiInDevices(const std::vector<std::string>& names) {
    machine().MidiInNames = names;
    machine().UnitInPort = unitPort(names, "KT MIDI In");
}

void changeMidiDevices(bool output, const std::vector<std::string>& names) {
    Machine& m = machine();
    if (output) {
        m.MidiOutNames = names;
        followPort(names, m.OutOpen, m.OutDevice, m.OutPort, m.OutGone);
    } else {
        m.MidiInNames = names;
        followPort(names, m.InOpen, m.InDevice, m.InPort, m.InGone);
        if (m.InGone) m.InBufferQueued = false;
        followPort(names, m.CtlOpen, m.CtlDevice, m.CtlPort, m.CtlGone);
    }
    transcript("midi", std::string("devices ") + (output ? "out" : "in") + quotedList(names));
    Event e;
    e.kind = EventKind::DevicesChanged;
    queueEvent(e);
}

void setMidiOpenFailure(bool output, int k, const std::string& systemText) {
    (output ? machine().OutFailures : machine().InFailures)[k] = systemText;
}

void setMidiOutSink(MidiSink sink) { machine().OutSink = std::move(sink); }

unit::State& theUnit() { return machine().Unit; }
void setWireSpeed(bool on) { machine().WireSpeed = on; }
bool wireSpeed() { return machine().WireSpeed; }
void setSendDoneLate(uint32_t ms) { machine().SendDoneLateUs = uint64_t(ms) * 1000; }

namespace {

// The unit hears the output port of its cable (the mapper maps to it too, while it is there)
// and answers on the input port of its other cable.
bool unitHearsOutput() {
    const Machine& m = machine();
    if (!m.OutOpen || m.OutGone) return false;
    if (m.OutDevice == -1) {
        return std::find(m.MidiOutNames.begin(), m.MidiOutNames.end(), m.UnitOutPort) != m.MidiOutNames.end();
    }
    return m.OutPort == m.UnitOutPort;
}

void midiArrivesFromUnit(const std::vector<uint8_t>& bytes) {
    if (machine().InPort == machine().UnitInPort) midiArrives(bytes);
}

// Sends the unit's replies back over the input cable.
void scheduleReplies(const std::vector<unit::Reply>& replies) {
    for (const unit::Reply& reply : replies) {
        // The cable is taken when the unit starts to send, so replies share it in the order
        // of their times, whatever order the unit produced them in.
        std::vector<uint8_t> bytes = reply.bytes;
        scheduleUs(reply.atUs, [bytes, atUs = reply.atUs] {
            Machine& m = machine();
            uint64_t endUs = atUs;
            if (m.WireSpeed) {
                endUs = std::max(atUs, m.CableInFreeUs) + wireTimeUs(bytes.size());
                m.CableInFreeUs = endUs;
            }
            scheduleUs(endUs, [bytes] { midiArrivesFromUnit(bytes); });
        });
    }
}

}  // namespace

void midiArrives(const std::vector<uint8_t>& bytes) {
    Machine& m = machine();
    if (!m.InOpen || m.InGone || !m.InStarted || bytes.empty()) return;
    Event e;
    e.arrivedAt = now();
    if (bytes[0] == 0xF0) {
        // System-exclusive input needs a receive buffer queued on the device.
        if (!m.InBufferQueued) return;
        m.InBufferQueued = false;
        e.kind = EventKind::MidiLong;
        e.bytes = bytes;
    } else {
        e.kind = EventKind::MidiShort;
        for (size_t i = 0; i < bytes.size() && i < 3; ++i) e.midiWord |= uint32_t(bytes[i]) << (8 * i);
    }
    queueEvent(e);
}

void ctlMidiArrives(const std::vector<uint8_t>& bytes) {
    const Machine& m = machine();
    if (!m.CtlOpen || m.CtlGone || !m.CtlStarted || bytes.empty() || bytes[0] == 0xF0) return;
    Event e;
    e.arrivedAt = now();
    e.kind = EventKind::MidiShort;
    e.fromController = true;
    for (size_t i = 0; i < bytes.size() && i < 3; ++i) e.midiWord |= uint32_t(bytes[i]) << (8 * i);
    queueEvent(e);
}

}  // namespace sim

void startMidiSystems() {}  // the simulated devices are there at once

int midiOutDeviceCount() { return static_cast<int>(machine().MidiOutNames.size()); }

std::string midiOutDeviceName(int k) {
    const auto& names = machine().MidiOutNames;
    return k >= 0 && k < static_cast<int>(names.size()) ? names[k] : std::string();
}

int midiInDeviceCount() { return static_cast<int>(machine().MidiInNames.size()); }

std::string midiInDeviceName(int k) {
    const auto& names = machine().MidiInNames;
    return k >= 0 && k < static_cast<int>(names.size()) ? names[k] : std::string();
}

bool midiOutOpenDevice(int k, std::string& errorText) {
    sim::Machine& m = machine();
    if (m.OutOpen) {
        errorText = MidiErrorAlreadyOpen;
        return false;
    }
    auto failure = m.OutFailures.find(k);
    if (failure != m.OutFailures.end()) {
        errorText = failure->second;
        return false;
    }
    if (k < -1 || k >= midiOutDeviceCount() || midiOutDeviceCount() == 0) {
        errorText = MidiErrorBadDevice;
        return false;
    }
    m.OutOpen = true;
    m.OutDevice = k;
    m.OutPort = k >= 0 ? m.MidiOutNames[k] : std::string();
    m.OutGone = false;
    sim::transcript("midi", "open-out " + std::to_string(k));
    return true;
}

bool midiOutCloseDevice() {
    sim::Machine& m = machine();
    if (!m.OutOpen) return true;
    m.OutOpen = false;
    m.OutPort.clear();
    m.OutGone = false;
    sim::transcript("midi", "close-out");
    return true;
}

void midiOutResetDevice() {}

bool midiOutIsOpen() { return machine().OutOpen; }

namespace {

// Whether input device k can be opened as an input that is open already or not; an open
// failure the script set for input device K holds for both inputs (it is the device that fails).
bool inputOpenable(bool openNow, int k, std::string& errorText) {
    if (openNow) {
        errorText = MidiErrorAlreadyOpen;
        return false;
    }
    const auto failure = machine().InFailures.find(k);
    if (failure != machine().InFailures.end()) {
        errorText = failure->second;
        return false;
    }
    if (k < 0 || k >= midiInDeviceCount()) {
        errorText = MidiErrorBadDevice;
        return false;
    }
    return true;
}

}  // namespace

bool midiInOpenDevice(int k, std::string& errorText) {
    sim::Machine& m = machine();
    if (!inputOpenable(m.InOpen, k, errorText)) return false;
    m.InOpen = true;
    m.InStarted = false;
    m.InBufferQueued = false;
    m.InDevice = k;
    m.InPort = m.MidiInNames[k];
    m.InGone = false;
    sim::transcript("midi", "open-in " + std::to_string(k));
    return true;
}

void midiInStartDevice() {
    if (machine().InOpen) machine().InStarted = true;
}

void midiInStopDevice() { machine().InStarted = false; }

bool midiInCloseDevice() {
    sim::Machine& m = machine();
    if (!m.InOpen) return true;
    m.InOpen = false;
    m.InPort.clear();
    m.InGone = false;
    m.InStarted = false;
    m.InBufferQueued = false;
    sim::transcript("midi", "close-in");
    return true;
}

void midiInResetDevice() {}

bool midiInIsOpen() { return machine().InOpen; }

void midiInQueueBuffer() {
    if (machine().InOpen && !machine().InGone) machine().InBufferQueued = true;
}

void midiInReleaseBuffer() { machine().InBufferQueued = false; }

// The controller input opens a device of the input's list.
bool midiCtlOpenDevice(int k, std::string& errorText) {
    sim::Machine& m = machine();
    if (!inputOpenable(m.CtlOpen, k, errorText)) return false;
    m.CtlOpen = true;
    m.CtlStarted = false;
    m.CtlDevice = k;
    m.CtlPort = m.MidiInNames[k];
    m.CtlGone = false;
    sim::transcript("midi", "open-ctl " + std::to_string(k));
    return true;
}

void midiCtlStartDevice() {
    if (machine().CtlOpen) machine().CtlStarted = true;
}

bool midiCtlCloseDevice() {
    sim::Machine& m = machine();
    if (!m.CtlOpen) return true;
    m.CtlOpen = false;
    m.CtlStarted = false;
    m.CtlPort.clear();
    m.CtlGone = false;
    sim::transcript("midi", "close-ctl");
    return true;
}

bool midiCtlIsOpen() { return machine().CtlOpen; }

void midiOutSendShort(uint32_t word) {
    sim::Machine& m = machine();
    if (!m.OutOpen || m.OutGone) return;  // a dead port: nothing arrives anywhere
    uint8_t bytes[3];
    unpackMidiShort(word, bytes);
    sim::transcript("out", sim::hexBytes(bytes, 3));
    if (m.OutSink) m.OutSink(bytes, 3);
    if (sim::unitHearsOutput()) unit::receiveShort(m.Unit, bytes, 3, m.NowUs);
}

bool midiOutSendSysEx(const uint8_t* bytes, size_t length, const SysExProgress& progress) {
    sim::Machine& m = machine();
    if (!m.OutOpen || m.OutGone) return false;  // a dead port takes nothing
    std::string payload = std::to_string(length);
    if (length <= 512) {
        payload += " " + sim::hexBytes(bytes, length);
    } else {
        // Long messages are summarised: head, tail and a CRC-32 of all bytes.
        char crcText[9];
        std::snprintf(crcText, sizeof crcText, "%08X", unit::crc32(bytes, length));
        payload += " head " + sim::hexBytes(bytes, 16) + " tail " + sim::hexBytes(bytes + length - 4, 4) + " crc32 " + crcText;
    }
    sim::transcript("sysex", payload);
    if (m.OutSink) m.OutSink(bytes, length);
    const bool toUnit = sim::unitHearsOutput();
    uint64_t arrivalUs = m.NowUs;
    if (m.WireSpeed) {
        // The message goes out at MIDI speed after whatever is still on the cable; the send
        // returns when its last byte has left.
        const uint64_t startUs = std::max(arrivalUs, m.CableOutFreeUs);
        arrivalUs = startUs + sim::wireTimeUs(length);
        m.CableOutFreeUs = arrivalUs;
        if (progress) {
            // Progress as a chunked send reports it: after every 256 bytes on the cable.
            for (size_t sent = 256; sent < length; sent += 256) {
                sim::advanceToUs(startUs + sim::wireTimeUs(sent));
                progress(sent, length);
            }
        }
        sim::advanceToUs(arrivalUs);
        if (progress) progress(length, length);
    }
    if (!m.WireSpeed && progress) progress(length, length);
    if (toUnit && machine().OutOpen && !machine().OutGone) {  // still there at its end
        std::vector<uint8_t> message(bytes, bytes + length);
        sim::scheduleReplies(unit::receiveSysEx(machine().Unit, message, arrivalUs));
    }
    // The platform's word that the send is done may come later than the last byte.
    if (m.SendDoneLateUs > 0) sim::advanceToUs(arrivalUs + m.SendDoneLateUs);
    return true;
}
