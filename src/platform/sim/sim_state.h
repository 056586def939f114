// sim_state.h - the simulated machine's state, shared by the files of the sim backend only.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <ostream>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/sim/sim.h"
#include "unit/unit.h"

namespace sim {

struct MenuItemRecord {
    int kind = 0;  // 0 item, 1 popup, 2 separator
    bool check = false;  // an item appended as MenuItemKind::Check
    int commandId = 0;
    int popup = 0;
    std::string text;
};

// A tool window: its name (what scripts call it), its Canvas, and whether it is shown. Tool
// window n is Machine::Tools[n - 1].
struct ToolWindowRecord {
    std::string Name;
    Canvas Pixels;
    bool Shown = false;
};

// A queued dialog answer; Text marks the answers of "answer text" lines, which only the text
// input takes (a file or folder dialog given one is cancelled, and the other way round).
struct QueuedAnswer {
    DialogAnswer Answer;
    bool Text = false;
};

struct Machine {
    std::string Home;
    std::ostream* Transcript = nullptr;
    // With TranscriptFromLoop the start-up stream is left out: nothing is written until the
    // program's command loop has started, except the lines that tell how the run ended.
    bool TranscriptFromLoop = false;
    bool LoopStarted = false;

    // The virtual clock runs in microseconds (MIDI bytes take 320 us on a cable); the programs
    // read it in milliseconds.
    uint64_t NowUs = 0;
    uint64_t NextOrder = 0;
    std::multimap<std::pair<uint64_t, uint64_t>, std::function<void()>> Timeline;
    uint64_t ScriptEndUs = 0;
    std::deque<Event> Pending;
    // For each pending event: whether taking it sets the live mouse state to its position and
    // buttons (the steps of a double click, which all happen at one script time).
    std::deque<bool> PendingSetsMouse;
    int CloseDeliveries = 0;

    int MouseX = 0, MouseY = 0, MouseButtons = 0;
    bool ShiftHeld = false;  // set by each setMouse: Shift held with that mouse state
    int Foreground = 0;
    int ForegroundBeforeMessage = 0;
    int ScreenWidth = 1366, ScreenHeight = 768;
    int ScreenDpi = 96;
    uint64_t RandomSeed = 1;  // what randomSeed() returns (the script's `seed N`)

    std::deque<QueuedAnswer> Answers;
    std::string Waiting;  // what a message window or choice waits for; empty when none

    bool MainOpen = false;
    std::string Caption;
    Canvas Main;
    int Zoom = 100;  // the main window's zoom level in percent
    int MainStrip = 0;  // the rows at the bottom of the main window that snapshots leave out
    uint64_t WakeUs = 0;  // when waitEvent returns a Wake (0: no wake asked for)
    bool MessageOpen = false;
    Canvas Message;
    std::deque<ToolWindowRecord> Tools;  // a deque: the Canvas of one stays put when another opens
    Canvas NoToolWindow;  // what toolWindowCanvas gives for a number no tool window has
    bool LiveTextOpen = false;  // the live text view is open (appendTextView opened it)
    std::map<int, std::vector<MenuItemRecord>> Menus;
    int NextMenu = 1;
    int AttachedBar = 0;
    std::map<int, bool> Checks;
    std::set<int> Greyed;  // menu commands greyed out

    std::vector<std::string> MidiOutNames{"KT MIDI Out"};
    std::vector<std::string> MidiInNames{"KT MIDI In"};
    std::map<int, std::string> OutFailures, InFailures;
    bool OutOpen = false, InOpen = false, InStarted = false, InBufferQueued = false;
    int OutDevice = 0, InDevice = 0;
    std::string OutPort, InPort;          // the ports the open devices are connected to
    bool OutGone = false, InGone = false;  // that port went away while the device was open
    bool CtlOpen = false, CtlStarted = false, CtlGone = false;  // the controller input, as the input's
    int CtlDevice = 0;
    std::string CtlPort;
    std::string UnitOutPort = "KT MIDI Out", UnitInPort = "KT MIDI In";  // the unit's cables
    MidiSink OutSink;

    unit::State Unit;
    bool WireSpeed = true;
    uint64_t CableOutFreeUs = 0;  // programs -> unit
    uint64_t CableInFreeUs = 0;   // unit -> programs
    uint64_t SendDoneLateUs = 0;  // a SysEx send returns this long after its last byte left
};

Machine& machine();

}  // namespace sim
