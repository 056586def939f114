#include "editor/transfer/transfer.h"

#include <algorithm>
#include <filesystem>

#include "editor/declaration/declaration.h"
#include "editor/declaration/identity.h"
#include "editor/panel/layout.h"
#include "editor/preset/parameters.h"
#include "editor/preset/programfile.h"
#include "editor/program/history.h"
#include "editor/program/program.h"
#include "platform/clock.h"
#include "platform/events.h"
#include "platform/input.h"
#include "platform/process.h"
#include "platform/window.h"
#include "shared/datafile/expression.h"
#include "shared/datafile/pathfile.h"
#include "shared/message/message.h"
#include "shared/midi/nrpn.h"
#include "shared/midi/midi.h"
#include "shared/midi/protocol.h"
#include "shared/midi/receive.h"
#include "shared/midi/sysex.h"

std::string CurrentProgramPath;

namespace {

constexpr int32_t ProgramReplyLimitMs = 2000;

}  // namespace

void resetTransferState() {
    CurrentProgramPath.clear();
}

std::string programNameFromPath(const std::string& path) {
    std::string name = path.size() >= 4 ? path.substr(0, path.size() - 4) : std::string();
    const size_t split = lastPathSplit(name);
    return split == std::string::npos ? name : name.substr(split + 1);
}

int programNumberFromName(const std::string& name) {
    // The first two characters read as a number the way a numeric conversion of text does:
    // blanks skipped, leading digits taken, the first other character ends it. The result is
    // held in one byte.
    const float value = leadingNumber(trimBlanks(name.substr(0, 2)));
    const long whole = static_cast<long>(value);
    return static_cast<int>(static_cast<uint8_t>(whole));
}

void askProgramFile(FileDialogKind kind, const std::string& title, std::string& folder, std::string& path, bool& ok) {
    closeMidiDevices();
    const DialogAnswer answer = fileDialog(kind, title, folder, "*.prg");
    MidiInQuietUntil = tickCount() + 100;
    openMidiDevices();

    ok = false;
    const std::string result = answer.outcome == DialogOutcome::Chosen ? answer.path : std::string();
    // A cancelled dialog has always come back as an empty text, a bare separator or "0", and
    // every answer of these three is taken as cancelled (a file named just "0" is never chosen).
    if (!result.empty() && result != std::string(1, pathSeparator()) && result != "0") {
        ok = true;
        // A name that is only an extension (nothing between the folder and the dot) is no name.
        const size_t dot = extensionDot(result);
        if (dot != std::string::npos && dot >= 1 && isPathSplit(result[dot - 1])) ok = false;
        path = result;
        const size_t split = lastPathSplit(result);
        if (split != std::string::npos) folder = result.substr(0, split);
    }
    // The click that closed the dialog must not reach the panel.
    while (mouseButtons() != 0) takeEvent();
}

std::vector<uint8_t> programWriteRequest(int location) {
    std::vector<uint8_t> data;
    const int count = std::min<int>(ProgramValueCount, static_cast<int>(ProgramValues.size()));
    for (int i = 0; i < count; ++i) {
        const int shifted = ProgramValues[i] - std::min<int>(ParameterMin[i], 0);
        data.push_back(static_cast<uint8_t>(std::clamp(shifted, 0, 127)));  // a SysEx data byte
    }
    std::vector<uint8_t> request = protocol::header(protocol::ProgramPart, protocol::WriteProgram);
    request.reserve(data.size() + protocol::ProgramWriteLength - protocol::ProgramDataBytes);
    request.push_back(0x00);
    request.push_back(static_cast<uint8_t>(location));
    for (uint8_t b : data) request.push_back(b);
    uint8_t high = 0, low = 0;
    sysExChecksum(data, high, low);
    request.push_back(high);
    request.push_back(low);
    request.push_back(protocol::SysExEnd);
    return request;
}

bool sendProgramToLocation(int location) {
    const std::vector<uint8_t> request = programWriteRequest(location);
    sendSysEx(request);
    bool received = false;
    const std::vector<uint8_t> reply = waitSysExReply(ProgramReplyLimitMs, received);
    MidiInQuietUntil = tickCount() + 100;
    if (received && reply == protocol::shortMessage(protocol::ProgramPart, protocol::ProgramWritten)) return true;
    showMessage(" KT not present, or communication error!", "");
    return false;
}

void loadProgramCommand() {
    const ProgramSnapshot before = currentState();
    bool ok = false;
    askProgramFile(FileDialogKind::Open, "Load Program", DataDirectory, CurrentProgramPath, ok);
    if (!ok) return;
    CurrentProgramName = programNameFromPath(CurrentProgramPath);
    showProgramInCaption(CurrentProgramName);
    const bool loaded = readProgramFile(CurrentProgramPath);
    sendLoadedProgram();
    if (loaded) {
        recordChange(before);
        setCompareReference();
    }
}

void saveProgramCommand() {
    bool ok = false;
    askProgramFile(FileDialogKind::Save, "Save Program", DataDirectory, CurrentProgramPath, ok);
    if (!ok) return;
    CurrentProgramName = programNameFromPath(CurrentProgramPath);
    showProgramInCaption(CurrentProgramName);
    if (writeProgramFile(CurrentProgramPath)) setCompareReference();
}

WriteResult writeProgramToUnit(std::string& path) {
    const bool fromDialog = path.empty();
    if (fromDialog) {
        // The save dialog under the title "Load Program", as the unit's users know it: the
        // file chosen is loaded into the panel and then written.
        bool ok = false;
        askProgramFile(FileDialogKind::Save, "Load Program", DataDirectory, path, ok);
        if (!ok) return WriteResult::Skipped;
    }
    CurrentProgramName = programNameFromPath(path);
    showProgramInCaption(CurrentProgramName);

    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        showMessage("  " + path, "  cannot be read");
        return WriteResult::Failed;
    }
    if (!readProgramFile(path)) return WriteResult::Failed;  // the reader has said why
    if (fromDialog) {
        drawPanel();
        presentMainWindow();
    }

    const int location = programNumberFromName(CurrentProgramName);
    if (location < 1 || location > 99) {
        showMessage("Program Name does not determine Program Number!", "");
        return WriteResult::Skipped;
    }
    if (!sendProgramToLocation(location)) return WriteResult::Failed;
    // A program written as one program (not as part of a batch) is what compare compares with.
    if (fromDialog) setCompareReference();
    return WriteResult::Written;
}
