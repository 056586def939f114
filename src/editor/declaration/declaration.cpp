#include "editor/declaration/declaration.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <limits>

#include "editor/declaration/identity.h"
#include "platform/dialogs.h"
#include "platform/process.h"
#include "shared/datafile/datafile.h"
#include "shared/datafile/expression.h"
#include "shared/datafile/pathfile.h"
#include "shared/message/message.h"


int16_t SliderTravel = 0;
int16_t FieldCount = 0;
int16_t MaxPotsPerField = 0;
int16_t RepeatDelay = 0;
int16_t RepeatInterval = 0;
int16_t WindowX = 0, WindowY = 0, WindowWidth = 0, WindowHeight = 0;

std::vector<PanelLabel> PanelLabels;
std::vector<PanelLine> PanelLines;
std::vector<int16_t> FieldX, FieldY, FieldStep, FieldPotCount;
std::vector<std::vector<int16_t>> PotMax, PotDefault, PotMin;
std::vector<std::vector<std::string>> PotTitle, PotCaption;

int16_t ParameterCount = 0;

namespace {

// Ends the program with a message that names the file, the line and the problem.
[[noreturn]] void declarationError(int line, const std::string& problem) {
    DataFileReader::close();
    showMessage("  " + DataFileName, "  line " + std::to_string(line) + ": " + problem);
    endProgram();
}

int16_t readDeclaredValue() {
    int32_t value = DataFileReader::readInteger();
    if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max()) {
        declarationError(DataLineNumber, "value " + std::to_string(value) + " outside -32768..32767");
    }
    return static_cast<int16_t>(value);
}

int16_t readCount(const char* what) {
    int16_t count = readDeclaredValue();
    if (count < 0) declarationError(DataLineNumber, std::string("negative ") + what);
    return count;
}

// The window is drawn into a canvas of its full size: a huge one takes gigabytes and seconds
// to clear, and one too small has no room for the panel's keyboard and texts.
constexpr int16_t MinimumWindowSize = 200, MaximumWindowSize = 8192, WindowPositionLimit = 8192;

int16_t readWindowSize() {
    int16_t size = readDeclaredValue();
    if (size < MinimumWindowSize || size > MaximumWindowSize) {
        declarationError(DataLineNumber, "window too small or too large");
    }
    return size;
}

int16_t readWindowPosition() {
    int16_t position = readDeclaredValue();
    if (position < -WindowPositionLimit || position > WindowPositionLimit) {
        declarationError(DataLineNumber, "window position out of range");
    }
    return position;
}

void readSymbolSection() {
    for (;;) {
        std::string line = DataFileReader::readDataLine();
        if (line == "SYMBOL_END") return;
        if (SymbolCount >= MaxSymbols && line.find('=') != std::string::npos) {
            declarationError(DataLineNumber, "more than " + std::to_string(MaxSymbols) + " symbols");
        }
        declareSymbol(line);
    }
}

}  // namespace

void resetDeclarationState() {
    SliderTravel = FieldCount = MaxPotsPerField = RepeatDelay = RepeatInterval = 0;
    WindowX = WindowY = WindowWidth = WindowHeight = 0;
    PanelLabels.clear();
    PanelLines.clear();
    FieldX.clear();
    FieldY.clear();
    FieldStep.clear();
    FieldPotCount.clear();
    PotMax.clear();
    PotDefault.clear();
    PotMin.clear();
    PotTitle.clear();
    PotCaption.clear();
    ParameterCount = 0;
}

void loadDeclarationFile(const std::string& baseName) {
    resetExpressionState();
    const std::string path = joinPath(StartDirectory, baseName + ".DAT");
    std::error_code ec;
    if (baseName.empty() || !std::filesystem::exists(path, ec)) {
        alertBox("Declaration file missing!", path);
        endProgram();
    }
    EndOfDataEndsProgram = true;
    if (!DataFileReader::open(path)) {
        if (!DataFileRefused) showMessage("  " + path, "  " + DataFileOpenFailure);  // else the size was said
        endProgram();
    }

    std::string first = DataFileReader::readDataLine();
    std::string keyword = trimBlanks(first);
    for (char& c : keyword) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (keyword == "SYMBOL_START") {
        readSymbolSection();
        keyword = DataFileReader::readDataLine();
    }
    // The slider travel is a plain number; a symbol or an expression gives its leading number.
    int32_t travel = roundToInteger(leadingNumber(trimBlanks(keyword)));
    if (travel < 1 || travel > 4000) declarationError(DataLineNumber, "slider travel must be 1..4000");
    SliderTravel = static_cast<int16_t>(travel);

    FieldCount = readCount("field count");
    MaxPotsPerField = readCount("largest pot index");
    RepeatDelay = readDeclaredValue();
    RepeatInterval = readDeclaredValue();
    WindowX = readWindowPosition();
    WindowY = readWindowPosition();
    WindowWidth = readWindowSize();
    WindowHeight = readWindowSize();
    for (int i = 0; i < 4; ++i) readDeclaredValue();  // reserved
    int16_t pairs = readCount("pair count");
    for (int i = 0; i < 2 * pairs; ++i) readDeclaredValue();  // reserved

    int16_t labelCount = readCount("label count");
    const int labelCountLine = DataLineNumber;
    PanelLabels.assign(labelCount, PanelLabel{});
    for (PanelLabel& label : PanelLabels) {
        label.x = readDeclaredValue();
        label.y = readDeclaredValue();
        label.size = readDeclaredValue();
        label.text = DataFileReader::readDataLine();
    }
    if (labelCount < MinimumLabelCount) {
        declarationError(labelCountLine, "at least " + std::to_string(MinimumLabelCount) +
                                             " labels are needed (label 21 is the effect title)");
    }

    int16_t lineCount = readCount("line count");
    PanelLines.assign(lineCount, PanelLine{});
    for (PanelLine& line : PanelLines) {
        line.style = readDeclaredValue();
        line.x1 = readDeclaredValue();
        line.y1 = readDeclaredValue();
        line.x2 = readDeclaredValue();
        line.y2 = readDeclaredValue();
    }

    FieldX.assign(FieldCount, 0);
    FieldY.assign(FieldCount, 0);
    FieldStep.assign(FieldCount, 0);
    FieldPotCount.assign(FieldCount, 0);
    PotMax.assign(FieldCount, {});
    PotDefault.assign(FieldCount, {});
    PotMin.assign(FieldCount, {});
    PotTitle.assign(FieldCount, {});
    PotCaption.assign(FieldCount, {});
    int total = 0;
    for (int f = 0; f < FieldCount; ++f) {
        FieldX[f] = readDeclaredValue();
        FieldY[f] = readDeclaredValue();
        FieldStep[f] = readDeclaredValue();
        FieldPotCount[f] = readCount("pot count");
        if (FieldPotCount[f] > MaxPotsPerField + 1) {
            declarationError(DataLineNumber, "field " + std::to_string(f) + " has more than " +
                                                 std::to_string(MaxPotsPerField + 1) + " pots");
        }
        total += FieldPotCount[f];
        for (int k = 0; k < FieldPotCount[f]; ++k) {
            int16_t max = readDeclaredValue();
            int16_t def = readDeclaredValue();
            int16_t min = readDeclaredValue();
            if (min == max) {
                declarationError(DataLineNumber, "field " + std::to_string(f) + " pot " + std::to_string(k) +
                                                     ": minimum equals maximum");
            }
            // Such a pot could never move: every value would be forced to its maximum.
            if (max < min) {
                declarationError(DataLineNumber, "field " + std::to_string(f) + " pot " + std::to_string(k) +
                                                     ": maximum below minimum");
            }
            PotMax[f].push_back(max);
            PotDefault[f].push_back(def);
            PotMin[f].push_back(min);
            PotTitle[f].push_back(DataFileReader::readDataLine());
            PotCaption[f].push_back(DataFileReader::readDataLine());
        }
    }
    const int endLine = DataLineNumber;
    DataFileReader::close();

    if (total != StandardParameterCount) {
        declarationError(endLine, "the pots make " + std::to_string(total) + " parameters, the unit has " +
                                      std::to_string(StandardParameterCount));
    }
    if (FieldCount <= EffectField || FieldPotCount[EffectField] != EffectFieldPotCount) {
        declarationError(endLine, "field 11 must be the effect field with 15 pots");
    }
    if (PotMin[EffectField][0] != 0 || PotMax[EffectField][0] != 3) {
        declarationError(endLine, "the effect type (field 11, pot 0) must have the range 0..3");
    }

    ParameterCount = static_cast<int16_t>(total);
}

bool parameterPot(int j, int& field, int& pot) {
    if (j < 0) return false;
    for (int f = 0; f < FieldCount; ++f) {
        if (j < FieldPotCount[f]) {
            field = f;
            pot = j;
            return true;
        }
        j -= FieldPotCount[f];
    }
    return false;
}

std::string potText(const std::string& title, const std::string& caption) {
    std::string text;
    for (char c : title + " " + caption) {
        if (c == '|') c = ' ';
        if (c == ' ' && (text.empty() || text.back() == ' ')) continue;
        text += c;
    }
    if (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::string parameterText(int j) {
    int field = 0, pot = 0;
    return parameterPot(j, field, pot) ? potText(PotTitle[field][pot], PotCaption[field][pot]) : "";
}

std::string parameterNumberText(int j) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d", j + 1);
    return text;
}
