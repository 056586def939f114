// updater.h - the firmware updater ktboot: one small text window with a "&File", a "&MIDI"
// and a "&View" menu; its one real command loads a loader file (*.ldr) and sends it to the
// unit, which the user has put into its update mode.
//
// Files: its path file Qrdxpath/KTboot.pth names UpdaterDirectory; its configuration file
// UpdaterDirectory/KTboot.CFG has three CR LF lines: the folder line, MidiInDevice,
// MidiOutDevice (without a file: 0 and -1, the mapper); its options file KTboot.ini beside it
// keeps the devices' names, by which they are found again when their indices moved, and the
// window's zoom.
//
// Devices: "&MIDI" also has "&Rescan Devices" (2301); it and DevicesChanged are acted on in the
// command loop only (after an update that took the change has ended).
//
// Zoom: "&View" holds the editor's zoom items with their keys and rules (Zoom In, Zoom Out,
// Actual Size; shared/zoom/zoomlevels.h): the window and its menus are shown at the level,
// which is the one kept in KTboot.ini while it fits the screen, else at the first start's
// level for the screen's resolution. A change the user makes is kept at once; a level the
// screen forced down is not.
//
// The update (runFirmwareUpdate): identify the unit (2 s), wait for its erase notice (7 s),
// send the whole image packed into 7-bit bytes in one SysEx message (a progress bar shows how
// far it has got), wait for the verdict (until 4 s after the expected end of the send). Every
// step and the result are lines in the window; each failed check has its own error number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/canvas.h"

namespace updater {

extern std::string UpdaterName;        // "KTboot": base name of the updater's files
extern std::string UpdaterDirectory;   // folder named by the updater's path file
extern std::string UpdaterFolderLine;  // first line of the configuration file
extern std::string UpdaterConfigPath;  // "KTboot.CFG" in UpdaterDirectory
extern std::string UpdaterCaption;     // the window's caption
extern std::string LoaderFolder;       // folder of the last loader file chosen
extern std::string LoaderPath;         // the loader file chosen last
extern bool UpdaterOptionsWarned;      // the user heard KTboot.ini could not be written
extern int UpdaterZoom;                // the zoom level KTboot.ini keeps (0: none)

// Geometry and colours of the updater's window.
constexpr int WindowX = 100, WindowY = 100, WindowWidth = 520, WindowHeight = 260;
constexpr Rgb Background{0, 0, 150};
constexpr Rgb Foreground{255, 255, 255};
constexpr Rgb ProgressTrack{80, 80, 80};
constexpr Rgb ProgressFill{150, 150, 150};

constexpr int CommandExit = 1001;
constexpr int CommandLoad = 1002;

// The largest image the unit takes: its packed form must fit the 60,001-byte buffer.
constexpr size_t MaxImageBytes = 52500;

// The updater's whole starting state, the one reset its entry point and every test call: the
// MIDI devices (resetMidiState; then input 0 and output -1, the mapper, as without a
// configuration file), the parameter messages (resetNrpnState), the data-file reader
// (resetDataFileState: no file open, the end of the data ends the program), the symbol table
// (resetExpressionState), the safe writes' test hook (resetTextFileState), and the updater's
// own globals above with its menu bar and text lines.
// Needs the platform up (the parameter messages read the clock).
void resetUpdaterState();
// Clears the window and the text lines written into it.
void clearUpdaterWindow();
// Writes one more line of text into the window.
void writeUpdaterLine(const std::string& line);
// Draws the progress bar at the foot of the window: `done` of `total`, with progressText
// above it.
void drawUpdaterProgress(size_t done, size_t total);
// The line above the progress bar: " NN% of N bytes sent, M s left " with M the bytes still
// to send at the cable's 3125 bytes a second, rounded up to whole seconds.
std::string progressText(size_t done, size_t total);
// The two lines shown while the updater waits for a command with an empty window (at
// start-up, after a cancelled or refused choice): put the unit into update mode, then load.
void showUpdaterHint();
// What an error number of the update means, in words, for the line after " Error No.: N";
// replyLength is the length of the reply that failed (it tells 100 + length from 200 +
// length). Empty for a number the update never gives.
std::string errorWords(int number, size_t replyLength);
// The words after the unit's own " ERROR!!!".
extern const char* const UnitRefusedWords;

// Packs an 8-bit image into 7-bit data bytes: the image as one bit stream, most significant
// bit first, cut into groups of seven (the last padded with zeros). Writes ceil(8n / 7) bytes.
void packSevenBit(const uint8_t* image, size_t n, uint8_t* packed);
// The whole update data message for an image: F0 00 21 11 02 13 L2 L1 L0 <L bytes> C1 C0 F7
// with L = floor((8n + 7) / 7).
std::vector<uint8_t> updateDataMessage(const std::vector<uint8_t>& image);

// Asks for a loader file (command 1002) and runs the update with it.
void loadLoaderFileCommand();
void runFirmwareUpdate(const std::string& path);

bool readUpdaterConfiguration();
bool writeUpdaterConfiguration();
// The options file KTboot.ini in UpdaterDirectory: the window's zoom (zoom, UpdaterZoom, the
// editor's key) and the names of the chosen devices (midi-in-name, midi-out-name; MidiInName /
// MidiOutName of shared/midi/devices.h), read after the configuration file, written when the
// zoom or a device is chosen and at shut-down (a failure to write loses only the names and the
// zoom: the indices in the configuration file still hold). A failure is told as the editor
// tells it for KtProg.ini: once per run, when the user chose something (tellUser), never at
// shut-down.
std::string updaterOptionsPath();
void readUpdaterOptions();
void writeUpdaterOptions(bool tellUser);
// A zoom item of "&View" (or its key): the window goes to the item's level, which is kept.
void updaterZoomCommand(int id);
// Opens the MIDI devices the updater's way; false (after "No MIDI IN device present!!!")
// when there is no input device, and the program must end.
bool openUpdaterMidiDevices();

}  // namespace updater

// The whole updater: start-up, command loop, shut-down. Returns the process's exit code.
int ktbootMain();
