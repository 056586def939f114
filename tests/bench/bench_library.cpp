// bench_library.cpp - the library at its intended scale, measured once each (library.sh runs it):
//   kt_library_bench SOURCE_DIR WORK_DIR
// Makes a start directory in WORK_DIR with the shipped panel and a library of 10,000 programs
// in 100 folders, then prints: the first read (no index), a later read (with the index), one
// filter keystroke over all rows ("lea" -> "lead") and the peak memory of the process.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "editor/declaration/declaration.h"
#include "editor/declaration/identity.h"
#include "editor/library/catalog.h"
#include "editor/preset/programfile.h"
#include "editor/program/program.h"
#include "editor/shell/shell.h"
#include "platform/sim/sim.h"
#include "shared/datafile/textfile.h"

namespace fs = std::filesystem;

namespace {

double millisecondsOf(void (*step)()) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void readLibrary() {
    std::string reason;
    if (!readCatalog(reason)) {
        std::fprintf(stderr, "library not read: %s\n", reason.c_str());
        std::exit(1);
    }
}

size_t FilterRows = 0;
void keystroke() { FilterRows = filterCatalog("lead").size(); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kt_library_bench SOURCE_DIR WORK_DIR\n");
        return 2;
    }
    const fs::path source = argv[1], work = fs::path(argv[2]) / "start";
    fs::remove_all(work);
    fs::create_directories(work);
    for (const char* name : {"KtProg.DAT", "CHR4.BIN", "CHR6.BIN"}) fs::copy_file(source / "data" / name, work / name);
    sim::reset(work.string());
    resetEditorState();
    StartDirectory = work.string();
    DataDirectory = StartDirectory;
    loadDeclarationFile("KtProg");
    startDeclaredProgram();

    // 10,000 programs: every value drawn from its pot's range, a name a filter can look for.
    const char* const kinds[] = {"Lead", "Pad", "Bass", "Keys", "Brass", "Strings", "FX", "Organ"};
    std::mt19937 random(1);
    const fs::path library = work / "library";
    for (int folder = 0; folder < 100; ++folder) {
        const fs::path dir = library / ("bank " + std::to_string(folder));
        fs::create_directories(dir);
        for (int k = 0; k < 100; ++k) {
            std::vector<int16_t> values = ProgramValues;
            for (int f = 0, j = 0; f < FieldCount; ++f) {
                for (int p = 0; p < FieldPotCount[f]; ++p, ++j) {
                    values[static_cast<size_t>(j)] = static_cast<int16_t>(
                        std::uniform_int_distribution<int>(PotMin[f][p], std::max(PotMin[f][p], PotMax[f][p]))(random));
                }
            }
            const std::string name = std::to_string(k) + " " + kinds[random() % 8] + " " + std::to_string(random() % 1000);
            std::ofstream(dir / (name + ".prg"), std::ios::binary) << textFileContents(programFileLines(values));
        }
    }
    LibraryFolder = library.string();

    const double first = millisecondsOf(readLibrary);
    const size_t programs = Catalog.size();
    const double later = millisecondsOf(readLibrary);
    const double filter = millisecondsOf(keystroke);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("programs read:            %zu (unreadable %d)\n", programs, CatalogUnreadable);
    std::printf("first read, no index:     %.0f ms   (target < 3000)\n", first);
    std::printf("later read, with index:   %.0f ms   (target < 300)\n", later);
    std::printf("filter keystroke:         %.2f ms  (%zu rows; target < 16)\n", filter, FilterRows);
    std::printf("peak memory (max RSS):    %.1f MB   (target < 64)\n", usage.ru_maxrss / 1024.0);
    const bool met = programs == 10000 && first < 3000 && later < 300 && filter < 16 && usage.ru_maxrss < 64 * 1024;
    std::printf("%s\n", met ? "all targets met" : "a target was missed");
    return met ? 0 : 1;
}
