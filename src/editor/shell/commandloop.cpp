// The command loop: the editor's only event loop, one event per pass.
#include <utility>
#include <vector>

#include "editor/library/librarymenu.h"
#include "editor/library/librarywindow.h"
#include "editor/panel/keyboard.h"
#include "editor/panel/layout.h"
#include "editor/panel/potedit.h"
#include "editor/panel/potinput.h"
#include "editor/panel/statusline.h"
#include "editor/preset/parameters.h"
#include "editor/shell/devices.h"
#include "editor/shell/commands.h"
#include "editor/shell/learn.h"
#include "editor/shell/midimonitor.h"
#include "editor/shell/morphcommands.h"
#include "editor/shell/zoom.h"
#include "editor/shell/shell.h"
#include "platform/announce.h"
#include "platform/events.h"
#include "platform/input.h"
#include "platform/toolwindow.h"
#include "platform/window.h"
#include "shared/midi/nrpn.h"
#include "shared/midi/devices.h"
#include "shared/midi/receive.h"

bool WindowMinimised = false;
int PointerWindow = MainWindowId;
Event HeldEvent;
bool EventHeld = false;

namespace {

// A minimised window is reported at a position beyond both of these.
constexpr int MinimisedPositionLimit = 3000;

// At most this many pending messages are taken into one pass: a source that sends faster
// than the loop can take still gets a pass (and the screen and keys theirs) now and then.
constexpr int MaxLearnedTakenPerPass = 8192;

// The newest value of each target among `moves` becomes `move`'s.
void keepNewest(std::vector<LearnedMove>& moves, const LearnedMove& move) {
    for (LearnedMove& kept : moves) {
        if (kept.parameter == move.parameter) {
            kept.value = move.value;
            return;
        }
    }
    moves.push_back(move);
}

// A bound controller's message `first`, and with `coalesce` every one pending behind it:
// each target moves once, to its newest value. The first other event ends the run and is
// held for the next pass, so everything else keeps its order.
void serveLearnedMoves(const LearnedMove& first, bool coalesce) {
    std::vector<LearnedMove> moves{first};
    Event next;
    for (int taken = 1; coalesce && taken < MaxLearnedTakenPerPass && takePendingEvent(next); ++taken) {
        LearnedMove move;
        if (!learnedMove(next, move)) {
            HeldEvent = std::move(next);
            EventHeld = true;
            break;
        }
        keepNewest(moves, move);
    }
    for (const LearnedMove& move : moves) applyLearnedMove(move);
}

}  // namespace

void resetCommandLoopState() {
    WindowMinimised = false;
    PointerWindow = MainWindowId;
    HeldEvent = Event{};
    EventHeld = false;
}

void startCommandLoop() {
    announce(Announcement::LoopStarted, {});
    startStatusLine();
    // Nothing is held back (a device switch or a dialog later holds the input 100 ms to keep
    // back what their reopening shakes loose).
    releaseMidiInput();
    pollPots();

    // Drop MIDI input that queued up during start-up, up to and including the first other
    // event: none of it is dispatched or passed through.
    Event drained;
    while (takePendingEvent(drained)) {
        if (!isMidiInputEvent(drained)) break;
    }
}

Event nextCommandLoopEvent() {
    if (!EventHeld) return takeEvent();
    EventHeld = false;
    return std::move(HeldEvent);
}

bool commandLoopPass(const Event& e, bool coalesceLearned) {
    const bool closing = e.kind == EventKind::CloseRequested;

    if (e.kind == EventKind::WindowMoved && e.x > MinimisedPositionLimit && e.y > MinimisedPositionLimit) {
        WindowMinimised = true;
    } else if (e.kind == EventKind::WindowRestored) {
        WindowMinimised = false;
    }

    if (e.kind == EventKind::MouseButton || e.kind == EventKind::Wheel) PointerWindow = e.window;
    // The live mouse is the tool window's while the pointer was last there: its ticks (a
    // button held) and every other event stay away from the panel's pot input.
    const bool forToolWindow = e.window != MainWindowId || e.kind == EventKind::ToolWindowHidden ||
                               e.kind == EventKind::WindowActivated ||
                               (e.kind == EventKind::Tick && PointerWindow != MainWindowId);
    if (forToolWindow) {
        // The library window takes its own keys; the menu's Ctrl keys work from it too.
        const int id = e.kind == EventKind::Key && e.ctrl ? commandForKey(e) : 0;
        if (id != 0) {
            dispatchCommand(id);
        } else {
            serveLibraryWindow(e);
        }
    } else if (!WindowMinimised) {
        if (e.kind == EventKind::Command) dispatchCommand(e.command);
        if (e.kind == EventKind::Key && foregroundWindow() == StartForeground) {
            if (const int id = commandForKey(e)) {
                dispatchCommand(id);
            } else {
                serveMorphKey(e);
            }
        }
    }
    // Notes from the computer keyboard. They end in the background (or a tool window in front)
    // and after a command, whose dialog or message may have taken the keys' releases.
    serveKeyNotes(e, !WindowMinimised && foregroundWindow() == StartForeground && e.kind != EventKind::Command &&
                         commandForKey(e) == 0);
    // The display-change message comes as Other, to this pass or to a loop its command ran (a
    // transfer's reply wait, a message window, a choice): the zoom may no longer fit.
    if (takeScreenChange()) fitZoomToScreen();

    followCurrentSound();
    followMidiMonitor();
    if (!WindowMinimised) {
        if (!forToolWindow && refreshPanelIfNeeded(e) && PointerWindow == MainWindowId) {
            if (closing) return false;
            servePotInput(e);
        }
        presentMainWindow();  // a row the library window loaded is on the panel too
    }
    // After the pass's command, so that a change a transfer's reply wait took is acted on
    // as soon as the transfer has ended; also while minimised.
    handleDevicesChanged();

    // A system-exclusive message that no reply wait asked for is dropped here; takeEvent has
    // already queued the receive buffer again, so the next reply wait is not deaf.

    // Soft MIDI thru, also while minimised or behind another window; what a binding applies or
    // learning binds is a control surface's, not passed through.
    LearnedMove move;
    if (learnedMove(e, move)) {
        serveLearnedMoves(move, coalesceLearned);
    } else if (!(isMidiInputEvent(e) && serveLearnedControl(e)) && pollMidiInput(e) && !midiInputHeld()) {
        forwardMidiInput();
    }
    if (!WindowMinimised) updateMorphItem();
    // Last, so that it says what this pass's command, pot and learned moves left behind.
    if (updateStatusLine() && !WindowMinimised) presentMainWindow();
    return !closing;
}

void runCommandLoop() {
    startCommandLoop();
    while (commandLoopPass(nextCommandLoopEvent())) {
    }
}
