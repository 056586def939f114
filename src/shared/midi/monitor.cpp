// monitor.cpp - the traffic watcher and the words for MIDI messages. See monitor.h.
#include "shared/midi/monitor.h"

#include <cstdio>

#include "shared/midi/protocol.h"

MidiWatcher MidiTrafficWatcher = nullptr;

void resetMidiTrafficState() { MidiTrafficWatcher = nullptr; }

void watchMidiOut(const uint8_t* bytes, size_t length) {
    if (MidiTrafficWatcher != nullptr) MidiTrafficWatcher(true, bytes, length);
}

void watchMidiIn(const uint8_t* bytes, size_t length) {
    if (MidiTrafficWatcher != nullptr) MidiTrafficWatcher(false, bytes, length);
}

size_t shortMessageLength(uint8_t status) {
    if (status < 0x80) return 1;
    if (status < 0xF0) return (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 2 : 3;
    switch (status) {
    case 0xF1:
    case 0xF3:
        return 2;
    case 0xF2:
        return 3;
    default:
        return 1;
    }
}

namespace {

std::string number(int n) { return std::to_string(n); }
std::string onChannel(int channel) { return " ch " + number(channel + 1); }

std::string hexBytes(const uint8_t* bytes, size_t length, size_t most) {
    std::string text;
    char hex[4];
    for (size_t i = 0; i < length && i < most; ++i) {
        std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
        if (i > 0) text += ' ';
        text += hex;
    }
    if (length > most) text += " ...";
    return text;
}

// The unit's own messages by what they are; empty for anything else (another maker's, a
// message of the unit's framing that is cut short or too long).
std::string unitMessage(const uint8_t* m, size_t n) {
    using namespace protocol;
    if (n < ReplyLength || m[0] != SysExBegin || m[n - 1] != SysExEnd) return "";
    if (m[1] != Maker[0] || m[2] != Maker[1] || m[3] != Maker[2]) return "";
    const uint8_t part = m[4], command = m[5];
    if (part == ProgramPart) {
        if (command == WriteProgram && n == ProgramWriteLength) return "write program " + number(m[7]);
        if (command == ProgramWritten && n == ReplyLength) return "program written";
        return "";
    }
    if (part != LoaderPart) return "";
    if (command == UpdateData && n >= UpdateFrameBytes) return "firmware data";
    if (n != ReplyLength) return "";
    switch (command) {
    case Identify:
        return "identification request";
    case Identified:
        return "identified";
    case Erased:
        return "erased";
    case UpdateSucceeded:
        return "update succeeded";
    case UpdateFailed:
        return "update failed";
    default:
        return "";
    }
}

std::string systemMessage(const uint8_t* m, size_t n) {
    const int d1 = n > 1 ? m[1] : 0, d2 = n > 2 ? m[2] : 0;
    switch (m[0]) {
    case 0xF1:
        return "Time code " + number(d1);
    case 0xF2:
        return "Song position " + number(d1 | d2 << 7);
    case 0xF3:
        return "Song select " + number(d1);
    case 0xF6:
        return "Tune request";
    case 0xF8:  // timing clock and active sensing would bury everything else
    case 0xFE:
        return "";
    case 0xFA:
        return "Start";
    case 0xFB:
        return "Continue";
    case 0xFC:
        return "Stop";
    case 0xFF:
        return "Reset";
    default:
        return hexBytes(m, n, shortMessageLength(m[0]));
    }
}

}  // namespace

void MidiDescriber::setAddress(int channel, int msb, int lsb) {
    if (channel < 0 || channel > 15) return;
    address_[channel] = Address{static_cast<int16_t>(msb), static_cast<int16_t>(lsb), false};
}

std::string MidiDescriber::controlChange(int channel, int controller, int value) {
    Address& a = address_[channel];
    switch (controller) {
    case 99:
    case 101:
        a.msb = static_cast<int16_t>(value);
        a.registered = controller == 101;
        return "";
    case 98:
    case 100:
        a.lsb = static_cast<int16_t>(value);
        a.registered = controller == 100;
        return "";
    case 6:
        break;
    default:
        return "Control " + number(controller) + " = " + number(value) + onChannel(channel);
    }
    // Data entry: the value of the parameter the address selects.
    if (a.msb < 0 || a.lsb < 0) return "Control 6 = " + number(value) + onChannel(channel);
    const std::string numberText = number(a.msb) + "/" + number(a.lsb) + " = " + number(value);
    if (a.registered) return "RPN " + numberText + onChannel(channel);
    if (channel == 0) {
        if (a.msb == 10 && a.lsb == 1 && (value == 0 || value == 1)) return value == 0 ? "Edit begin" : "Edit end";
        if (namer_) {
            std::string named = namer_(a.msb, a.lsb, value);
            if (!named.empty()) return named;
        }
    }
    return "NRPN " + numberText + onChannel(channel);
}

std::string MidiDescriber::describe(const uint8_t* m, size_t n) {
    if (n == 0) return "";
    if (m[0] == protocol::SysExBegin) {
        const std::string what = unitMessage(m, n);
        return "SysEx " + number(static_cast<int>(n)) + " bytes: " + (what.empty() ? hexBytes(m, n, 16) : what);
    }
    if (m[0] >= 0xF0) return systemMessage(m, n);
    if (m[0] < 0x80 || n < shortMessageLength(m[0])) return hexBytes(m, n, 3);  // no status, or cut short
    const int channel = m[0] & 0x0F, d1 = n > 1 ? m[1] : 0, d2 = n > 2 ? m[2] : 0;
    switch (m[0] & 0xF0) {
    case 0x80:
        return "Note off " + number(d1) + onChannel(channel);
    case 0x90:
        return "Note on " + number(d1) + " vel " + number(d2) + onChannel(channel);
    case 0xA0:
        return "Aftertouch " + number(d1) + " = " + number(d2) + onChannel(channel);
    case 0xB0:
        return controlChange(channel, d1, d2);
    case 0xC0:
        return "Program " + number(d1) + onChannel(channel);
    case 0xD0:
        return "Pressure " + number(d1) + onChannel(channel);
    default:  // 0xE0
        return "Pitch bend " + number((d1 | d2 << 7) - 8192) + onChannel(channel);
    }
}
