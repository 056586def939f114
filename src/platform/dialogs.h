// dialogs.h - the window system's own dialogs. Each blocks until the user answers, and
// the program does nothing else meanwhile.
//
// messageBox(title, text): an ordinary message box with one OK button.
// alertBox(line1, line2): a box with the exclamation icon, two lines and one " OK " button.
// fileDialog(kind, title, startFolder, pattern, initialName): the common open or save dialog
//   with one filter (pattern such as "*.prg"), starting in startFolder with initialName (a file
//   name without folder; empty: none) in its name field. Returns the full path chosen, exactly
//   as the user gave it, or cancelled. The dialog neither adds an extension nor asks about an
//   existing file: the program does both itself, the same way on every system.
// askText(title, prompt, initial, answer): a modal one-line text input with a caption, a
//   prompt above the field and the field holding `initial`; OK / Enter gives the text typed in
//   `answer` (true), Cancel / Escape / the close button gives false and leaves `answer` as it
//   was. The MIDI devices stay open meanwhile.
// folderDialog(title, startFolder): the folder browser with startFolder preselected. Returns
//   the chosen folder (as the system gives it), DialogCancelled, or DialogNoPath when the user
//   confirmed an item that has no file-system path.
#pragma once

#include <string>

enum class FileDialogKind { Open, Save };
enum class DialogOutcome { Chosen, Cancelled, NoPath };

struct DialogAnswer {
    DialogOutcome outcome = DialogOutcome::Cancelled;
    std::string path;
};

void messageBox(const std::string& title, const std::string& text);
void alertBox(const std::string& line1, const std::string& line2);
DialogAnswer fileDialog(FileDialogKind kind, const std::string& title, const std::string& startFolder,
                        const std::string& pattern, const std::string& initialName = "");
DialogAnswer folderDialog(const std::string& title, const std::string& startFolder);
bool askText(const std::string& title, const std::string& prompt, const std::string& initial,
             std::string& answer);
