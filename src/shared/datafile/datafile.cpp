// datafile.cpp - the data-file line reader. See datafile.h.

#include "shared/datafile/datafile.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>

#include "platform/process.h"
#include "shared/datafile/expression.h"
#include "shared/message/message.h"

std::string DataFileName;
int16_t DataLineNumber = 0;
bool EndOfDataEndsProgram = true;
bool DataFileExhausted = false;

namespace {

std::ifstream CurrentDataFile;

// One physical line without its line end; false at the end of the file or with no file.
bool readPhysicalLine(std::string& line) {
    if (!CurrentDataFile.is_open()) return false;
    if (CurrentDataFile.peek() == std::char_traits<char>::eof()) return false;
    std::getline(CurrentDataFile, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

}  // namespace

void resetDataFileState() {
    DataFileReader::close();
    DataFileName.clear();
    DataLineNumber = 0;
    EndOfDataEndsProgram = true;
    DataFileExhausted = false;
}

namespace DataFileReader {

bool open(const std::string& path) {
    close();
    DataFileName = path;
    DataLineNumber = 0;
    DataFileExhausted = false;
    CurrentDataFile.clear();
    CurrentDataFile.open(path, std::ios::in | std::ios::binary);
    return CurrentDataFile.is_open();
}

std::string readDataLine() {
    std::string line;
    if (DataFileExhausted) return line;
    for (;;) {
        if (!readPhysicalLine(line)) {
            // Computed in int: the message names the missing line, 32768 included.
            int missingLine = DataLineNumber + 1;
            const bool ends = EndOfDataEndsProgram;
            close();
            showMessage("  " + DataFileName + " out of data",
                        "  in line : " + std::to_string(missingLine));
            if (ends) endProgram();
            DataFileExhausted = true;
            return std::string();
        }
        if (DataLineNumber < std::numeric_limits<int16_t>::max()) ++DataLineNumber;
        if (line.empty() || line[0] == ';') continue;
        std::string::size_type comment = line.find(';');
        if (comment != std::string::npos) line.erase(comment);
        return line;
    }
}

float readValue() {
    std::string line = readDataLine();
    if (DataFileExhausted) return 0.0f;
    SplitExpression expression = splitExpression(line);
    return evaluateExpression(expression);
}

int32_t readInteger() {
    return roundToInteger(readValue());
}

bool openUserFile(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return false;
    if (!open(path)) {
        showMessage("  " + path, "  cannot be read");
        return false;
    }
    EndOfDataEndsProgram = false;
    return true;
}

void close() {
    if (CurrentDataFile.is_open()) CurrentDataFile.close();
    CurrentDataFile.clear();
    EndOfDataEndsProgram = true;
}

bool readRawLine(std::string& line) {
    return readPhysicalLine(line);
}

}  // namespace DataFileReader

int32_t roundToInteger(float value) {
    if (std::isnan(value)) return 0;
    // Every float is exact in double, so floor and the distance to it are exact here.
    double v = value;
    double lower = std::floor(v);
    double fraction = v - lower;
    double rounded = lower;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(lower, 2.0) != 0.0)) rounded = lower + 1.0;
    if (rounded >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (rounded <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(rounded);
}
