// fltk_dialogs.cpp - the message box, the alert box, the file and folder dialogs and the
// text input, on FLTK 1.3 (fl_message, fl_alert, Fl_Native_File_Chooser: GTK's chooser where
// GTK is installed, FLTK's own otherwise; the text input is a small modal window of ours).
//
// Each runs its own modal loop inside FLTK; the program does nothing meanwhile. Clicks and
// keys meant for the program's windows do not reach them while a dialog is up (FLTK keeps
// them for the modal dialog); MIDI input goes on being queued. When the dialog is gone the
// main window gets the keyboard focus back if it had it before, as owners of a dialog do on
// other systems.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>

#include <cctype>
#include <string>

#include "platform/dialogs.h"
#include "platform/fltk/fltk_state.h"
#include "platform/input.h"
#include "platform/process.h"

namespace {

// The title of the alert box, which has no title of its own in the program's words.
constexpr const char* AlertTitle = "Alert";

// The folder a dialog opens in: the one asked for, or the current directory when none is
// given (GTK's chooser would otherwise open on "Recently Used").
std::string folderToStartIn(const std::string& startFolder) {
    return startFolder.empty() ? currentDirectory() : startFolder;
}

// Runs a dialog with the display open and the focus handed back afterwards.
template <typename Dialog>
auto runDialog(Dialog dialog) {
    ktfltk::startFltk();
    const int before = foregroundWindow();
    auto result = dialog();
    if (before == ForegroundMain) ktfltk::focusMainWindow();
    return result;
}

// "*.prg" -> "PRG Files\t*.prg": one named filter in the form FLTK's chooser reads.
std::string filterOf(const std::string& pattern) {
    if (pattern.empty() || pattern == "*" || pattern == "*.*") return "All Files\t*";
    std::string name;
    const size_t dot = pattern.rfind('.');
    if (dot != std::string::npos && dot + 1 < pattern.size()) {
        for (size_t i = dot + 1; i < pattern.size(); ++i) {
            name += static_cast<char>(std::toupper(static_cast<unsigned char>(pattern[i])));
        }
        name += " Files";
    } else {
        name = pattern;
    }
    return name + "\t" + pattern;
}

}  // namespace

void messageBox(const std::string& title, const std::string& text) {
    runDialog([&] {
        if (!ktfltk::openDisplay()) return 0;
        // fl_message's one button says "Close"; a message box's says OK.
        const char* closeLabel = fl_close;
        fl_close = fl_ok;
        fl_message_title(title.c_str());
        fl_message("%s", text.c_str());
        fl_close = closeLabel;
        return 0;
    });
}

void alertBox(const std::string& line1, const std::string& line2) {
    runDialog([&] {
        if (!ktfltk::openDisplay()) return 0;
        // fl_alert's single button is labelled with fl_close ("Close"); the alert's button
        // says " OK ". fl_close is FLTK's global, so it goes back at once.
        const char* closeLabel = fl_close;
        fl_close = " OK ";
        fl_message_title(AlertTitle);
        fl_alert("%s\n%s", line1.c_str(), line2.c_str());
        fl_close = closeLabel;
        return 0;
    });
}

DialogAnswer fileDialog(FileDialogKind kind, const std::string& title, const std::string& startFolder,
                        const std::string& pattern, const std::string& initialName) {
    return runDialog([&] {
        DialogAnswer answer;
        if (!ktfltk::openDisplay()) return answer;
        Fl_Native_File_Chooser chooser(kind == FileDialogKind::Open ? Fl_Native_File_Chooser::BROWSE_FILE
                                                                    : Fl_Native_File_Chooser::BROWSE_SAVE_FILE);
        chooser.title(title.c_str());
        const std::string filter = filterOf(pattern);
        chooser.filter(filter.c_str());
        const std::string folder = folderToStartIn(startFolder);
        chooser.directory(folder.c_str());
        // No SAVEAS_CONFIRM: the program asks before it replaces a file, in its own words.
        if (!initialName.empty()) chooser.preset_file(initialName.c_str());
        // show(): 0 chosen, 1 cancelled, -1 failed (its text in errmsg).
        const int shown = chooser.show();
        if (shown == 0 && chooser.filename() != nullptr && chooser.filename()[0] != '\0') {
            answer.outcome = DialogOutcome::Chosen;
            answer.path = chooser.filename();
        }
        return answer;
    });
}

DialogAnswer folderDialog(const std::string& title, const std::string& startFolder) {
    return runDialog([&] {
        DialogAnswer answer;
        if (!ktfltk::openDisplay()) return answer;
        Fl_Native_File_Chooser chooser(Fl_Native_File_Chooser::BROWSE_DIRECTORY);
        chooser.title(title.c_str());
        const std::string folder = folderToStartIn(startFolder);
        chooser.directory(folder.c_str());
        const int shown = chooser.show();
        if (shown == 0) {
            const char* chosen = chooser.filename();
            if (chosen != nullptr && chosen[0] != '\0') {
                answer.outcome = DialogOutcome::Chosen;
                answer.path = chosen;
            } else {
                // Confirmed, but on something that is no folder of the file system (GTK's
                // "Recent", a network place).
                answer.outcome = DialogOutcome::NoPath;
            }
        }
        return answer;
    });
}

namespace {

// The text input's window: the prompt, the field, OK (also Enter) and Cancel (also Escape and
// the close button). Answered says which ended it.
struct TextInput {
    Fl_Window* Window = nullptr;
    Fl_Input* Field = nullptr;
    bool Answered = false;
    bool Confirmed = false;
};

void textInputOk(Fl_Widget*, void* data) {
    auto* input = static_cast<TextInput*>(data);
    input->Answered = true;
    input->Confirmed = true;
    input->Window->hide();
}

// Cancel, Escape and the close button all come here (FLTK sends the window's callback for the
// last two).
void textInputCancel(Fl_Widget*, void* data) {
    auto* input = static_cast<TextInput*>(data);
    input->Answered = true;
    input->Window->hide();
}

}  // namespace

bool askText(const std::string& title, const std::string& prompt, const std::string& initial, std::string& answer) {
    return runDialog([&] {
        if (!ktfltk::openDisplay()) return false;
        constexpr int Width = 360, Height = 110, Margin = 10, ButtonWidth = 80, ButtonHeight = 25;
        TextInput input;
        Fl_Window window(Width, Height);
        input.Window = &window;
        window.copy_label(title.c_str());
        Fl_Box label(Margin, Margin, Width - 2 * Margin, 20);
        label.copy_label(prompt.c_str());
        label.align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
        Fl_Input field(Margin, Margin + 22, Width - 2 * Margin, 25);
        input.Field = &field;
        field.value(initial.c_str());
        Fl_Return_Button ok(Width - 2 * (ButtonWidth + Margin), Height - ButtonHeight - Margin, ButtonWidth,
                            ButtonHeight, "OK");
        ok.callback(textInputOk, &input);
        Fl_Button cancel(Width - ButtonWidth - Margin, Height - ButtonHeight - Margin, ButtonWidth, ButtonHeight,
                         "Cancel");
        cancel.callback(textInputCancel, &input);
        window.callback(textInputCancel, &input);
        window.end();
        window.set_modal();
        window.hotspot(&field);
        window.show();
        field.take_focus();
        field.position(field.size(), 0);  // all of it selected: typing replaces it
        // FLTK's own modal loop: the program's windows get nothing meanwhile, and MIDI input
        // goes on being queued by its thread.
        while (window.shown()) ktfltk::pump(-1);
        if (!input.Confirmed) return false;
        answer = field.value();
        return true;
    });
}
