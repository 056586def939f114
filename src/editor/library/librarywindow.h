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
// libraryDisplayName(path): a path as the window draws it: a control character, a byte that
//   is not part of valid UTF-8 and a backslash escaped (\xNN, \\), a character beyond the
//   built-in font's Latin-1 as \u{XXXX}; always one line.
//
// Globals (librarywindow.cpp; resetLibraryWindowState):
//   LibraryWindowId       the tool window's number (0: not opened in this run)
//   LibraryFilter         the filter field's text
//   LibraryRows           the Catalog indices the filter lets through, in Catalog order
//   LibrarySelection      the selected row's path (empty: none)
//   LibraryTopRow         the first row the list shows
//   LibraryCurrentEntry   the Catalog index of the current program's file (npos: not listed)
//   LibraryReadFailure    why the folder could not be read last time (empty: it could)
//   LibraryAnnounced      the texts and count last announced (empty: nothing yet)
//   LibraryPressRow       the path of the row a held press began on (empty: none)
//   LibraryDropTarget     the location under the mouse while a row is dragged (0: none)
//   LibraryButtons        the mouse buttons the window's last event reported
#pragma once

#include <cstddef>
#include <string>
#include <vector>

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
std::string libraryDisplayName(const std::string& path);

extern int LibraryWindowId;                    // the tool window's number (0: none yet)
extern std::string LibraryFilter;              // the filter field's text
extern std::vector<size_t> LibraryRows;        // Catalog indices the filter lets through
extern std::string LibrarySelection;           // the selected row's path (empty: none)
extern size_t LibraryTopRow;                   // the first row the list shows
extern size_t LibraryCurrentEntry;             // Catalog index of the current program's file
extern std::string LibraryReadFailure;         // why the folder could not be read (empty: read)
extern std::vector<std::string> LibraryAnnounced;  // the last announced texts, count last
extern std::string LibraryPressRow;            // the row a held press began on (empty: none)
extern int LibraryDropTarget;                  // the location under a dragged row (0: none)
extern int LibraryButtons;                     // the buttons of the window's last mouse event
