// win32_dialogs.cpp - the message box, the alert box and the file and folder dialogs, on
// user32, comdlg32 and shell32.
//
// Each runs its own modal message loop with the main window (when there is one) as its
// owner, which Windows disables meanwhile. Messages for the program's windows that arrive
// during the dialog (MIDI input, paint) are handled by the window procedure as always and
// wait in the event queue.
#include <windows.h>
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include <cctype>
#include <cstring>
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
    MessageBoxA(ktwin::mainWindow(), text.c_str(), title.c_str(), MB_OK);
}

void alertBox(const std::string& line1, const std::string& line2) {
    // MessageBoxA labels its one button "OK" in the system's language; a button text of our
    // own would need a dialog of our own.
    const std::string text = line1 + "\r\n" + line2;
    MessageBoxA(ktwin::mainWindow(), text.c_str(), AlertTitle, MB_ICONEXCLAMATION | MB_OK);
}

DialogAnswer fileDialog(FileDialogKind kind, const std::string& title, const std::string& startFolder,
                        const std::string& pattern) {
    DialogAnswer answer;
    char path[PathBufferBytes] = {0};
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
    // the folder the user looked at last. No overwrite question on saving: the program
    // decides about the file it was given.
    ofn.Flags = OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (kind == FileDialogKind::Open) ofn.Flags |= OFN_FILEMUSTEXIST;
    const BOOL chosen = kind == FileDialogKind::Open ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn);
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
    LPITEMIDLIST items = SHBrowseForFolderA(&info);
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
