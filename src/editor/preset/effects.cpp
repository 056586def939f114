#include "editor/preset/effects.h"

#include <algorithm>

#include "editor/declaration/declaration.h"

// The built-in effect tables. Blanks inside the texts are part of them: titles are centred
// by their padding, and a caption's "|" splits it into the pot's two caption lines.
const EffectTable EffectTables[EffectTypeCount] = {
    {   // 0: bypass
        "                EFFECTS: BYPASS                ",
        {127, 127, 127, 127, 127, 127, 127, 127, 127, 127, 127, 127, 127, 127},
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {" ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " "},
        {"      |      ", "      |      ", "      |      ", "      |      ", "      |      ",
         "      |      ", "      |      ", "      |      ", "      |      ", "      |      ",
         "      |      ", "      |      ", "      |      ", "      |      "},
    },
    {   // 1: chorus / flanger / slapback / reverb
        " EFFECTS: CHORUS / FLANGER / SLAPBACK / REVERB ",
        {127, 127, 127, 127, 63, 127, 127, 127, 63, 127, 127, 127, 127, 127},
        {0, 0, 0, 0, -64, 0, 0, 0, -64, 0, 0, 0, 0, 0},
        {"BASS", "VCF", " ", " ", " ", " ", " ", "PARAMETERS", " ", " ", " ", " ", " ", " "},
        {"EFFECT|BYPASS", "EFFECT|BYPASS", " LFO A | FRQ ", " LFO B | FRQ ", "LEVEL1|      ",
         "DELAY1|      ", "MOD1A|      ", "MOD1B|      ", "LEVEL2|      ", "DELAY2|      ",
         " MOD2A |      ", " MOD2B |      ", " FBCK |LEVEL", " FBCK | DMP "},
    },
    {   // 2: overdrive
        "                 EFFECTS: OVERDRIVE                 ",
        {1, 1, 127, 6, 127, 127, 127, 127, 127, 127, 127, 127, 127, 127},
        {0, 0, 0, -6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {"BASS", "VCF", " ", " ", " ", " ", " ", "PARAMETERS", " ", " ", " ", " ", " ", " "},
        {"EFFECT|BYPASS", "EFFECT|BYPASS", "DRIVE|      ", "LEVEL|  dB  ", "      |      ",
         "      |      ", "      |      ", "      |      ", "      |      ", "      |      ",
         "      |      ", "      |      ", "      |      ", "       |       "},
    },
    {   // 3: equalizer
        "               EFFECTS: EQUALIZER               ",
        {1, 1, 127, 127, 20, 127, 100, 20, 127, 100, 20, 127, 127, 15},
        {0, 0, 0, 0, -20, 0, 10, -20, 0, 10, -20, 0, 0, -15},
        {"BASS", "VCF", " ", " ", " ", " ", " ", "PARAMETERS", " ", " ", " ", " ", " ", " "},
        {"EFFECT|BYPASS", "EFFECT|BYPASS", " BASS | FRQ ", " BASS | SLOPE ", " BASS | BOOST ",
         " MID1 | FRQ ", " MID1 |   Q   ", " MID1 | BOOST ", " MID2 | FRQ ", " MID2 |   Q   ",
         " MID2 | BOOST ", " TREBLE | FRQ ", " TREBLE | SLOPE ", "TREBLE| BOOST "},
    },
};

int16_t EffectPotMax[15] = {}, EffectPotMin[15] = {};
std::string EffectPotTitle[15], EffectPotCaption[15];

namespace {

int validType(int type) { return std::clamp(type, 0, EffectTypeCount - 1); }

}  // namespace

void resetEffectState() {
    std::fill(std::begin(EffectPotMax), std::end(EffectPotMax), 0);
    std::fill(std::begin(EffectPotMin), std::end(EffectPotMin), 0);
    for (std::string& s : EffectPotTitle) s.clear();
    for (std::string& s : EffectPotCaption) s.clear();
}

void loadEffectTables(int type) {
    const EffectTable& table = EffectTables[validType(type)];
    if (static_cast<int>(PanelLabels.size()) > EffectTitleLabel) PanelLabels[EffectTitleLabel].text = table.title;
    for (int k = 0; k < EffectParameterCount; ++k) {
        EffectPotMax[k] = table.max[k];
        EffectPotMin[k] = table.min[k];
        EffectPotTitle[k] = table.titles[k];
        EffectPotCaption[k] = table.captions[k];
    }
    if (FieldCount <= EffectField) return;
    const int pots = std::min<int>(FieldPotCount[EffectField], EffectParameterCount + 1);
    for (int p = 1; p < pots; ++p) {
        const int k = p - 1;
        PotMax[EffectField][p] = EffectPotMax[k];
        PotMin[EffectField][p] = EffectPotMin[k];
        PotTitle[EffectField][p] = EffectPotTitle[k];
        PotCaption[EffectField][p] = EffectPotCaption[k];
        if (EffectTypeParameter + p < static_cast<int>(ParameterMin.size())) {
            ParameterMin[EffectTypeParameter + p] = EffectPotMin[k];
        }
    }
}

void followEffectType() {
    if (static_cast<int>(ProgramValues.size()) <= EffectTypeParameter) return;
    int16_t& type = ProgramValues[EffectTypeParameter];
    type = static_cast<int16_t>(validType(type));
    CurrentEffectType = static_cast<uint8_t>(type);
    loadEffectTables(CurrentEffectType);
    clampProgramToPots();
}

void applyProgramValues(const std::vector<int16_t>& values) {
    if (CurrentEffectType < EffectTypeCount) saveEffectParameters(CurrentEffectType);
    ProgramValues = values;
    followEffectType();
}

std::vector<int16_t> programFromWire(const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> values(bytes.size());
    int type = 0;
    if (bytes.size() > EffectTypeParameter) {
        type = validType(bytes[EffectTypeParameter] + std::min<int16_t>(parameterMinimum(EffectTypeParameter, 0), 0));
    }
    for (size_t i = 0; i < bytes.size(); ++i) {
        values[i] = static_cast<int16_t>(bytes[i] + std::min<int16_t>(parameterMinimum(i, type), 0));
    }
    return values;
}

int16_t parameterMinimum(size_t i, int type) {
    const int k = static_cast<int>(i) - FirstEffectParameter;
    if (k >= 0 && k < EffectParameterCount) return EffectTables[validType(type)].min[k];
    return i < ParameterMin.size() ? ParameterMin[i] : int16_t{0};
}

uint8_t wireByte(int value, int minimum) {
    return static_cast<uint8_t>(std::clamp(value - std::min(minimum, 0), 0, 127));
}

ProgramRanges parameterRanges() {
    ProgramRanges ranges;
    for (int t = 0; t < EffectTypeCount; ++t) {
        std::vector<ParameterRange>& r = ranges[static_cast<size_t>(t)];
        for (int f = 0; f < FieldCount; ++f) {
            for (int p = 0; p < FieldPotCount[f] && static_cast<int>(r.size()) < ParameterCount; ++p) {
                const int k = static_cast<int>(r.size()) - FirstEffectParameter;
                if (k >= 0 && k < EffectParameterCount) {
                    r.push_back({EffectTables[t].min[k], EffectTables[t].max[k]});
                } else {
                    r.push_back({PotMin[f][p], PotMax[f][p]});
                }
            }
        }
    }
    return ranges;
}
