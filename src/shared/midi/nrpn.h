// nrpn.h - short messages and NRPN parameter messages to the unit, on MIDI channel 1.
//
// Globals:
//   LastNrpnMsb, LastNrpnLsb  the parameter-number bytes last sent with controllers 99 and 98
//                             (-1 at start: the first NRPN sends its full number)
//   LastNrpnTime              tick of the last NRPN
//   EditBracketOpen           an edit-begin (NRPN 10/1 value 0) went out and its edit-end
//                             (value 1) is still due
//
// sendShortMessage(status, d1, d2): the low 8 bits of each packed as status | d1 << 8 |
//   d2 << 16 and handed to the open output (lost without notice when none is open).
// sendNrpn(msb, lsb, value): controller 99 = msb unless it equals the last one sent, then
//   controller 98 = lsb likewise, then data entry (controller 6) = value; after more than
//   1000 ms without an NRPN both number controllers go out again.
// sendEditBracket(v): NRPN 10/1 with v (0: edit begins, 1: edit ends).
// closeEditBracket(): the edit-end that an open bracket (EditBracketOpen) still owes.
// learnableController(c): false for the controllers that carry NRPN and RPN (6, 38, 96..101)
//   and for anything outside 0..127, so they are never bound to anything else.
//
// Soft MIDI thru: pollMidiInput(e) keeps the bytes of an incoming short message in ThruStatus,
// ThruData1, ThruData2 and says whether it is a channel message (status below F0: system
// messages such as clock and active sensing are never passed on); forwardMidiInput() sends
// the kept bytes to the output, channel unchanged.
#pragma once

#include <cstdint>

#include "platform/events.h"

extern int16_t LastNrpnMsb, LastNrpnLsb;
extern uint32_t LastNrpnTime;
extern bool EditBracketOpen;
extern uint8_t ThruStatus, ThruData1, ThruData2;

void resetNrpnState();
void sendShortMessage(int status, int data1, int data2);
void sendNrpn(int msb, int lsb, int value);
void sendEditBracket(int value);
void closeEditBracket();
bool learnableController(int controller);
bool pollMidiInput(const Event& e);
void forwardMidiInput();
