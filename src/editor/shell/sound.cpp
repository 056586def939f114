#include "editor/shell/sound.h"

#include <algorithm>

#include "editor/declaration/declaration.h"
#include "editor/panel/layout.h"
#include "editor/panel/potinput.h"
#include "editor/preset/effects.h"
#include "editor/program/explore.h"
#include "editor/program/history.h"
#include "editor/program/locks.h"
#include "editor/program/morph.h"
#include "editor/shell/settings.h"
#include "platform/textview.h"
#include "platform/window.h"

namespace {

// One change from the state shown to `next`, as a load applies it; nothing when they agree.
void applyExplored(const ProgramSnapshot& next) {
    const ProgramSnapshot before = currentState();
    if (next == before) return;
    applyProgramState(next);
    recordChange(before);
}

}  // namespace

void randomiseCommand(int percent) {
    endMorph();  // what Morph showed is one change, the randomised program the next
    applyExplored(randomisedProgram(currentState(), percent, parameterRanges(), LockedParameters));
}

void blendCommand(int percent) {
    endMorph();
    applyExplored(blendedProgram(currentState(), CompareReference, percent, parameterRanges(), LockedParameters));
}

void lockParametersCommand() {
    LockingParameters = !LockingParameters;
    checkMenuItem(CommandLockParameters, LockingParameters);
    PanelRefreshRequest = true;
    if (!LockingParameters) saveOptions(true);
}

void unlockAllCommand() {
    setLockedParameterNumbers({});
    PanelRefreshRequest = true;
    saveOptions(true);
}

std::vector<std::string> differenceLines() {
    std::vector<std::string> lines;
    lines.push_back("Compared with: " +
                    (CompareReference.name.empty() ? std::string("(start-up)") : CompareReference.name));
    const size_t n = std::min(ProgramValues.size(), CompareReference.values.size());
    for (size_t j = 0; j < n; ++j) {
        const int a = ProgramValues[j], b = CompareReference.values[j];
        if (a == b) continue;
        const std::string text = parameterText(static_cast<int>(j));
        lines.push_back(parameterNumberText(static_cast<int>(j)) + "  " + (text.empty() ? "" : text + "  ") + std::to_string(a) + " -> " +
                        std::to_string(b));
    }
    if (lines.size() == 1) lines.push_back(" No differences.");
    return lines;
}

void showDifferencesCommand() { showTextView("Differences", differenceLines()); }
