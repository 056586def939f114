#include "editor/preset/parameters.h"

#include <algorithm>
#include <array>

#include "editor/declaration/declaration.h"
#include "editor/program/program.h"
#include "shared/midi/nrpn.h"

namespace {

struct Group {
    int first, count, msb;
};

// The unit's parameter groups, in parameter order.
constexpr Group Groups[] = {{0, 12, 11},  {12, 12, 12}, {24, 12, 13}, {36, 12, 14}, {48, 8, 15}, {56, 2, 16},
                            {58, 6, 17},  {64, 14, 18}, {78, 7, 19},  {85, 4, 20},  {89, 15, 21}};

constexpr std::array<NrpnNumber, 104> buildNrpnMap() {
    std::array<NrpnNumber, 104> map{};
    for (const Group& g : Groups) {
        for (int i = 0; i < g.count; ++i) map[g.first + i] = {uint8_t(g.msb), uint8_t(i + 1)};
    }
    return map;
}

}  // namespace

const std::array<NrpnNumber, 104> NrpnMap = buildNrpnMap();

int nrpnParameter(int msb, int lsb) {
    for (const Group& g : Groups) {
        if (msb == g.msb) return lsb >= 1 && lsb <= g.count ? g.first + lsb - 1 : -1;
    }
    return -1;
}

void sendParameterIfChanged(int index, int msb, int lsb) {
    if (index < 0 || index >= static_cast<int>(ProgramValues.size())) return;
    // What counts is the value on the wire: when the effect type changes, a parameter's
    // minimum (and so its shift) can change while its value stays, and the unit must still
    // hear the new wire value.
    const int wire = ProgramValues[index] - std::min<int>(ParameterMin[index], 0);
    if (wire == LastSentValues[index]) return;
    sendNrpn(msb, lsb, wire);
    LastSentValues[index] = static_cast<int16_t>(wire);
}

void sendChangedParameters() {
    for (int j = 0; j < 104; ++j) sendParameterIfChanged(j, NrpnMap[j].msb, NrpnMap[j].lsb);
}

void sendChangesInEditBracket() {
    sendEditBracket(0);
    sendChangedParameters();
    sendEditBracket(1);
}
