// shell.h - the editor ktprog: its entry point, the global state that every part of the
// editor shares, start-up and shut-down, the menus and the command loop.
//
// Start-up runs in a fixed order (path file, declaration, main window, fonts, configuration,
// MIDI devices, menus, pot images, keyboard, effect tables, the program sent to the unit) and
// hands over to runCommandLoop; shut-down saves the configuration and closes the devices.
// Fatal errors of the data files end the program from inside the readers (endProgram).
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
extern uint32_t MidiInQuietUntil;   // no MIDI pass-through before this tick

// The event the command loop is handling now.
extern Event CurrentEvent;

// Command identifiers of the menus.
constexpr int CommandExit = 1001;
constexpr int CommandSelectDirectory = 1002;
constexpr int CommandLoadProgram = 1003;
constexpr int CommandSaveProgram = 1004;
constexpr int CommandWriteProgram = 1005;
constexpr int CommandWriteAllPrograms = 1006;
constexpr int CommandMidiInFirst = 50;    // 50 + k: input device k (k = 0..48)
constexpr int CommandMidiMapper = 99;     // 100 + (-1)
constexpr int CommandMidiOutFirst = 100;  // 100 + k: output device k (k = 0..49)

// A path in a folder, joined with the platform's separator: folder + sep + name.
std::string joinPath(const std::string& folder, const std::string& name);

void resetShellState();
void buildMenus();
void runCommandLoop();

// The whole editor: start-up, command loop, shut-down. Returns the process's exit code.
int ktprogMain();
