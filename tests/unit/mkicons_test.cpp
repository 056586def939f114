// Tests of the icons: how mkicons draws (coverage and painting order), the PNG writer's alpha
// channel, and the committed files in data/icons read the way a desktop and Windows read them.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/png.h"
#include "raster.h"

namespace {

const int Sizes[] = {16, 32, 48, 64, 128, 256};
const char* const Programs[] = {"ktprog", "ktboot"};
const Rgb Ink{200, 40, 90};  // three different bytes, so a mixed-up channel shows

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string iconPath(const std::string& name) { return std::string(KT_SOURCE_DIR) + "/data/icons/" + name; }

// A PNG file decoded by libpng into 8-bit RGBA, whatever it holds.
struct Decoded {
    bool ok = false;
    int width = 0, height = 0;
    bool hasAlpha = false;  // the file itself has an alpha channel
    std::vector<uint8_t> rgba;
    int alpha(int x, int y) const { return rgba[(static_cast<size_t>(y) * width + x) * 4 + 3]; }
};

Decoded decodePng(const std::string& bytes) {
    Decoded d;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return d;
    d.hasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    image.format = PNG_FORMAT_RGBA;
    d.width = static_cast<int>(image.width);
    d.height = static_cast<int>(image.height);
    d.rgba.resize(PNG_IMAGE_SIZE(image));
    d.ok = png_image_finish_read(&image, nullptr, d.rgba.data(), 0, nullptr) != 0;
    return d;
}

unsigned get16(const std::string& b, size_t at) {
    return static_cast<uint8_t>(b[at]) | static_cast<unsigned>(static_cast<uint8_t>(b[at + 1])) << 8;
}
uint32_t get32(const std::string& b, size_t at) { return get16(b, at) | static_cast<uint32_t>(get16(b, at + 2)) << 16; }

struct Rendered {
    Canvas colour;
    std::vector<uint8_t> alpha;
    int a(int x, int y) const { return alpha[static_cast<size_t>(y) * colour.width() + x]; }
};

Rendered render(const Picture& picture, int samples) {
    Rendered r;
    picture.render(samples, r.colour, r.alpha);
    return r;
}

}  // namespace

// ---- drawing ----

TEST(IconRaster, AnEdgeGetsTheShareOfThePixelItCoversAndKeepsItsColour) {
    Picture p(4);
    p.roundRect(1, 0, 2.5, 4, 0, Paint::solid(Ink));
    const Rendered r = render(p, 16);
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(r.a(0, y), 0) << "row " << y;
        EXPECT_EQ(r.a(1, y), 255) << "row " << y;
        EXPECT_EQ(r.a(2, y), 128) << "row " << y;  // half of the pixel
        EXPECT_EQ(r.a(3, y), 0) << "row " << y;
    }
    // The colour of a half-covered pixel is the shape's: the coverage is in alpha only.
    EXPECT_EQ(r.colour.pixel(2, 1), Ink);
    EXPECT_EQ(r.colour.pixel(1, 3), Ink);
}

TEST(IconRaster, ShapesPaintInOrderAndATranslucentOneLetsThroughWhatIsBelow) {
    Picture p(3);
    p.roundRect(0, 0, 2, 3, 0, Paint::solid(Rgb{255, 255, 255}));
    p.roundRect(1, 0, 3, 3, 0, Paint::solid(Rgb{0, 0, 0}, 90));  // a shadow over white and over nothing
    p.roundRect(0, 2, 1, 3, 0, Paint::solid(Ink));               // opaque over white: only Ink remains
    const Rendered r = render(p, 4);
    EXPECT_EQ(r.colour.pixel(0, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(r.a(1, 0), 255);
    EXPECT_NEAR(r.colour.pixel(1, 0).r, 165, 1);  // 255 * (255 - 90) / 255
    EXPECT_EQ(r.a(2, 0), 90);
    EXPECT_EQ(r.colour.pixel(2, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(r.colour.pixel(0, 2), Ink);
    EXPECT_EQ(r.a(0, 2), 255);
}

TEST(IconRaster, ACircleCoversItsAreaSymmetricallyAndAnglesRunClockwiseFromTwelve) {
    Picture p(32);
    p.circle({16, 16}, 10, Paint::solid(Ink));
    const Rendered r = render(p, 16);
    long sum = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            sum += r.a(x, y);
            ASSERT_EQ(r.a(x, y), r.a(31 - x, y)) << x << "," << y;
            ASSERT_EQ(r.a(x, y), r.a(x, 31 - y)) << x << "," << y;
        }
    EXPECT_NEAR(sum / 255.0, 3.14159265 * 100, 1.0);

    // A knob's scale and pointer are placed by onCircle: 0 degrees is up, 90 is right.
    const Point up = onCircle(5, 5, 2, 0), right = onCircle(5, 5, 2, 90), down = onCircle(5, 5, 2, 180);
    EXPECT_NEAR(up.x, 5, 1e-6);
    EXPECT_NEAR(up.y, 3, 1e-6);
    EXPECT_NEAR(right.x, 7, 1e-6);
    EXPECT_NEAR(right.y, 5, 1e-6);
    EXPECT_NEAR(down.y, 7, 1e-6);
}

// ---- the PNG writer's alpha channel ----

TEST(PngAlpha, EveryChannelOfEveryPixelComesBack) {
    Canvas canvas(3, 2);
    const Rgb colours[6] = {{1, 2, 3}, {250, 0, 7}, Ink, {0, 0, 0}, {255, 255, 255}, {9, 99, 199}};
    for (int i = 0; i < 6; ++i) canvas.setPixel(i % 3, i / 3, colours[i]);
    const std::vector<uint8_t> alpha{0, 1, 128, 200, 254, 255};
    const std::string path = ::testing::TempDir() + "mkicons_test_alpha.png";
    std::string error;
    ASSERT_TRUE(writePng(canvas, alpha, path, &error)) << error;

    const Decoded d = decodePng(readFile(path));
    ASSERT_TRUE(d.ok);
    EXPECT_TRUE(d.hasAlpha);
    ASSERT_EQ(d.width, 3);
    ASSERT_EQ(d.height, 2);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(d.rgba[i * 4 + 0], colours[i].r) << "pixel " << i;
        EXPECT_EQ(d.rgba[i * 4 + 1], colours[i].g) << "pixel " << i;
        EXPECT_EQ(d.rgba[i * 4 + 2], colours[i].b) << "pixel " << i;
        EXPECT_EQ(d.rgba[i * 4 + 3], alpha[i]) << "pixel " << i;
    }
    std::remove(path.c_str());
}

TEST(PngAlpha, AnAlphaPlaneOfTheWrongSizeIsRefusedAndNoFileIsLeft) {
    const std::string path = ::testing::TempDir() + "mkicons_test_short.png";
    std::remove(path.c_str());
    std::string error;
    EXPECT_FALSE(writePng(Canvas(3, 2), std::vector<uint8_t>(5, 255), path, &error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_FALSE(std::ifstream(path).good());
}

// ---- the committed icons ----

TEST(Icons, EachIcoHoldsTheSixPngFilesInOrderOfSize) {
    for (const char* program : Programs) {
        SCOPED_TRACE(program);
        const std::string ico = readFile(iconPath(std::string(program) + ".ico"));
        ASSERT_GE(ico.size(), 6u + 16 * 6);
        EXPECT_EQ(get16(ico, 0), 0u);  // reserved
        EXPECT_EQ(get16(ico, 2), 1u);  // an icon (2 would be a cursor)
        ASSERT_EQ(get16(ico, 4), 6u);
        size_t end = 6 + 16 * 6;  // the images follow the directory, one after the other
        for (int i = 0; i < 6; ++i) {
            const int size = Sizes[i];
            SCOPED_TRACE(size);
            const size_t entry = 6 + 16 * static_cast<size_t>(i);
            const int width = static_cast<uint8_t>(ico[entry]), height = static_cast<uint8_t>(ico[entry + 1]);
            EXPECT_EQ(width == 0 ? 256 : width, size);
            EXPECT_EQ(height == 0 ? 256 : height, size);
            EXPECT_EQ(ico[entry + 2], 0);  // no palette
            EXPECT_EQ(get16(ico, entry + 4), 1u);
            EXPECT_EQ(get16(ico, entry + 6), 32u);
            const uint32_t length = get32(ico, entry + 8), offset = get32(ico, entry + 12);
            ASSERT_GE(offset, end) << "overlaps the directory or the image before";
            ASSERT_LE(static_cast<uint64_t>(offset) + length, ico.size()) << "runs past the end of the file";
            end = offset + length;

            const std::string png = ico.substr(offset, length);
            ASSERT_EQ(png.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0) << "does not start as a PNG file";
            const Decoded d = decodePng(png);
            ASSERT_TRUE(d.ok);
            EXPECT_EQ(d.width, size);
            EXPECT_EQ(d.height, size);
            EXPECT_TRUE(png == readFile(iconPath(std::string(program) + "-" + std::to_string(size) + ".png")))
                << "is not the same as the PNG file of that size";
        }
        EXPECT_EQ(end, ico.size()) << "bytes after the last image";
    }
}

TEST(Icons, EveryPngIsRgbaOfItsSizeWithClearCornersAndASolidMiddle) {
    for (const char* program : Programs) {
        for (int size : Sizes) {
            const std::string name = std::string(program) + "-" + std::to_string(size) + ".png";
            SCOPED_TRACE(name);
            const Decoded d = decodePng(readFile(iconPath(name)));
            ASSERT_TRUE(d.ok) << "not a PNG file";
            EXPECT_TRUE(d.hasAlpha);
            ASSERT_EQ(d.width, size);
            ASSERT_EQ(d.height, size);
            const int last = size - 1, mid = size / 2;
            EXPECT_EQ(d.alpha(0, 0), 0);
            EXPECT_EQ(d.alpha(last, 0), 0);
            EXPECT_EQ(d.alpha(0, last), 0);
            EXPECT_EQ(d.alpha(last, last), 0);
            EXPECT_EQ(d.alpha(mid - 1, mid - 1), 255);
            EXPECT_EQ(d.alpha(mid, mid - 1), 255);
            EXPECT_EQ(d.alpha(mid - 1, mid), 255);
            EXPECT_EQ(d.alpha(mid, mid), 255);
        }
    }
}
