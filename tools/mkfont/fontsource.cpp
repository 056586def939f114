// fontsource.cpp - reads the text source of a bitmap font, see fontsource.h.
#include "fontsource.h"

#include <cstdio>
#include <utility>

namespace {

const int kGlyphCount = 256;

std::string trimmed(const std::string& s) {
    size_t begin = 0, end = s.size();
    while (begin < end && (s[begin] == ' ' || s[begin] == '\t' || s[begin] == '\r')) ++begin;
    while (end > begin && (s[end - 1] == ' ' || s[end - 1] == '\t' || s[end - 1] == '\r')) --end;
    return s.substr(begin, end - begin);
}

bool isComment(const std::string& line) {
    return line == "#" || (line.size() >= 2 && line[0] == '#' && (line[1] == ' ' || line[1] == '\t'));
}

bool isPixelRow(const std::string& line) {
    if (line.empty()) return false;
    for (char c : line)
        if (c != '#' && c != '.') return false;
    return true;
}

// "glyph" as a whole word at the start of the line.
bool isGlyphLine(const std::string& line) {
    return line.compare(0, 5, "glyph") == 0 && (line.size() == 5 || line[5] == ' ' || line[5] == '\t');
}

std::string describeChar(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 33 && u < 127) return std::string("'") + c + "'";
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", u);
    return buf;
}

std::string at(int line, const std::string& reason) { return "line " + std::to_string(line) + ": " + reason; }

// Reads the code of a "glyph CODE [comment]" line; false with a reason when it is not 0..255.
bool parseGlyphCode(const std::string& line, int& code, std::string& reason) {
    size_t i = 5;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    size_t digitsBegin = i;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
    std::string digits = line.substr(digitsBegin, i - digitsBegin);
    bool endsWord = i == line.size() || line[i] == ' ' || line[i] == '\t';
    if (digits.empty() || !endsWord) {
        reason = "'glyph' needs a decimal character code 0..255, as in \"glyph 65\"";
        return false;
    }
    if (digits.size() > 3 || std::stoi(digits) >= kGlyphCount) {
        reason = "glyph code " + digits + " is out of range 0..255";
        return false;
    }
    code = std::stoi(digits);
    return true;
}

}  // namespace

bool parseFontSource(const std::string& text, int cellWidth, int cellHeight, std::vector<uint8_t>& bytes,
                     std::string& error) {
    bytes.clear();
    if (cellWidth < 1 || cellWidth > 8 || cellHeight < 1 || cellHeight > 64) {
        error = "cell size " + std::to_string(cellWidth) + "x" + std::to_string(cellHeight) + " is not supported";
        return false;
    }
    std::vector<uint8_t> font(static_cast<size_t>(kGlyphCount) * cellHeight, 0);
    std::vector<int> definedAt(kGlyphCount, 0);  // line of each glyph's "glyph" line, 0 = not yet

    int code = -1;      // glyph whose rows are being read, or the last one read
    int rowsRead = 0;   // rows of that glyph read so far
    int glyphLine = 0;  // line of its "glyph" line
    int glyphCount = 0;
    int lineNo = 0;
    size_t pos = 0;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;  // byte order mark of some editors

    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string::npos) eol = text.size();
        std::string line = trimmed(text.substr(pos, eol - pos));
        pos = eol + 1;
        ++lineNo;

        if (code >= 0 && rowsRead < cellHeight) {
            std::string which = "row " + std::to_string(rowsRead + 1) + " of glyph " + std::to_string(code);
            if (line.empty() || isGlyphLine(line)) {
                error = at(lineNo, which + " is missing: a glyph has " + std::to_string(cellHeight) + " rows");
                return false;
            }
            for (size_t i = 0; i < line.size(); ++i) {
                if (line[i] != '#' && line[i] != '.') {
                    error = at(lineNo, which + ": bad character " + describeChar(line[i]) + " in column " +
                                           std::to_string(i + 1) + " (ink is '#', background '.')");
                    return false;
                }
            }
            if (static_cast<int>(line.size()) != cellWidth) {
                error = at(lineNo, which + " is " + std::to_string(line.size()) + " pixels wide, the cell is " +
                                       std::to_string(cellWidth));
                return false;
            }
            uint8_t bits = 0;
            for (int x = 0; x < cellWidth; ++x)
                if (line[x] == '#') bits |= static_cast<uint8_t>(0x80u >> x);
            font[static_cast<size_t>(code) * cellHeight + rowsRead] = bits;
            ++rowsRead;
            continue;
        }

        if (line.empty() || isComment(line)) continue;
        if (isGlyphLine(line)) {
            std::string reason;
            int newCode = 0;
            if (!parseGlyphCode(line, newCode, reason)) {
                error = at(lineNo, reason);
                return false;
            }
            if (definedAt[newCode] != 0) {
                error = at(lineNo, "glyph " + std::to_string(newCode) + " is defined twice (first on line " +
                                       std::to_string(definedAt[newCode]) + ")");
                return false;
            }
            definedAt[newCode] = lineNo;
            code = newCode;
            rowsRead = 0;
            glyphLine = lineNo;
            ++glyphCount;
            continue;
        }
        if (isPixelRow(line)) {
            if (code < 0)
                error = at(lineNo, "pixel row before the first 'glyph' line");
            else
                error = at(lineNo, "pixel row outside a glyph: glyph " + std::to_string(code) + " (line " +
                                       std::to_string(glyphLine) + ") already has its " + std::to_string(cellHeight) +
                                       " rows");
            return false;
        }
        if (line[0] == '#') {
            error = at(lineNo, "a comment line starts with \"# \" (hash and blank)");
            return false;
        }
        error = at(lineNo, "expected \"glyph CODE\", a comment or a blank line");
        return false;
    }

    if (code >= 0 && rowsRead < cellHeight) {
        error = at(glyphLine, "glyph " + std::to_string(code) + " has only " + std::to_string(rowsRead) + " of " +
                                  std::to_string(cellHeight) + " rows at the end of the file");
        return false;
    }
    if (glyphCount == 0) {
        error = "the source defines no glyph";
        return false;
    }
    bytes = std::move(font);
    return true;
}
