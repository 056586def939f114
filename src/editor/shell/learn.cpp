#include "editor/shell/learn.h"

#include "editor/panel/potinput.h"
#include "editor/shell/settings.h"
#include "platform/window.h"

void learnCommand() {
    setLearning(!Learning);
    checkMenuItem(CommandMidiLearn, Learning);
}

void forgetLearnedCommand() {
    LearnBindings.clear();
    saveOptions(true);
}

bool serveLearnedControl(const Event& e) {
    const LearnedControl taken = takeLearnedControl(e);
    if (taken == LearnedControl::Bound) {
        checkMenuItem(CommandMidiLearn, false);
        saveOptions(true);
    }
    return taken != LearnedControl::NotTaken;
}
