// effects.h - the effect section of a program: field 11 holds the effect type (parameter 89,
// 0..3) and 14 effect parameters (90..103) whose ranges and texts depend on the type. The
// four types' tables are built in; the editor remembers, per type, the 14 values last used
// with it (EffectStore), so switching the type back restores them.
//
// Globals:
//   CurrentEffectType  the type whose tables are loaded; 255 before the first load.
//   EffectStore        4 rows of 14 (element t*14 + k: effect parameter k of type t), kept
//                      in the configuration file. Room for 57 elements; 0..55 are used.
//   EffectPotMax, EffectPotMin, EffectPotTitle, EffectPotCaption: the current type's table.
//
// saveEffectParameters(t) / recallEffectParameters(t): copy ProgramValues[90..103] into row t
//   of the store / back; a type outside 0..3 (255 before the first load) has no row and
//   nothing happens. loadEffectTables(t): makes type t current: label 21 gets its title,
//   field 11's pots 1..14 its ranges and texts, ParameterMin[90..103] its minima; a type
//   outside 0..3 is taken as the nearest valid one.
// followEffectType(): after a file has put a value into parameter 89: clamps it into 0..3,
//   makes it the current type and clamps every parameter into its pot's range, so the unit
//   never receives a value the panel cannot show.
#pragma once

#include <cstdint>
#include <string>

constexpr int EffectTypeCount = 4;
constexpr uint8_t NoEffectType = 255;

struct EffectTable {
    const char* title;
    int16_t max[14];
    int16_t min[14];
    const char* titles[14];
    const char* captions[14];
};

extern const EffectTable EffectTables[EffectTypeCount];

extern uint8_t CurrentEffectType;
extern int16_t EffectStore[57];
extern int16_t EffectPotMax[15], EffectPotMin[15];
extern std::string EffectPotTitle[15], EffectPotCaption[15];

void resetEffectState();
void saveEffectParameters(int type);
void recallEffectParameters(int type);
void loadEffectTables(int type);
void followEffectType();
// Clamps every parameter into its pot's range (what a full panel draw would store).
void clampProgramToPots();
