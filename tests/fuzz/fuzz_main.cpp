// Runs a fuzz target over stored inputs when it is built without libFuzzer, so that the
// seed corpus serves as a regression test. Arguments are directories (every regular file in
// them, recursively, is one input) or single files. Prints how many inputs ran; exits with 1
// when it found none, so a misplaced corpus does not pass unnoticed.
// Not linked into libFuzzer builds, which bring their own main.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool runFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "fuzz_main: cannot read %s\n", path.string().c_str());
        return false;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    long inputs = 0;
    bool failed = false;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path argument(argv[i]);
        std::error_code error;
        if (std::filesystem::is_directory(argument, error)) {
            for (std::filesystem::recursive_directory_iterator it(argument, error), end; !error && it != end;
                 it.increment(error)) {
                if (!it->is_regular_file()) continue;
                if (runFile(it->path())) ++inputs;
                else failed = true;
            }
            if (error) {
                std::fprintf(stderr, "fuzz_main: %s: %s\n", argv[i], error.message().c_str());
                failed = true;
            }
        } else if (std::filesystem::is_regular_file(argument, error)) {
            if (runFile(argument)) ++inputs;
            else failed = true;
        } else {
            std::fprintf(stderr, "fuzz_main: not a file or directory: %s\n", argv[i]);
            failed = true;
        }
    }
    std::printf("fuzz_main: ran %ld inputs\n", inputs);
    return inputs == 0 || failed ? 1 : 0;
}
