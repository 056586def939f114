// png.cpp - PNG files of a Canvas, by libpng.
//
// libpng reports errors by longjmp back to a setjmp. So that the jump never skips a C++
// destructor, every object with one is made before the setjmp, and everything the code
// after the jump needs lives in a context struct outside the jumping frames.
#include "platform/png.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace {

// The largest picture readPng accepts, so a damaged or hostile header cannot ask for
// gigabytes.
constexpr png_uint_32 MaxSide = 16384;
constexpr size_t MaxPixels = size_t(1) << 26;

struct PngContext {
    std::jmp_buf jump;
    char message[256] = "";
    FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
};

[[noreturn]] void onPngError(png_structp png, png_const_charp message) {
    auto* context = static_cast<PngContext*>(png_get_error_ptr(png));
    std::snprintf(context->message, sizeof context->message, "%s", message ? message : "libpng error");
    std::longjmp(context->jump, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

void setError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

std::string systemError(const char* what, const std::string& path, int code) {
    return std::string(what) + " " + path + ": " + std::strerror(code);
}

// The libpng part of writePng. Returns false with context.message set on failure.
bool writeRows(PngContext& context, const Canvas& canvas, int colourType, std::vector<png_bytep>& rows) {
    if (setjmp(context.jump)) return false;
    png_init_io(context.png, context.file);
    png_set_IHDR(context.png, context.info, static_cast<png_uint_32>(canvas.width()),
                 static_cast<png_uint_32>(canvas.height()), 8, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_rows(context.png, context.info, rows.data());
    png_write_png(context.png, context.info, PNG_TRANSFORM_IDENTITY, nullptr);
    return true;
}

// The libpng part of readPng, up to the size of the picture. Returns false with
// context.message set on failure.
bool readHeader(PngContext& context, png_uint_32& width, png_uint_32& height) {
    if (setjmp(context.jump)) return false;
    png_init_io(context.png, context.file);
    png_set_sig_bytes(context.png, 8);
    png_set_user_limits(context.png, MaxSide, MaxSide);
    png_read_info(context.png, context.info);

    // Whatever the file holds becomes 8-bit RGB: palettes and small grey depths expand,
    // 16 bits shrink to 8, grey is copied to all three channels and alpha is dropped.
    const int colourType = png_get_color_type(context.png, context.info);
    png_set_expand(context.png);
    png_set_strip_16(context.png);
    png_set_strip_alpha(context.png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(context.png);
    png_set_interlace_handling(context.png);
    png_read_update_info(context.png, context.info);

    width = png_get_image_width(context.png, context.info);
    height = png_get_image_height(context.png, context.info);
    if (png_get_channels(context.png, context.info) != 3 || png_get_bit_depth(context.png, context.info) != 8 ||
        png_get_rowbytes(context.png, context.info) != static_cast<size_t>(width) * 3)
        png_error(context.png, "unsupported pixel format");
    return true;
}

bool readRows(PngContext& context, std::vector<png_bytep>& rows) {
    if (setjmp(context.jump)) return false;
    png_read_image(context.png, rows.data());
    png_read_end(context.png, nullptr);
    return true;
}

// Writes the rows of a canvas-sized picture (RGB or RGBA by colourType) to path.
bool writeFile(const Canvas& canvas, int colourType, std::vector<png_bytep>& rows, const std::string& path,
               std::string* error) {
    PngContext context;
    context.file = std::fopen(path.c_str(), "wb");
    if (!context.file) {
        const int code = errno;
        setError(error, systemError("cannot create", path, code));
        return false;
    }
    context.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &context, onPngError, onPngWarning);
    if (context.png) context.info = png_create_info_struct(context.png);
    bool ok = context.png && context.info;
    if (!ok)
        std::snprintf(context.message, sizeof context.message, "out of memory");
    else
        ok = writeRows(context, canvas, colourType, rows);
    png_destroy_write_struct(&context.png, &context.info);

    if (ok && std::fflush(context.file) != 0) {
        std::snprintf(context.message, sizeof context.message, "%s", std::strerror(errno));
        ok = false;
    }
    if (std::fclose(context.file) != 0 && ok) {
        std::snprintf(context.message, sizeof context.message, "%s", std::strerror(errno));
        ok = false;
    }
    if (!ok) {
        std::remove(path.c_str());
        setError(error, "cannot write " + path + ": " + context.message);
    }
    return ok;
}

}  // namespace

bool writePng(const Canvas& canvas, const std::string& path, std::string* error) {
    if (canvas.width() <= 0 || canvas.height() <= 0) {
        setError(error, "cannot write an empty picture to " + path);
        return false;
    }
    std::vector<png_bytep> rows(static_cast<size_t>(canvas.height()));
    const size_t stride = static_cast<size_t>(canvas.width()) * 3;
    for (size_t y = 0; y < rows.size(); ++y)
        rows[y] = const_cast<png_bytep>(canvas.data() + y * stride);  // libpng only reads them
    return writeFile(canvas, PNG_COLOR_TYPE_RGB, rows, path, error);
}

bool writePng(const Canvas& canvas, const std::vector<uint8_t>& alpha, const std::string& path, std::string* error) {
    if (canvas.width() <= 0 || canvas.height() <= 0) {
        setError(error, "cannot write an empty picture to " + path);
        return false;
    }
    const size_t pixels = static_cast<size_t>(canvas.width()) * static_cast<size_t>(canvas.height());
    if (alpha.size() != pixels) {
        setError(error, "cannot write " + path + ": the alpha plane does not match the picture's size");
        return false;
    }
    std::vector<uint8_t> rgba(pixels * 4);
    for (size_t i = 0; i < pixels; ++i) {
        std::memcpy(&rgba[i * 4], canvas.data() + i * 3, 3);
        rgba[i * 4 + 3] = alpha[i];
    }
    std::vector<png_bytep> rows(static_cast<size_t>(canvas.height()));
    const size_t stride = static_cast<size_t>(canvas.width()) * 4;
    for (size_t y = 0; y < rows.size(); ++y) rows[y] = rgba.data() + y * stride;
    return writeFile(canvas, PNG_COLOR_TYPE_RGB_ALPHA, rows, path, error);
}

bool readPng(const std::string& path, Canvas& canvas, std::string* error) {
    PngContext context;
    context.file = std::fopen(path.c_str(), "rb");
    if (!context.file) {
        const int code = errno;
        setError(error, systemError("cannot open", path, code));
        return false;
    }
    unsigned char signature[8];
    if (std::fread(signature, 1, sizeof signature, context.file) != sizeof signature ||
        png_sig_cmp(signature, 0, sizeof signature) != 0) {
        std::fclose(context.file);
        setError(error, path + " is not a PNG file");
        return false;
    }

    Canvas picture;
    std::vector<png_bytep> rows;
    context.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, onPngError, onPngWarning);
    if (context.png) context.info = png_create_info_struct(context.png);
    bool ok = context.png && context.info;
    if (!ok) std::snprintf(context.message, sizeof context.message, "out of memory");

    png_uint_32 width = 0, height = 0;
    if (ok) ok = readHeader(context, width, height);
    if (ok && static_cast<size_t>(width) * height > MaxPixels) {
        std::snprintf(context.message, sizeof context.message, "picture of %ux%u is too large",
                      static_cast<unsigned>(width), static_cast<unsigned>(height));
        ok = false;
    }
    if (ok) {
        try {
            picture.resize(static_cast<int>(width), static_cast<int>(height));
            rows.resize(height);
        } catch (const std::bad_alloc&) {
            std::snprintf(context.message, sizeof context.message, "out of memory");
            ok = false;
        }
    }
    if (ok) {
        for (size_t y = 0; y < rows.size(); ++y) rows[y] = picture.data() + y * static_cast<size_t>(width) * 3;
        ok = readRows(context, rows);
    }
    png_destroy_read_struct(&context.png, &context.info, nullptr);
    std::fclose(context.file);

    if (!ok) {
        setError(error, "cannot read " + path + ": " + context.message);
        return false;
    }
    canvas = std::move(picture);  // its damage is the whole picture, as after any resize
    return true;
}
