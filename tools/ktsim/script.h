// script.h - the scenario language of ktsim: a script is read whole before the program
// starts, and each line becomes a happening on the simulated machine's timeline at the
// script time where it stands ("wait MS" moves the script time on).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ktsim {

// Handles a "unit ..." line at script time `at`; returns false with a reason when the
// options are not understood. Without one, unit lines drive the simulated unit.
using UnitLineHandler = std::function<bool(const std::vector<std::string>& words, uint64_t at, std::string& error)>;

struct ScriptResult {
    bool ok = true;
    std::string error;  // "line N: reason"
    uint64_t endTime = 0;  // script time in ms (64 bits: it never wraps)
    std::vector<std::string> snapshotFailures;  // filled while the run goes on
};

// Splits a script line into words: blanks separate words, double quotes make one word with
// the escapes of the transcript (\" \\ \t \n \r \xHH; a backslash before any other character
// stands for that character), "#" outside quotes starts a comment. False with a reason on a
// bad line.
bool splitScriptLine(const std::string& line, std::vector<std::string>& words, std::string& error);

// Reads the script text and schedules everything on the simulated machine (after sim::reset).
// Relative paths in answer and snapshot lines are taken relative to `home`.
ScriptResult loadScript(const std::string& text, const std::string& home, const UnitLineHandler& unitLine,
                        std::vector<std::string>* snapshotFailures);

}  // namespace ktsim
