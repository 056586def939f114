// fake_platform.cpp - the recording fake of the platform and the message window. See
// fake_platform.h.

#include "fake_platform.h"

#include "platform/dialogs.h"
#include "platform/process.h"
#include "shared/datafile/datafile.h"
#include "shared/datafile/expression.h"
#include "shared/datafile/textfile.h"
#include "shared/message/message.h"

std::vector<std::string> FakeMessages;
std::string FakePathFolder;
std::string FakeCurrentDirectory;
int FakeChoiceAnswer = 1;

void resetFakePlatform() {
    FakeMessages.clear();
    FakeChoiceAnswer = 1;
    resetDataFileState();
    resetExpressionState();
    resetTextFileState();
}

void showMessage(const std::string& mainText, const std::string& detailText) {
    FakeMessages.push_back("message|" + mainText + "|" + detailText);
}

int askChoice(const std::string& question, const std::string& choice1, const std::string& choice2) {
    FakeMessages.push_back("choice|" + question + "|" + choice1 + "|" + choice2);
    return FakeChoiceAnswer;
}

void waitForKeyOrClick() {}

void messageBox(const std::string& title, const std::string& text) {
    FakeMessages.push_back("box|" + title + "|" + text);
}

std::string fixedPathFolder() { return FakePathFolder; }
char pathSeparator() { return '/'; }
bool isPathSplit(char c) { return c == '/'; }
std::string currentDirectory() { return FakeCurrentDirectory; }
[[noreturn]] void endProgram() { throw FakeProgramEnded{}; }
