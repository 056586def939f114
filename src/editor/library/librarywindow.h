// librarywindow.h - the library window: a tool window ("library") with a filter field, the
// list of the library's programs that the filter lets through, and the unit's 99 locations as
// a grid showing what the unit memory's record says each holds.
//
// toggleLibraryWindow(): Library Window (2401): shows the window (reading the library folder
//   and the marks when it opens) or hides it; the item's check mark follows.
// libraryWindowShown(): whether it is shown.
// serveLibraryWindow(e): an event of the window (Event::window its number, or ToolWindowHidden
//   / WindowActivated for it): typing edits the filter, Up/Down/click/Enter select and load a
//   row, a row dragged onto a location is stored there, a double click on a location loads
//   the library's program of the sound held there.
// noteLibraryChange(what): something the window shows may have changed: the record (after a
//   write or a store), a sound's marks, the folder's files (after the editor saved a file) or
//   the current program. A shown window follows (its list announced when the list changed);
//   a hidden one reads what it needs when it opens.
#pragma once

struct Event;

constexpr int CommandLibraryWindow = 2401;
constexpr int CommandFavourite = 2402;
constexpr int CommandHide = 2403;
constexpr int CommandTags = 2404;
constexpr int CommandStoreToLocation = 2405;
constexpr int CommandFindDuplicates = 2406;
constexpr int CommandLibraryFolder = 2407;

enum class LibraryChange { Record, Marks, Folder, CurrentProgram };

void toggleLibraryWindow();
bool libraryWindowShown();
void serveLibraryWindow(const Event& e);
void noteLibraryChange(LibraryChange what);
void resetLibraryWindowState();
