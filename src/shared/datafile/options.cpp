#include "shared/datafile/options.h"

#include <fstream>

#include "shared/datafile/datafile.h"
#include "shared/datafile/textfile.h"
#include "shared/message/message.h"

namespace {

constexpr size_t MaxOptionBytes = MaxDataFileBytes;  // of a file whose size is not known beforehand
constexpr size_t MaxLineLength = 1000;

std::string trimmed(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const size_t last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

bool isKeyCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

bool parseLine(const std::string& line, OptionLine& option) {
    if (line.size() > MaxLineLength) return false;
    for (char c : line) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return false;
    }
    const std::string text = trimmed(line);
    if (text.empty() || text[0] == ';') return false;
    const size_t equals = text.find('=');
    if (equals == std::string::npos) return false;
    option.key = trimmed(text.substr(0, equals));
    option.value = trimmed(text.substr(equals + 1));
    if (option.key.empty()) return false;
    for (char c : option.key) {
        if (!isKeyCharacter(c)) return false;
    }
    return true;
}

}  // namespace

std::vector<OptionLine> readOptionLines(const std::string& path) {
    std::vector<OptionLine> lines;
    if (refuseOversizedFile(path)) return lines;  // said; the defaults hold
    std::ifstream in(path, std::ios::binary);
    if (!in) return lines;
    std::string contents(MaxOptionBytes, '\0');
    in.read(contents.data(), static_cast<std::streamsize>(contents.size()));
    contents.resize(static_cast<size_t>(in.gcount()));
    const bool cut = contents.size() == MaxOptionBytes && in.peek() != std::char_traits<char>::eof();
    size_t start = 0;
    while (start < contents.size()) {
        size_t end = contents.find('\n', start);
        if (end == std::string::npos) {
            if (cut) break;  // the line the limit cut in two is not taken
            end = contents.size();
        }
        std::string line = contents.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        OptionLine option;
        if (parseLine(line, option)) lines.push_back(std::move(option));
        start = end + 1;
    }
    return lines;
}

bool writeOptionLines(const std::string& path, const std::vector<OptionLine>& lines, std::string& reason) {
    std::vector<std::string> text;
    text.reserve(lines.size());
    for (const OptionLine& line : lines) text.push_back(line.key + " = " + line.value);
    return writeTextFile(path, text, reason);
}

void keepOptionLines(const std::string& path, const std::vector<OptionLine>& lines, bool tellUser, bool& warned) {
    std::string reason;
    if (writeOptionLines(path, lines, reason) || !tellUser || warned) return;
    warned = true;
    showMessage(" The options cannot be kept:", "  " + path + ": " + reason);
}
