#include "editor/library/librarymenu.h"

#include "editor/declaration/identity.h"
#include "editor/library/catalog.h"
#include "editor/library/librarywindow.h"
#include "editor/program/morph.h"
#include "editor/program/program.h"
#include "platform/dialogs.h"
#include "platform/textview.h"
#include "platform/window.h"
#include "shared/datafile/pathfile.h"
#include "shared/message/message.h"

namespace {

bool FavouriteChecked = false;  // the check mark 2402 shows
bool HiddenChecked = false;     // the check mark 2403 shows

uint64_t currentSound() { return soundOfValues(ProgramValues); }

void changeMarks(const SoundMarks& marks) {
    if (!setMarks(currentSound(), marks) && !MarksWarned) {
        MarksWarned = true;
        showMessage(" The library's marks cannot be kept:", "  " + joinPath(StartDirectory, "KtLibrary.txt"));
    }
    followCurrentSound();
    noteLibraryChange(LibraryChange::Marks);
}

}  // namespace

void resetLibraryMenuState() {
    FavouriteChecked = false;
    HiddenChecked = false;
}

bool favouriteChecked() { return FavouriteChecked; }

bool hiddenChecked() { return HiddenChecked; }

void favouriteCommand() {
    SoundMarks marks = marksOf(currentSound());
    marks.favourite = !marks.favourite;
    changeMarks(marks);
}

void hideCommand() {
    SoundMarks marks = marksOf(currentSound());
    marks.hidden = !marks.hidden;
    changeMarks(marks);
}

void tagsCommand() {
    SoundMarks marks = marksOf(currentSound());
    std::string current;
    for (const std::string& tag : marks.tags) current += (current.empty() ? "" : " ") + tag;
    std::string answer;
    endMorph();  // a dialog ends Morph
    if (!askText("Tags", "Tags of " + CurrentProgramName + ":", current, answer)) return;
    marks.tags = cleanTags(answer);
    changeMarks(marks);
}

void findDuplicatesCommand() {
    std::string reason;
    if (!readCatalog(reason)) {
        showMessage(" Cannot read the folder!", "  " + libraryFolder() + ": " + reason);
        return;
    }
    showTextView("Duplicates", duplicateLines());
}

void followCurrentSound() {
    const SoundMarks marks = marksOf(currentSound());
    if (marks.favourite != FavouriteChecked) {
        FavouriteChecked = marks.favourite;
        checkMenuItem(CommandFavourite, FavouriteChecked);
    }
    if (marks.hidden != HiddenChecked) {
        HiddenChecked = marks.hidden;
        checkMenuItem(CommandHide, HiddenChecked);
    }
}
