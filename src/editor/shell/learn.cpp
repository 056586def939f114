#include "editor/shell/learn.h"

// Not built yet.
void resetLearnState() {}
bool dispatchLearnCommand(int) { return false; }
bool takeLearnClick() { return false; }
bool takeLearnedControl(const Event&) { return false; }
