// globals.h - the editor's process-wide state that every part of the editor shares:
// identity and paths, the palette, the window and mouse state, and the event the command
// loop is handling. Defined in globals.cpp; resetShellState() gives every one its initial
// value (tests call it between cases).
#pragma once

#include <cstdint>
#include <string>

#include "platform/canvas.h"
#include "platform/events.h"

// Identity and paths.
extern std::string VersionText;     // "1.00", shown in the caption
extern std::string WindowCaption;   // the main window's caption
extern std::string ProgramName;     // "KtProg": base name of the editor's files
extern std::string StartDirectory;  // folder of the configuration, declaration and fonts
extern std::string DataDirectory;   // folder of the program files
extern std::string ConfigPath;      // StartDirectory + separator + "KtProg.CFG"

// The palette.
extern Rgb ColourWhite, ColourBlue, ColourBlack, ColourGrey150, ColourGrey80, ColourDarkRed;

// Window and input state.
extern bool WindowMinimised;        // set while the main window is minimised
extern int16_t MouseX, MouseY;      // mouse in client coordinates, read once per pass
extern int16_t MouseButtons;        // 0 none, 1 left, 2 right, 3 both
extern int16_t PrevMouseButtons;    // MouseButtons of the previous pass
extern bool PanelRefreshRequest;    // asks the next refresh check to redraw the panel

// The event the command loop is handling now.
extern Event CurrentEvent;

void resetShellState();
