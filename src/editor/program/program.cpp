#include "editor/program/program.h"

#include <algorithm>
#include <cstdio>

#include "editor/declaration/declaration.h"

std::vector<int16_t> ProgramValues;
std::vector<int16_t> ParameterMin;
std::vector<int16_t> LastSentValues;
uint8_t CurrentEffectType = NoEffectType;
int16_t EffectStore[EffectStoreSize] = {};
std::string CurrentProgramName;

namespace {

bool haveEffectParameters() {
    return static_cast<int>(ProgramValues.size()) >= FirstEffectParameter + EffectParameterCount;
}

bool hasStoreRow(int type) { return haveEffectParameters() && type >= 0 && type < EffectTypeCount; }

}  // namespace

void resetProgramState() {
    ProgramValues.clear();
    ParameterMin.clear();
    LastSentValues.clear();
    CurrentEffectType = NoEffectType;
    std::fill(std::begin(EffectStore), std::end(EffectStore), 0);
    CurrentProgramName.clear();
}

void startDeclaredProgram() {
    ProgramValues.assign(ParameterCount, 0);
    ParameterMin.assign(ParameterCount, 0);
    LastSentValues.assign(ParameterCount, NeverSent);
    int s = 0;
    for (int f = 0; f < FieldCount; ++f) {
        for (int k = 0; k < FieldPotCount[f] && s < ParameterCount; ++k, ++s) {
            ProgramValues[s] = PotDefault[f][k];
            ParameterMin[s] = PotMin[f][k];
        }
    }
}

void saveEffectParameters(int type) {
    if (!hasStoreRow(type)) return;
    for (int k = 0; k < EffectParameterCount; ++k) EffectStore[type * 14 + k] = ProgramValues[FirstEffectParameter + k];
}

void recallEffectParameters(int type) {
    if (!hasStoreRow(type)) return;
    for (int k = 0; k < EffectParameterCount; ++k) ProgramValues[FirstEffectParameter + k] = EffectStore[type * 14 + k];
}

void clampProgramToPots() {
    int j = 0;
    for (int f = 0; f < FieldCount; ++f) {
        for (int p = 0; p < FieldPotCount[f] && j < static_cast<int>(ProgramValues.size()); ++p, ++j) {
            int16_t& v = ProgramValues[j];
            if (v > PotMax[f][p]) v = PotMax[f][p];
            if (v < PotMin[f][p]) v = PotMin[f][p];
        }
    }
}

bool setParameterValue(int index, int16_t value) {
    if (index < 0 || index >= static_cast<int>(ProgramValues.size())) return false;
    if (ProgramValues[index] == value) return false;
    ProgramValues[index] = value;
    return true;
}

std::string locationText(int location) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", location);
    return text;
}

int64_t roundedQuotient(int64_t num, int64_t den) {
    int64_t q = num / den, r = num % den;
    if (r < 0) {  // toward minus infinity, so 0 <= r < den
        --q;
        r += den;
    }
    if (2 * r > den || (2 * r == den && q % 2 != 0)) ++q;
    return q;
}

ProgramSnapshot captureProgram(const std::string& name) {
    ProgramSnapshot s;
    s.values = ProgramValues;
    s.effectType = CurrentEffectType;
    std::copy(std::begin(EffectStore), std::end(EffectStore), s.effectStore.begin());
    s.name = name;
    return s;
}

void restoreProgram(const ProgramSnapshot& snapshot) {
    ProgramValues = snapshot.values;
    CurrentProgramName = snapshot.name;
    CurrentEffectType = snapshot.effectType;
    std::copy(snapshot.effectStore.begin(), snapshot.effectStore.end(), std::begin(EffectStore));
}
