#include "shared/datafile/textfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "shared/message/message.h"

bool writeTextFile(const std::string& path, const std::vector<std::string>& lines, std::string& error) {
    const std::string temporary = path + ".new~";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    bool ok = true;
    for (const std::string& line : lines) {
        if (std::fwrite(line.data(), 1, line.size(), file) != line.size() || std::fwrite("\r\n", 1, 2, file) != 2) {
            ok = false;
            break;
        }
    }
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

bool writeTextFileOrSay(const std::string& path, const std::vector<std::string>& lines) {
    std::string error;
    if (writeTextFile(path, lines, error)) return true;
    showMessage("  " + path, "  not written: " + error);
    return false;
}

std::string formatNumber(long n) {
    return n < 0 ? std::to_string(n) : " " + std::to_string(n);
}

void padToColumn(std::string& text, size_t column) {
    if (text.size() < column) text.append(column - text.size(), ' ');
}
