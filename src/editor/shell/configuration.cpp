#include "editor/shell/configuration.h"

#include <algorithm>
#include <filesystem>

#include "editor/declaration/declaration.h"
#include "editor/preset/effects.h"
#include "editor/preset/programfile.h"
#include "editor/shell/shell.h"
#include "shared/datafile/datafile.h"
#include "shared/datafile/expression.h"
#include "shared/datafile/textfile.h"
#include "shared/message/message.h"
#include "shared/midi/devices.h"

namespace {

// The leading integer of an effect line, or false when the line does not start with one.
bool leadingInteger(const std::string& line, int16_t& value) {
    std::string text = trimBlanks(line);
    size_t digit = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    if (digit >= text.size() || text[digit] < '0' || text[digit] > '9') return false;
    value = static_cast<int16_t>(std::clamp<int32_t>(roundToInteger(leadingNumber(text)), -32768, 32767));
    return true;
}

// A file cut inside its effect lines is said as the reader says a cut in the lines before:
// its message, naming the missing line in the reader's count, which the raw effect lines
// continue. The effect values not read keep what they had.
void reportEffectLinesCut(int effectLinesRead) { DataFileReader::reportCut(DataLineNumber + effectLinesRead + 1); }

}  // namespace

bool readConfiguration(const std::string& path) {
    if (!DataFileReader::openUserFile(path)) return false;
    std::string folder;
    if (DataFileReader::readRawLine(folder)) DataDirectory = folder;

    int32_t in = DataFileReader::readInteger();
    if (!DataFileExhausted) MidiInDevice = in;
    int32_t out = DataFileReader::readInteger();
    if (!DataFileExhausted) MidiOutDevice = out;
    for (size_t j = 0; j < ProgramValues.size() && !DataFileExhausted; ++j) {
        int32_t v = DataFileReader::readInteger();
        if (!DataFileExhausted) ProgramValues[j] = static_cast<int16_t>(std::clamp<int32_t>(v, -32768, 32767));
    }
    if (!DataFileExhausted) {
        std::string line;
        int k = 0;
        for (; k < 56 && DataFileReader::readRawLine(line); ++k) {
            int16_t value = 0;
            if (leadingInteger(line, value)) EffectStore[k] = value;
        }
        if (k < 56) reportEffectLinesCut(k);
    }
    DataFileReader::close();
    return true;
}

bool writeConfiguration(const std::string& path) {
    std::vector<std::string> lines;
    lines.push_back(DataDirectory);
    std::string in = formatNumber(MidiInDevice);
    padToColumn(in, 25);
    lines.push_back(in + "; Midi In");
    std::string out = formatNumber(MidiOutDevice);
    padToColumn(out, 25);
    lines.push_back(out + "; Midi Out");
    for (const std::string& line : parameterLines()) lines.push_back(line);
    for (int t = 0; t < EffectTypeCount; ++t) {
        for (int k = 0; k < EffectParameterCount; ++k) {
            std::string line = formatNumber(EffectStore[t * 14 + k]);
            padToColumn(line, 6);
            lines.push_back(line + "; Effect Parameters" + formatNumber(t));
        }
    }
    for (int i = 0; i < SpareLineCount; ++i) lines.push_back(SpareLine);
    return writeTextFileOrSay(path, lines);
}
