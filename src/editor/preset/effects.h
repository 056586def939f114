// effects.h - the effect section of a program: field 11 holds the effect type (parameter 89,
// 0..3) and 14 effect parameters (90..103) whose ranges and texts depend on the type. The
// four types' tables are built in; the editor remembers, per type, the 14 values last used
// with it (EffectStore), so switching the type back restores them.
//
// The type in force (CurrentEffectType) and the values remembered per type (EffectStore)
// belong to the program (editor/program/program.h).
//
// Globals: EffectPotMax, EffectPotMin, EffectPotTitle, EffectPotCaption: the current type's
//   table.
//
// loadEffectTables(t): makes type t current: label 21 gets its title,
//   field 11's pots 1..14 its ranges and texts, ParameterMin[90..103] its minima; a type
//   outside 0..3 is taken as the nearest valid one.
// followEffectType(): after a file has put a value into parameter 89: clamps it into 0..3,
//   makes it the current type and clamps every parameter into its pot's range, so the unit
//   never receives a value the panel cannot show.
// applyProgramValues(values): a whole program from a file or a state takes the panel's place:
//   the panel's effect values are first filed under the current type, then the values are
//   taken and the effect type followed.
// programFromWire(bytes): the values of a program whose wire bytes (one per parameter, each
//   shifted by its negative minimum, as a write request carries them) these are: the effect
//   type from its byte, then every byte un-shifted by the minimum it has with that type.
//   Nothing of the panel changes.
// parameterMinimum(i, type): the minimum parameter i has under effect type `type` (taken as
//   the nearest valid one): an effect parameter's (90..103) from that type's table, any other
//   the declared ParameterMin (0 past the table).
// parameterRanges(): every parameter's [min, max] under each effect type, for the rules of
//   editor/program/explore.h: the pots' declared ranges (the effect type's 0..3 included),
//   the effect parameters' (90..103) from each type's table.
// wireByte(value, minimum): a value as a write request carries it: shifted by its minimum when
//   that is negative, held in 0..127 (a SysEx data byte).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "editor/program/explore.h"
#include "editor/program/program.h"

struct EffectTable {
    const char* title;
    int16_t max[14];
    int16_t min[14];
    const char* titles[14];
    const char* captions[14];
};

extern const EffectTable EffectTables[EffectTypeCount];

extern int16_t EffectPotMax[15], EffectPotMin[15];
extern std::string EffectPotTitle[15], EffectPotCaption[15];

void resetEffectState();
void loadEffectTables(int type);
void followEffectType();
void applyProgramValues(const std::vector<int16_t>& values);
std::vector<int16_t> programFromWire(const std::vector<uint8_t>& bytes);
int16_t parameterMinimum(size_t i, int type);
uint8_t wireByte(int value, int minimum);
ProgramRanges parameterRanges();
