// golden.h - golden image files: a canvas (or a part of it) compared pixel for pixel with a
// committed PNG in tests/golden; with UPDATE_GOLDEN=1 in the environment the PNG is written
// instead (look at it, and at its git diff, before committing it).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/canvas.h"
#include "platform/png.h"

#ifndef KT_SOURCE_DIR
#error "KT_SOURCE_DIR must name the repository"
#endif

inline Canvas cropCanvas(const Canvas& source, int x, int y, int w, int h) {
    Canvas part(w, h);
    part.copyFrom(source, x, y, w, h, 0, 0);
    return part;
}

inline void expectGoldenImage(const Canvas& canvas, const std::string& name) {
    const std::string path = std::string(KT_SOURCE_DIR) + "/tests/golden/" + name;
    std::string error;
    const char* update = std::getenv("UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1") {
        ASSERT_TRUE(writePng(canvas, path, &error)) << error;
        return;
    }
    Canvas golden;
    ASSERT_TRUE(readPng(path, golden, &error)) << path << ": " << error << " (UPDATE_GOLDEN=1 creates it)";
    ASSERT_EQ(golden.width(), canvas.width()) << name;
    ASSERT_EQ(golden.height(), canvas.height()) << name;
    int differing = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            if (canvas.pixel(x, y) != golden.pixel(x, y) && differing++ == 0) {
                firstX = x;
                firstY = y;
            }
        }
    }
    if (differing > 0) {
        writePng(canvas, ::testing::TempDir() + "/actual_" + name, &error);
        ADD_FAILURE() << name << ": " << differing << " pixels differ, the first at (" << firstX << ", " << firstY
                      << "); this run's picture: " << ::testing::TempDir() << "/actual_" << name;
    }
}
