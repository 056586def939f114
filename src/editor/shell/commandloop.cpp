// The command loop: the editor's only event loop, one event per pass.
#include "editor/shell/shell.h"
#include "platform/clock.h"
#include "platform/events.h"
#include "platform/input.h"

namespace {

// A minimised window is reported at a position beyond both of these.
constexpr int MinimisedPositionLimit = 3000;

void dispatchCommand(int id) {
    if (id == CommandExit) {
        postCloseRequest();
    }
}

}  // namespace

void runCommandLoop() {
    MidiInQuietUntil = tickCount() - 200;

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
            if (e.kind == EventKind::CloseRequested) return;
            int x = 0, y = 0;
            mousePosition(x, y);
            MouseX = static_cast<int16_t>(x);
            MouseY = static_cast<int16_t>(y);
            MouseButtons = static_cast<int16_t>(mouseButtons());
            PrevMouseButtons = MouseButtons;
        }

        if (e.kind == EventKind::CloseRequested) return;
    }
}
