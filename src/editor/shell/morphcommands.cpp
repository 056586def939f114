#include "editor/shell/morphcommands.h"

#include "editor/panel/morphing.h"
#include "editor/program/history.h"
#include "editor/program/morph.h"
#include "platform/window.h"

void morphCommand() {
    if (Morphing) {
        endMorph();
    } else {
        startMorph();  // greyed: nothing
    }
}

bool canMorph() { return Morphing || morphChangesSomething(currentState(), CompareReference); }

bool morphing() { return Morphing; }

bool serveMorphKey(const Event& e) {
    if (e.kind != EventKind::Key || !e.ctrl || (e.key != KeyRight && e.key != KeyLeft)) return false;
    const int step = e.shift ? 1 : MorphKeyStep;
    moveMorphTo(MorphPosition + (e.key == KeyRight ? step : -step));  // Morph off, or at the end: nothing
    return true;
}

void updateMorphItem() { enableMenuItem(CommandMorph, canMorph()); }
