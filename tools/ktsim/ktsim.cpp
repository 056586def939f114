// ktsim - runs ktprog or ktboot on the simulated machine, driven by a script, and prints the
// transcript of what the program did.
//
//   ktsim ktprog|ktboot --home DIR --script FILE
//
// DIR is the machine: the path-file folder is DIR/Qrdxpath and the current directory is DIR.
// Exit code 0 unless ktsim itself failed (bad arguments, a bad script, a snapshot that could
// not be written): then 2, with the reason on standard error.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "editor/shell/shell.h"
#include "platform/sim/sim.h"
#include "script.h"
#include "updater/updater.h"

namespace {

int usage() {
    std::cerr << "usage: ktsim ktprog|ktboot --home DIR --script FILE\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    std::string program = argv[1];
    std::string home, scriptPath;
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--home" && i + 1 < argc) home = argv[++i];
        else if (arg == "--script" && i + 1 < argc) scriptPath = argv[++i];
        else return usage();
    }
    if ((program != "ktprog" && program != "ktboot") || home.empty() || scriptPath.empty()) return usage();

    std::error_code ec;
    if (!std::filesystem::is_directory(home, ec)) {
        std::cerr << "ktsim: " << home << " is not a folder\n";
        return 2;
    }
    home = std::filesystem::absolute(home, ec).lexically_normal().string();
    while (home.size() > 1 && home.back() == '/') home.pop_back();

    std::ifstream in(scriptPath, std::ios::binary);
    if (!in) {
        std::cerr << "ktsim: cannot read " << scriptPath << "\n";
        return 2;
    }
    std::stringstream text;
    text << in.rdbuf();

    sim::reset(home);
    // Straight to standard output, line by line: a run that is killed or crashes still shows
    // how far it got.
    sim::setTranscript(&std::cout);
    std::vector<std::string> snapshotFailures;
    ktsim::ScriptResult script = ktsim::loadScript(text.str(), home, nullptr, &snapshotFailures);
    if (!script.ok) {
        std::cerr << "ktsim: " << scriptPath << " " << script.error << "\n";
        return 2;
    }
    sim::setScriptEnd(script.endTime);

    try {
        if (program == "ktprog") ktprogMain(); else ktbootMain();
    } catch (const sim::ProgramEnded&) {
        // the program ended from inside (a fatal report, or a run the script left stuck)
    }
    sim::transcript("exit", "");

    for (const std::string& failure : snapshotFailures) std::cerr << "ktsim: " << failure << "\n";
    return snapshotFailures.empty() ? 0 : 2;
}
