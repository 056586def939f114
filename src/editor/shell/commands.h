// commands.h - the editor's command table: every menu item of the editor's own menus is one
// row (identifier, menu, item text, keys, handler, greying, check mark), and the menus, the
// key map and the dispatch are all made from it. The MIDI menu's device items are generated
// from the device lists (shared/midi/devices.h appendMidiMenu); they reach the same dispatch
// through a range of identifiers.
//
// A row with identifier 0 is a separator. Rows stand in the order of their items in the menu;
// the menus stand on the bar in CommandMenu's order, a menu without rows is left out, and
// "&MIDI" holds the device submenus before its rows.
//
// appendCommandMenus(bar): appends every menu with its items to the bar.
// showCommandStates(): greys the rows that would do nothing and sets the check marks of the
//   rows whose state is on (for a menu bar just built).
// commandForKey(e): the command a key event stands for (a row's key with the same Ctrl and
//   Shift, letters in either case; the zoom items' keys, zoomCommandForKey), or 0.
// dispatchCommand(id): runs the command of a row or of the device range; any other
//   identifier is ignored.
// updateMenuGreying(menu): every row of `menu` with a greying rule greyed or made usable.
// updateMenuGreying(): the same for every menu.
// Owns no globals (the table is constant data).
#pragma once

#include <cstddef>

#include "platform/events.h"
#include "platform/window.h"

// The menus in the order they stand on the bar.
enum class CommandMenu { File, Edit, Library, Sound, Midi, View };

// Whether a key needs Shift held, needs it released, or takes either.
enum class KeyShift { Up, Down, Either };

// One key a command answers to; key 0: none.
struct CommandKey {
    int key = 0;
    bool ctrl = false;
    KeyShift shift = KeyShift::Up;
};

struct CommandRow {
    int id = 0;  // 0: a separator
    CommandMenu menu = CommandMenu::File;
    const char* text = "";
    const char* keyText = "";  // what the menu shows beside the item ("Ctrl+Z"; empty: none)
    CommandKey keys[2] = {};
    void (*run)() = nullptr;
    bool (*enabled)() = nullptr;  // nullptr: never greyed
    bool (*checked)() = nullptr;  // nullptr: no check mark kept by the table
};

// The rows; CommandRowCount of them.
extern const CommandRow CommandRows[];
extern const std::size_t CommandRowCount;

void appendCommandMenus(MenuHandle bar);
void showCommandStates();
int commandForKey(const Event& e);
void dispatchCommand(int id);
void updateMenuGreying(CommandMenu menu);
void updateMenuGreying();
