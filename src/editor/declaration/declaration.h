// declaration.h - the panel declaration: what the editor knows about its panel and the
// unit's parameters, read at start-up from KtProg.DAT in the start directory.
//
// The file gives, after an optional symbol section, the slider travel, the field count, the
// largest pot index of a field, the step-button repeat times, the window geometry, four
// reserved values and a reserved pair list, the panel labels, the panel lines, and every
// field with its pots (range, default, title, caption). The order of the pots is the
// numbering of the unit's parameters: parameter s runs over the fields in file order and,
// within a field, over its pots in order.
//
// loadDeclarationFile(baseName) fills every table below or ends the program:
//   - a missing file: alert box "Declaration file missing!" with the path, then the end;
//   - one that cannot be read (a folder, a FIFO): "  <path>" / "  <why>" (datafile.h
//     DataFileOpenFailure), then the end;
//   - a file that ends too early: the reader's "out of data" message, then the end;
//   - a value outside signed 16 bits, a negative count, a field with more pots than
//     MaxPotsPerField + 1, more than 101 symbols, a pot whose minimum equals or exceeds its
//     maximum, a window width or height outside 200..8192 or a window position outside
//     -8192..8192, a layout that breaks the editor's fixed numbering (104 parameters,
//     field 11 the effect field with 15 pots whose pot 0 has the range 0..3, at least 22
//     labels): a message window naming the file, the line and the problem, then the end.
// All of this happens before the main window is opened. The program itself starts from the
// declared defaults in editor/program (startDeclaredProgram).
//
// parameterPot(j, field, pot): the field and pot of parameter j (false when j is not one).
// potText(title, caption): a pot's title and caption as one text, as the editor names the pot
//   in its texts ("TITLE CAPTION"): each "|" a blank, runs of blanks one, trimmed.
// parameterText(j): potText of parameter j's pot; empty when j is no pot's or its pot has no
//   texts.
// parameterNumberText(j): parameter j's 1-based number in three digits ("026"), as the
//   editor's lists show it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PanelLabel {
    int16_t x = 0, y = 0, size = 0;  // x: the text's centre; size <= 6 small font, else large
    std::string text;
};

struct PanelLine {
    int16_t style = 0, x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // style <= 10 line, above: rectangle
};

// The fixed numbering the editor's own tables rely on.
constexpr int StandardParameterCount = 104;
constexpr int EffectField = 11;
constexpr int EffectFieldPotCount = 15;
constexpr int EffectTypeParameter = 89;
constexpr int FirstEffectParameter = 90;
constexpr int EffectParameterCount = 14;
constexpr int EffectTitleLabel = 21;
constexpr int MinimumLabelCount = 22;

// Declared scalars.
extern int16_t SliderTravel;     // the knob's travel in pixels
extern int16_t FieldCount;
extern int16_t MaxPotsPerField;  // largest pot index in a field
extern int16_t RepeatDelay;      // ms a step button is held before it repeats
extern int16_t RepeatInterval;   // ms between repeats
extern int16_t WindowX, WindowY, WindowWidth, WindowHeight;

// Declared tables.
extern std::vector<PanelLabel> PanelLabels;
extern std::vector<PanelLine> PanelLines;
extern std::vector<int16_t> FieldX, FieldY, FieldStep, FieldPotCount;      // per field
extern std::vector<std::vector<int16_t>> PotMax, PotDefault, PotMin;       // [field][pot]
extern std::vector<std::vector<std::string>> PotTitle, PotCaption;         // [field][pot]

// The number of parameters the pots make (the program's values are in editor/program).
extern int16_t ParameterCount;

void resetDeclarationState();
void loadDeclarationFile(const std::string& baseName);

bool parameterPot(int j, int& field, int& pot);
std::string potText(const std::string& title, const std::string& caption);
std::string parameterText(int j);
std::string parameterNumberText(int j);
