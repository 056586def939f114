// mkicons: draws the programs' icons and writes them to a folder:
//   NAME-16.png ... NAME-256.png  for the Linux desktop (hicolor sizes)
//   NAME.ico                      for Windows, the same six PNG files in one icon file
// for NAME = ktprog and ktboot. The output is the same bytes on every run, so the committed
// files in data/icons can be checked against it. Usage: mkicons OUTPUT_DIR
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "icons.h"
#include "platform/png.h"

namespace {

const int Sizes[] = {16, 32, 48, 64, 128, 256};

// Enough samples a pixel for smooth edges; big icons need fewer, as an edge pixel is a
// smaller part of the picture.
int samplesFor(int size) { return size <= 64 ? 16 : 8; }

bool readFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

void put16(std::string& out, unsigned v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// An icon file: the directory (reserved 0, type 1 = icon, count), one 16-byte entry per
// image, then the images. Each image is a whole PNG file, which Windows reads since Vista.
struct IcoImage {
    int size;
    std::string png;
};

std::string makeIco(const std::vector<IcoImage>& images) {
    std::string out;
    put16(out, 0);
    put16(out, 1);
    put16(out, static_cast<unsigned>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (const IcoImage& image : images) {
        const unsigned side = image.size >= 256 ? 0 : static_cast<unsigned>(image.size);  // 0 means 256
        out += static_cast<char>(side);
        out += static_cast<char>(side);
        out += '\0';     // colours in a palette: none
        out += '\0';     // reserved
        put16(out, 1);   // colour planes
        put16(out, 32);  // bits a pixel
        put32(out, static_cast<uint32_t>(image.png.size()));
        put32(out, offset);
        offset += static_cast<uint32_t>(image.png.size());
    }
    for (const IcoImage& image : images) out += image.png;
    return out;
}

bool writeIcon(const std::string& dir, const std::string& name, Picture (*draw)(int)) {
    std::vector<IcoImage> images;
    for (int size : Sizes) {
        Canvas colour;
        std::vector<uint8_t> alpha;
        draw(size).render(samplesFor(size), colour, alpha);
        const std::string path = dir + "/" + name + "-" + std::to_string(size) + ".png";
        std::string error;
        if (!writePng(colour, alpha, path, &error)) {
            std::fprintf(stderr, "mkicons: %s\n", error.c_str());
            return false;
        }
        images.push_back({size, {}});
        if (!readFile(path, images.back().png)) {
            std::fprintf(stderr, "mkicons: cannot read back %s\n", path.c_str());
            return false;
        }
    }
    const std::string path = dir + "/" + name + ".ico";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << makeIco(images);
    out.close();
    if (!out) {
        std::fprintf(stderr, "mkicons: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkicons OUTPUT_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "mkicons: cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
        return 1;
    }
    if (!writeIcon(dir, "ktprog", knobIcon) || !writeIcon(dir, "ktboot", chipIcon)) return 1;
    return 0;
}
