// mkprograms - makes the example program files of data/programs from a readable recipe.
//
//   mkprograms DATA_DIR RECIPES OUT_DIR
//
// DATA_DIR holds KtProg.DAT; every program starts from the declaration's defaults. The
// recipe file lists programs:
//   program "07 Lead"        a new program, written as OUT_DIR/07 Lead.prg
//   34 = 100                 parameter with serial number 34 (1..104, as in program files)
//   # ...                    a comment
// The files are written by the editor's own program-file writer, so they are exactly what
// "Save Program" would write.
#include <fstream>
#include <iostream>
#include <sstream>

#include "editor/declaration/declaration.h"
#include "editor/preset/effects.h"
#include "editor/preset/programfile.h"
#include "editor/program/program.h"
#include "editor/shell/shell.h"
#include "platform/sim/sim.h"
#include "shared/datafile/datafile.h"

namespace {

int fail(const std::string& why) {
    std::cerr << "mkprograms: " << why << "\n";
    return 1;
}

bool writeProgram(const std::string& outDir, const std::string& name) {
    followEffectType();
    return writeProgramFile(outDir + "/" + name + ".prg");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return fail("usage: mkprograms DATA_DIR RECIPES OUT_DIR");
    const std::string dataDir = argv[1], recipes = argv[2], outDir = argv[3];
    std::ostringstream transcript;
    sim::reset(dataDir);
    sim::setTranscript(&transcript);
    resetEditorState();
    StartDirectory = dataDir;
    try {
        loadDeclarationFile("KtProg");
        startDeclaredProgram();
    } catch (const sim::ProgramEnded&) {
        return fail("cannot load " + dataDir + "/KtProg.DAT:\n" + transcript.str());
    }
    const std::vector<int16_t> defaults = ProgramValues;

    std::ifstream in(recipes);
    if (!in) return fail("cannot read " + recipes);
    std::string line, name;
    int lineNumber = 0, written = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string where = recipes + ":" + std::to_string(lineNumber) + ": ";
        std::string trimmed = line.substr(0, line.find('#'));
        if (trimmed.find_first_not_of(" \t") == std::string::npos) continue;
        if (trimmed.rfind("program ", 0) == 0) {
            if (!name.empty()) {
                if (!writeProgram(outDir, name)) return fail(where + "cannot write " + name);
                ++written;
            }
            size_t open = trimmed.find('"'), close = trimmed.rfind('"');
            if (open == std::string::npos || close <= open + 1) return fail(where + "program \"NN Name\"");
            name = trimmed.substr(open + 1, close - open - 1);
            ProgramValues = defaults;
            continue;
        }
        int serial = 0, value = 0;
        char equals = 0;
        std::istringstream words(trimmed);
        if (name.empty() || !(words >> serial >> equals >> value) || equals != '=') {
            return fail(where + "expected 'SERIAL = VALUE' after a program line");
        }
        int field = 0, pot = 0;
        if (!parameterPot(serial - 1, field, pot)) return fail(where + "no parameter " + std::to_string(serial));
        if (value < PotMin[field][pot] || value > PotMax[field][pot]) {
            if (field != EffectField) return fail(where + "value outside the pot's range");
        }
        ProgramValues[serial - 1] = static_cast<int16_t>(value);
    }
    if (!name.empty()) {
        if (!writeProgram(outDir, name)) return fail("cannot write " + name);
        ++written;
    }
    std::cout << "mkprograms: wrote " << written << " programs to " << outDir << "\n";
    return 0;
}
