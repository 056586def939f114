// locks.h - the parameters that Randomise, Blend and Morph never change (a user's pitch and
// level, say). The effect type is locked until the user says otherwise.
//
// LockedParameters: one flag per parameter index (0-based); an index beyond it is unlocked.
//
// parameterLocked(j): parameter j is locked.
// setParameterLocked(j, on): locks or unlocks parameter j (nothing for an index outside the
//   declaration).
// lockedParameterNumbers(): the locked parameters as 1-based numbers, ascending (what the
//   options file keeps as "lock = P P ...").
// setLockedParameterNumbers(numbers): exactly these 1-based numbers locked; numbers outside
//   1..ParameterCount are passed over.
// resetLocksState(): only the effect type locked (the default of an options file without a
//   lock line), for a program of ParameterCount parameters.
#pragma once

#include <vector>

extern std::vector<bool> LockedParameters;  // one flag per parameter index

bool parameterLocked(int index);
void setParameterLocked(int index, bool on);
std::vector<int> lockedParameterNumbers();
void setLockedParameterNumbers(const std::vector<int>& numbers);
void resetLocksState();
