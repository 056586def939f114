#include "editor/library/store.h"

#include "editor/library/library.h"
#include "editor/library/sysexfile.h"
#include "editor/library/unitmemory.h"
#include "editor/panel/statusline.h"
#include "editor/preset/programfile.h"
#include "editor/program/history.h"
#include "editor/program/morph.h"
#include "editor/declaration/declaration.h"
#include "editor/program/program.h"
#include "platform/dialogs.h"
#include "shared/message/message.h"
#include "shared/midi/devices.h"
#include "shared/midi/protocol.h"
#include "shared/midi/sysex.h"

int LastStoredLocation = 0;

namespace {

constexpr int32_t ProgramReplyLimitMs = 2000;

}  // namespace

void resetStoreState() { LastStoredLocation = 0; }

std::vector<uint8_t> programWriteRequest(int location) { return writeRequestFor(location, ProgramValueCount); }

namespace {

bool sendWriteRequest(int location, const std::vector<uint8_t>& request) {
    sendSysEx(request);
    bool received = false;
    const std::vector<uint8_t> reply = waitSysExReply(ProgramReplyLimitMs, received);
    holdMidiInput();
    if (received && reply == protocol::shortMessage(protocol::ProgramPart, protocol::ProgramWritten)) {
        noteProgramWritten(location, requestDataBytes(request), CurrentProgramName);
        return true;
    }
    showMessage(" KT not present, or communication error!", "");
    return false;
}

}  // namespace

bool sendProgramToLocation(int location) { return sendWriteRequest(location, programWriteRequest(location)); }

bool storeToLocation(int location) {
    // The whole program the panel holds, however many values the last file it read had.
    if (!sendWriteRequest(location, writeRequestFor(location, ParameterCount))) return false;
    LastStoredLocation = location;
    setCompareReference();
    showStatusResult("Stored to " + locationText(location));
    return true;
}

bool readLocationAnswer(const std::string& answer, int& location) {
    const size_t first = answer.find_first_not_of(' ');
    if (first == std::string::npos) return false;
    const size_t last = answer.find_last_not_of(' ');
    std::string digits = answer.substr(first, last - first + 1);
    const size_t significant = digits.find_first_not_of('0');
    if (digits.find_first_not_of("0123456789") != std::string::npos) return false;
    digits = significant == std::string::npos ? "0" : digits.substr(significant);
    if (digits.size() > 2) return false;
    location = std::stoi(digits);
    return location >= 1 && location <= 99;
}

void storeToLocationCommand() {
    const int named = programNumberFromName(CurrentProgramName);
    const int proposed = named >= 1 && named <= 99 ? named : LastStoredLocation > 0 ? LastStoredLocation : 1;
    std::string answer;
    endMorph();  // a dialog ends Morph
    if (!askText("Store to Location", "Location (1..99):", std::to_string(proposed), answer)) return;
    int location = 0;
    if (!readLocationAnswer(answer, location)) {
        showMessage(" Location must be 1 to 99!", "");
        return;
    }
    storeToLocation(location);
}

bool unitHoldsProgram(int location) { return unitHolds(location, requestDataBytes(programWriteRequest(location))); }

