// The byte work of the desktop MIDI backend and ktunit (platform/midi_stream.h): taking apart what
// an input port delivers, and the chunked, paced output of long system-exclusive messages
// (on a clock of the test's own: nothing here waits).
#include "platform/midi_stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using midistream::MidiInputAssembler;

// What the assembler made of the pieces fed to it, in order: "S xxxxxx" for a short message
// (the packed word), "X n" for a system-exclusive message of n bytes (kept in sysEx).
struct Collected {
    std::vector<std::string> items;
    std::vector<Bytes> sysEx;
};

void feed(MidiInputAssembler& a, const Bytes& piece, Collected& c) {
    a.feed(
        piece.data(), piece.size(),
        [&](uint32_t word) {
            char text[16];
            std::snprintf(text, sizeof text, "S %06X", unsigned(word));
            c.items.push_back(text);
        },
        [&](const Bytes& m) {
            c.items.push_back("X " + std::to_string(m.size()));
            c.sysEx.push_back(m);
        });
}

Collected feedAll(const std::vector<Bytes>& pieces) {
    MidiInputAssembler a;
    Collected c;
    for (const Bytes& p : pieces) feed(a, p, c);
    return c;
}

Bytes sysExOf(size_t n) {
    Bytes m(n);
    m[0] = 0xF0;
    for (size_t i = 1; i + 1 < n; ++i) m[i] = uint8_t((i * 7) & 0x7F);
    m[n - 1] = 0xF7;
    return m;
}

TEST(ShortMessageLength, FollowsTheStatusByte) {
    EXPECT_EQ(midistream::shortMessageLength(0x90), 3);
    EXPECT_EQ(midistream::shortMessageLength(0x8F), 3);
    EXPECT_EQ(midistream::shortMessageLength(0xB0), 3);
    EXPECT_EQ(midistream::shortMessageLength(0xC5), 2);
    EXPECT_EQ(midistream::shortMessageLength(0xD0), 2);
    EXPECT_EQ(midistream::shortMessageLength(0xE3), 3);
    EXPECT_EQ(midistream::shortMessageLength(0xF1), 2);
    EXPECT_EQ(midistream::shortMessageLength(0xF2), 3);
    EXPECT_EQ(midistream::shortMessageLength(0xF3), 2);
    EXPECT_EQ(midistream::shortMessageLength(0xF6), 1);
    EXPECT_EQ(midistream::shortMessageLength(0xF8), 1);
    EXPECT_EQ(midistream::shortMessageLength(0xFF), 1);
    EXPECT_EQ(midistream::shortMessageLength(0xF0), 0);
    EXPECT_EQ(midistream::shortMessageLength(0xF7), 0);
    EXPECT_EQ(midistream::shortMessageLength(0x40), 0);
    const uint8_t note[3] = {0x90, 0x3C, 0x64};
    EXPECT_EQ(midistream::packShortMessage(note, 3), 0x643C90u);
    EXPECT_EQ(midistream::packShortMessage(note, 2), 0x3C90u);
}

// The one packing of a short message's word, which every backend and the portable code use.
TEST(MidiWord, PacksTheLowEightBitsOfEachByteAndUnpacksThemAgain) {
    EXPECT_EQ(packMidiShort(0xB0, 99, 0x0D), 0x0D63B0u);
    EXPECT_EQ(packMidiShort(0x1B0, -1, 0x17F), 0x7FFFB0u);
    uint8_t bytes[3] = {0, 0, 0};
    unpackMidiShort(0xFF643C90u, bytes);
    EXPECT_EQ(bytes[0], 0x90);
    EXPECT_EQ(bytes[1], 0x3C);
    EXPECT_EQ(bytes[2], 0x64);
}

TEST(InputAssembler, ShortMessagesAsDeliveredAndWithRunningStatus) {
    const Collected c = feedAll({{0x90, 0x3C, 0x64}, {0xC0, 0x05}, {0xB0, 0x63, 0x0D}, {0x62, 0x02}, {0x06, 0x40}});
    EXPECT_EQ(c.items, (std::vector<std::string>{"S 643C90", "S 0005C0", "S 0D63B0", "S 0262B0", "S 4006B0"}));
    // A message split over two pieces is one message.
    EXPECT_EQ(feedAll({{0x80, 0x3C}, {0x00}}).items, (std::vector<std::string>{"S 003C80"}));
    // Several messages in one piece.
    EXPECT_EQ(feedAll({{0x90, 0x3C, 0x64, 0x80, 0x3C, 0x00}}).items,
              (std::vector<std::string>{"S 643C90", "S 003C80"}));
}

TEST(InputAssembler, SystemCommonAndRealTime) {
    // Song position, song select, tune request; system common ends running status.
    const Collected c = feedAll({{0xF2, 0x10, 0x20}, {0xF3, 0x05}, {0xF6}, {0x40, 0x40}});
    EXPECT_EQ(c.items, (std::vector<std::string>{"S 2010F2", "S 0005F3", "S 0000F6"}));
    EXPECT_EQ(feedAll({{0xF3, 0x05, 0x06}}).items, (std::vector<std::string>{"S 0005F3"}));
    // Clock and sensing are dropped (the ports are told to ignore them, some APIs pass them
    // inside system exclusive); start and stop get through, even in the middle of a message.
    EXPECT_EQ(feedAll({{0xF8}, {0xFE}, {0xFA}, {0x90, 0xFC, 0x3C, 0x64}}).items,
              (std::vector<std::string>{"S 0000FA", "S 0000FC", "S 643C90"}));
    // Data bytes with no status byte before them are lost.
    EXPECT_TRUE(feedAll({{0x3C, 0x64}}).items.empty());
}

TEST(InputAssembler, SystemExclusiveWholeOrInPieces) {
    const Bytes m = sysExOf(1000);
    Collected whole = feedAll({m});
    ASSERT_EQ(whole.items, (std::vector<std::string>{"X 1000"}));
    EXPECT_EQ(whole.sysEx[0], m);

    // In 256-byte pieces, as a chunked sender and some APIs deliver it.
    std::vector<Bytes> pieces;
    for (size_t at = 0; at < m.size(); at += 256)
        pieces.emplace_back(m.begin() + at, m.begin() + std::min(m.size(), at + 256));
    Collected split = feedAll(pieces);
    ASSERT_EQ(split.items, (std::vector<std::string>{"X 1000"}));
    EXPECT_EQ(split.sysEx[0], m);

    // The end byte alone in the last piece.
    Collected lastAlone = feedAll({Bytes(m.begin(), m.end() - 1), {0xF7}});
    ASSERT_EQ(lastAlone.sysEx.size(), 1u);
    EXPECT_EQ(lastAlone.sysEx[0], m);
}

TEST(InputAssembler, RealTimeBytesInsideSystemExclusiveAreTakenOut) {
    Bytes withClock = {0xF0, 0x00, 0x21, 0xF8, 0x11, 0x02, 0xFA, 0x10, 0xF7};
    const Collected c = feedAll({withClock});
    EXPECT_EQ(c.items, (std::vector<std::string>{"S 0000FA", "X 7"}));
    EXPECT_EQ(c.sysEx[0], (Bytes{0xF0, 0x00, 0x21, 0x11, 0x02, 0x10, 0xF7}));
}

TEST(InputAssembler, AnUnfinishedSystemExclusiveIsLost) {
    // A status byte ends it; the status byte's own message goes on.
    const Collected c = feedAll({{0xF0, 0x00, 0x21}, {0x90, 0x3C, 0x64}, {0x11, 0xF7}});
    EXPECT_EQ(c.items, (std::vector<std::string>{"S 643C90"}));
    // A new start byte begins a new message.
    const Collected restart = feedAll({{0xF0, 0x01, 0x02}, {0xF0, 0x03, 0xF7}});
    ASSERT_EQ(restart.items, (std::vector<std::string>{"X 3"}));
    EXPECT_EQ(restart.sysEx[0], (Bytes{0xF0, 0x03, 0xF7}));
    // An end byte without a start is nothing.
    EXPECT_TRUE(feedAll({{0x01, 0x02, 0xF7}}).items.empty());
}

TEST(InputAssembler, ResetForgetsHalfAMessage) {
    MidiInputAssembler a;
    Collected c;
    feed(a, {0xF0, 0x00, 0x21}, c);
    EXPECT_TRUE(a.inSysEx());
    a.reset();
    EXPECT_FALSE(a.inSysEx());
    feed(a, {0x11, 0xF7}, c);
    feed(a, {0x90, 0x3C}, c);
    a.reset();
    feed(a, {0x64}, c);
    EXPECT_TRUE(c.items.empty());
    feed(a, {0xF0, 0x7F, 0xF7}, c);
    EXPECT_EQ(c.items, (std::vector<std::string>{"X 3"}));
}

TEST(InputAssembler, AnOversizedSystemExclusiveIsDroppedWhole) {
    MidiInputAssembler a;
    Collected c;
    Bytes piece(4096, 0x55);
    piece[0] = 0xF0;
    feed(a, piece, c);
    piece[0] = 0x55;
    for (size_t sent = piece.size(); sent <= MidiInputAssembler::MaxSysExBytes; sent += piece.size()) feed(a, piece, c);
    feed(a, {0x55, 0xF7}, c);
    EXPECT_TRUE(c.items.empty());
    // The next message is whole again.
    feed(a, {0xF0, 0x01, 0xF7}, c);
    EXPECT_EQ(c.items, (std::vector<std::string>{"X 3"}));
    // One just under the limit is kept.
    MidiInputAssembler b;
    Collected d;
    const Bytes big = sysExOf(MidiInputAssembler::MaxSysExBytes - 1);
    feed(b, big, d);
    ASSERT_EQ(d.sysEx.size(), 1u);
    EXPECT_EQ(d.sysEx[0].size(), big.size());
}

// --- paced output ---

// A sender on a clock of its own: every send, sleep and progress report is recorded with the
// clock's time.
struct FakeOutput {
    uint32_t now = 1000;
    uint32_t sendTakesMs = 0;    // how far a send moves the clock
    int failAt = -1;             // the chunk whose send fails
    std::vector<Bytes> chunks;
    std::vector<uint32_t> chunkTimes;
    std::vector<uint32_t> sleeps;
    std::vector<std::pair<size_t, size_t>> progress;

    bool run(const Bytes& m) {
        return midistream::sendPaced(
            m.data(), m.size(),
            [&](const uint8_t* p, size_t n) {
                if (static_cast<int>(chunks.size()) == failAt) return false;
                chunkTimes.push_back(now);
                chunks.emplace_back(p, p + n);
                now += sendTakesMs;
                return true;
            },
            [&] { return now; },
            [&](uint32_t ms) {
                sleeps.push_back(ms);
                now += ms;
            },
            [&](size_t sent, size_t total) { progress.emplace_back(sent, total); });
    }
};

TEST(PacedSend, ChunksOfAtMost256BytesThatMakeTheWholeMessage) {
    const Bytes m = sysExOf(60013);
    FakeOutput out;
    ASSERT_TRUE(out.run(m));
    ASSERT_EQ(out.chunks.size(), 235u);  // 234 full chunks and 109 bytes
    Bytes joined;
    for (const Bytes& c : out.chunks) {
        EXPECT_LE(c.size(), midistream::ChunkBytes);
        joined.insert(joined.end(), c.begin(), c.end());
    }
    EXPECT_EQ(joined, m);
    EXPECT_EQ(out.chunks.back().size(), 109u);
    // Progress after every chunk, the last one at the end.
    ASSERT_EQ(out.progress.size(), out.chunks.size());
    size_t sent = 0;
    for (size_t i = 0; i < out.chunks.size(); ++i) {
        sent += out.chunks[i].size();
        EXPECT_EQ(out.progress[i], std::make_pair(sent, m.size()));
    }
}

TEST(PacedSend, NeverFasterThanTheCable) {
    const Bytes m = sysExOf(60013);
    FakeOutput out;
    const uint32_t start = out.now;
    ASSERT_TRUE(out.run(m));
    // Chunk k may only start when the bytes before it would be on a 31250-baud cable.
    size_t before = 0;
    for (size_t k = 0; k < out.chunks.size(); ++k) {
        EXPECT_GE(out.chunkTimes[k] - start, midistream::wireDoneMs(before)) << "chunk " << k;
        before += out.chunks[k].size();
    }
    // The send returns when the last byte would have left: 60013 * 0.32 ms, rounded up.
    EXPECT_EQ(out.now - start, 19205u);
    // And it did not wait longer than that between chunks.
    EXPECT_EQ(out.chunkTimes[1] - start, 82u);  // 256 bytes: 81.92 ms
}

TEST(PacedSend, TimeTheSendItselfTakesCountsTowardsThePace) {
    const Bytes m = sysExOf(2048);
    FakeOutput out;
    out.sendTakesMs = 100;  // slower than the cable: no sleeping at all
    const uint32_t start = out.now;
    ASSERT_TRUE(out.run(m));
    EXPECT_TRUE(out.sleeps.empty());
    EXPECT_EQ(out.now - start, 800u);
}

TEST(PacedSend, ShortMessagesGoInOnePiece) {
    FakeOutput out;
    const Bytes m = sysExOf(115);
    ASSERT_TRUE(out.run(m));
    ASSERT_EQ(out.chunks.size(), 1u);
    EXPECT_EQ(out.chunks[0], m);
    EXPECT_EQ(out.progress, (std::vector<std::pair<size_t, size_t>>{{115, 115}}));
    EXPECT_EQ(out.now - 1000, 37u);  // 36.8 ms on the cable

    FakeOutput exact, over;
    ASSERT_TRUE(exact.run(sysExOf(256)));
    EXPECT_EQ(exact.chunks.size(), 1u);
    ASSERT_TRUE(over.run(sysExOf(257)));
    ASSERT_EQ(over.chunks.size(), 2u);
    EXPECT_EQ(over.chunks[1], (Bytes{0xF7}));
}

TEST(PacedSend, AFailedChunkEndsTheSend) {
    FakeOutput out;
    out.failAt = 3;
    EXPECT_FALSE(out.run(sysExOf(2000)));
    EXPECT_EQ(out.chunks.size(), 3u);
    ASSERT_EQ(out.progress.size(), 3u);
    EXPECT_EQ(out.progress.back().first, 768u);
}

TEST(PacedSend, GivesUpWhenTheOutputCrawls) {
    // 10,000 bytes: 3,200 ms on the cable, so the limit is 2 * 3200 + 2000 ms.
    EXPECT_EQ(midistream::sendTimeLimitMs(10000), 8400u);
    FakeOutput out;
    out.sendTakesMs = 1000;  // a MIDI system that hangs in every send for a second
    EXPECT_FALSE(out.run(sysExOf(10000)));
    // Past the limit after the ninth chunk (9 s > 8.4 s): nothing more is tried.
    EXPECT_EQ(out.chunks.size(), 9u);
}

TEST(PacedSend, TheTickCounterMayWrap) {
    FakeOutput out;
    out.now = 0xFFFFFF00u;  // 255 ms before the wrap
    const Bytes m = sysExOf(5000);
    ASSERT_TRUE(out.run(m));
    EXPECT_EQ(out.chunks.size(), 20u);
    EXPECT_EQ(uint32_t(out.now - 0xFFFFFF00u), 1600u);
}

}  // namespace
