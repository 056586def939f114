#include "editor/panel/layout.h"

#include <algorithm>

#include "editor/declaration/declaration.h"
#include "editor/panel/keyboard.h"
#include "editor/panel/palette.h"
#include "editor/panel/potinput.h"
#include "editor/panel/pots.h"
#include "editor/panel/statusline.h"
#include "editor/panel/text.h"
#include "editor/declaration/identity.h"
#include "editor/preset/effects.h"
#include "editor/preset/parameters.h"
#include "editor/program/locks.h"
#include "platform/input.h"
#include "platform/window.h"
#include "shared/midi/nrpn.h"

bool PanelRefreshRequest = false;
int StartForeground = 0, LastForeground = 0, LastScreenWidth = 0, LastScreenHeight = 0;

void resetPanelState() {
    PanelRefreshRequest = false;
    StartForeground = LastForeground = LastScreenWidth = LastScreenHeight = 0;
}

void drawPanelLabel(int index) {
    if (index < 0 || index >= static_cast<int>(PanelLabels.size())) return;
    const PanelLabel& label = PanelLabels[index];
    const int n = static_cast<int>(label.text.size());
    if (label.size <= 6) {
        drawSmallText(label.x - 3 * n, label.y, ColourWhite, ColourBlue, label.text);
    } else {
        drawLargeText(label.x - 4 * n, label.y, ColourWhite, ColourBlue, label.text);
    }
}

void drawPanel() {
    clearWindow(ColourBlue);
    int j = 0;
    for (int f = 0; f < FieldCount; ++f) {
        for (int p = 0; p < FieldPotCount[f]; ++p, ++j) {
            drawPot(FieldX[f] + FieldStep[f] * p, FieldY[f], PotMin[f][p], PotMax[f][p], PotTitle[f][p],
                    PotCaption[f][p], ProgramValues[j]);
            if (LockingParameters && parameterLocked(j)) drawLockMark(FieldX[f] + FieldStep[f] * p, FieldY[f]);
        }
    }
    for (int i = 0; i < static_cast<int>(PanelLabels.size()); ++i) drawPanelLabel(i);
    Canvas& canvas = mainCanvas();
    for (const PanelLine& l : PanelLines) {
        if (l.style <= 10) {
            canvas.line(l.x1, l.y1, l.x2, l.y2, std::max<int>(l.style, 1), ColourWhite);
        } else {
            canvas.rectangle(l.x1, l.y1, l.x2, l.y2, l.style - 10, ColourWhite);
        }
    }
    drawKeyboard();
    drawStatusLine();
}

void captureWindowState() {
    StartForeground = foregroundWindow();
    LastForeground = StartForeground;
}

bool refreshPanelIfNeeded(const Event& e) {
    bool needed = false;
    if (PanelRefreshRequest) {
        needed = true;
        PanelRefreshRequest = false;
    }
    if (e.kind == EventKind::Repaint) needed = true;
    int width = 0, height = 0;
    screenSize(width, height);
    if (width != LastScreenWidth || height != LastScreenHeight) needed = true;
    LastScreenWidth = width;
    LastScreenHeight = height;
    const int front = foregroundWindow();
    if (front != LastForeground) needed = true;
    LastForeground = front;
    if (needed) drawPanel();
    return front == StartForeground;
}

void drawEffectField() {
    if (FieldCount <= EffectField) return;
    const int f = EffectField;
    for (int p = 1; p < FieldPotCount[f]; ++p) {
        const int j = EffectTypeParameter + p;
        if (j >= static_cast<int>(ProgramValues.size())) break;
        drawPot(FieldX[f] + FieldStep[f] * p, FieldY[f], PotMin[f][p], PotMax[f][p], PotTitle[f][p], PotCaption[f][p],
                ProgramValues[j]);
        if (LockingParameters && parameterLocked(j)) drawLockMark(FieldX[f] + FieldStep[f] * p, FieldY[f]);
    }
    drawPanelLabel(EffectTitleLabel);
}

void selectEffectType(int type) {
    saveEffectParameters(CurrentEffectType);
    CurrentEffectType = static_cast<uint8_t>(std::clamp(type, 0, EffectTypeCount - 1));
    loadEffectTables(CurrentEffectType);
    recallEffectParameters(CurrentEffectType);
    drawEffectField();
    EditBracketOpen = true;
    sendEditBracket(0);
}

void showProgramInCaption(const std::string& name) {
    setMainWindowCaption(name.empty() ? WindowCaption : WindowCaption + "    Program: " + name);
}

void sendLoadedProgram() {
    PanelRefreshRequest = true;
    sendChangesInEditBracket();
}

void restoreProgramState(const ProgramSnapshot& state) {
    restoreProgram(state);
    loadEffectTables(CurrentEffectType);
}

void applyProgramState(const ProgramSnapshot& state) {
    restoreProgramState(state);
    showProgramInCaption(CurrentProgramName);
    sendLoadedProgram();
}
