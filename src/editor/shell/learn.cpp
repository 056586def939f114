#include "editor/shell/learn.h"

#include "editor/panel/potinput.h"
#include "editor/shell/settings.h"
#include "platform/window.h"
#include "shared/message/message.h"

void learnCommand() {
    setLearning(!Learning);
    checkMenuItem(CommandMidiLearn, Learning);
}

void forgetLearnedCommand() {
    if (LearnBindings.empty()) return;  // nothing to forget, nothing to ask
    if (askChoice(" Forget every learned control?", " 1:Forget", " 2:Keep") != 1) return;
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
