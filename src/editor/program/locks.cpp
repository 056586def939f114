#include "editor/program/locks.h"

#include "editor/declaration/declaration.h"

std::vector<bool> LockedParameters;

void resetLocksState() {
    LockedParameters.assign(EffectTypeParameter + 1, false);
    LockedParameters[EffectTypeParameter] = true;
}

bool parameterLocked(int index) {
    return index >= 0 && index < static_cast<int>(LockedParameters.size()) && LockedParameters[static_cast<size_t>(index)];
}

void setParameterLocked(int index, bool on) {
    if (index < 0 || index >= ParameterCount) return;
    if (index >= static_cast<int>(LockedParameters.size())) LockedParameters.resize(static_cast<size_t>(index) + 1, false);
    LockedParameters[static_cast<size_t>(index)] = on;
}

std::vector<int> lockedParameterNumbers() {
    std::vector<int> numbers;
    for (size_t j = 0; j < LockedParameters.size(); ++j) {
        if (LockedParameters[j]) numbers.push_back(static_cast<int>(j) + 1);
    }
    return numbers;
}

void setLockedParameterNumbers(const std::vector<int>& numbers) {
    LockedParameters.assign(static_cast<size_t>(ParameterCount > 0 ? ParameterCount : 0), false);
    for (int number : numbers) setParameterLocked(number - 1, true);
}
