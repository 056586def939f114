#include "editor/panel/morphing.h"

#include <algorithm>

#include "editor/panel/layout.h"
#include "editor/program/morph.h"
#include "platform/announce.h"

bool startMorph() {
    if (!beginMorph()) return false;
    announce(Announcement::MorphMoved, {}, MorphPosition);
    return true;
}

bool moveMorphTo(int m) {
    if (!Morphing) return false;
    m = std::clamp(m, 0, MorphPositionMax);
    if (m == MorphPosition) return false;
    MorphPosition = m;
    applyProgramState(morphedState(MorphFrom, MorphTo, m));
    announce(Announcement::MorphMoved, {}, m);
    return true;
}
