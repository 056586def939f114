// png.h - PNG files of a Canvas (libpng). Used by the simulation's snapshots, golden-image
// tests and tools; the desktop programs do not need it.
//
// Both functions report failure by returning false with a readable reason in *error.
#pragma once

#include <string>

#include "platform/canvas.h"

bool writePng(const Canvas& canvas, const std::string& path, std::string* error);
bool readPng(const std::string& path, Canvas& canvas, std::string* error);
