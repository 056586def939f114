// datafile.cpp - the data-file line reader. See datafile.h.

#include "shared/datafile/datafile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

#include "platform/process.h"
#include "shared/datafile/expression.h"
#include "shared/datafile/textfile.h"
#include "shared/message/message.h"

std::string DataFileName;
int16_t DataLineNumber = 0;
bool EndOfDataEndsProgram = true;
bool DataFileExhausted = false;
bool DataFileRefused = false;
std::string DataFileOpenFailure;
int DataFileProblems = 0;
size_t DataLinePeak = 0;
std::uintmax_t DataFileBytesRead = 0;
int DataFilePhysicalLines = 0;

namespace {

std::FILE* CurrentDataFile = nullptr;
int MessagesShown = 0;         // problem windows of the current open, the "more" one included
bool QuietFile = false;        // the current file was opened quietly: its problems are only counted

// The size of the regular file at path when it is larger than MaxDataFileBytes, else 0.
std::uintmax_t oversizedFileBytes(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return 0;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    return ec || size <= MaxDataFileBytes ? 0 : size;
}

// One physical line without its line end; false at the end of the file or with no file.
// A line ends with LF, CR LF or a lone CR. At most MaxDataLineBytes of the line are kept;
// the rest is consumed byte by byte and dropped, so no line costs more memory than the bound
// however long it is.
bool readPhysicalLine(std::string& line) {
    if (CurrentDataFile == nullptr) return false;
    line.clear();
    bool any = false;
    bool cut = false;
    while (DataFileBytesRead < MaxDataFileBytes) {
        const int c = std::getc(CurrentDataFile);
        if (c == EOF) break;
        any = true;
        ++DataFileBytesRead;
        if (c == '\n') break;
        if (c == '\r') {
            if (DataFileBytesRead < MaxDataFileBytes) {
                const int next = std::getc(CurrentDataFile);
                if (next == '\n')
                    ++DataFileBytesRead;
                else if (next != EOF)
                    std::ungetc(next, CurrentDataFile);
            }
            break;
        }
        if (line.size() < MaxDataLineBytes) {
            if (line.empty()) line.reserve(MaxDataLineBytes);
            line.push_back(static_cast<char>(c));
        } else {
            cut = true;
        }
    }
    if (!any) return false;
    DataLinePeak = std::max(DataLinePeak, line.size());
    if (DataFilePhysicalLines < std::numeric_limits<int>::max()) ++DataFilePhysicalLines;
    if (cut) DataFileReader::reportProblem(" Line too long", "  in line : " + std::to_string(DataFilePhysicalLines));
    return true;
}

}  // namespace

void resetDataFileState() {
    DataFileReader::close();
    DataFileName.clear();
    DataLineNumber = 0;
    EndOfDataEndsProgram = true;
    DataFileExhausted = false;
    DataFileRefused = false;
    DataFileOpenFailure.clear();
    DataFileProblems = 0;
    DataLinePeak = 0;
    DataFileBytesRead = 0;
    DataFilePhysicalLines = 0;
    MessagesShown = 0;
    QuietFile = false;
}

bool refuseOversizedFile(const std::string& path) {
    const std::uintmax_t size = oversizedFileBytes(path);
    if (size == 0) return false;
    showMessage("  " + path,
                "  is too large (" + std::to_string(size) + " bytes; at most " + std::to_string(MaxDataFileBytes) + ")");
    return true;
}

namespace DataFileReader {

namespace {

bool openFile(const std::string& path, bool quiet) {
    close();
    DataFileName = path;
    DataLineNumber = 0;
    DataFileExhausted = false;
    DataFileRefused = false;
    DataFileOpenFailure.clear();
    DataFileProblems = 0;
    MessagesShown = 0;
    DataFileBytesRead = 0;
    DataFilePhysicalLines = 0;
    // The size is asked before the file is opened: a huge file is never read at all.
    if (quiet ? oversizedFileBytes(path) != 0 : refuseOversizedFile(path)) {
        DataFileRefused = true;
        return false;
    }
    CurrentDataFile = openFileForReading(path, DataFileOpenFailure);
    QuietFile = quiet && CurrentDataFile != nullptr;
    return CurrentDataFile != nullptr;
}

}  // namespace

bool open(const std::string& path) { return openFile(path, false); }

bool openQuietly(const std::string& path) {
    if (!openFile(path, true)) return false;
    EndOfDataEndsProgram = false;
    return true;
}

std::string readDataLine() {
    std::string line;
    if (DataFileExhausted) return line;
    for (;;) {
        if (!readPhysicalLine(line)) {
            // Computed in int: the message names the missing line, 32768 included.
            int missingLine = DataLineNumber + 1;
            const bool ends = EndOfDataEndsProgram;
            const std::string mainText = "  " + DataFileName + " out of data";
            const std::string detailText = "  in line : " + std::to_string(missingLine);
            if (ends) {
                close();
                showMessage(mainText, detailText);
                endProgram();
            }
            reportCut(missingLine);
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
        if (!DataFileRefused) showMessage("  " + path, "  " + DataFileOpenFailure);
        return false;
    }
    EndOfDataEndsProgram = false;
    return true;
}

void close() {
    if (CurrentDataFile != nullptr) std::fclose(CurrentDataFile);
    CurrentDataFile = nullptr;
    EndOfDataEndsProgram = true;
    QuietFile = false;
}

bool readRawLine(std::string& line) {
    return readPhysicalLine(line);
}

void reportCut(int missingLine) {
    // Still open while it is said: counted with the file's other problems.
    reportProblem("  " + DataFileName + " out of data", "  in line : " + std::to_string(missingLine));
    close();
    DataFileExhausted = true;
}

void reportProblem(const std::string& mainText, const std::string& detailText) {
    // Outside a file (a symbol declared by hand) every problem is shown.
    if (CurrentDataFile == nullptr) {
        showMessage(mainText, detailText);
        return;
    }
    ++DataFileProblems;
    if (QuietFile) return;
    if (MessagesShown < MaxDataFileMessages) {
        ++MessagesShown;
        showMessage(mainText, detailText);
    } else if (MessagesShown == MaxDataFileMessages) {
        ++MessagesShown;
        showMessage(" More errors in this file are not shown.", "  " + DataFileName);
    }
}

}  // namespace DataFileReader

std::string shownOperand(const std::string& text) { return text.substr(0, MaxShownOperand); }

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
