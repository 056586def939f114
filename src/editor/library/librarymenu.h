// librarymenu.h - the Library menu's commands on the current program's sound (the panel's
// values, whether or not a file holds them) and on the library as a whole.
//
// favouriteCommand() / hideCommand(): Favourite (2402) / Hide (2403): the sound's mark on or
//   off (KtLibrary.txt written; a file that cannot be written is said once per run, the marks
//   kept for the run).
// tagsCommand(): Tags... (2404): askText("Tags", "Tags of NAME:", the tags blank-separated);
//   the answer's tags (cleanTags) replace the sound's.
// findDuplicatesCommand(): Find Duplicates (2406): the library read again, then the text
//   view "Duplicates" (duplicateLines).
// followCurrentSound(): after every pass of the command loop and every change of marks: the
//   check marks of 2402 and 2403 follow the panel's sound (set only when they change).
// favouriteChecked() / hiddenChecked(): the marks followCurrentSound set last (what a menu bar
//   built anew shows).
#pragma once

void favouriteCommand();
void hideCommand();
void tagsCommand();
void findDuplicatesCommand();
bool favouriteChecked();
bool hiddenChecked();
void followCurrentSound();
void resetLibraryMenuState();
