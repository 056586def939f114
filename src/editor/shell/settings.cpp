#include "editor/shell/settings.h"

#include <cstdlib>
#include <sstream>
#include <vector>

#include "editor/declaration/declaration.h"
#include "editor/declaration/identity.h"
#include "editor/library/catalog.h"
#include "editor/panel/potinput.h"
#include "editor/program/locks.h"
#include "shared/datafile/options.h"
#include "shared/datafile/pathfile.h"
#include "shared/midi/devices.h"
#include "shared/midi/nrpn.h"
#include "shared/zoom/zoomlevels.h"

EditorOptions Options;
bool OptionsWarned = false;

namespace {

// A whole decimal number in [low, high]; false for anything else.
bool readNumber(const std::string& text, int low, int high, int& value) {
    if (text.empty() || text.size() > 6) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    value = std::atoi(text.c_str());
    return value >= low && value <= high;
}

bool parseLearn(const std::string& value, LearnBinding& b) {
    std::istringstream words(value);
    std::string channel, controller, parameter, rest;
    if (!(words >> channel >> controller >> parameter) || (words >> rest)) return false;
    return readNumber(channel, 1, 16, b.channel) && readNumber(controller, 0, 127, b.controller) &&
           learnableController(b.controller) && readNumber(parameter, MorphBindingParameter, ParameterCount, b.parameter);  // 0: the morph position
}

// The parameter numbers of a lock line; anything else in it is passed over.
std::vector<int> parseLocks(const std::string& value) {
    std::istringstream words(value);
    std::vector<int> numbers;
    std::string word;
    int number = 0;
    while (words >> word) {
        if (readNumber(word, 1, ParameterCount, number)) numbers.push_back(number);
    }
    return numbers;
}

std::string lockLineValue() {
    std::string value;
    for (int number : lockedParameterNumbers()) value += (value.empty() ? "" : " ") + std::to_string(number);
    return value;
}

}  // namespace

void resetOptionsState() {
    Options = EditorOptions{};
    OptionsWarned = false;
}

std::string optionsPath() { return joinPath(StartDirectory, ProgramName + ".ini"); }

void readOptions() {
    Options = EditorOptions{};
    LearnBindings.clear();
    resetLocksState();
    for (const OptionLine& line : readOptionLines(optionsPath())) {
        int zoom = 0;
        LearnBinding b;
        if (line.key == "zoom" && readZoomOption(line.value, zoom)) {
            Options.zoom = zoom;
        } else if (line.key == "midi-in-name") {
            MidiInName = line.value;
        } else if (line.key == "midi-out-name") {
            MidiOutName = line.value;
        } else if (line.key == "controller-in-name") {
            MidiCtlName = line.value;
        } else if (line.key == "library") {
            LibraryFolder = line.value;
        } else if (line.key == "lock" && !Options.lockLine) {  // the first lock line counts
            Options.lockLine = true;
            setLockedParameterNumbers(parseLocks(line.value));
        } else if (line.key == "learn" && parseLearn(line.value, b)) {
            putLearnBinding(LearnBindings, b, BindingPolicy::KeepFirst);  // the first line counts
        }
    }
}

void saveOptions(bool tellUser) {
    std::vector<OptionLine> lines;
    if (Options.zoom != 0) lines.push_back({"zoom", std::to_string(Options.zoom)});
    if (!MidiInName.empty()) lines.push_back({"midi-in-name", MidiInName});
    if (!MidiOutName.empty()) lines.push_back({"midi-out-name", MidiOutName});
    if (!MidiCtlName.empty()) lines.push_back({"controller-in-name", MidiCtlName});
    if (!LibraryFolder.empty()) lines.push_back({"library", LibraryFolder});
    for (const LearnBinding& b : LearnBindings) {
        lines.push_back({"learn", std::to_string(b.channel) + " " + std::to_string(b.controller) + " " +
                                      std::to_string(b.parameter)});
    }
    lines.push_back({"lock", lockLineValue()});  // the default too: "lock = 90" says what is locked
    keepOptionLines(optionsPath(), lines, tellUser, OptionsWarned);
}
