// parameters.h - the program's parameters as the unit receives them: the fixed map from
// parameter number to the unit's NRPN number, and the pass that sends what changed.
//
// NrpnMap[j] for j = 0..103: the parameters are split into groups, each with one MSB, the
// LSB counting from 1 within the group: 0-11 -> 11/1-12, 12-23 -> 12/1-12, 24-35 -> 13/..,
// 36-47 -> 14/.., 48-55 -> 15/1-8, 56-57 -> 16/1-2, 58-63 -> 17/1-6, 64-77 -> 18/1-14,
// 78-84 -> 19/1-7, 85-88 -> 20/1-4, 89-103 -> 21/1-15 (89 the effect type).
//
// nrpnParameter(msb, lsb): the parameter number j whose NrpnMap entry is (msb, lsb), or -1.
// sendParameterIfChanged(j, msb, lsb): the wire value of parameter j is ProgramValues[j]
//   shifted by min(ParameterMin[j], 0) (so a negative minimum goes out as 0); when it differs
//   from the wire value last sent (LastSentValues[j]) it is sent as NRPN (msb, lsb) and kept.
// sendChangedParameters(): the same for parameters 0..103 in order (those the panel has).
// sendChangesInEditBracket(): edit-begin, sendChangedParameters(), edit-end: how a whole
//   program reaches the unit (start-up, a load, an undo, a resend).
#pragma once

#include <array>
#include <cstdint>

struct NrpnNumber {
    uint8_t msb, lsb;
};

extern const std::array<NrpnNumber, 104> NrpnMap;

int nrpnParameter(int msb, int lsb);

void sendParameterIfChanged(int index, int msb, int lsb);
void sendChangedParameters();
void sendChangesInEditBracket();
