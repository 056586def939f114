// The command loop: the editor's only event loop, one event per pass.
#include "editor/panel/keyboard.h"
#include "editor/panel/potedit.h"
#include "editor/preset/panel.h"
#include "editor/preset/parameters.h"
#include "editor/shell/shell.h"
#include "platform/clock.h"
#include "platform/events.h"
#include "platform/input.h"
#include "platform/window.h"
#include "shared/midi/messages.h"

namespace {

// A minimised window is reported at a position beyond both of these.
constexpr int MinimisedPositionLimit = 3000;

void dispatchCommand(int id) {
    if (id == CommandExit) {
        postCloseRequest();
    }
}

// The panel's share of a pass: the mouse goes to the pots and the keyboard, and while a
// button is held every changed parameter goes to the unit.
void servePanel() {
    int x = 0, y = 0;
    mousePosition(x, y);
    MouseX = static_cast<int16_t>(x);
    MouseY = static_cast<int16_t>(y);
    MouseButtons = static_cast<int16_t>(mouseButtons());
    if (MouseButtons != 0) {
        if (PrevMouseButtons == 0) RepeatStarted = false;
        pollPots();
    }
    handleKeyboardMouse(MouseX, MouseY, MouseButtons, PrevMouseButtons);
    if (MouseButtons != 0) sendChangedParameters();
    if (EditBracketOpen) {
        EditBracketOpen = false;
        sendEditBracket(1);
    }
    PrevMouseButtons = MouseButtons;
}

}  // namespace

void runCommandLoop() {
    MidiInQuietUntil = tickCount() - 200;
    pollPots();

    // Drop MIDI input that queued up during start-up, up to and including the first other
    // event: none of it is dispatched or passed through.
    Event drained;
    while (peekEvent(drained)) {
        if (!isMidiInputEvent(drained)) break;
    }

    for (;;) {
        CurrentEvent = waitEvent();
        const Event& e = CurrentEvent;

        if (e.kind == EventKind::WindowMoved && e.x > MinimisedPositionLimit && e.y > MinimisedPositionLimit) {
            WindowMinimised = true;
        } else if (e.kind == EventKind::WindowRestored) {
            WindowMinimised = false;
        }

        if (!WindowMinimised) {
            if (e.kind == EventKind::Command) dispatchCommand(e.command);
            if (refreshPanelIfNeeded()) {
                if (e.kind == EventKind::CloseRequested) break;
                servePanel();
            }
            presentMainWindow();
        }

        if (e.kind == EventKind::CloseRequested) break;
    }
}
