// fuzz_editor_files.h - shared set-up of the fuzz targets of the editor's file readers: a
// fresh simulated machine whose start directory holds the shipped panel (or the input itself,
// for the declaration target), with message windows answered by keys so the readers go on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "editor/declaration/declaration.h"
#include "editor/preset/effects.h"
#include "editor/program/program.h"
#include "editor/shell/shell.h"
#include "platform/events.h"
#include "platform/sim/sim.h"
#include "shared/datafile/datafile.h"
#include "shared/midi/devices.h"

#ifndef KT_SOURCE_DIR
#error "KT_SOURCE_DIR must name the repository"
#endif

namespace fuzzing {

inline const std::string& home() {
    static const std::string folder = [] {
        auto dir = std::filesystem::temp_directory_path() / ("kt_fuzz_" + std::to_string(std::random_device()()));
        std::filesystem::create_directories(dir);
        return dir.string();
    }();
    return folder;
}

inline void writeFile(const std::string& name, const uint8_t* data, size_t size) {
    std::ofstream out(home() + "/" + name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// The simulated machine's transcript of the current input.
inline std::ostringstream& transcript() {
    static std::ostringstream out;
    return out;
}

// Message windows in the transcript since freshMachine.
inline int messageWindows() {
    int count = 0;
    std::istringstream in(transcript().str());
    for (std::string line; std::getline(in, line);) {
        if (line.find(" message ") != std::string::npos) ++count;
    }
    return count;
}

// One file read shows at most its three problem windows and the "more errors" one, and
// holds no more of a line than the reader's bound.
inline void checkReadBounds(int windowsBefore) {
    if (messageWindows() - windowsBefore > MaxDataFileMessages + 1) __builtin_trap();
    if (DataLinePeak > MaxDataLineBytes + 1) __builtin_trap();
}

// A fresh editor state; message windows get up to 64 key presses.
inline void freshMachine() {
    transcript().str("");
    sim::reset(home());
    sim::setTranscript(&transcript());
    resetEditorState();
    StartDirectory = home();
    DataDirectory = home();
    for (int i = 1; i <= 64; ++i) {
        Event key;
        key.kind = EventKind::Key;
        key.key = ' ';
        sim::scheduleEvent(static_cast<uint32_t>(i), key);
    }
    sim::setScriptEnd(64);
}

// Loads the shipped panel; false when it cannot (the target then has nothing to test).
inline bool loadShippedPanel() {
    static const bool copied = [] {
        std::error_code ec;
        std::filesystem::copy_file(std::string(KT_SOURCE_DIR) + "/data/KtProg.DAT", home() + "/KtProg.DAT",
                                   std::filesystem::copy_options::overwrite_existing, ec);
        return !ec;
    }();
    if (!copied) return false;
    try {
        loadDeclarationFile("KtProg");
        startDeclaredProgram();
        followEffectType();
        return true;
    } catch (const sim::ProgramEnded&) {
        return false;
    }
}

// Every value must lie in its pot's range after a file was taken in.
inline void checkProgramInRange() {
    int j = 0;
    for (int f = 0; f < FieldCount; ++f) {
        for (int p = 0; p < FieldPotCount[f]; ++p, ++j) {
            if (ProgramValues[j] < PotMin[f][p] || ProgramValues[j] > PotMax[f][p]) __builtin_trap();
        }
    }
    if (CurrentEffectType > 3) __builtin_trap();
}

}  // namespace fuzzing
