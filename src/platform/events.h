// events.h - the one event queue of a program.
//
// Everything that happens to a program arrives here, in order: window-system happenings,
// menu commands, keys, mouse buttons and incoming MIDI (a backend that receives MIDI on
// another thread only appends to this queue and wakes the waiting thread).
//
// waitEvent(): blocks until an event is there and takes it. While a mouse button is held and
//   nothing else is pending, it returns a Tick event after 10 ms, so drags and step-button
//   repeats go on while the mouse stands still. With no button held it blocks; it never spins.
// waitEventFor(ms, e): like waitEvent but gives up after ms milliseconds (false, e untouched).
//   Ticks are not generated here. Used by polling waits that must yield the processor.
// peekEvent(e): takes a pending event without waiting; false when none is pending.
// wakeAfter(ms): the next waitEvent returns a Wake event ms milliseconds from now when
//   nothing else came by then, so something the program shows for a while (a result in the
//   editor's status line) can go away on time without a busy loop. One wake is kept: a later
//   call replaces it. waitEventFor never returns it. In the simulation a wake never keeps a
//   run going: when the script's events are used up, CloseRequested comes first.
// postCloseRequest(): queues CloseRequested for the main window (what WM_CLOSE does).
#pragma once

#include <cstdint>
#include <vector>

enum class EventKind {
    None,
    CloseRequested,  // the user asked to close the main window (it is still open)
    WindowMoved,     // x, y: new position; a minimised window reports x, y beyond 3000
    WindowRestored,  // the window came back from minimised
    Repaint,         // the window system wants the window drawn again
    Command,         // command: a menu identifier
    Key,             // key: a character code or a named key below; ctrl, shift: the modifiers held;
                     // repeat: the system repeats a press while the key is held
    KeyUp,           // key: the key released, the code its press carried; ctrl, shift as for Key
    MouseButton,     // the mouse moved or a button changed: x, y, buttons as they were then;
                     // doubleClick on the second press of a left double click
    Wheel,           // x, y: the mouse; notches > 0 away from the user (up); shift held
    Tick,            // a button is held and nothing else happened for 10 ms
    MidiShort,       // midiWord: status | data1 << 8 | data2 << 16
    MidiLong,        // bytes: one complete system-exclusive message, F0 .. F7
    MidiOther,       // another notification of the MIDI input (open, close, error)
    DevicesChanged,  // a MIDI port of the system appeared or went away (lists may differ now)
    ToolWindowHidden,  // window: a tool window's close button hid it
    WindowActivated,   // window: a tool window came to the front by the user's doing
    Wake,              // the time wakeAfter asked for has come
    Other,
};

constexpr int KeyEnter = 13;
constexpr int KeyEscape = 27;
// Named keys, beyond every character code.
constexpr int KeyUp = 0x101;
constexpr int KeyDown = 0x102;
constexpr int KeyLeft = 0x103;
constexpr int KeyRight = 0x104;
constexpr int KeyPageUp = 0x105;
constexpr int KeyPageDown = 0x106;
constexpr int KeyHome = 0x107;
constexpr int KeyEnd = 0x108;
constexpr int KeyBackspace = 8;  // as a character code, like KeyEnter
constexpr int KeyF1 = 0x111;     // KeyF1 + n - 1 is Fn, n = 1..12

struct Event {
    EventKind kind = EventKind::None;
    int window = 0;  // the window the event is for: 0 the main window, else a tool window's number
    int x = 0, y = 0;
    int command = 0;
    int key = 0;
    int buttons = 0;
    bool ctrl = false, shift = false;  // Key: the modifiers; Wheel: shift
    bool doubleClick = false;          // MouseButton: the second press of a double click
    bool repeat = false;               // Key: a press the system repeats while the key is held
    int notches = 0;                   // Wheel
    uint32_t midiWord = 0;
    bool fromController = false;  // MidiShort: it came from the controller input (midi.h)
    std::vector<uint8_t> bytes;
    // MidiShort, MidiLong: the tick (tickCount of clock.h) at which the backend had the whole
    // message, however long the program took to get to it.
    uint32_t arrivedAt = 0;
};

// True for the events that the MIDI input device produces.
inline bool isMidiInputEvent(const Event& e) {
    return e.kind == EventKind::MidiShort || e.kind == EventKind::MidiLong ||
           e.kind == EventKind::MidiOther;
}

Event waitEvent();
bool waitEventFor(uint32_t ms, Event& e);
bool peekEvent(Event& e);
void postCloseRequest();
void wakeAfter(uint32_t ms);
