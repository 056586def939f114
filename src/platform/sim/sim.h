// sim.h - control of the headless backend, for the scenario runner (ktsim) and the tests.
//
// The simulated machine has a virtual clock that starts at 0 and moves only when the program
// waits (sleepMilliseconds, waitEvent, waitEventFor) or the runner advances it. Happenings are
// scheduled on a timeline at virtual times; when the clock reaches a happening's time it is
// applied: it may change the live state (mouse, foreground, screen) and queue events, which
// the program then takes in order. The same timeline carries the simulated unit's replies.
//
// What the program does that a user or the unit would notice is written as transcript lines
// "<virtual ms> <kind> <payload>" to the stream set with setTranscript, each flushed as it is
// written, so a run that is killed keeps every line up to that moment. quote() writes a
// string in double quotes with \" and \\, and its control characters as \t, \n, \r or \xHH, so
// one line is always one transcript line; the script reader takes the same escapes.
//
// Termination: when the timeline is empty and the script's end time has passed, a blocking
// waitEvent delivers CloseRequested, so every run ends; if a message window or a choice is
// waiting then, the run ends with a "stuck" line instead. endProgram() and a stuck run throw
// sim::ProgramEnded, which the runner catches. A run that goes on far beyond its script
// (a program waiting in a loop that no event ends) is also ended as stuck.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/events.h"

class Canvas;

namespace unit {
struct State;
}

namespace sim {

// Thrown where the simulated program ends (endProgram, stuck runs).
struct ProgramEnded {
    std::string reason;
};

// A fresh machine: clock 0, nothing scheduled, default devices, home folder `home`
// (the path-file folder is home/Qrdxpath, the current directory is home).
void reset(const std::string& home);
const std::string& home();

void setTranscript(std::ostream* out);
// Leaves out every transcript line before the program's command loop starts (its start-up
// stream); "stuck" and "exit" lines are written all the same.
void setTranscriptFromLoop(bool on);
void transcript(const std::string& kind, const std::string& payload);
std::string quote(const std::string& text);
std::string hexBytes(const uint8_t* bytes, size_t length);

// The timeline. Script times are milliseconds counted in 64 bits (they never wrap; the
// transcript shows them); the clock itself counts microseconds, so MIDI wire time is exact.
// The programs see only the low 32 bits of now() (tickCount), which wrap like the system's tick.
uint64_t now();
uint64_t nowUs();
void schedule(uint64_t at, std::function<void()> happening);
void scheduleUs(uint64_t atUs, std::function<void()> happening);
void scheduleEvent(uint64_t at, const Event& e);
void setScriptEnd(uint64_t at);
// Moves the clock to `atUs`, applying every happening due on the way.
void advanceToUs(uint64_t atUs);
// Queues an event for the program now (used by happenings).
void queueEvent(const Event& e);

// Live state, changed by happenings. The mouse, wheel and key happenings go to the window
// called `window`: "" or "main" the main window, else the tool window of that name (the name
// the program gave openToolWindow). Their events carry that window's number; happenings for a
// tool window that is not shown (or not yet opened) are dropped, as a window system delivers
// nothing to a window that is not on the screen. The live mouse state is in the coordinates
// of the window the last mouse happening went to.
// setMouse also queues a MouseButton event; `shift`: a Shift key is held from now until the
// next setMouse (the live shiftHeld() of platform/input.h).
void setMouse(int x, int y, int buttons, bool shift = false, const std::string& window = "");
// A left double click at (x, y): press, release, a second press flagged as a double click,
// release; the live mouse state follows each step as the program takes it.
void doubleClick(int x, int y, const std::string& window = "");
// The mouse moves to (x, y) and the wheel turns `notches` (> 0: away from the user).
void wheel(int x, int y, int notches, bool shift, const std::string& window = "");
// A key press or release (e.kind Key or KeyUp, e.key, e.ctrl, e.shift, e.repeat) for that window.
void keyPress(Event e, const std::string& window = "");
// Positions given to setMouse, doubleClick and wheel are the window's client coordinates on
// the screen: at a zoom other than 100 % they are scaled back to Canvas coordinates.
// The user chooses a menu item (nothing happens when it is greyed out).
void menuCommand(int commandId);
void setForeground(int window);
// The screen's size; with `tell` the program gets the display-change message (Other).
void setScreen(int width, int height, bool tell = true);
// The screen's dots per inch (96 unless set).
void setScreenDpi(int dpi);
// What randomSeed() returns (1 unless set).
void setRandomSeed(uint64_t seed);

// Dialog answers, taken in order by the file and folder dialogs and the text input (none
// queued: cancelled). A text answer given to a file or folder dialog cancels it, and a file or
// folder answer given to the text input cancels that.
void queueDialogAnswer(const DialogAnswer& answer);
void queueTextAnswer(const std::string& text);

// MIDI devices of the machine.
// The devices present when the program starts. The unit's cables go to the ports named
// "KT MIDI Out" / "KT MIDI In", or to the first port of a list without that name.
void setMidiOutDevices(const std::vector<std::string>& names);
void setMidiInDevices(const std::vector<std::string>& names);
// A port plugged in or out while the program runs: the list changes now, a "midi devices"
// transcript line shows it and the program gets DevicesChanged. An open device whose port is
// still listed stays connected (under its index in the new list); one whose port went is
// dead: nothing it sends arrives anywhere and nothing comes in on it, also when a port of
// that name comes back, until the program closes it and opens it again.
void changeMidiDevices(bool output, const std::vector<std::string>& names);
void setMidiOpenFailure(bool output, int k, const std::string& systemText);
// Bytes arriving at the MIDI input from outside (a short message, or a whole SysEx).
void midiArrives(const std::vector<uint8_t>& bytes);
// Bytes arriving at the controller input (while it is open and started): a short message
// becomes a MidiShort event from the controller; system-exclusive data is dropped.
void ctlMidiArrives(const std::vector<uint8_t>& bytes);
// Where the programs' MIDI output goes besides the transcript and the unit (tests).
using MidiSink = std::function<void(const uint8_t* bytes, size_t length)>;
void setMidiOutSink(MidiSink sink);

// The simulated unit, wired to output device 0 (and the mapper) and input device 0. Short
// messages reach it at once. With wire speed on (the default), a SysEx message takes MIDI's
// 3125 bytes per second on the cable: the send returns when its last byte has left, the unit
// takes it then, and each reply arrives when its last byte has come back, one message after
// the other on each cable.
unit::State& theUnit();
void setWireSpeed(bool on);
bool wireSpeed();
// A platform that reports a SysEx send done only `ms` after its last byte left (a driver's
// late completion notice): the unit has the message and may answer meanwhile; what arrives
// then waits in the queue for the program. 0 (the default): the send returns at its last byte.
void setSendDoneLate(uint32_t ms);
// Microseconds a message of n bytes spends on a MIDI cable.
constexpr uint64_t wireTimeUs(size_t n) { return uint64_t(n) * 320; }

// What the runner and tests inspect.
bool mainWindowIsOpen();
Canvas& mainWindowCanvas();
// The main window's client area as the screen shows it (the Canvas at the window's zoom), without
// the strip the program keeps at its bottom (setMainWindowStrip).
void shownMainWindow(Canvas& out);
const std::string& mainWindowCaption();
bool messageWindowIsOpen();
Canvas& messageWindowCanvas();
// Tool windows by the name the program gave openToolWindow: whether one of that name is
// shown, its Canvas (null when the program never opened one of that name), and its client
// area as the screen shows it (false when it is not shown).
bool toolWindowIsShown(const std::string& name);
Canvas* toolWindowCanvasNamed(const std::string& name);
bool shownToolWindow(const std::string& name, Canvas& out);
// The user clicks the tool window's close button (nothing happens when it is not shown).
void closeToolWindowByUser(const std::string& name);
bool menuItemIsChecked(int commandId);
bool menuItemIsEnabled(int commandId);
// The menu bar as text, one item per line ("&File/&Exit 1001"; a check item
// "&MIDI/MIDI &Learn 2302 [check]", "... checked" while its mark is on), for tests.
std::vector<std::string> menuListing();

}  // namespace sim
