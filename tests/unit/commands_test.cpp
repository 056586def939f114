// The command table: every row's key reaches its own command, and no two rows share an
// identifier or a key, so the menus, the key map and the dispatch made from it agree.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "editor/shell/commands.h"
#include "shared/midi/devices.h"

namespace {

Event keyEvent(int key, bool ctrl, bool shift) {
    Event e;
    e.kind = EventKind::Key;
    e.key = key;
    e.ctrl = ctrl;
    e.shift = shift;
    return e;
}

// The Shift states a key answers to.
std::set<bool> shiftStates(KeyShift s) {
    if (s == KeyShift::Either) return {false, true};
    return {s == KeyShift::Down};
}

TEST(CommandTableTest, NoTwoRowsShareAnIdentifierAndNoneIsADeviceItem) {
    std::set<int> ids;
    for (std::size_t r = 0; r < CommandRowCount; ++r) {
        const CommandRow& row = CommandRows[r];
        if (row.id == 0) continue;
        EXPECT_TRUE(ids.insert(row.id).second) << row.text;
        int k = 0;
        EXPECT_FALSE(midiInCommandDevice(row.id, k) || midiOutCommandDevice(row.id, k)) << row.text;
        EXPECT_NE(row.run, nullptr) << row.text;
        EXPECT_FALSE(std::string(row.text).empty()) << row.id;
    }
}

TEST(CommandTableTest, EveryKeyReachesItsOwnCommandAndNoKeyIsShared) {
    std::set<std::string> taken;
    for (std::size_t r = 0; r < CommandRowCount; ++r) {
        const CommandRow& row = CommandRows[r];
        for (const CommandKey& k : row.keys) {
            if (k.key == 0) continue;
            EXPECT_NE(row.id, 0);
            for (bool shift : shiftStates(k.shift)) {
                const std::string chord = std::to_string(k.key) + (k.ctrl ? "c" : "") + (shift ? "s" : "");
                EXPECT_TRUE(taken.insert(chord).second) << row.text << ": a key of another row";
                EXPECT_EQ(commandForKey(keyEvent(k.key, k.ctrl, shift)), row.id) << row.text;
                if (k.key >= 'a' && k.key <= 'z') {
                    EXPECT_EQ(commandForKey(keyEvent(k.key - 'a' + 'A', k.ctrl, shift)), row.id) << row.text;
                }
            }
        }
    }
}

}  // namespace
