// mkfont - builds a binary font file of the editor from its readable source:
//
//   mkfont small SOURCE.txt OUT.BIN    6x6 cells  (CHR4.BIN, 1536 bytes)
//   mkfont large SOURCE.txt OUT.BIN    8x8 cells  (CHR6.BIN, 2048 bytes)
//
// The source format is described in fontsource.h and at the top of data/fonts/*.txt. On any
// fault mkfont names the file and line on stderr, leaves OUT.BIN untouched and exits with 1.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "fontsource.h"

namespace {

int usage() {
    std::cerr << "usage: mkfont small|large SOURCE.txt OUT.BIN\n"
                 "  small: 6x6 pixel cells (CHR4.BIN), large: 8x8 pixel cells (CHR6.BIN)\n";
    return 1;
}

bool readFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buf;
    buf << in.rdbuf();
    text = buf.str();
    return !in.bad();
}

// Writes to OUT.tmp first and renames it, so that a failed write leaves no half file behind.
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::remove(tmp.c_str());
            return false;
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) == 0) return true;
    std::remove(path.c_str());  // on Windows rename does not replace an existing file
    if (std::rename(tmp.c_str(), path.c_str()) == 0) return true;
    std::remove(tmp.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return usage();
    std::string kind = argv[1], source = argv[2], output = argv[3];
    int width = 0, height = 0;
    if (kind == "small") {
        width = 6;
        height = 6;
    } else if (kind == "large") {
        width = 8;
        height = 8;
    } else {
        return usage();
    }

    std::string text;
    if (!readFile(source, text)) {
        std::cerr << "mkfont: cannot read " << source << "\n";
        return 1;
    }
    std::vector<uint8_t> bytes;
    std::string error;
    if (!parseFontSource(text, width, height, bytes, error)) {
        std::cerr << "mkfont: " << source << ": " << error << "\n";
        return 1;
    }
    if (!writeFile(output, bytes)) {
        std::cerr << "mkfont: cannot write " << output << "\n";
        return 1;
    }
    return 0;
}
