// monitor.h - what a MIDI monitor needs from the MIDI layer: a watcher that hears every
// message the program sends or takes, and the words for a message.
//
// Globals:
//   MidiTrafficWatcher  called with each message sent (sendShortMessage, sendSysEx) and each
//                       message taken (receive.h), in that order of events; nullptr: nobody
//                       watches, and the traffic costs nothing more
//
// resetMidiTrafficState(): nobody watches.
// watchMidiOut(bytes, length) / watchMidiIn(bytes, length): hand one message to the watcher
//   when there is one. A short message is given with as many bytes as its status has (a
//   MidiShort event's word carries three whatever the message).
// shortMessageLength(status): 1, 2 or 3: the bytes of a short message with this status (the
//   status byte counted); 1 for what is not a short message's status.
//
// MidiDescriber: the words for one message at a time, in decimal. It follows the NRPN
// address (controllers 99 and 98, per channel) so that the data entry that completes a
// parameter change gives the one line for the change, and the address controllers give none:
//   "NRPN NNN TITLE CAPTION = V"  (from the namer, on channel 1), "Edit begin" / "Edit end"
//     (NRPN 10/1 value 0 / 1 on channel 1), "NRPN M/L = V ch C" for any other NRPN,
//     "RPN M/L = V ch C" after controllers 101 and 100, "Control 6 = V ch C" with no address
//   "Note on NN vel VV ch C", "Note off NN ch C", "Aftertouch NN = V ch C",
//   "Control CC = V ch C", "Program P ch C", "Pressure V ch C", "Pitch bend V ch C" (-8192..8191)
//   "SysEx LEN bytes: WHAT": WHAT names the unit's messages ("write program N", "program
//     written", "identification request", "identified", "erased", "firmware data", "update
//     succeeded", "update failed") and is otherwise the first 16 bytes in hex (" ..." after
//     them when there are more)
//   system messages by name ("Start", "Song position V", ...); timing clock and active
//   sensing give no line (empty text), nor do the NRPN and RPN address controllers.
// setAddress(channel, msb, lsb): the NRPN address a channel is known to have (0-based
// channel; -1 for a part not sent yet), for a describer that starts after it was sent.
// The namer takes (msb, lsb, value) of an NRPN on channel 1 and gives its line, or empty when
// the number is not a parameter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

using MidiWatcher = void (*)(bool out, const uint8_t* bytes, size_t length);
extern MidiWatcher MidiTrafficWatcher;  // hears every message sent or taken; nullptr: none

void resetMidiTrafficState();
void watchMidiOut(const uint8_t* bytes, size_t length);
void watchMidiIn(const uint8_t* bytes, size_t length);
size_t shortMessageLength(uint8_t status);

class MidiDescriber {
public:
    using NrpnNamer = std::function<std::string(int msb, int lsb, int value)>;
    explicit MidiDescriber(NrpnNamer namer = nullptr) : namer_(std::move(namer)) {}
    std::string describe(const uint8_t* bytes, size_t length);
    void setAddress(int channel, int msb, int lsb);

private:
    struct Address {
        int16_t msb = -1, lsb = -1;
        bool registered = false;  // selected by 101/100 (RPN) rather than 99/98 (NRPN)
    };
    std::string controlChange(int channel, int controller, int value);

    NrpnNamer namer_;
    Address address_[16];
};
