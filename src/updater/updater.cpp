#include "updater/updater.h"

#include <algorithm>
#include <filesystem>

#include "platform/announce.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/input.h"
#include "platform/midi.h"
#include "platform/process.h"
#include "platform/trace.h"
#include "platform/window.h"
#include "shared/datafile/datafile.h"
#include "shared/datafile/expression.h"
#include "shared/datafile/options.h"
#include "shared/datafile/pathfile.h"
#include "shared/datafile/textfile.h"
#include "shared/message/message.h"
#include "shared/midi/devices.h"
#include "shared/midi/nrpn.h"
#include "shared/midi/protocol.h"
#include "shared/midi/receive.h"
#include "shared/midi/sysex.h"
#include "shared/zoom/zoomlevels.h"

namespace updater {

std::string UpdaterName;
std::string UpdaterDirectory;
std::string UpdaterFolderLine;
std::string UpdaterConfigPath;
std::string UpdaterCaption;
std::string LoaderFolder;
std::string LoaderPath;
bool UpdaterOptionsWarned = false;
int UpdaterZoom = 0;

namespace {

MenuHandle MenuBar = 0;
int TextLines = 0;

constexpr int TextLeft = 4, TextTop = 4;
// A MIDI cable carries 3125 bytes a second (31250 baud, ten bits a byte).
constexpr uint64_t CableBytesPerSecond = 3125;
constexpr int ProgressX = 12, ProgressY = WindowHeight - 44, ProgressW = WindowWidth - 24, ProgressH = 14;

void appendRescanItem(MenuHandle midi) {
    appendMenuSeparator(midi);
    appendMenuItem(midi, MidiRescanCommand, "&Rescan Devices");
}

void buildUpdaterMenus() {
    MenuBar = createMenuBar();
    MenuHandle file = createPopupMenu();
    appendMenuItem(file, CommandLoad, "&Load *.ldr file");
    appendMenuItem(file, CommandExit, "&Exit");
    appendMenuPopup(MenuBar, file, "&File");
    appendMidiMenu(MenuBar, appendRescanItem);
    MenuHandle view = createPopupMenu();
    appendZoomItems(view);
    appendMenuPopup(MenuBar, view, "&View");
    attachMenuBar(MenuBar);
    greyZoomItems();
}

// The lists read again and the chosen devices found by name (opened again when the system's
// ports changed since the last rescan); the menus follow a change.
void rescanUpdaterDevices(bool portsChanged) {
    if (!rescanMidiDevices(portsChanged)) return;
    destroyMenuBar(MenuBar);
    buildUpdaterMenus();
}

// A device chosen from the menu: its name is kept at once.
void keepChosenNames(const std::string& inName, const std::string& outName) {
    if (MidiInName != inName || MidiOutName != outName) writeUpdaterOptions(true);
}

// A configuration line as a number: the comment cut, the leading number taken.
bool configNumber(int32_t& value) {
    const std::string line = DataFileReader::readDataLine();
    if (DataFileExhausted) return false;
    value = roundToInteger(leadingNumber(trimBlanks(line)));
    return true;
}

// The switch of the input device: both devices closed and the whole opening run again.
bool switchUpdaterInput(int k) {
    if (k == MidiInDevice && !MidiInLost) return true;
    closeMidiDevices();
    checkMenuItem(MidiInCommandFirst + MidiInDevice, false);
    MidiInDevice = k;
    MidiInName = MidiInNames[k];  // found by this name from now on
    MidiInLost = false;
    checkMenuItem(MidiInCommandFirst + k, true);
    return openUpdaterMidiDevices();
}

}  // namespace

void resetUpdaterState() {
    // What the updater shares with the editor first, then its own globals and its defaults.
    resetMidiState();
    resetNrpnState();
    resetDataFileState();
    resetExpressionState();
    resetTextFileState();
    MidiInDevice = 0;
    MidiOutDevice = -1;  // the mapper, until the configuration file names a device
    UpdaterName = "KTboot";
    UpdaterDirectory.clear();
    UpdaterFolderLine.clear();
    UpdaterConfigPath.clear();
    UpdaterCaption = "Korvatone Firmware Updater 1.00";
    LoaderFolder.clear();
    LoaderPath.clear();
    UpdaterOptionsWarned = false;
    UpdaterZoom = 0;
    MenuBar = 0;
    TextLines = 0;
}

void clearUpdaterWindow() {
    mainCanvas().clear(Background);
    presentMainWindow();
    TextLines = 0;
}

void writeUpdaterLine(const std::string& line) {
    announce(Announcement::WindowText, {line});
    mainCanvas().drawText(TextLeft, TextTop + TextLines * Canvas::TextLineHeight, line, Foreground, Background);
    presentMainWindow();
    ++TextLines;
}

void drawUpdaterProgress(size_t done, size_t total) {
    Canvas& canvas = mainCanvas();
    canvas.fillBox(ProgressX, ProgressY, ProgressW, ProgressH, ProgressTrack);
    const int filled = total == 0 ? ProgressW - 2 : static_cast<int>((ProgressW - 2) * uint64_t(done) / total);
    canvas.fillBox(ProgressX + 1, ProgressY + 1, filled, ProgressH - 2, ProgressFill);
    canvas.rectangle(ProgressX, ProgressY, ProgressW - 1, ProgressH - 1, 1, Foreground);
    canvas.drawText(ProgressX, ProgressY - Canvas::TextLineHeight - 2, progressText(done, total), Foreground,
                    Background);
    presentMainWindow();
}

std::string progressText(size_t done, size_t total) {
    const unsigned percent = total == 0 ? 100u : static_cast<unsigned>(uint64_t(done) * 100 / total);
    const uint64_t left = total > done ? total - done : 0;
    const uint64_t seconds = (left + CableBytesPerSecond - 1) / CableBytesPerSecond;
    return " " + std::to_string(percent) + "% of " + std::to_string(total) + " bytes sent, " +
           std::to_string(seconds) + " s left ";
}

void showUpdaterHint() {
    writeUpdaterLine(" Put the unit into update mode,");
    writeUpdaterLine(" then File > Load *.ldr file.");
}

void packSevenBit(const uint8_t* image, size_t n, uint8_t* packed) {
    // Seven image bytes make eight data bytes; the bits are taken most significant first.
    uint32_t bits = 0;  // bits waiting to be written, at the low end
    int count = 0;
    size_t out = 0;
    for (size_t i = 0; i < n; ++i) {
        bits = (bits << 8) | image[i];
        count += 8;
        while (count >= 7) {
            count -= 7;
            packed[out++] = static_cast<uint8_t>((bits >> count) & 0x7F);
        }
        bits &= (1u << count) - 1;
    }
    if (count > 0) packed[out++] = static_cast<uint8_t>((bits << (7 - count)) & 0x7F);
}

std::vector<uint8_t> updateDataMessage(const std::vector<uint8_t>& image) {
    using namespace protocol;
    const size_t n = image.size();
    const size_t length = (8 * n + 7) / 7;   // L: one more than the packed bytes when 7 divides n
    std::vector<uint8_t> message = header(LoaderPart, UpdateData);
    message.resize(length + UpdateFrameBytes, 0);
    // L goes out in three 7-bit groups, the highest first.
    message[HeaderLength] = static_cast<uint8_t>((length >> 14) & 0x7F);
    message[HeaderLength + 1] = static_cast<uint8_t>((length >> 7) & 0x7F);
    message[HeaderLength + 2] = static_cast<uint8_t>(length & 0x7F);
    const size_t data = HeaderLength + UpdateLengthBytes;
    packSevenBit(image.data(), n, &message[data]);
    sysExChecksum(&message[data], length, message[data + length], message[data + length + 1]);
    message[data + length + 2] = SysExEnd;
    return message;
}

bool readUpdaterConfiguration() {
    if (!DataFileReader::openUserFile(UpdaterConfigPath)) return false;
    std::string folder;
    if (DataFileReader::readRawLine(folder)) UpdaterFolderLine = folder;
    int32_t value = 0;
    if (configNumber(value)) MidiInDevice = value;
    if (!DataFileExhausted && configNumber(value)) MidiOutDevice = value;
    DataFileReader::close();
    return true;
}

bool writeUpdaterConfiguration() {
    return writeTextFileOrSay(UpdaterConfigPath,
                              {UpdaterFolderLine, formatNumber(MidiInDevice), formatNumber(MidiOutDevice)});
}

std::string updaterOptionsPath() { return joinPath(UpdaterDirectory, UpdaterName + ".ini"); }

void readUpdaterOptions() {
    for (const OptionLine& line : readOptionLines(updaterOptionsPath())) {
        if (line.key == "zoom") readZoomOption(line.value, UpdaterZoom);
        if (line.key == "midi-in-name") MidiInName = line.value;
        if (line.key == "midi-out-name") MidiOutName = line.value;
    }
}

void writeUpdaterOptions(bool tellUser) {
    std::vector<OptionLine> lines;
    if (UpdaterZoom != 0) lines.push_back({"zoom", std::to_string(UpdaterZoom)});
    if (!MidiInName.empty()) lines.push_back({"midi-in-name", MidiInName});
    if (!MidiOutName.empty()) lines.push_back({"midi-out-name", MidiOutName});
    keepOptionLines(updaterOptionsPath(), lines, tellUser, UpdaterOptionsWarned);
}

void updaterZoomCommand(int id) {
    const int level = zoomCommandLevel(id);
    if (level == windowZoom()) return;
    setWindowZoom(level);
    UpdaterZoom = level;
    writeUpdaterOptions(true);
    greyZoomItems();
}

bool openUpdaterMidiDevices() {
    listMidiOutDevices();
    if (midiInDeviceCount() < 1) {
        messageBox("Device Error", "No MIDI IN device present!!!");
        return false;
    }
    listMidiInDevices();
    openChosenMidiIn();
    // The output index is limited without looking whether there is an output at all: with
    // none it becomes -1, the mapper.
    openChosenMidiOut();
    midiInQueueBuffer();
    return true;
}

void loadLoaderFileCommand() {
    const DialogAnswer answer =
        fileDialog(FileDialogKind::Open, "Load File:", LoaderFolder, "*.ldr");
    std::string result = answer.outcome == DialogOutcome::Chosen ? answer.path : std::string();
    if (result.empty() || result == std::string(1, pathSeparator()) || result == "0") {
        clearUpdaterWindow();
        showUpdaterHint();
        return;
    }
    // The extension: none is ".ldr"; a dot right after the folder leaves no name at all.
    const size_t dot = extensionDot(result);
    bool refused = dot != std::string::npos && dot >= 1 && isPathSplit(result[dot - 1]);
    if (dot == std::string::npos) result += ".ldr";
    const size_t split = lastPathSplit(result);
    LoaderFolder = split == std::string::npos ? std::string() : result.substr(0, split);
    if (result == LoaderFolder + pathSeparator() + ".ldr") refused = true;
    if (refused) {
        clearUpdaterWindow();
        showUpdaterHint();
        return;
    }
    LoaderPath = result;
    runFirmwareUpdate(LoaderPath);
}

}  // namespace updater

using namespace updater;

int ktbootMain() {
    traceStep("main");
    startMidiSystems();  // in the background while the window opens
    resetUpdaterState();
    UpdaterDirectory = readPathFile(UpdaterName);
    UpdaterFolderLine = UpdaterDirectory;
    if (!openMainWindow(WindowX, WindowY, WindowWidth, WindowHeight, UpdaterCaption)) return 1;
    clearUpdaterWindow();  // drawn while the MIDI systems are still starting
    traceStep("first-paint");
    UpdaterConfigPath = joinPath(UpdaterDirectory, UpdaterName + ".CFG");
    readUpdaterConfiguration();
    readUpdaterOptions();
    setWindowZoom(startZoomLevel(UpdaterZoom, screenDpi()));

    if (!openUpdaterMidiDevices()) {
        closeMidiDevices();
        closeMainWindow();
        return 0;
    }
    buildUpdaterMenus();

    announce(Announcement::LoopStarted, {});
    showUpdaterHint();  // the empty window waits for a command
    bool running = true;
    while (running) {
        const Event e = takeEvent();
        const std::string inName = MidiInName, outName = MidiOutName;
        switch (e.kind) {
        case EventKind::CloseRequested: running = false; break;
        case EventKind::Command:
            if (e.command == CommandExit) {
                postCloseRequest();
            } else if (e.command == CommandLoad) {
                loadLoaderFileCommand();
            } else if (isZoomCommand(e.command)) {
                updaterZoomCommand(e.command);
            } else if (e.command == MidiRescanCommand) {
                rescanUpdaterDevices(takeMidiDevicesChange());
            } else if (int k = 0; midiInCommandDevice(e.command, k)) {
                if (!switchUpdaterInput(k)) {
                    // The last input device is gone: the updater cannot work without one.
                    closeMidiDevices();
                    destroyMenuBar(MenuBar);
                    closeMainWindow();
                    return 0;
                }
            } else if (int out = 0; midiOutCommandDevice(e.command, out)) {
                selectMidiOutDevice(out);
            }
            keepChosenNames(inName, outName);
            break;
        case EventKind::Key:
            if (const int id = zoomCommandForKey(e)) updaterZoomCommand(id);
            break;
        default: break;  // incoming short messages and everything else: nothing to do
        }
        // After the command, so that a change the update's waits took is acted on once the
        // update has ended.
        if (running && takeMidiDevicesChange()) rescanUpdaterDevices(true);
        // The display-change message, to this loop or to a wait of the update: the level may
        // no longer fit (KTboot.ini keeps the user's choice for a larger screen).
        if (running && takeScreenChange()) {
            setWindowZoom(fittingZoomLevel());
            greyZoomItems();
        }
    }

    traceStep("exit");
    writeUpdaterConfiguration();
    writeUpdaterOptions(false);
    closeMidiDevices();
    destroyMenuBar(MenuBar);
    closeMainWindow();
    traceStep("end");
    return 0;
}
