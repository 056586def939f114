// librarywindow.cpp - the library window. See librarywindow.h.
#include "editor/library/librarywindow.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "editor/library/catalog.h"
#include "editor/library/library.h"
#include "editor/library/store.h"
#include "editor/library/unitmemory.h"
#include "editor/panel/palette.h"
#include "editor/panel/text.h"
#include "editor/program/program.h"
#include "platform/announce.h"
#include "platform/canvas.h"
#include "platform/events.h"
#include "platform/toolwindow.h"
#include "platform/window.h"
#include "shared/datafile/pathfile.h"
#include "shared/message/message.h"

int LibraryWindowId = 0;
std::string LibraryFilter;
std::vector<size_t> LibraryRows;
std::string LibrarySelection;
size_t LibraryTopRow = 0;
size_t LibraryCurrentEntry = std::string::npos;
std::string LibraryReadFailure;
std::vector<std::string> LibraryAnnounced;
std::string LibraryPressRow;
int LibraryDropTarget = 0;
int LibraryButtons = 0;

namespace {

constexpr size_t NotListed = std::string::npos;
constexpr int Locations = 99;
constexpr size_t AnnouncedRows = 50;
constexpr size_t FilterLimit = 200;  // characters the filter field takes
constexpr int WheelRows = 3;         // rows one wheel notch scrolls

// The window's layout, in Canvas pixels: the filter field, the list's frame and rows, the
// locations' frame and its 11 x 9 cells, the status line.
constexpr int WindowWidth = 640;
constexpr int WindowHeight = 560;
constexpr int LineHeight = Canvas::TextLineHeight;
constexpr int CharWidth = Canvas::TextCharWidth;
constexpr int FieldX = 64, FieldY = 6, FieldWidth = 570, FieldHeight = 20;
constexpr int FrameX = 6, FrameWidth = 628;
constexpr int ListFrameY = 36;
constexpr int ListX = 10, ListY = 44, ListWidth = 608;
constexpr size_t ListRows = 14;
constexpr int ListFrameHeight = ListY + static_cast<int>(ListRows) * LineHeight + 6 - ListFrameY;
constexpr int ScrollBarX = 622, ScrollBarWidth = 6;
constexpr int CurrentMarkX = 12, StarX = 22, NameX = 34, TagsX = 386, LocationsX = 520;
constexpr size_t NameChars = (TagsX - 8 - NameX) / CharWidth;
constexpr size_t TagChars = (LocationsX - 8 - TagsX) / CharWidth;
constexpr size_t LocationChars = (ScrollBarX - 4 - LocationsX) / CharWidth;
constexpr int GridFrameY = ListFrameY + ListFrameHeight + 10;
constexpr int GridColumns = 11;
constexpr int CellWidth = 56, CellHeight = 26;
constexpr int GridX = 12, GridY = GridFrameY + 8;
constexpr int GridFrameHeight = GridY + (Locations / GridColumns) * CellHeight + 6 - GridFrameY;
constexpr int StatusY = GridFrameY + GridFrameHeight + 6;
constexpr size_t CellNameChars = (CellWidth - 6) / CharWidth;

// The record says location `location` holds a sound.
bool recorded(int location) { return UnitMemory[static_cast<size_t>(location)].known; }

// The first Catalog entry whose program the record says location holds (npos: none).
size_t entryAtLocation(int location) {
    if (!recorded(location)) return NotListed;
    const uint32_t crc = UnitMemory[static_cast<size_t>(location)].crc;
    for (size_t i = 0; i < Catalog.size(); ++i)
        if (Catalog[i].crc == crc) return i;
    return NotListed;
}

// The locations the record says hold this entry's program, ascending.
std::vector<int> locationsOf(const CatalogEntry& entry) {
    std::vector<int> found;
    for (int location = 1; location <= Locations; ++location)
        if (recorded(location) && UnitMemory[static_cast<size_t>(location)].crc == entry.crc) found.push_back(location);
    return found;
}

// A path's parts between the platform's split characters, empty and "." parts left out.
std::vector<std::string> pathParts(std::string path) {
    std::vector<std::string> parts;
    for (;;) {
        const size_t split = lastPathSplit(path);
        const std::string part = split == std::string::npos ? path : path.substr(split + 1);
        if (!part.empty() && part != ".") parts.push_back(part);
        if (split == std::string::npos) break;
        path.erase(split);
    }
    std::reverse(parts.begin(), parts.end());
    return parts;
}

// The Catalog index of the current program's file: its path relative to the library folder,
// compared part by part, so a separator written twice or at the folder's end, or "/" where
// the platform writes another, makes no difference.
size_t findCurrentEntry() {
    if (CurrentProgramFilePath.empty()) return NotListed;
    const std::vector<std::string> folder = pathParts(libraryFolder());
    const std::vector<std::string> file = pathParts(CurrentProgramFilePath);
    if (file.size() <= folder.size() || !std::equal(folder.begin(), folder.end(), file.begin())) return NotListed;
    std::string relative;
    for (size_t i = folder.size(); i < file.size(); ++i) relative += (relative.empty() ? "" : "/") + file[i];
    for (size_t i = 0; i < Catalog.size(); ++i)
        if (Catalog[i].path == relative) return i;
    return NotListed;
}

// The row of the list showing this path (npos: not listed).
size_t rowOfPath(const std::string& path) {
    if (path.empty()) return NotListed;
    for (size_t row = 0; row < LibraryRows.size(); ++row)
        if (Catalog[LibraryRows[row]].path == path) return row;
    return NotListed;
}

size_t selectedRow() { return rowOfPath(LibrarySelection); }

// The marks of a row as the list announces them: "* H @01 <" or "-".
std::string marksText(size_t entry) {
    const SoundMarks marks = marksOf(Catalog[entry].sound);
    std::string text;
    auto add = [&text](const std::string& mark) { text += (text.empty() ? "" : " ") + mark; };
    if (marks.favourite) add("*");
    if (marks.hidden) add("H");
    for (int location : locationsOf(Catalog[entry])) add("@" + locationText(location));
    if (entry == LibraryCurrentEntry) add("<");
    return text.empty() ? "-" : text;
}

// Announces the list when what it announces differs from what was announced last.
void announceList() {
    std::vector<std::string> texts{LibraryFilter};
    for (size_t row = 0; row < LibraryRows.size() && row < AnnouncedRows; ++row) {
        texts.push_back(Catalog[LibraryRows[row]].path);
        texts.push_back(marksText(LibraryRows[row]));
    }
    std::vector<std::string> key = texts;
    key.push_back(std::to_string(LibraryRows.size()));
    if (key == LibraryAnnounced) return;
    LibraryAnnounced = key;
    announce(Announcement::LibraryListed, texts, static_cast<int>(LibraryRows.size()));
}

// Scrolls the list so the selected row is shown.
void scrollToSelection() {
    const size_t row = selectedRow();
    if (row == NotListed) return;
    if (row < LibraryTopRow) LibraryTopRow = row;
    if (row >= LibraryTopRow + ListRows) LibraryTopRow = row + 1 - ListRows;
}

void clampScroll() {
    const size_t last = LibraryRows.size() > ListRows ? LibraryRows.size() - ListRows : 0;
    LibraryTopRow = std::min(LibraryTopRow, last);
}

void scrollBy(long rows) {
    if (rows < 0) {
        const size_t up = static_cast<size_t>(-rows);
        LibraryTopRow = LibraryTopRow > up ? LibraryTopRow - up : 0;
    } else {
        LibraryTopRow += static_cast<size_t>(rows);
    }
    clampScroll();
}

// ---- drawing

// A text cut to `chars` characters, the last one a "~" when it was longer.
std::string fitted(const std::string& text, size_t chars) {
    if (text.size() <= chars) return text;
    if (chars == 0) return "";
    return text.substr(0, chars - 1) + "~";
}

// A frame like the panel's sections: a white outline with its caption on the top line.
void drawFrame(Canvas& canvas, int y, int height, const std::string& caption) {
    canvas.rectangle(FrameX, y, FrameWidth, height, 1, ColourWhite);
    const int width = static_cast<int>(caption.size()) * 6 + 8;
    const int x = FrameX + (FrameWidth - width) / 2;
    canvas.fillBox(x, y - 3, width, 7, ColourBlue);
    drawSmallTextOn(canvas, x + 4, y + 1, ColourWhite, ColourBlue, caption);
}

void drawFilter(Canvas& canvas) {
    drawSmallTextOn(canvas, 12, FieldY + 11, ColourWhite, ColourBlue, "FILTER");
    canvas.fillBox(FieldX, FieldY, FieldWidth, FieldHeight, ColourGrey80);
    canvas.rectangle(FieldX, FieldY, FieldWidth, FieldHeight, 1, ColourBlack);
    const size_t room = static_cast<size_t>(FieldWidth - 12) / CharWidth;
    // The end of a long filter stays in view: that is where typing goes on.
    const std::string shown =
        LibraryFilter.size() > room ? LibraryFilter.substr(LibraryFilter.size() - room) : LibraryFilter;
    const int end = canvas.drawText(FieldX + 4, FieldY + 2, libraryDisplayName(shown).substr(0, room), ColourWhite,
                                    ColourGrey80);
    canvas.fillBox(end + 1, FieldY + 4, 2, LineHeight - 4, ColourWhite);  // the caret
}

std::string tagsText(const SoundMarks& marks) {
    std::string text;
    for (const std::string& tag : marks.tags) text += (text.empty() ? "" : " ") + tag;
    return text;
}

std::string locationsText(const std::vector<int>& locations) {
    std::string text;
    for (size_t i = 0; i < locations.size(); ++i) {
        const std::string more = "+" + std::to_string(locations.size() - i);
        const std::string next = (text.empty() ? "" : " ") + std::string("@") + locationText(locations[i]);
        // Room for this one, and for the "+N" of the rest when it is not the last.
        const size_t need = text.size() + next.size() + (i + 1 < locations.size() ? more.size() + 1 : 0);
        if (need > LocationChars) return text + (text.empty() ? "" : " ") + more;
        text += next;
    }
    return text;
}

void drawList(Canvas& canvas) {
    drawFrame(canvas, ListFrameY, ListFrameHeight, "PROGRAMS");
    const size_t selected = selectedRow();
    for (size_t i = 0; i < ListRows && LibraryTopRow + i < LibraryRows.size(); ++i) {
        const size_t row = LibraryTopRow + i;
        const size_t entry = LibraryRows[row];
        const CatalogEntry& program = Catalog[entry];
        const SoundMarks marks = marksOf(program.sound);
        const int y = ListY + static_cast<int>(i) * LineHeight;
        const bool isSelected = row == selected;
        const Rgb paper = isSelected ? ColourGrey150 : ColourBlue;
        const Rgb ink = isSelected ? ColourBlack : (marks.hidden ? ColourGrey150 : ColourWhite);
        if (isSelected) canvas.fillBox(ListX, y, ListWidth, LineHeight, paper);
        if (entry == LibraryCurrentEntry) canvas.drawText(CurrentMarkX, y, "\xBB", ink, paper);
        if (marks.favourite) canvas.drawText(StarX, y, "*", isSelected ? ColourDarkRed : ColourWhite, paper);
        canvas.drawText(NameX, y, fitted(libraryDisplayName(program.path), NameChars), ink, paper);
        canvas.drawText(TagsX, y, fitted(libraryDisplayName(tagsText(marks)), TagChars), ink, paper);
        canvas.drawText(LocationsX, y, locationsText(locationsOf(program)), ink, paper);
    }
    // The scroll bar: where the rows shown lie among all of them.
    const int trackHeight = static_cast<int>(ListRows) * LineHeight;
    canvas.fillBox(ScrollBarX, ListY, ScrollBarWidth, trackHeight, ColourGrey80);
    if (LibraryRows.size() > ListRows) {
        const double total = static_cast<double>(LibraryRows.size());
        const int top = static_cast<int>(trackHeight * (static_cast<double>(LibraryTopRow) / total));
        const int height = std::max(6, static_cast<int>(trackHeight * (static_cast<double>(ListRows) / total)));
        canvas.fillBox(ScrollBarX, ListY + std::min(top, trackHeight - height), ScrollBarWidth, height, ColourGrey150);
    } else {
        canvas.fillBox(ScrollBarX, ListY, ScrollBarWidth, trackHeight, ColourGrey150);
    }
}

void cellOrigin(int location, int& x, int& y) {
    x = GridX + ((location - 1) % GridColumns) * CellWidth;
    y = GridY + ((location - 1) / GridColumns) * CellHeight;
}

// A location's cell: unknown (an outline), a sound of the library (grey, its first program's
// name) or a sound the library does not have (dark red, the name the record gives).
void drawCell(Canvas& canvas, int location) {
    int x = 0, y = 0;
    cellOrigin(location, x, y);
    const std::string number = locationText(location);
    if (!recorded(location)) {
        canvas.rectangle(x + 1, y + 1, CellWidth - 3, CellHeight - 3, 1, ColourGrey80);
        drawSmallTextOn(canvas, x + 4, y + 7, ColourGrey150, ColourBlue, number);
    } else {
        const size_t entry = entryAtLocation(location);
        const bool inLibrary = entry != NotListed;
        const Rgb paper = inLibrary ? ColourGrey150 : ColourDarkRed;
        const Rgb ink = inLibrary ? ColourBlack : ColourWhite;
        std::string name = inLibrary ? Catalog[entry].name : UnitMemory[static_cast<size_t>(location)].name;
        // The cell has its number already: a name's own "NN " gives room to the rest.
        if (name.size() > 3 && std::isdigit(static_cast<unsigned char>(name[0])) &&
            std::isdigit(static_cast<unsigned char>(name[1])) && name[2] == ' ')
            name.erase(0, 3);
        canvas.fillBox(x + 1, y + 1, CellWidth - 2, CellHeight - 2, paper);
        drawSmallTextOn(canvas, x + 4, y + 7, ink, paper, number);
        canvas.drawText(x + 3, y + 9, fitted(libraryDisplayName(name), CellNameChars), ink, paper);
        if (inLibrary && entry == LibraryCurrentEntry) canvas.rectangle(x + 1, y + 1, CellWidth - 3, CellHeight - 3, 1, ColourBlack);
    }
    if (location == LibraryDropTarget) canvas.rectangle(x, y, CellWidth - 1, CellHeight - 1, 2, ColourWhite);
}

void drawGrid(Canvas& canvas) {
    drawFrame(canvas, GridFrameY, GridFrameHeight, "UNIT LOCATIONS");
    for (int location = 1; location <= Locations; ++location) drawCell(canvas, location);
}

void drawStatus(Canvas& canvas) {
    std::string text;
    if (!LibraryReadFailure.empty()) {
        text = "Cannot read the library: " + LibraryReadFailure;
    } else {
        text = std::to_string(LibraryRows.size()) + (LibraryRows.size() == 1 ? " program" : " programs");
        if (LibraryRows.size() != Catalog.size()) text += " of " + std::to_string(Catalog.size());
        if (CatalogUnreadable > 0)
            text += ", " + std::to_string(CatalogUnreadable) + (CatalogUnreadable == 1 ? " file" : " files") +
                    " could not be read";
        if (!LibraryPressRow.empty()) text += "  - drop on a location to store it";
    }
    canvas.drawText(8, StatusY, fitted(libraryDisplayName(text), static_cast<size_t>(WindowWidth - 16) / CharWidth),
                    ColourWhite, ColourBlue);
}

void drawWindow() {
    if (LibraryWindowId == 0 || !toolWindowShown(LibraryWindowId)) return;
    Canvas& canvas = toolWindowCanvas(LibraryWindowId);
    canvas.clear(ColourBlue);
    drawFilter(canvas);
    drawList(canvas);
    drawGrid(canvas);
    drawStatus(canvas);
    presentToolWindow(LibraryWindowId);
}

// ---- what the window shows, brought up to date

// The rows again (after the filter, the folder or the marks changed); the selection is kept
// when its row is still listed.
void filterRows() {
    LibraryRows = filterCatalog(LibraryFilter);
    clampScroll();
    scrollToSelection();
}

// Another reader of the folder (Find Duplicates, say) may have changed Catalog under the
// rows: an index beyond it filters the rows again, so no row points outside.
void keepRowsInCatalog() {
    const bool stale = std::any_of(LibraryRows.begin(), LibraryRows.end(), [](size_t i) { return i >= Catalog.size(); });
    if (!stale && (LibraryCurrentEntry == NotListed || LibraryCurrentEntry < Catalog.size())) return;
    LibraryCurrentEntry = findCurrentEntry();
    filterRows();
}

// The folder read again; a folder that cannot be listed is said on the status line.
void readFolder() {
    std::string reason;
    LibraryReadFailure = readCatalog(reason) ? "" : (reason.empty() ? "unknown reason" : reason);
    LibraryCurrentEntry = findCurrentEntry();
}

// After something changed: the list announced when it differs, the window drawn.
void showChanges() {
    announceList();
    drawWindow();
}

// The current program's file again; the selection follows it when it is listed.
void followCurrentProgram() {
    LibraryCurrentEntry = findCurrentEntry();
    if (LibraryCurrentEntry != NotListed && rowOfPath(Catalog[LibraryCurrentEntry].path) != NotListed) {
        LibrarySelection = Catalog[LibraryCurrentEntry].path;
        scrollToSelection();
    }
}

// Loads a row's program as Next Program does.
void loadRow(size_t row) {
    LibrarySelection = Catalog[LibraryRows[row]].path;
    scrollToSelection();
    drawWindow();
    loadNamedProgram(joinPath(libraryFolder(), LibrarySelection));
    followCurrentProgram();
    showChanges();
}

// ---- input

// The list row at (x, y) (npos: none).
size_t rowAt(int x, int y) {
    if (x < ListX || x >= ListX + ListWidth || y < ListY) return NotListed;
    const size_t row = LibraryTopRow + static_cast<size_t>((y - ListY) / LineHeight);
    if (static_cast<size_t>((y - ListY) / LineHeight) >= ListRows || row >= LibraryRows.size()) return NotListed;
    return row;
}

// The location whose cell is at (x, y) (0: none).
int locationAt(int x, int y) {
    if (x < GridX || y < GridY) return 0;
    const int column = (x - GridX) / CellWidth, line = (y - GridY) / CellHeight;
    if (column >= GridColumns) return 0;
    const int location = line * GridColumns + column + 1;
    return location <= Locations ? location : 0;
}

void setFilter(const std::string& filter) {
    if (filter == LibraryFilter) return;
    LibraryFilter = filter;
    filterRows();
    showChanges();
}

void serveKey(const Event& e) {
    if (e.ctrl) return;
    const size_t row = selectedRow();
    switch (e.key) {
    case KeyUp:
        if (row != NotListed && row > 0) loadRow(row - 1);
        return;
    case KeyDown:
        if (row == NotListed && !LibraryRows.empty()) loadRow(0);
        else if (row != NotListed && row + 1 < LibraryRows.size()) loadRow(row + 1);
        return;
    case KeyEnter:
        if (row != NotListed) loadRow(row);
        return;
    case KeyPageUp: scrollBy(-static_cast<long>(ListRows)); break;
    case KeyPageDown: scrollBy(static_cast<long>(ListRows)); break;
    case KeyHome: LibraryTopRow = 0; break;
    case KeyEnd: scrollBy(static_cast<long>(LibraryRows.size())); break;
    case KeyEscape: setFilter(""); return;
    case KeyBackspace:
        if (!LibraryFilter.empty()) setFilter(LibraryFilter.substr(0, LibraryFilter.size() - 1));
        return;
    default:
        // Printable characters (Latin-1 as the keyboard gives them) go into the field.
        if (((e.key >= 32 && e.key < 127) || (e.key >= 160 && e.key <= 255)) && LibraryFilter.size() < FilterLimit)
            setFilter(LibraryFilter + static_cast<char>(e.key));
        return;
    }
    drawWindow();
}

// A row dropped on a location: asked, then stored there. The program stored is the panel's,
// so only when the press did load this row's program (a file that could not be read leaves
// another program on the panel, which must not go out under this row's name).
void dropRow(const std::string& path, int location) {
    const size_t entry = LibraryCurrentEntry;
    if (entry == NotListed || Catalog[entry].path != path) return;
    const std::string question = " Write " + Catalog[entry].name + " into location " + locationText(location) + "?";
    if (askChoice(question, " 1:Write", " 2:Cancel") == 1) storeToLocation(location);
    // The question (and a message about the write) brought the main window to the front:
    // the window the user dropped on comes back over it.
    openToolWindow("library", "Library", WindowWidth, WindowHeight);
    showChanges();
}

void serveMouse(const Event& e) {
    const int before = LibraryButtons;
    LibraryButtons = e.buttons;
    const bool press = (e.buttons & 1) != 0 && (before & 1) == 0;
    const bool release = (e.buttons & 1) == 0 && (before & 1) != 0;
    if (e.doubleClick) {
        const int location = locationAt(e.x, e.y);
        const size_t entry = location == 0 ? NotListed : entryAtLocation(location);
        if (entry != NotListed) {
            // The row is selected when the filter lets it through.
            LibrarySelection = rowOfPath(Catalog[entry].path) != NotListed ? Catalog[entry].path : LibrarySelection;
            loadNamedProgram(joinPath(libraryFolder(), Catalog[entry].path));
            followCurrentProgram();
            showChanges();
        }
        return;
    }
    if (press) {
        const size_t row = rowAt(e.x, e.y);
        if (row == NotListed) return;
        LibraryPressRow = Catalog[LibraryRows[row]].path;
        loadRow(row);
        return;
    }
    if (LibraryPressRow.empty()) return;
    if (release) {
        const std::string path = LibraryPressRow;
        const int location = locationAt(e.x, e.y);
        LibraryPressRow.clear();
        LibraryDropTarget = 0;
        drawWindow();
        if (location != 0) dropRow(path, location);
        return;
    }
    const int target = locationAt(e.x, e.y);
    if (target != LibraryDropTarget) {
        LibraryDropTarget = target;
        drawWindow();
    }
}

void serveWheel(const Event& e) {
    scrollBy(-static_cast<long>(e.notches) * WheelRows);
    drawWindow();
}

void openWindow() {
    LibraryWindowId = openToolWindow("library", "Library", WindowWidth, WindowHeight);
    checkMenuItem(CommandLibraryWindow, true);
    readFolder();
    readMarks();
    readUnitMemory();
    LibraryRows = filterCatalog(LibraryFilter);
    // The selection starts on the current program's row, none when it is not listed.
    LibrarySelection = (LibraryCurrentEntry != NotListed && rowOfPath(Catalog[LibraryCurrentEntry].path) != NotListed)
                           ? Catalog[LibraryCurrentEntry].path
                           : "";
    LibraryTopRow = 0;
    scrollToSelection();
    LibraryPressRow.clear();
    LibraryDropTarget = 0;
    LibraryButtons = 0;
    LibraryAnnounced.clear();  // opening announces the list whatever was said before
    showChanges();
}

}  // namespace

std::string libraryDisplayName(const std::string& path) {
    std::string shown;
    auto escapeByte = [&shown](unsigned char byte) {
        char text[8];
        std::snprintf(text, sizeof text, "\\x%02X", byte);
        shown += text;
    };
    size_t i = 0;
    while (i < path.size()) {
        const unsigned char lead = static_cast<unsigned char>(path[i]);
        if (lead < 0x80) {
            if (lead < 32 || lead == 127) escapeByte(lead);
            else if (lead == '\\') shown += "\\\\";
            else shown += static_cast<char>(lead);
            ++i;
            continue;
        }
        // A UTF-8 sequence: its length from the lead byte, each following byte 10xxxxxx, no
        // overlong form, no surrogate, nothing beyond U+10FFFF; else the lead byte is escaped.
        const size_t length = lead >= 0xF5 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        uint32_t code = length == 4 ? lead & 0x07u : length == 3 ? lead & 0x0Fu : lead & 0x1Fu;
        bool valid = length != 0 && i + length <= path.size();
        for (size_t k = 1; valid && k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(path[i + k]);
            if ((next & 0xC0) != 0x80) valid = false;
            code = (code << 6) | (next & 0x3Fu);
        }
        if (valid) {
            const uint32_t least = length == 4 ? 0x10000 : length == 3 ? 0x800 : 0x80;
            valid = code >= least && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
        }
        if (!valid) {
            escapeByte(lead);
            ++i;
            continue;
        }
        if (code >= 0xA0 && code <= 0xFF) {
            shown += static_cast<char>(code);  // the built-in font draws Latin-1
        } else {
            char text[16];
            std::snprintf(text, sizeof text, "\\u{%X}", static_cast<unsigned>(code));
            shown += text;
        }
        i += length;
    }
    return shown;
}

void resetLibraryWindowState() {
    LibraryWindowId = 0;
    LibraryFilter.clear();
    LibraryRows.clear();
    LibrarySelection.clear();
    LibraryTopRow = 0;
    LibraryCurrentEntry = NotListed;
    LibraryReadFailure.clear();
    LibraryAnnounced.clear();
    LibraryPressRow.clear();
    LibraryDropTarget = 0;
    LibraryButtons = 0;
}

bool libraryWindowShown() { return LibraryWindowId != 0 && toolWindowShown(LibraryWindowId); }

void toggleLibraryWindow() {
    if (!libraryWindowShown()) {
        openWindow();
        return;
    }
    hideToolWindow(LibraryWindowId);
    LibraryPressRow.clear();
    LibraryDropTarget = 0;
    checkMenuItem(CommandLibraryWindow, false);
}

void serveLibraryWindow(const Event& e) {
    if (LibraryWindowId == 0 || e.window != LibraryWindowId) return;
    keepRowsInCatalog();
    switch (e.kind) {
    case EventKind::ToolWindowHidden:
        LibraryPressRow.clear();
        LibraryDropTarget = 0;
        LibraryButtons = 0;
        checkMenuItem(CommandLibraryWindow, false);
        return;
    case EventKind::WindowActivated:
        // The folder may have changed while another window was in front.
        readFolder();
        filterRows();
        showChanges();
        return;
    case EventKind::Repaint: drawWindow(); return;
    default: break;
    }
    if (!libraryWindowShown()) return;
    if (e.kind == EventKind::Key) serveKey(e);
    else if (e.kind == EventKind::MouseButton) serveMouse(e);
    else if (e.kind == EventKind::Wheel) serveWheel(e);
}

void noteLibraryChange(LibraryChange what) {
    if (!libraryWindowShown()) return;  // it reads everything when it opens
    keepRowsInCatalog();
    switch (what) {
    case LibraryChange::Record: break;
    case LibraryChange::Marks: filterRows(); break;
    case LibraryChange::Folder:
        readFolder();
        filterRows();
        break;
    case LibraryChange::CurrentProgram: followCurrentProgram(); break;
    }
    showChanges();
}
