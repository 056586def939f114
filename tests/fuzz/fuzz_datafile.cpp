// Fuzz target of the data-file reader and the expression evaluator.
//
// Input: lines up to a line "%%" are symbol lines, each passed to declareSymbol (so the table
// fills up, names repeat, lines lack "=" ...). Everything after that line (or the whole input
// when there is no such line) is written to a file and read through the data-file reader
// until it runs out of data and the fake endProgram throws. The first byte picks the order in
// which readDataLine, readValue, readInteger and readRawLine take turns.
// The reading shows at most four problem windows (three and the "more errors" one) besides
// the out-of-data message that ends it, and holds no line beyond the reader's bound.
// Links against the fake platform of the unit tests.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "fake_platform.h"
#include "shared/datafile/datafile.h"
#include "shared/datafile/expression.h"

namespace {

std::string scratchPath() {
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("kt_fuzz_datafile_" + std::to_string(std::random_device()()) + ".txt"))
            .string();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    resetFakePlatform();

    std::string dataPart = input;
    std::string::size_type separator = input.find("\n%%\n");
    if (separator != std::string::npos) {
        std::string symbols = input.substr(0, separator);
        dataPart = input.substr(separator + 4);
        std::string::size_type start = 0;
        while (start <= symbols.size()) {
            std::string::size_type end = symbols.find('\n', start);
            if (end == std::string::npos) end = symbols.size();
            declareSymbol(symbols.substr(start, end - start));
            start = end + 1;
        }
    }

    const std::string path = scratchPath();
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << dataPart;
    }

    unsigned pattern = size > 0 ? data[0] : 0;
    const size_t messagesBefore = FakeMessages.size();
    if (!DataFileReader::open(path)) return 0;
    bool ended = false;
    try {
        // Every call consumes at least one line or ends the program, so this finishes.
        for (unsigned turn = 0;; ++turn) {
            std::string line;
            switch ((pattern >> (2 * (turn % 4))) & 3) {
            case 0: DataFileReader::readDataLine(); break;
            case 1: DataFileReader::readValue(); break;
            case 2: DataFileReader::readInteger(); break;
            case 3:
                if (!DataFileReader::readRawLine(line)) DataFileReader::readDataLine();
                break;
            }
        }
    } catch (const FakeProgramEnded&) {
        ended = true;
    }
    DataFileReader::close();
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    if (!ended || FakeMessages.empty() || FakeMessages.back().find(" out of data|  in line : ") == std::string::npos)
        std::abort();  // the reader must stop only through its out-of-data message
    if (FakeMessages.size() - messagesBefore > static_cast<size_t>(MaxDataFileMessages) + 2) std::abort();
    if (DataLinePeak > MaxDataLineBytes + 1) std::abort();
    return 0;
}
