// editor_fixture.h - a fresh editor on the simulated machine for each test: a temporary
// start directory, every global reset, the transcript captured, and helpers to write files
// and to answer message windows.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include <utility>

#include "editor/declaration/declaration.h"
#include "editor/declaration/identity.h"
#include "editor/panel/palette.h"
#include "editor/preset/effects.h"
#include "editor/program/program.h"
#include "editor/shell/shell.h"
#include "platform/events.h"
#include "platform/sim/sim.h"
#include "shared/datafile/datafile.h"
#include "shared/midi/devices.h"

class EditorFixture : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Home = std::filesystem::path(::testing::TempDir()) / (std::string("kt_") + info->test_suite_name() + "_" + info->name());
        std::filesystem::remove_all(Home);
        std::filesystem::create_directories(Home);
        freshEditor();
    }
    void TearDown() override {
        sim::setTranscript(nullptr);
        resetEditorState();
    }

    // A fresh machine and editor in Home, the transcript emptied: what SetUp does, and what a
    // test of several cases does before each.
    void freshEditor() {
        Out.str("");
        sim::reset(Home.string());
        sim::setTranscript(&Out);
        resetEditorState();
        StartDirectory = Home.string();
        DataDirectory = StartDirectory;
    }

    std::string path(const std::string& name) const { return (Home / name).string(); }

    void writeFile(const std::string& name, const std::string& content) const {
        std::ofstream out(path(name), std::ios::binary);
        out << content;
    }

    std::string readFile(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

#ifdef KT_SOURCE_DIR
    // Puts the shipped panel and fonts into the start directory.
    void copyShippedData() const {
        for (const char* name : {"KtProg.DAT", "CHR4.BIN", "CHR6.BIN"}) {
            std::filesystem::copy_file(std::string(KT_SOURCE_DIR) + "/data/" + name, path(name));
        }
    }
    // A program folder "progs" beside them, for the folder commands.
    void makeProgramFolder() const { std::filesystem::create_directories(path("progs")); }
    // A shipped example program copied into "progs" under another name.
    void copyProgram(const std::string& shipped, const std::string& as) const {
        std::filesystem::copy_file(std::string(KT_SOURCE_DIR) + "/data/programs/" + shipped, path("progs/" + as));
    }
#endif

    // Queues n key presses, one per virtual millisecond from now, to answer message windows.
    void answerMessages(int n) {
        for (int i = 1; i <= n; ++i) {
            Event e;
            e.kind = EventKind::Key;
            e.key = ' ';
            sim::scheduleEvent(sim::now() + i, e);
        }
        sim::setScriptEnd(sim::now() + n);
    }

    // Runs f; false when the program ended inside it.
    template <typename F>
    bool runs(F f) {
        try {
            f();
            return true;
        } catch (const sim::ProgramEnded&) {
            return false;
        }
    }

    // The transcript lines of one kind with their virtual times.
    std::vector<std::pair<uint32_t, std::string>> timed(const std::string& kind) const {
        std::vector<std::pair<uint32_t, std::string>> found;
        std::istringstream in(Out.str());
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream words(line);
            std::string time, k;
            words >> time >> k;
            if (k == kind) found.emplace_back(std::stoul(time), line.substr(time.size() + k.size() + 2));
        }
        return found;
    }

    // The transcript lines of one kind ("message", "alert", ...), payload only.
    std::vector<std::string> lines(const std::string& kind) const {
        std::vector<std::string> found;
        for (auto& [time, payload] : timed(kind)) found.push_back(payload);
        return found;
    }

    std::filesystem::path Home;
    std::ostringstream Out;
};

// A declaration with the editor's fixed numbering (12 fields of 12, 12, 12, 12, 8, 2, 6, 7,
// 7, 7, 4, 15 pots, 22 labels): every pot 0..127 with default 64, except those changed by
// the caller through `pot` lines. Parameters are counted over the fields in order.
struct DeclarationText {
    int sliderTravel = 64;
    std::string symbols;  // lines between SYMBOL_START and SYMBOL_END (none: no section)
    int labelCount = 22;
    std::vector<int> potCounts{12, 12, 12, 12, 8, 2, 6, 7, 7, 7, 4, 15};
    // Per parameter overrides: max, default, min.
    std::vector<std::array<int, 3>> ranges;

    std::string text() const;
};

inline std::string DeclarationText::text() const {
    std::ostringstream s;
    s << "; test declaration\r\n";
    if (!symbols.empty()) s << "SYMBOL_START\r\n" << symbols << "SYMBOL_END\r\n";
    s << sliderTravel << "\r\n" << potCounts.size() << "\r\n15\r\n400\r\n60\r\n10\r\n10\r\n1340\r\n715\r\n";
    s << "0\r\n0\r\n0\r\n0\r\n0\r\n";
    s << labelCount << "\r\n";
    for (int i = 0; i < labelCount; ++i) s << 100 + i << "\r\n" << 10 << "\r\n" << 6 << "\r\nLABEL" << i << "\r\n";
    s << "1\r\n11\r\n5\r\n5\r\n100\r\n100\r\n";
    int j = 0;
    for (size_t f = 0; f < potCounts.size(); ++f) {
        s << 10 + 40 * f << "\r\n" << 20 << "\r\n" << 40 << "\r\n" << potCounts[f] << "\r\n";
        for (int p = 0; p < potCounts[f]; ++p, ++j) {
            int max = 127, def = 64, min = 0;
            if (f == 11 && p == 0) max = 3, def = 1, min = 0;
            if (j < static_cast<int>(ranges.size()) && ranges[j][0] != ranges[j][2]) {
                max = ranges[j][0], def = ranges[j][1], min = ranges[j][2];
            }
            s << max << "\r\n" << def << "\r\n" << min << "\r\n" << " \r\n" << "P" << j << "|L2\r\n";
        }
    }
    return s.str();
}
