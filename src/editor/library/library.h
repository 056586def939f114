// library.h - the folder of program files as the editor's library: the files of a folder in
// one order on every platform, the names and locations the programs go by, and stepping to
// the next or previous program of the folder.
//
// listFolderFiles(folder, extension, files, reason): the folder's regular files whose names
//   end with extension (any case; empty: every file), sorted by name byte by byte. False with
//   the system's reason when the folder cannot be listed.
// programList(folder, files, reason): its program files (*.prg).
// programNameFromPath(path): the file's name without folder and extension ("07 Lead").
// fileNameOfPath(path): the file's whole name, without folder ("07 Lead.prg").
// nameProgramAfterFile(path): the program now goes by that file: CurrentProgramName,
//   CurrentProgramFile and CurrentProgramFilePath from the path (the caption is the caller's).
// programNumberFromName(name): the location named by the first two characters (0 when they
//   name none; 1..99 are valid): "07 Lead" and "7Lead" go to 7, "100 Pad" to 10.
// askFile(kind, title, filter, folder, path, ok, initialName): a file dialog with the MIDI
//   devices closed while it is open (the input quiet for 100 ms after), starting in folder
//   with initialName in its name field. ok when a file was chosen: path is set and folder
//   becomes the file's folder. An empty answer, a bare separator, "0" and a name that is only
//   an extension are taken as cancelled. The click that closed the dialog does not reach the
//   panel.
// offeredFileName(extension): the name a save dialog starts with: the current program's
//   file ("07 Lead.prg") while the program still goes by it and it has that extension, else
//   the program's name with the extension ("07 Lead.syx"); empty when the program has no name.
// askSaveFile(title, filter, initialName, use, folder, path, ok): the one rule of every save
//   dialog: askFile's save dialog starting with initialName, then the filter's extension
//   (".prg" of "*.prg") added to a name that has none. use Written (the file is made or
//   replaced): an existing file is replaced only when mayReplace says so; otherwise ok is
//   false and folder and path stay as they were. use Read (the save-style dialog of Write
//   Program from File, which only reads the file): nothing is asked, and a name that exists as
//   typed keeps it without the extension.
// mayReplace(path): true when nothing but a folder is at path, or the user answers
//   " Replace NAME?" (NAME without its folder) with " 1:Replace" rather than " 2:Cancel".
// numberedFiles(folder, files): the batch's list: every regular file of the folder (any
//   extension but the editor's own exports, *.syx) whose name gives a location 1..99, in name
//   order, with the number of files
//   per location. False after a message: " Cannot read the folder!" / "  FOLDER: REASON"
//   when the folder cannot be listed, " No program files in this folder!" / "  FOLDER" when
//   no file gives a location, or " Multiple files assigned to location: L" / " Please
//   resolve it!" for the first location claimed twice.
// loadProgramFile(path, whenRefused): the one way a program file takes the panel's place:
//   caption, the changed parameters between edit-begin and edit-end, one change, the new
//   compare reference (true). A file the reader refuses changes nothing (false); with
//   SendPanelAgain (Load Program, a file the user chose) the panel's program is sent again,
//   with SayAndKeep (a file named by the program) a file that is gone is said too.
// loadNamedProgram(path): loadProgramFile(path, SayAndKeep).
// stepProgram(step): Next (+1) / Previous (-1) Program: the file after / before the current
//   program (the file CurrentProgramFile names, found by its whole name, so every step moves
//   on; by CurrentProgramName when the program no longer goes by that file, as after an
//   undo) in the program list of DataDirectory; the
//   first / last when the current one is not in the list; nothing at either end. The file is
//   loaded as Load Program loads it (caption, the changed parameters between edit-begin and
//   edit-end, one change, the new compare reference), without a dialog and without closing
//   the MIDI devices. A folder that cannot be listed or holds no program file is reported; a
//   file that cannot be read is reported and the panel stays as it is, but the next step goes
//   on from that file (so one bad file does not block the way).
//
// Globals (library.cpp): CurrentProgramFile, the file the current program was last loaded
//   from, saved to or stepped to; UnreadableStepName / UnreadableStepKept: the
//   file last stepped to that could not be read and the program the panel kept then.
#pragma once

#include <string>
#include <vector>

#include "platform/dialogs.h"

constexpr int CommandNextProgram = 2101;
constexpr int CommandPreviousProgram = 2102;

bool listFolderFiles(const std::string& folder, const std::string& extension, std::vector<std::string>& files,
                     std::string& reason);
bool programList(const std::string& folder, std::vector<std::string>& files, std::string& reason);
std::string programNameFromPath(const std::string& path);
std::string fileNameOfPath(const std::string& path);
void nameProgramAfterFile(const std::string& path);
int programNumberFromName(const std::string& name);

void askFile(FileDialogKind kind, const std::string& title, const std::string& filter, std::string& folder,
             std::string& path, bool& ok, const std::string& initialName = "");
enum class ChosenFileUse { Written, Read };
std::string offeredFileName(const std::string& extension);
void askSaveFile(const std::string& title, const std::string& filter, const std::string& initialName,
                 ChosenFileUse use, std::string& folder, std::string& path, bool& ok);
bool mayReplace(const std::string& path);

struct NumberedFiles {
    std::vector<std::string> names;  // in name order
    int counts[100] = {};            // files per location
};
bool numberedFiles(const std::string& folder, NumberedFiles& files);
extern std::string CurrentProgramFile;  // the current program's file, without folder (empty: none)
extern std::string CurrentProgramFilePath;  // the same file with the folder it was named with
extern std::string UnreadableStepName, UnreadableStepKept;  // a step's unreadable file, the program kept

void resetLibraryState();
enum class WhenRefused { SendPanelAgain, SayAndKeep };
bool loadProgramFile(const std::string& path, WhenRefused whenRefused);
bool loadNamedProgram(const std::string& path);
void stepProgram(int step);
