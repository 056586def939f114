#include "shared/datafile/options.h"

#include <filesystem>

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

bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

bool needsQuotes(const std::string& value) {
    if (value.empty()) return false;
    if (value.front() == '"' || value.front() == ' ' || value.front() == '\t') return true;
    if (value.back() == ' ' || value.back() == '\t') return true;
    for (char c : value) {
        if (isControl(c)) return true;
    }
    return false;
}

std::string quotedValue(const std::string& value) {
    std::string out = "\"";
    for (char c : value) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default:
            if (isControl(c)) {
                static const char Hex[] = "0123456789ABCDEF";
                const unsigned char byte = static_cast<unsigned char>(c);
                out += "\\x";
                out += Hex[byte >> 4];
                out += Hex[byte & 0x0F];
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The value inside double quotes, without its escapes; false when it is not such a value.
bool unquotedValue(const std::string& text, std::string& value) {
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') return false;
    value.clear();
    for (size_t i = 1; i + 1 < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') return false;
        if (c != '\\') {
            value += c;
            continue;
        }
        if (i + 2 >= text.size()) return false;  // the closing quote cannot be escaped
        const char e = text[++i];
        if (e == '"' || e == '\\') value += e;
        else if (e == 't') value += '\t';
        else if (e == 'n') value += '\n';
        else if (e == 'r') value += '\r';
        else if (e == 'x' && i + 3 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            value += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

std::vector<OptionLine> readOptionLines(const std::string& path) {
    std::vector<OptionLine> lines;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return lines;  // no file: the defaults hold
    if (refuseOversizedFile(path)) return lines;           // said; the defaults hold
    std::string contents, why;
    // A file that grew past the limit while it was read is taken up to the limit; any other
    // failure (not a regular file, no permission, a read error) is said.
    const bool cut = !readWholeFile(path, MaxOptionBytes, contents, why) && contents.size() > MaxOptionBytes;
    if (cut) {
        contents.resize(MaxOptionBytes);
    } else if (!why.empty()) {
        showMessage("  " + path, "  " + why);
        return lines;
    }
    size_t start = 0;
    while (start < contents.size()) {
        // Lines end with CR LF, LF or a lone CR.
        size_t end = contents.find_first_of("\r\n", start);
        size_t next = end + 1;
        if (end == std::string::npos) {
            if (cut) break;  // the line the limit cut in two is not taken
            end = next = contents.size();
        } else if (contents[end] == '\r' && next < contents.size() && contents[next] == '\n') {
            ++next;
        }
        OptionLine option;
        if (parseLine(contents.substr(start, end - start), option)) {
            std::string value;
            if (unquotedValue(option.value, value)) option.value = value;
            lines.push_back(std::move(option));
        }
        start = next;
    }
    return lines;
}

bool writeOptionLines(const std::string& path, const std::vector<OptionLine>& lines, std::string& reason) {
    std::vector<std::string> text;
    text.reserve(lines.size());
    for (const OptionLine& line : lines) {
        // An empty value is written "key =", without a blank at the end of the line.
        text.push_back(line.value.empty() ? line.key + " ="
                                          : line.key + " = " + (needsQuotes(line.value) ? quotedValue(line.value) : line.value));
    }
    return writeTextFile(path, text, reason);
}

void keepOptionLines(const std::string& path, const std::vector<OptionLine>& lines, bool tellUser, bool& warned) {
    std::string reason;
    if (writeOptionLines(path, lines, reason) || !tellUser || warned) return;
    warned = true;
    showMessage(" The options cannot be kept:", "  " + path + ": " + reason);
}
