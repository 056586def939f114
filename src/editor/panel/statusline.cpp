#include "editor/panel/statusline.h"

#include <algorithm>

#include "editor/declaration/declaration.h"
#include "editor/panel/palette.h"
#include "editor/panel/potedit.h"
#include "editor/panel/potinput.h"
#include "editor/panel/text.h"
#include "editor/program/history.h"
#include "editor/program/morph.h"
#include "editor/program/program.h"
#include "platform/announce.h"
#include "platform/canvas.h"
#include "platform/clock.h"
#include "platform/events.h"
#include "platform/input.h"
#include "platform/window.h"

std::string StatusResult;
uint32_t StatusResultAt = 0;
std::string StatusLeft, StatusMiddle;
std::array<std::string, 3> StatusShown;

namespace {

constexpr int CharWidth = 8;   // the large font's cell
constexpr int Margin = 6;      // pixels left and right of the texts
constexpr int TextRow = 10;    // the large font's y (its top row at y - 6) below the strip's top
constexpr int PartGap = 2;     // characters kept free between two parts

// The pot's texts as the editor names it, or its number when it has none.
std::string potName(int j) {
    const std::string text = parameterText(j);
    return text.empty() ? "Parameter " + std::to_string(j + 1) : text;
}

// A value as its pot shows it: clamped into the pot's range.
int shownValue(const std::vector<int16_t>& values, int j) {
    int f = 0, p = 0;
    const int v = values[static_cast<size_t>(j)];
    if (!parameterPot(j, f, p) || PotMin[f][p] > PotMax[f][p]) return v;
    return std::clamp(v, int(PotMin[f][p]), int(PotMax[f][p]));
}

// `text` cut to at most `chars` characters, the cut marked with "..".
std::string fitted(const std::string& text, int chars) {
    if (chars <= 0) return {};
    if (static_cast<int>(text.size()) <= chars) return text;
    if (chars <= 2) return text.substr(0, static_cast<size_t>(chars));
    return text.substr(0, static_cast<size_t>(chars - 2)) + "..";
}

void drawStrip(const std::array<std::string, 3>& parts) {
    StatusShown = parts;
    Canvas& canvas = mainCanvas();
    const int top = WindowHeight;
    if (top < 0 || canvas.height() < top + StatusStripHeight) return;
    const int width = canvas.width();
    canvas.fillBox(0, top, width, StatusStripHeight, ColourBlack);
    canvas.line(0, top, width - 1, top, 1, ColourGrey150);
    const int y = top + TextRow;

    // The right part keeps what it needs up to half the width, the left part up to the rest;
    // the middle is centred when it fits between them, else it follows the left part.
    const int columns = std::max(0, (width - 2 * Margin) / CharWidth);
    const std::string right = fitted(parts[2], columns / 2);
    const int leftRoom = columns - static_cast<int>(right.size()) - (right.empty() ? 0 : PartGap);
    const std::string left = fitted(parts[0], leftRoom);
    drawLargeText(Margin, y, ColourWhite, ColourBlack, left);
    if (!right.empty()) {
        drawLargeText(width - Margin - CharWidth * static_cast<int>(right.size()), y, ColourWhite, ColourBlack, right);
    }
    const int freeFrom = Margin + CharWidth * (static_cast<int>(left.size()) + PartGap);
    const int freeTo = width - Margin - CharWidth * (static_cast<int>(right.size()) + (right.empty() ? 0 : PartGap));
    const std::string middle = fitted(parts[1], (freeTo - freeFrom) / CharWidth);
    if (middle.empty()) return;
    const int middleWidth = CharWidth * static_cast<int>(middle.size());
    const int x = std::clamp((width - middleWidth) / 2, freeFrom, std::max(freeFrom, freeTo - middleWidth));
    // The mode stands out: it changes what a click on the panel does.
    canvas.fillBox(x - 4, top + 2, middleWidth + 8, StatusStripHeight - 3, ColourDarkRed);
    drawLargeText(x, y, ColourWhite, ColourDarkRed, middle);
}

std::array<std::string, 3> currentParts() { return {statusLeftText(), statusMiddleText(), statusRightText()}; }

}  // namespace

void resetStatusLineState() {
    StatusResult.clear();
    StatusResultAt = 0;
    StatusLeft.clear();
    StatusMiddle.clear();
    StatusShown = {};
}

void showStatusResult(const std::string& text) {
    StatusResult = text;
    StatusResultAt = tickCount();
    wakeAfter(StatusResultMs);
}

bool programEdited() {
    if (Comparing) return false;  // the panel shows the reference itself
    const std::vector<int16_t>& reference = CompareReference.values;
    if (reference.size() != ProgramValues.size() || CompareReference.effectType != CurrentEffectType) return true;
    for (int j = 0; j < static_cast<int>(ProgramValues.size()); ++j) {
        if (shownValue(ProgramValues, j) != shownValue(reference, j)) return true;
    }
    return false;
}

std::string statusLeftText() {
    return (CurrentProgramName.empty() ? std::string("(no name)") : CurrentProgramName) +
           (programEdited() ? " (edited)" : "");
}

std::string statusMiddleText() {
    if (Learning) return LearnTarget < 0 ? "MIDI Learn: click a pot" : "MIDI Learn: move a control for " + potName(LearnTarget);
    if (LockingParameters) return "Lock Parameters";
    if (Morphing) return "Morph " + std::to_string(MorphPosition);
    if (Comparing) return "Compare";
    return {};
}

std::string statusRightText() {
    std::string text;
    if (!StatusResult.empty() && tickSince(tickCount(), StatusResultAt) < StatusResultMs) text = StatusResult;
    int x = 0, y = 0, j = 0;
    mousePosition(x, y);
    if (potAt(x, y, j) && j < static_cast<int>(ProgramValues.size())) {
        const std::string hover = potName(j) + " = " + std::to_string(ProgramValues[static_cast<size_t>(j)]);
        text = text.empty() ? hover : text + "   " + hover;
    }
    return text;
}

std::string countText(int n, const std::string& noun) { return std::to_string(n) + " " + noun + (n == 1 ? "" : "s"); }

void startStatusLine() {
    StatusLeft = statusLeftText();
    StatusMiddle = statusMiddleText();
}

bool updateStatusLine() {
    // A result that has had its time is forgotten, so it never comes back when the tick wraps.
    if (!StatusResult.empty() && tickSince(tickCount(), StatusResultAt) >= StatusResultMs) StatusResult.clear();
    const std::array<std::string, 3> parts = currentParts();
    if (parts[0] != StatusLeft || parts[1] != StatusMiddle) {
        StatusLeft = parts[0];
        StatusMiddle = parts[1];
        announce(Announcement::StatusChanged, {StatusLeft, StatusMiddle});
    }
    if (parts == StatusShown) return false;
    drawStrip(parts);
    return true;
}

void drawStatusLine() { drawStrip(currentParts()); }
