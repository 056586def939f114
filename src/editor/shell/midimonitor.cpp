// midimonitor.cpp - the MIDI Monitor. See midimonitor.h.
#include "editor/shell/midimonitor.h"

#include <algorithm>
#include <cstdio>

#include "editor/declaration/declaration.h"
#include "editor/preset/parameters.h"
#include "editor/program/program.h"
#include "platform/clock.h"
#include "platform/textview.h"
#include "platform/window.h"
#include "shared/midi/monitor.h"
#include "shared/midi/nrpn.h"

uint32_t MonitorStartTick = 0;
bool MonitorOpen = false;

namespace {

constexpr const char* MonitorTitle = "MIDI Monitor";

MidiDescriber OutWords{nrpnLine}, InWords{nrpnLine};

void hearTraffic(bool out, const uint8_t* bytes, size_t length) {
    const std::string text = (out ? OutWords : InWords).describe(bytes, length);
    if (text.empty()) return;
    appendTextView(MonitorTitle, {monitorLine(tickSince(tickCount(), MonitorStartTick), out, text)});
}

void stopWatching() {
    MidiTrafficWatcher = nullptr;
    MonitorOpen = false;
    checkMenuItem(CommandMidiMonitor, false);
}

}  // namespace

std::string monitorLine(uint32_t ms, bool out, const std::string& text) {
    char stamp[24];
    std::snprintf(stamp, sizeof stamp, "%05u.%03u  ", static_cast<unsigned>(ms / 1000), static_cast<unsigned>(ms % 1000));
    return stamp + std::string(out ? "OUT  " : "IN   ") + text;
}

std::string nrpnLine(int msb, int lsb, int value) {
    const int j = nrpnParameter(msb, lsb);
    if (j < 0 || j >= static_cast<int>(ParameterMin.size())) return "";
    const std::string name = parameterText(j);
    // The wire carries a negative minimum as 0 (parameters.h): the pot shows the value shifted back.
    const int shown = value + std::min<int>(ParameterMin[static_cast<size_t>(j)], 0);
    return "NRPN " + parameterNumberText(j) + (name.empty() ? "" : " " + name) + " = " + std::to_string(shown);
}

void midiMonitorCommand() {
    if (MonitorOpen) {
        closeTextView();
        stopWatching();
        return;
    }
    // A new monitor starts with what comes next. The editor sends an NRPN's address only
    // when it changes, so the address last sent is the one its next data entry completes;
    // what a controller selected before the monitor opened is not known.
    OutWords = MidiDescriber{nrpnLine};
    OutWords.setAddress(0, LastNrpnMsb, LastNrpnLsb);
    InWords = MidiDescriber{nrpnLine};
    appendTextView(MonitorTitle, {});
    MidiTrafficWatcher = hearTraffic;
    MonitorOpen = true;
    checkMenuItem(CommandMidiMonitor, true);
}

bool midiMonitorShown() { return MonitorOpen; }

void followMidiMonitor() {
    if (MonitorOpen && !liveTextViewOpen()) stopWatching();
}

void resetMidiMonitorState() {
    MonitorStartTick = tickCount();
    MonitorOpen = false;
    OutWords = MidiDescriber{nrpnLine};
    InWords = MidiDescriber{nrpnLine};
}
