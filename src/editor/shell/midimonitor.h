// midimonitor.h - the MIDI Monitor (View menu): a live text view (textview.h) with one line
// per message the editor sends or takes while it is open, in the unit's words:
//   "SSSSS.mmm  OUT  TEXT" / "SSSSS.mmm  IN   TEXT"
// with the seconds since the editor started (five digits and milliseconds) and TEXT as
// MidiDescriber (shared/midi/monitor.h) gives it; a parameter change of the unit is named
// "NRPN NNN TITLE CAPTION = V" (NNN the 1-based parameter number, V the value as its pot
// shows it). Each direction has its own describer, so an address sent out and one passed
// through from a controller are never mixed up.
//
// Globals:
//   MonitorStartTick  the tick at which the editor started (the lines' time 0)
//   MonitorOpen       the monitor is open (the watcher of monitor.h is set)
//
// midiMonitorCommand(): opens the monitor, or closes it when it is open.
// followMidiMonitor(): each pass of the command loop: a monitor whose window the user closed
//   stops watching and its check mark goes.
// monitorLine(ms, out, text): one line of the monitor, at `ms` since the start.
// nrpnLine(msb, lsb, value): the line of a parameter change of the unit on the wire, or empty
//   when (msb, lsb) is no parameter of the panel.
#pragma once

#include <cstdint>
#include <string>

constexpr int CommandMidiMonitor = 2204;

extern uint32_t MonitorStartTick;  // the lines' time 0: the editor's start
extern bool MonitorOpen;           // the monitor is open and watching

void midiMonitorCommand();
bool midiMonitorShown();
void followMidiMonitor();
std::string monitorLine(uint32_t ms, bool out, const std::string& text);
std::string nrpnLine(int msb, int lsb, int value);
void resetMidiMonitorState();
