#include "editor/shell/learn.h"

#include "editor/panel/potinput.h"
#include "editor/shell/settings.h"
#include "platform/window.h"

bool dispatchLearnCommand(int id) {
    if (id == CommandMidiLearn) {
        setLearning(!Learning);
        checkMenuItem(CommandMidiLearn, Learning);
        return true;
    }
    if (id == CommandForgetLearned) {
        LearnBindings.clear();
        saveOptions(true);
        return true;
    }
    return false;
}

bool serveLearnedControl(const Event& e) {
    const LearnedControl taken = takeLearnedControl(e);
    if (taken == LearnedControl::Bound) {
        checkMenuItem(CommandMidiLearn, false);
        saveOptions(true);
    }
    return taken != LearnedControl::NotTaken;
}
