#include "editor/preset/programfile.h"

#include <algorithm>
#include <filesystem>

#include "editor/declaration/declaration.h"
#include "editor/program/program.h"
#include "editor/preset/effects.h"
#include "shared/datafile/datafile.h"
#include "shared/datafile/textfile.h"
#include "shared/message/message.h"

int ProgramValueCount = 0;
bool ProgramFileHadProblems = false;
const char* const SpareLine = " 0    ; dummy";

void resetProgramFileState() {
    ProgramValueCount = 0;
    ProgramFileHadProblems = false;
}

std::string parameterLine(int value, int field, int pot, int serial) {
    std::string line = formatNumber(value);
    padToColumn(line, 6);
    line += "; field: " + formatNumber(field);
    padToColumn(line, 19);
    line += "poti: " + formatNumber(pot);
    padToColumn(line, 30);
    line += "ser.no.: " + formatNumber(serial);
    return line;
}

std::vector<std::string> parameterLines(const std::vector<int16_t>& values) {
    std::vector<std::string> lines;
    int j = 0;
    for (int f = 0; f < FieldCount; ++f) {
        for (int p = 0; p < FieldPotCount[f] && j < static_cast<int>(values.size()); ++p, ++j) {
            lines.push_back(parameterLine(values[j], f, p, j + 1));
        }
    }
    return lines;
}

std::vector<std::string> parameterLines() { return parameterLines(ProgramValues); }

std::vector<std::string> programFileLines(const std::vector<int16_t>& values) {
    std::vector<std::string> lines = parameterLines(values);
    for (int i = 0; i < SpareLineCount; ++i) lines.push_back(SpareLine);
    return lines;
}

bool writeProgramFile(const std::string& path) { return writeTextFileOrSay(path, programFileLines(ProgramValues)); }

bool readOpenProgramValues(std::vector<int16_t>& values) {
    values.assign(ProgramValues.size(), 0);
    for (int16_t& v : values) {
        v = static_cast<int16_t>(std::clamp<int32_t>(DataFileReader::readInteger(), -32768, 32767));
        if (DataFileExhausted) break;
    }
    const bool complete = !DataFileExhausted;
    DataFileReader::close();
    return complete;
}

bool readProgramFile(const std::string& path) {
    ProgramFileHadProblems = false;
    if (!DataFileReader::openUserFile(path)) return false;
    std::vector<int16_t> values;
    const bool complete = readOpenProgramValues(values);
    ProgramFileHadProblems = DataFileProblems > 0;
    if (!complete) return false;

    ProgramValueCount = ParameterCount;
    applyProgramValues(values);
    return true;
}

bool readNamedProgramFile(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {  // a folder or a FIFO is said by the reader
        showMessage("  " + path, "  cannot be read");
        return false;
    }
    return readProgramFile(path);
}

bool programFitForUnit(const std::string& path) {
    if (!ProgramFileHadProblems) return true;
    showMessage("  " + path, "  cannot be read");
    return false;
}
