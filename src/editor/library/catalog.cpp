// catalog.cpp - the library's programs, their sounds and the marks of the sounds. See catalog.h.

#include "editor/library/catalog.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <unordered_map>

#include "editor/declaration/declaration.h"
#include "editor/declaration/identity.h"
#include "editor/library/unitmemory.h"
#include "editor/preset/effects.h"
#include "editor/preset/programfile.h"
#include "editor/program/program.h"
#include "platform/files.h"
#include "shared/datafile/datafile.h"
#include "shared/datafile/expression.h"
#include "shared/datafile/pathfile.h"
#include "shared/datafile/textfile.h"

namespace fs = std::filesystem;

std::string LibraryFolder;
std::vector<CatalogEntry> Catalog;
int CatalogUnreadable = 0;
bool CatalogCut = false;
bool MarksWarned = false;

namespace {

std::map<uint64_t, SoundMarks> Marks;    // the sounds with a mark or a tag, in hash order
bool MarksFileUnreadable = false;         // KtLibrary.txt is there but could not be read
std::vector<std::string> FoldedNames;    // Catalog's names with ASCII letters in lower case

const char* const IndexVersionLine = "KtLibrary index 1";

char foldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string folded(const std::string& text) {
    std::string out = text;
    for (char& c : out) c = foldAscii(c);
    return out;
}

bool endsWithPrg(const std::string& name) {
    return name.size() > 4 && folded(name.substr(name.size() - 4)) == ".prg";
}

std::string hexText(uint64_t value, int digits) {
    static const char Hex[] = "0123456789ABCDEF";
    std::string text(static_cast<size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4) text[static_cast<size_t>(i)] = Hex[value & 15];
    return text;
}

// Exactly `digits` hex digits (either case); false for anything else.
bool parseHex(const std::string& text, size_t digits, uint64_t& value) {
    if (text.size() != digits) return false;
    value = 0;
    for (char c : text) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else return false;
        value = (value << 4) | static_cast<uint64_t>(d);
    }
    return true;
}

// A whole decimal number of at most 20 digits, optionally negative; false for anything else.
bool parseDecimal(const std::string& text, int64_t& value) {
    size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() <= i || text.size() - i > 19) return false;
    value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    if (text[0] == '-') value = -value;
    return true;
}

std::vector<std::string> splitOn(const std::string& text, char separator) {
    std::vector<std::string> pieces;
    size_t from = 0;
    for (;;) {
        const size_t at = text.find(separator, from);
        pieces.push_back(text.substr(from, at == std::string::npos ? std::string::npos : at - from));
        if (at == std::string::npos) return pieces;
        from = at + 1;
    }
}

// The lines of a file's bytes, each without its CR LF, LF or CR.
std::vector<std::string> linesOf(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t from = 0;
    while (from < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", from);
        if (end == std::string::npos) end = bytes.size();
        lines.push_back(bytes.substr(from, end - from));
        from = end;
        if (from < bytes.size() && bytes[from] == '\r') ++from;
        if (from < bytes.size() && bytes[from] == '\n') ++from;
    }
    return lines;
}

uint64_t fnv1a(const uint8_t* bytes, size_t count, uint64_t hash = 0xcbf29ce484222325ull) {
    for (size_t i = 0; i < count; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001b3ull;
    }
    return hash;
}

// ---- the index -----------------------------------------------------------------------------
//
// KtLibrary.idx, CR LF lines:
//   "KtLibrary index 1"
//   "FOLDER<TAB>RULES": the library folder it describes (escaped) and, in 16 hex digits, a hash
//     of what turns a file's text into its sound (the declared ranges and minima and the
//     symbols), so that another folder or another declaration starts a new index
//   "PATH<TAB>SIZE<TAB>TIME<TAB>SOUND<TAB>CRC" per program: the path as the catalogue has it
//     (escaped), size and modification time in decimal, SOUND in 16 and CRC in 8 hex digits.
// Escaped: the bytes below 0x20, 0x7F and "%" as "%XX", so any name stays on one line.
// Another first line or second line is no index; a line that cannot be read is left out.

struct IndexEntry {
    uint64_t size = 0;
    int64_t time = 0;
    uint64_t sound = 0;
    uint32_t crc = 0;
};

constexpr std::uintmax_t MaxIndexBytes = 64ull * 1024 * 1024;

std::string indexPath() { return joinPath(StartDirectory, "KtLibrary.idx"); }
std::string marksPath() { return joinPath(StartDirectory, "KtLibrary.txt"); }

std::string escaped(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F || c == '%')
            out += "%" + hexText(b, 2);
        else
            out += c;
    }
    return out;
}

bool unescaped(const std::string& text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        uint64_t b = 0;
        if (i + 2 >= text.size()) return false;
        if (!parseHex(text.substr(i + 1, 2), 2, b)) return false;
        out += static_cast<char>(b);
        i += 2;
    }
    return true;
}

// What decides a program's sound besides its file: the ranges, minima and symbols in force.
std::string rulesText() {
    uint64_t hash = 0xcbf29ce484222325ull;
    const auto add = [&hash](int64_t v) {
        const auto u = static_cast<uint64_t>(v);
        for (int k = 0; k < 8; ++k) {
            const auto b = static_cast<uint8_t>(u >> (8 * k));
            hash = fnv1a(&b, 1, hash);
        }
    };
    add(static_cast<int64_t>(ProgramValues.size()));
    for (int f = 0; f < FieldCount; ++f) {
        add(FieldPotCount[f]);
        for (int p = 0; p < FieldPotCount[f]; ++p) {
            if (f == EffectField && p > 0) continue;  // the effect types' tables are built in
            add(PotMin[f][p]);
            add(PotMax[f][p]);
        }
    }
    for (size_t i = 0; i < ParameterMin.size(); ++i) add(parameterMinimum(i, 0));
    for (int i = 0; i < SymbolCount; ++i) {
        hash = fnv1a(reinterpret_cast<const uint8_t*>(SymbolNames[i].data()), SymbolNames[i].size(), hash);
        float value = SymbolValues[i];
        uint32_t bits = 0;
        static_assert(sizeof bits == sizeof value, "float is 32 bits");
        std::copy_n(reinterpret_cast<const uint8_t*>(&value), sizeof value, reinterpret_cast<uint8_t*>(&bits));
        add(bits);
    }
    return hexText(hash, 16);
}

// The index's entries (empty when there is none, it is damaged or it describes another folder
// or other rules) and its bytes as read.
std::unordered_map<std::string, IndexEntry> readIndex(const std::string& folder, const std::string& rules,
                                                      std::string& bytes) {
    std::unordered_map<std::string, IndexEntry> entries;
    std::string why;
    if (!readWholeFile(indexPath(), MaxIndexBytes, bytes, why)) {
        bytes.clear();
        return entries;
    }
    const std::vector<std::string> lines = linesOf(bytes);
    if (lines.size() < 2 || lines[0] != IndexVersionLine || lines[1] != escaped(folder) + "\t" + rules) return entries;
    for (size_t i = 2; i < lines.size(); ++i) {
        const std::vector<std::string> fields = splitOn(lines[i], '\t');
        std::string path;
        int64_t size = 0, time = 0;
        uint64_t sound = 0, crc = 0;
        if (fields.size() != 5 || !unescaped(fields[0], path) || path.empty() || !parseDecimal(fields[1], size) ||
            size < 0 || !parseDecimal(fields[2], time) || !parseHex(fields[3], 16, sound) ||
            !parseHex(fields[4], 8, crc)) {
            continue;
        }
        entries[path] = IndexEntry{static_cast<uint64_t>(size), time, sound, static_cast<uint32_t>(crc)};
    }
    return entries;
}

// ---- the walk through the library folder ---------------------------------------------------

constexpr int MaxLibraryDepth = 8;               // subfolders below the library folder
constexpr size_t MaxCatalogPrograms = 100000;    // programs listed at most
constexpr size_t MaxLibraryEntries = 1000000;    // folder entries looked at, at most, per read

struct FoundFile {
    std::string path;  // relative, "/" between folders
    std::string full;  // as the system opens it
    std::string sortKey;
};

// Every *.prg regular file under folder (links skipped, subfolders at most MaxLibraryDepth
// deep, a subfolder that cannot be listed skipped); other things named *.prg counted in
// unreadable. False with the reason when folder itself cannot be listed.
bool walkLibrary(const std::string& folder, std::vector<FoundFile>& found, int& unreadable, bool& cut,
                 std::string& reason) {
    struct Pending {
        fs::path folder;
        std::string relative;  // "" or "a/b/"
        int depth;
    };
    std::vector<Pending> pending{{fs::path(folder), std::string(), 0}};
    size_t entries = 0;
    while (!pending.empty()) {
        const Pending here = std::move(pending.back());
        pending.pop_back();
        std::error_code ec;
        fs::directory_iterator it(here.folder, fs::directory_options::none, ec);
        if (ec) {
            if (here.depth == 0) {
                reason = ec.message();
                return false;
            }
            continue;  // a subfolder that cannot be listed holds no program of the library
        }
        for (fs::directory_iterator end; it != end; it.increment(ec)) {
            if (ec) break;
            if (++entries > MaxLibraryEntries || found.size() >= MaxCatalogPrograms) {
                cut = true;
                return true;
            }
            std::error_code typeError;
            const fs::file_status status = it->symlink_status(typeError);
            if (typeError || fs::is_symlink(status)) continue;
            std::string name;
            try {
                name = it->path().filename().string();
            } catch (const std::exception&) {
                continue;  // a name the system cannot give as bytes here
            }
            if (fs::is_directory(status)) {
                if (here.depth < MaxLibraryDepth) pending.push_back({it->path(), here.relative + name + "/", here.depth + 1});
                continue;
            }
            if (!endsWithPrg(name)) continue;
            if (!fs::is_regular_file(status)) {
                ++unreadable;  // a FIFO, device or socket is never opened
                continue;
            }
            FoundFile file;
            file.path = here.relative + name;
            file.full = it->path().string();
            file.sortKey = folded(file.path);
            found.push_back(std::move(file));
        }
    }
    return true;
}

std::string marksLine(uint64_t sound, const SoundMarks& marks) {
    std::string flags = marks.favourite ? (marks.hidden ? "FH" : "F") : (marks.hidden ? "H" : "-");
    std::string tags;
    for (const std::string& tag : marks.tags) tags += (tags.empty() ? "" : " ") + tag;
    return soundText(sound) + "\t" + flags + "\t" + tags;
}

void foldNames() {
    FoldedNames.clear();
    FoldedNames.reserve(Catalog.size());
    for (const CatalogEntry& e : Catalog) FoldedNames.push_back(folded(e.name));
}

}  // namespace

void resetCatalogState() {
    LibraryFolder.clear();
    Catalog.clear();
    CatalogUnreadable = 0;
    CatalogCut = false;
    MarksWarned = false;
    Marks.clear();
    MarksFileUnreadable = false;
    FoldedNames.clear();
}

std::string libraryFolder() { return LibraryFolder.empty() ? StartDirectory : LibraryFolder; }

std::vector<uint8_t> programToWire(const std::vector<int16_t>& values) {
    std::vector<int16_t> v = values;
    int type = 0;
    if (v.size() > EffectTypeParameter) {
        v[EffectTypeParameter] = static_cast<int16_t>(std::clamp<int>(v[EffectTypeParameter], 0, EffectTypeCount - 1));
        type = v[EffectTypeParameter];
    }
    // Every value into its pot's range as the panel holds it under this effect type (the
    // effect pots from the type's table), upper bound first, as a panel draw stores it.
    size_t j = 0;
    for (int f = 0; f < FieldCount; ++f) {
        for (int p = 0; p < FieldPotCount[f] && j < v.size(); ++p, ++j) {
            const bool effectPot = f == EffectField && p >= 1 && p <= EffectParameterCount;
            const int16_t hi = effectPot ? EffectTables[type].max[p - 1] : PotMax[f][p];
            const int16_t lo = effectPot ? EffectTables[type].min[p - 1] : PotMin[f][p];
            if (v[j] > hi) v[j] = hi;
            if (v[j] < lo) v[j] = lo;
        }
    }
    std::vector<uint8_t> wire(v.size());
    for (size_t i = 0; i < v.size(); ++i) wire[i] = wireByte(v[i], parameterMinimum(i, type));
    return wire;
}

uint64_t soundOfValues(const std::vector<int16_t>& values) {
    const std::vector<uint8_t> wire = programToWire(values);
    return fnv1a(wire.data(), wire.size());
}

std::string soundText(uint64_t sound) { return hexText(sound, 16); }

bool readProgramValuesQuietly(const std::string& path, std::vector<int16_t>& values) {
    if (!DataFileReader::openQuietly(path)) return false;
    return readOpenProgramValues(values);
}

bool readCatalog(std::string& reason) {
    Catalog.clear();
    FoldedNames.clear();
    CatalogUnreadable = 0;
    CatalogCut = false;
    const std::string folder = libraryFolder();
    std::vector<FoundFile> found;
    if (!walkLibrary(folder, found, CatalogUnreadable, CatalogCut, reason)) {
        CatalogUnreadable = 0;
        return false;
    }
    std::sort(found.begin(), found.end(), [](const FoundFile& a, const FoundFile& b) {
        return a.sortKey != b.sortKey ? a.sortKey < b.sortKey : a.path < b.path;
    });

    const std::string rules = rulesText();
    std::string oldIndex;
    const std::unordered_map<std::string, IndexEntry> index = readIndex(folder, rules, oldIndex);
    std::string newIndex = std::string(IndexVersionLine) + "\r\n" + escaped(folder) + "\t" + rules + "\r\n";
    Catalog.reserve(found.size());
    std::vector<int16_t> values;
    for (const FoundFile& file : found) {
        FileFacts facts;
        int error = 0;
        // Asked before the file is read: a file changed while it is read has another time
        // next time, and is read again then.
        if (!fileFacts(file.full, facts, error) || facts.type != fs::file_type::regular) {
            ++CatalogUnreadable;
            continue;
        }
        CatalogEntry entry;
        entry.path = file.path;
        const size_t slash = file.path.rfind('/');
        const std::string fileName = slash == std::string::npos ? file.path : file.path.substr(slash + 1);
        entry.name = fileName.substr(0, fileName.size() - 4);
        const auto known = index.find(file.path);
        if (known != index.end() && known->second.size == facts.size && known->second.time == facts.time) {
            entry.sound = known->second.sound;
            entry.crc = known->second.crc;
        } else {
            if (!readProgramValuesQuietly(file.full, values)) {
                ++CatalogUnreadable;
                continue;
            }
            const std::vector<uint8_t> wire = programToWire(values);
            entry.sound = fnv1a(wire.data(), wire.size());
            entry.crc = crc32Of(wire);
        }
        newIndex += escaped(entry.path) + "\t" + std::to_string(facts.size) + "\t" + std::to_string(facts.time) +
                    "\t" + soundText(entry.sound) + "\t" + hexText(entry.crc, 8) + "\r\n";
        Catalog.push_back(std::move(entry));
    }
    foldNames();
    // The index is a cache: when it cannot be written the next read takes longer, nothing more.
    std::string ignored;
    if (newIndex != oldIndex) writeFileSafely(indexPath(), newIndex, ignored);
    return true;
}

std::vector<std::string> cleanTags(const std::string& text) {
    std::vector<std::string> tags;
    std::string word;
    const auto endWord = [&]() {
        if (word.size() > MaxTagLength) word.resize(MaxTagLength);
        if (!word.empty() && tags.size() < MaxTags && std::find(tags.begin(), tags.end(), word) == tags.end()) {
            tags.push_back(word);
        }
        word.clear();
    };
    for (char c : text) {
        if (c == ' ' || c == '\t') {
            endWord();
            continue;
        }
        c = foldAscii(c);
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-') word += c;
    }
    endWord();
    return tags;
}

void readMarks() {
    Marks.clear();
    MarksFileUnreadable = false;
    const std::string path = marksPath();
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec))) return;  // no marks yet
    std::string bytes, why;
    if (!readWholeFile(path, MaxDataFileBytes, bytes, why)) {
        // Not read, so not overwritten either: the user's marks there are not lost.
        MarksFileUnreadable = true;
        return;
    }
    for (const std::string& line : linesOf(bytes)) {
        const std::vector<std::string> fields = splitOn(line, '\t');
        uint64_t sound = 0;
        if (fields.size() != 3 || !parseHex(fields[0], 16, sound)) continue;
        SoundMarks marks;
        const std::string& flags = fields[1];
        if (flags == "F" || flags == "FH") marks.favourite = true;
        if (flags == "H" || flags == "FH") marks.hidden = true;
        if (!marks.favourite && !marks.hidden && flags != "-") continue;
        marks.tags = cleanTags(fields[2]);
        if (marks.empty()) continue;
        Marks.emplace(sound, std::move(marks));  // the first line of a sound counts
    }
}

SoundMarks marksOf(uint64_t sound) {
    const auto found = Marks.find(sound);
    return found == Marks.end() ? SoundMarks{} : found->second;
}

bool setMarks(uint64_t sound, const SoundMarks& marks) {
    SoundMarks clean = marks;
    std::string typed;
    for (const std::string& tag : marks.tags) typed += tag + " ";
    clean.tags = cleanTags(typed);
    if (clean.empty())
        Marks.erase(sound);
    else
        Marks[sound] = clean;
    if (MarksFileUnreadable) return false;
    std::vector<std::string> lines;
    lines.reserve(Marks.size());
    for (const auto& [s, m] : Marks) lines.push_back(marksLine(s, m));
    const std::string contents = textFileContents(lines);
    // Never a file this editor could not read back.
    if (contents.size() > MaxDataFileBytes) return false;
    std::string error;
    return writeFileSafely(marksPath(), contents, error);
}

std::vector<size_t> filterCatalog(const std::string& filter) {
    if (FoldedNames.size() != Catalog.size()) foldNames();
    std::vector<std::string> words;
    bool showHidden = false, favouritesOnly = false;
    for (const std::string& word : splitOn(filter, ' ')) {
        if (word.empty()) continue;
        if (word == "!") showHidden = true;
        else if (word == "*") favouritesOnly = true;
        else words.push_back(folded(word));
    }
    std::vector<size_t> rows;
    const SoundMarks none;
    for (size_t i = 0; i < Catalog.size(); ++i) {
        const auto found = Marks.find(Catalog[i].sound);
        const SoundMarks& marks = found == Marks.end() ? none : found->second;
        if (marks.hidden && !showHidden) continue;
        if (favouritesOnly && !marks.favourite) continue;
        bool all = true;
        for (const std::string& word : words) {
            if (FoldedNames[i].find(word) != std::string::npos) continue;
            if (std::find(marks.tags.begin(), marks.tags.end(), word) != marks.tags.end()) continue;
            all = false;
            break;
        }
        if (all) rows.push_back(i);
    }
    return rows;
}

std::vector<std::string> duplicateLines() {
    // The sounds in the order of their first path, each with its programs in Catalog order.
    std::unordered_map<uint64_t, size_t> groupOf;
    std::vector<std::vector<size_t>> groups;
    for (size_t i = 0; i < Catalog.size(); ++i) {
        const auto [at, added] = groupOf.emplace(Catalog[i].sound, groups.size());
        if (added) groups.emplace_back();
        groups[at->second].push_back(i);
    }
    std::vector<std::string> lines;
    for (const std::vector<size_t>& group : groups) {
        if (group.size() < 2) continue;
        std::string line = std::to_string(group.size()) + " x  ";
        for (size_t k = 0; k < group.size(); ++k) line += (k ? " | " : "") + Catalog[group[k]].path;
        lines.push_back(std::move(line));
    }
    if (lines.empty()) lines.push_back(" No duplicates.");
    return lines;
}
