// updater.h - the firmware updater ktboot: its entry point, its window and command loop.
//
// The updater has one small text window with a "&File" and a "&MIDI" menu; its one real
// command loads a loader file and sends it to the unit in update mode.
#pragma once

#include <string>

#include "platform/canvas.h"

namespace updater {

extern std::string UpdaterName;        // "KTboot": base name of the updater's files
extern std::string UpdaterDirectory;   // folder named by the updater's path file
extern std::string UpdaterFolderLine;  // first line of the configuration file
extern std::string UpdaterConfigPath;  // UpdaterDirectory + separator + "KTboot.CFG"
extern std::string UpdaterCaption;     // the window's caption

// Geometry and colours of the updater's window.
constexpr int WindowX = 100, WindowY = 100, WindowWidth = 520, WindowHeight = 260;
constexpr Rgb Background{0, 0, 150};
constexpr Rgb Foreground{255, 255, 255};

constexpr int CommandExit = 1001;
constexpr int CommandLoad = 1002;

void resetUpdaterState();
// Clears the window and the text lines written into it.
void clearUpdaterWindow();
// Writes one more line of text into the window.
void writeUpdaterLine(const std::string& line);

}  // namespace updater

// The whole updater: start-up, command loop, shut-down. Returns the process's exit code.
int ktbootMain();
