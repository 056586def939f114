#include "shared/datafile/textfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "shared/message/message.h"

bool writeFileSafely(const std::string& path, const std::string& contents, std::string& error) {
    const std::string temporary = path + ".new~";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size();
    if (!ok) error = std::strerror(errno);
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = std::strerror(errno);
    }
    std::error_code ec;
    if (ok) {
        std::filesystem::rename(temporary, path, ec);
        if (ec) {
            ok = false;
            error = ec.message();
        }
    }
    if (!ok) std::filesystem::remove(temporary, ec);
    return ok;
}

bool writeFileSafelyOrSay(const std::string& path, const std::string& contents) {
    std::string error;
    if (writeFileSafely(path, contents, error)) return true;
    showMessage("  " + path, "  not written: " + error);
    return false;
}

std::string textFileContents(const std::vector<std::string>& lines) {
    std::string contents;
    for (const std::string& line : lines) contents += line + "\r\n";
    return contents;
}

bool writeTextFile(const std::string& path, const std::vector<std::string>& lines, std::string& error) {
    return writeFileSafely(path, textFileContents(lines), error);
}

bool writeTextFileOrSay(const std::string& path, const std::vector<std::string>& lines) {
    return writeFileSafelyOrSay(path, textFileContents(lines));
}

std::string formatNumber(long n) {
    return n < 0 ? std::to_string(n) : " " + std::to_string(n);
}

void padToColumn(std::string& text, size_t column) {
    if (text.size() < column) text.append(column - text.size(), ' ');
}
