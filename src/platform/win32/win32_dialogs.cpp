// win32_dialogs.cpp - the message box, the alert box, the file and folder dialogs and the
// text input, on user32, comdlg32 and shell32.
//
// Each runs its own modal message loop with the main window (when there is one) as its
// owner, which Windows disables meanwhile; the tool windows are disabled too (beginModal),
// and the program's window that was in front is again afterwards. Messages for the
// program's windows that arrive during the dialog (MIDI input, paint) are handled by the
// window procedure as always and wait in the event queue.
#include <windows.h>
#include <commdlg.h>
#include <cderr.h>
#include <objbase.h>
#include <shlobj.h>

#include <cctype>
#include <algorithm>
#include <cstring>
#include <vector>
#include <string>

#include "platform/dialogs.h"
#include "platform/win32/win32_state.h"

namespace {

// The size of the path buffers: 512 characters and the NUL.
constexpr size_t PathBufferBytes = 512 + 1;

// The title of the alert box, which has no title of its own in the program's words.
constexpr const char* AlertTitle = "Alert";

// "*.prg" -> "PRG Files\0*.prg\0\0": one named filter, as the common dialogs read it.
std::string filterOf(const std::string& pattern) {
    std::string name;
    const size_t dot = pattern.rfind('.');
    if (pattern.empty() || pattern == "*" || pattern == "*.*") {
        name = "All Files";
    } else if (dot != std::string::npos && dot + 1 < pattern.size()) {
        for (size_t i = dot + 1; i < pattern.size(); ++i) {
            name += static_cast<char>(std::toupper(static_cast<unsigned char>(pattern[i])));
        }
        name += " Files";
    } else {
        name = pattern;
    }
    const std::string shown = pattern.empty() ? std::string("*.*") : pattern;
    std::string filter = name;
    filter += '\0';
    filter += shown;
    filter += '\0';
    filter += '\0';
    return filter;
}

int CALLBACK browseCallback(HWND window, UINT message, LPARAM /*param*/, LPARAM /*data*/) {
    if (message == BFFM_INITIALIZED && !ktwin::backend().BrowseStartFolder.empty()) {
        SendMessageA(window, BFFM_SETSELECTIONA, TRUE,
                     reinterpret_cast<LPARAM>(ktwin::backend().BrowseStartFolder.c_str()));
    }
    return 0;
}

// The shell's folder browser wants COM on the calling thread; once is enough.
void startCom() {
    if (ktwin::backend().ComStarted) return;
    const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ktwin::backend().ComStarted = SUCCEEDED(result) || result == RPC_E_CHANGED_MODE;
}

}  // namespace

void messageBox(const std::string& title, const std::string& text) {
    const HWND front = ktwin::beginModal();
    MessageBoxA(ktwin::mainWindow(), text.c_str(), title.c_str(), MB_OK);
    ktwin::endModal(front);
}

void alertBox(const std::string& line1, const std::string& line2) {
    // MessageBoxA labels its one button "OK" in the system's language; a button text of our
    // own would need a dialog of our own.
    const std::string text = line1 + "\r\n" + line2;
    const HWND front = ktwin::beginModal();
    MessageBoxA(ktwin::mainWindow(), text.c_str(), AlertTitle, MB_ICONEXCLAMATION | MB_OK);
    ktwin::endModal(front);
}

DialogAnswer fileDialog(FileDialogKind kind, const std::string& title, const std::string& startFolder,
                        const std::string& pattern, const std::string& initialName) {
    DialogAnswer answer;
    char path[PathBufferBytes] = {0};
    // The name field starts with what lpstrFile holds (cut to the buffer, NUL kept).
    initialName.copy(path, sizeof path - 1);
    const std::string filter = filterOf(pattern);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = ktwin::mainWindow();
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path;
    ofn.nMaxFile = static_cast<DWORD>(sizeof path);
    ofn.lpstrInitialDir = startFolder.empty() ? nullptr : startFolder.c_str();
    ofn.lpstrTitle = title.c_str();
    // OFN_NOCHANGEDIR: the dialog would otherwise leave the process's current directory in
    // the folder the user looked at last. Neither OFN_OVERWRITEPROMPT nor lpstrDefExt: the
    // program adds the extension and asks before it replaces a file itself, as it does on
    // every system, and a name would otherwise be asked about twice.
    ofn.Flags = OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (kind == FileDialogKind::Open) ofn.Flags |= OFN_FILEMUSTEXIST;
    const HWND front = ktwin::beginModal();
    auto show = [&] { return kind == FileDialogKind::Open ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn); };
    BOOL chosen = show();
    // A name the dialog refuses to start with (a character Windows does not allow in file
    // names) makes it fail before it opens; it is shown empty instead.
    if (!chosen && path[0] != '\0' && CommDlgExtendedError() == FNERR_INVALIDFILENAME) {
        path[0] = '\0';
        chosen = show();
    }
    ktwin::endModal(front);
    if (chosen && path[0] != '\0') {
        answer.outcome = DialogOutcome::Chosen;
        answer.path.assign(path, strnlen(path, sizeof path));
    }
    return answer;
}

DialogAnswer folderDialog(const std::string& title, const std::string& startFolder) {
    startCom();
    DialogAnswer answer;
    ktwin::backend().BrowseStartFolder = startFolder;
    // "C:" (a drive root without its backslash) means the drive's current directory to
    // Windows; the browser selects the root only as "C:\".
    if (ktwin::backend().BrowseStartFolder.size() == 2 && ktwin::backend().BrowseStartFolder[1] == ':')
        ktwin::backend().BrowseStartFolder += '\\';
    char displayName[PathBufferBytes] = {0};
    BROWSEINFOA info{};
    info.hwndOwner = ktwin::mainWindow();
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = browseCallback;
    info.lParam = 0;
    info.iImage = 0;
    const HWND front = ktwin::beginModal();
    LPITEMIDLIST items = SHBrowseForFolderA(&info);
    ktwin::endModal(front);
    if (items == nullptr) return answer;  // cancelled
    char path[PathBufferBytes] = {0};
    if (SHGetPathFromIDListA(items, path) && path[0] != '\0') {
        answer.outcome = DialogOutcome::Chosen;
        answer.path.assign(path, strnlen(path, sizeof path));
    } else {
        answer.outcome = DialogOutcome::NoPath;
    }
    CoTaskMemFree(items);
    return answer;
}

// ---- the text input: a dialog made in memory (no resource file), run by DialogBoxIndirectParam.

namespace {

constexpr int TextPromptId = 100;
constexpr int TextFieldId = 101;

// What the dialog procedure reads and fills in.
struct TextInputState {
    const std::string* Initial = nullptr;
    std::string Typed;
};

// A DLGTEMPLATE and its items as the system reads them: WORD-aligned strings, each item on a
// DWORD boundary.
class DialogBuilder {
public:
    void word(WORD w) { Bytes.push_back(w); }
    void text(const std::string& s) {
        for (unsigned char c : s) word(c);  // the program's texts are plain ASCII or Latin-1
        word(0);
    }
    void alignDword() {
        if (Bytes.size() % 2 != 0) word(0);
    }
    void header(DWORD style, int items, short x, short y, short cx, short cy, const std::string& title) {
        dword(style);
        dword(0);  // extended style
        word(static_cast<WORD>(items));
        word(static_cast<WORD>(x));
        word(static_cast<WORD>(y));
        word(static_cast<WORD>(cx));
        word(static_cast<WORD>(cy));
        word(0);  // no menu
        word(0);  // the standard dialog class
        text(title);
        word(8);  // DS_SETFONT: 8 point
        text("MS Shell Dlg");
    }
    void item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD classAtom, const std::string& title) {
        alignDword();
        dword(style | WS_CHILD | WS_VISIBLE);
        dword(0);
        word(static_cast<WORD>(x));
        word(static_cast<WORD>(y));
        word(static_cast<WORD>(cx));
        word(static_cast<WORD>(cy));
        word(id);
        word(0xFFFF);
        word(classAtom);  // 0x0080 button, 0x0081 edit, 0x0082 static
        text(title);
        word(0);  // no creation data
    }
    const DLGTEMPLATE* data() const { return reinterpret_cast<const DLGTEMPLATE*>(Bytes.data()); }

private:
    void dword(DWORD d) {
        word(LOWORD(d));
        word(HIWORD(d));
    }
    std::vector<WORD> Bytes;  // WORDs: the vector's storage is aligned for DWORDs too
};

INT_PTR CALLBACK textInputProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto* state = reinterpret_cast<TextInputState*>(lParam);
        HWND field = GetDlgItem(dialog, TextFieldId);
        SetWindowTextA(field, state->Initial->c_str());
        SendMessageA(field, EM_SETSEL, 0, -1);  // all of it selected: typing replaces it
        SetFocus(field);
        return FALSE;  // the focus was set here
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            // Enter is the default button's; Escape and the close button come as IDCANCEL.
            auto* state = reinterpret_cast<TextInputState*>(GetWindowLongPtrA(dialog, DWLP_USER));
            HWND field = GetDlgItem(dialog, TextFieldId);
            const int length = GetWindowTextLengthA(field);
            std::string typed(static_cast<size_t>(std::max(length, 0)) + 1, '\0');
            const int got = GetWindowTextA(field, &typed[0], length + 1);
            typed.resize(static_cast<size_t>(std::max(got, 0)));
            state->Typed = typed;
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

bool askText(const std::string& title, const std::string& prompt, const std::string& initial, std::string& answer) {
    DialogBuilder d;
    d.header(DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU, 4, 0, 0, 220, 66, title);
    d.item(SS_LEFT | SS_NOPREFIX, 7, 7, 206, 10, TextPromptId, 0x0082, prompt);
    d.item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 20, 206, 14, TextFieldId, 0x0081, "");
    d.item(BS_DEFPUSHBUTTON | WS_TABSTOP, 109, 43, 50, 14, IDOK, 0x0080, "OK");
    d.item(BS_PUSHBUTTON | WS_TABSTOP, 163, 43, 50, 14, IDCANCEL, 0x0080, "Cancel");
    TextInputState state;
    state.Initial = &initial;
    // The dialog's own modal loop dispatches the other windows' messages too: winmm's input
    // notifications reach the window procedure and wait in the event queue meanwhile.
    const HWND front = ktwin::beginModal();
    const INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), d.data(), ktwin::mainWindow(),
                                                   textInputProcedure, reinterpret_cast<LPARAM>(&state));
    ktwin::endModal(front);
    if (result != IDOK) return false;
    answer = state.Typed;
    return true;
}
