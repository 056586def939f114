#include "editor/panel/keyboard.h"

#include "editor/declaration/declaration.h"
#include "editor/panel/palette.h"
#include "platform/events.h"
#include "platform/toolwindow.h"
#include "platform/window.h"
#include "shared/midi/nrpn.h"

int16_t KeyboardLeft = 10, KeyboardBottom = 0, WhiteKeyWidth = 23, WhiteKeyHeight = 90, KeyboardOctaves = 3,
        WhiteKeyCount = 23, BlackKeyWidth = 14, BlackKeyHeight = 60, KeyboardLowestNote = 24;
int16_t SoundingNote = 0;
int16_t KeyNoteBase = 48;
int16_t KeyNotesDown[KeyNoteKeys];

namespace {

constexpr int OctaveWidth = 7 * 23;

struct BlackKey {
    int offset, semitone;
};
// Left edges within an octave: 0.7, 1.8, 3.7, 4.75 and 5.85 white keys, rounded.
constexpr BlackKey BlackKeys[5] = {{16, 1}, {41, 3}, {85, 6}, {109, 8}, {135, 10}};

constexpr int FirstKeyNoteBase = 48, LowestKeyNoteBase = 0, HighestKeyNoteBase = 108;

// The note keys in semitone order from KeyNoteBase: the lower row 0..12, the upper 12..24.
constexpr char NoteKeys[KeyNoteKeys + 1] = "zsxdcvgbhnjm,q2w3er5t6y7ui";

// The semitone above KeyNoteBase of a key code, -1 for a key that plays nothing.
int keyNoteSlot(int key) {
    if (key >= 'A' && key <= 'Z') key = key - 'A' + 'a';
    for (int i = 0; i < KeyNoteKeys; ++i) {
        if (NoteKeys[i] == key) return i;
    }
    return -1;
}

int semitoneOfSlot(int slot) { return slot < 13 ? slot : slot - 1; }

void keyNoteOff(int slot) {
    if (KeyNotesDown[slot] >= 0 && KeyNotesDown[slot] <= 127) sendShortMessage(0x80, KeyNotesDown[slot], 0);
    KeyNotesDown[slot] = -1;
}

void silenceKeyNotes() {
    for (int slot = 0; slot < KeyNoteKeys; ++slot) keyNoteOff(slot);
}

void noteOff() {
    if (SoundingNote == 0) return;
    sendShortMessage(0x80, SoundingNote, 0);
    SoundingNote = 0;
}

}  // namespace

void resetKeyboardState() {
    initKeyboard();
    KeyboardBottom = 0;
    KeyNoteBase = FirstKeyNoteBase;
    for (int16_t& note : KeyNotesDown) note = -1;
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

void silenceKeyboard() {
    noteOff();
    silenceKeyNotes();
}

void serveKeyNotes(const Event& e, bool playing) {
    if (!playing) {
        silenceKeyNotes();
        return;
    }
    if (e.window != MainWindowId) return;
    if (e.kind == EventKind::Key && !e.ctrl && !e.repeat && (e.key == '[' || e.key == ']')) {
        const int base = KeyNoteBase + (e.key == '[' ? -12 : 12);
        if (base >= LowestKeyNoteBase && base <= HighestKeyNoteBase) KeyNoteBase = static_cast<int16_t>(base);
        return;
    }
    const int slot = keyNoteSlot(e.key);
    if (slot < 0) return;
    if (e.kind == EventKind::KeyUp) {
        keyNoteOff(slot);
    } else if (e.kind == EventKind::Key && !e.ctrl && !e.repeat && KeyNotesDown[slot] < 0) {
        const int note = KeyNoteBase + semitoneOfSlot(slot);
        KeyNotesDown[slot] = static_cast<int16_t>(note);
        if (note <= 127) sendShortMessage(0x90, note, 100);
    }
}
