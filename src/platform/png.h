// png.h - PNG files of a Canvas (libpng). Used by the simulation's snapshots, golden-image
// tests and tools; the desktop programs do not need it.
//
// Each function reports failure by returning false with a readable reason in *error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/canvas.h"

bool writePng(const Canvas& canvas, const std::string& path, std::string* error);
// The same as 8-bit RGBA: the canvas's colours with alpha[y * width + x] beside each pixel
// (0 transparent, 255 opaque). alpha must hold exactly width * height bytes.
bool writePng(const Canvas& canvas, const std::vector<uint8_t>& alpha, const std::string& path, std::string* error);
bool readPng(const std::string& path, Canvas& canvas, std::string* error);
