// program.h - the program being edited: the value of every parameter, each parameter's
// minimum (for the effect parameters: of the current effect type), the value last sent to
// the unit, the current effect type and the effect values remembered per type. Every edit
// of the editor (a pot, a file, a start-up) changes the program through this layer; the
// layers above it draw it, send it and store it.
//
// Globals (indexed by parameter number, 0..ParameterCount-1):
//   ProgramValues      the current program
//   ParameterMin       each parameter's minimum (effect parameters: of the current type)
//   LastSentValues     the wire value last sent to the unit (the value shifted by a negative
//                      minimum; NeverSent: never sent)
//   CurrentEffectType  the type whose tables are loaded; NoEffectType before the first load
//   EffectStore        4 rows of 14 (element t*14 + k: effect parameter k of type t), kept in
//                      the configuration file. Room for 57 elements; 0..55 are used.
//   CurrentProgramName the name the program goes by (its file's name without folder and
//                      extension; empty: none), shown in the caption
//
// startDeclaredProgram(): after the declaration was loaded: every parameter at its pot's
//   declared default, the minima from the declaration, nothing sent yet.
// saveEffectParameters(t) / recallEffectParameters(t): copy ProgramValues[90..103] into row t
//   of the store / back; a type outside 0..3 (NoEffectType before the first load) has no row
//   and nothing happens.
// clampProgramToPots(): every parameter into its pot's range (what a full panel draw stores).
// setParameterValue(j, v): stores v as parameter j's value; false (nothing stored) when j is
//   not a parameter or the value is already v.
// ProgramSnapshot / captureProgram(name) / restoreProgram(s): the whole program state (the
//   values, the effect type, the effect store) with the name it goes by, taken and put back
//   as it is; putting back does not load effect tables or send anything (the layers above
//   do that when they apply a state).
// locationText(n): a location of the unit's memory (1..99) as the editor shows it, in two
//   digits ("07").
// roundedQuotient(num, den): num / den rounded to the nearest integer, halves to even
//   (den > 0), exactly: the one rounding rule of every computed pot value.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

constexpr int EffectTypeCount = 4;
constexpr uint8_t NoEffectType = 255;
constexpr int EffectStoreSize = 57;
constexpr int16_t NeverSent = -100;

extern std::vector<int16_t> ProgramValues;   // the current program
extern std::vector<int16_t> ParameterMin;    // each parameter's minimum (effect: of the current type)
extern std::vector<int16_t> LastSentValues;  // the wire value last sent (NeverSent: never)
extern uint8_t CurrentEffectType;            // the type whose tables are loaded
extern int16_t EffectStore[EffectStoreSize]; // effect values per type, row t at t*14
extern std::string CurrentProgramName;       // the program's name, shown in the caption

void resetProgramState();
void startDeclaredProgram();
void saveEffectParameters(int type);
void recallEffectParameters(int type);
void clampProgramToPots();
bool setParameterValue(int index, int16_t value);
int64_t roundedQuotient(int64_t num, int64_t den);
std::string locationText(int location);

struct ProgramSnapshot {
    std::vector<int16_t> values;
    uint8_t effectType = NoEffectType;
    std::array<int16_t, EffectStoreSize> effectStore{};
    std::string name;

    bool operator==(const ProgramSnapshot& other) const {
        return values == other.values && effectType == other.effectType && effectStore == other.effectStore &&
               name == other.name;
    }
};

ProgramSnapshot captureProgram(const std::string& name);
void restoreProgram(const ProgramSnapshot& snapshot);
