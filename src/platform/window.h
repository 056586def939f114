// window.h - the main window of a program: its caption, its client-area Canvas and its
// menu bar.
//
// openMainWindow(x, y, w, h, caption): opens the one main window at screen position (x, y)
//   with a client area (the part below the menu bar) of w x h and returns false, after telling the user, when the window system refuses.
// mainCanvas(): the client area as a Canvas. Draw into it, then presentMainWindow() shows
//   what was drawn (backends copy only the damaged part).
// setMainWindowStrip(height): the bottom `height` rows of the client area are a strip the
//   program keeps for its status (0 when the window opens). The strip is shown, zoomed and
//   sized like the rest of the client area; only a picture of the window taken for a record
//   (the simulation's snapshot) leaves it out and shows the rows above it.
// closeMainWindow(): closes it; the program ends soon after.
// setWindowZoom(percent): shows the Canvas at one of ZoomLevels (platform/zoomscale.h): the
//   client area becomes the Canvas's size times the level and is redrawn from the Canvas,
//   which keeps its size; the message window, the tool windows and the menu bar with its
//   menus follow (a backend whose menus the system scales by the screen's resolution leaves
//   them to it). Mouse positions stay in Canvas coordinates. A window opens at 100 %.
//   windowZoom(): the level in force.
// clientAreaLimit(w, h, percent): the largest client area a main window shown at `percent`
//   can have on the screen (its work area less the frame, caption and menu bar at that
//   level).
//
// Menus are opaque numbers (never 0). Check marks and greying are set by command identifier
// on the whole menu bar, so they reach items in submenus.
// appendMenuItem(menu, id, text, keyText): keyText ("Ctrl+Z", "Right"; empty: none) is shown
//   beside the item as its key. The program itself acts on the key (it arrives as a Key
//   event); a backend whose menus take such keys themselves delivers the item's Command
//   instead, never both. kind: a Check item is one that carries a check mark while its
//   command is on (a device of a list, a mode); a backend that draws room for the mark draws
//   it for Check items only, so an item keeps its look across rebuilds of the bar, whatever
//   its neighbours show. Only Check items are given to checkMenuItem.
// enableMenuItem(id, enabled): greys the item out (false) or makes it usable again; a greyed
//   item delivers no Command.
#pragma once

#include <string>

class Canvas;

bool openMainWindow(int x, int y, int width, int height, const std::string& caption);
void setMainWindowCaption(const std::string& caption);
Canvas& mainCanvas();
void setMainWindowStrip(int height);
void presentMainWindow();
void closeMainWindow();
void setWindowZoom(int percent);
int windowZoom();
void clientAreaLimit(int& width, int& height, int percent);

using MenuHandle = int;
enum class MenuItemKind { Plain, Check };

MenuHandle createMenuBar();
MenuHandle createPopupMenu();
void appendMenuItem(MenuHandle menu, int commandId, const std::string& text, const std::string& keyText = "",
                    MenuItemKind kind = MenuItemKind::Plain);
void appendMenuPopup(MenuHandle menu, MenuHandle popup, const std::string& text);
void appendMenuSeparator(MenuHandle menu);
void checkMenuItem(int commandId, bool checked);
void enableMenuItem(int commandId, bool enabled);
void attachMenuBar(MenuHandle bar);
void destroyMenuBar(MenuHandle bar);
