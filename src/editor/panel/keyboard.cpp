#include "editor/panel/keyboard.h"

#include "editor/declaration/declaration.h"
#include "editor/panel/palette.h"
#include "platform/window.h"
#include "shared/midi/nrpn.h"

int16_t KeyboardLeft = 10, KeyboardBottom = 0, WhiteKeyWidth = 23, WhiteKeyHeight = 90, KeyboardOctaves = 3,
        WhiteKeyCount = 23, BlackKeyWidth = 14, BlackKeyHeight = 60, KeyboardLowestNote = 24;
int16_t SoundingNote = 0;

namespace {

constexpr int OctaveWidth = 7 * 23;

struct BlackKey {
    int offset, semitone;
};
// Left edges within an octave: 0.7, 1.8, 3.7, 4.75 and 5.85 white keys, rounded.
constexpr BlackKey BlackKeys[5] = {{16, 1}, {41, 3}, {85, 6}, {109, 8}, {135, 10}};

void noteOff() {
    if (SoundingNote == 0) return;
    sendShortMessage(0x80, SoundingNote, 0);
    SoundingNote = 0;
}

}  // namespace

void resetKeyboardState() {
    initKeyboard();
    KeyboardBottom = 0;
}

void initKeyboard() {
    KeyboardLeft = 10;
    KeyboardBottom = static_cast<int16_t>(WindowHeight - 50);
    WhiteKeyWidth = 23;
    WhiteKeyHeight = 90;
    KeyboardOctaves = 3;
    WhiteKeyCount = static_cast<int16_t>(7 * KeyboardOctaves + 2);
    BlackKeyWidth = 14;
    BlackKeyHeight = 60;
    KeyboardLowestNote = 24;
    SoundingNote = 0;
}

void drawKeyboard() {
    Canvas& canvas = mainCanvas();
    const int top = KeyboardBottom - WhiteKeyHeight;
    canvas.fillBox(KeyboardLeft, top, WhiteKeyWidth * WhiteKeyCount, WhiteKeyHeight, ColourWhite);
    for (int i = 0; i < WhiteKeyCount; ++i) {
        canvas.rectangle(KeyboardLeft + WhiteKeyWidth * i, top, WhiteKeyWidth, WhiteKeyHeight, 1, ColourBlack);
    }
    for (int o = 0; o < KeyboardOctaves; ++o) {
        for (const BlackKey& key : BlackKeys) {
            canvas.fillBox(KeyboardLeft + OctaveWidth * o + key.offset, top, BlackKeyWidth, BlackKeyHeight, ColourBlack);
        }
    }
}

void handleKeyboardMouse(int x, int y, int buttons, int /*previousButtons*/) {
    int note = -1;
    const int top = KeyboardBottom - WhiteKeyHeight;
    if (buttons == 1 && x > KeyboardLeft + 1 && x < KeyboardLeft + WhiteKeyWidth * WhiteKeyCount - 2 && y > top &&
        y < KeyboardBottom) {
        const int k = (x - KeyboardLeft) / WhiteKeyWidth;
        const int octave = k / 7;
        int semitone = 2 * (k - 7 * octave);
        if (semitone > 4) semitone -= 1;
        if (y < top + BlackKeyHeight) {
            const int xo = (x - KeyboardLeft) % OctaveWidth;
            for (const BlackKey& key : BlackKeys) {
                if (key.offset <= xo && xo <= key.offset + BlackKeyWidth) semitone = key.semitone;
            }
        }
        note = KeyboardLowestNote + 12 * octave + semitone;
    }
    if (note > 0 && note != SoundingNote) {
        noteOff();
        SoundingNote = static_cast<int16_t>(note);
        sendShortMessage(0x90, note, 100);
    }
    // All buttons up: the note ends, whatever was held before (a note sounding when the right
    // button joined the left would otherwise hang until the keyboard is played again).
    if (buttons == 0) noteOff();
}

void silenceKeyboard() { noteOff(); }
