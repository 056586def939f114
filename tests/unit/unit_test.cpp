// The unit model: what it accepts and answers, when, and what it keeps.
#include "unit/unit.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes ProgramWrittenReply = {0xF0, 0x00, 0x21, 0x11, 0x03, 0x21, 0xF7};
const Bytes IdentifyRequest = {0xF0, 0x00, 0x21, 0x11, 0x02, 0x10, 0xF7};
const Bytes IdentifyReply = {0xF0, 0x00, 0x21, 0x11, 0x02, 0x11, 0xF7};
const Bytes EraseNotice = {0xF0, 0x00, 0x21, 0x11, 0x02, 0x12, 0xF7};
const Bytes UpdateOk = {0xF0, 0x00, 0x21, 0x11, 0x02, 0x14, 0xF7};
const Bytes UpdateFailed = {0xF0, 0x00, 0x21, 0x11, 0x02, 0x15, 0xF7};

// Packs the image the long way: one bit at a time, most significant bit of byte 0 first, seven
// bits to a data byte, then as many bytes as the updater sends (floor((8n + 7) / 7)).
Bytes packByBits(const Bytes& image) {
    std::vector<int> bits;
    for (uint8_t byte : image)
        for (int b = 7; b >= 0; --b) bits.push_back((byte >> b) & 1);
    const size_t sent = (8 * image.size() + 7) / 7;
    Bytes packed(sent, 0);
    for (size_t i = 0; i < bits.size(); ++i)
        if (bits[i]) packed[i / 7] |= uint8_t(0x40 >> (i % 7));
    return packed;
}

// Appends the checksum pair of the data bytes, and the end byte.
Bytes withChecksum(Bytes m, const Bytes& data) {
    unsigned sum = 0;
    for (uint8_t b : data) sum += b;
    m.insert(m.end(), data.begin(), data.end());
    m.insert(m.end(), {uint8_t((sum >> 7) & 0x7F), uint8_t(sum & 0x7F), 0xF7});
    return m;
}

Bytes updateMessage(const Bytes& packed) {
    const size_t l = packed.size();
    return withChecksum({0xF0, 0x00, 0x21, 0x11, 0x02, 0x13, uint8_t((l >> 14) & 0x7F), uint8_t((l >> 7) & 0x7F),
                         uint8_t(l & 0x7F)},
                        packed);
}

Bytes programMessage(int location, const Bytes& data) {
    return withChecksum({0xF0, 0x00, 0x21, 0x11, 0x03, 0x20, 0x00, uint8_t(location)}, data);
}

// 104 data bytes summing to 1000: 10 (hex 0A) everywhere except the last four, which are 0.
Bytes thousandSum() {
    Bytes data(104, 0x0A);
    for (size_t i = 100; i < 104; ++i) data[i] = 0;
    return data;
}

Bytes image(size_t n) {
    Bytes bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = uint8_t(i * 37 + (i >> 8) * 11 + 5);
    return bytes;
}

class UnitTest : public ::testing::Test {
protected:
    void SetUp() override { unit::reset(u); }
    void shortMsg(uint8_t status, uint8_t d1, uint8_t d2 = 0) {
        const uint8_t bytes[3] = {status, d1, d2};
        unit::receiveShort(u, bytes, 3, 0);
    }
    void cc(uint8_t controller, uint8_t value, int channel = 0) { shortMsg(uint8_t(0xB0 | channel), controller, value); }
    std::vector<unit::Reply> sysex(const Bytes& m, uint64_t atUs = 1000000) { return unit::receiveSysEx(u, m, atUs); }
    int parameter(int msb, int lsb) {
        auto it = u.Parameters.find({msb, lsb});
        return it == u.Parameters.end() ? -1 : it->second;
    }
    unit::State u;
};

// --- 7-bit packing and CRC ---

TEST(SevenBit, WorkedExamples) {
    EXPECT_EQ(packByBits({0xFF, 0x00}), (Bytes{0x7F, 0x40, 0x00}));
    EXPECT_EQ(unit::unpackSevenBit({0x7F, 0x40, 0x00}), (Bytes{0xFF, 0x00}));

    const Bytes seven = {0x81, 0x42, 0x24, 0x18, 0xFF, 0x00, 0xA5};
    const Bytes packed = packByBits(seven);
    ASSERT_EQ(packed.size(), 9u);
    EXPECT_EQ(packed.back(), 0x00);
    EXPECT_EQ(unit::unpackSevenBit(packed), seven);
    EXPECT_EQ(packByBits(image(8)).size(), 10u);
    EXPECT_TRUE(unit::unpackSevenBit({0x00}).empty());
}

TEST(SevenBit, EveryLengthRoundTrips) {
    for (size_t n = 0; n <= 64; ++n) {
        const Bytes original = image(n);
        EXPECT_EQ(unit::unpackSevenBit(packByBits(original)), original) << "n = " << n;
    }
    // Only the low seven bits of a packed byte carry data.
    EXPECT_EQ(unit::unpackSevenBit({0xFF, 0xC0, 0x80}), (Bytes{0xFF, 0x00}));
}

TEST(Crc32, KnownValues) {
    const std::string check = "123456789";
    EXPECT_EQ(unit::crc32(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0xCBF43926u);
    EXPECT_EQ(unit::crc32(nullptr, 0), 0u);
    const uint8_t zero = 0;
    EXPECT_EQ(unit::crc32(&zero, 1), 0xD202EF8Du);
}

// --- program writes ---

TEST_F(UnitTest, ProgramWriteIsStoredAndAcknowledged) {
    const Bytes m = programMessage(7, thousandSum());
    ASSERT_EQ(m.size(), 115u);
    EXPECT_EQ(Bytes(m.end() - 3, m.end()), (Bytes{0x07, 0x68, 0xF7}));

    const auto replies = sysex(m, 2000000);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].atUs, 2005000u);
    EXPECT_EQ(replies[0].bytes, ProgramWrittenReply);
    EXPECT_EQ(u.ProgramMemory[7], thousandSum());
    EXPECT_EQ(u.Count.programsWritten, 1);
    EXPECT_EQ(u.Count.refused, 0);

    // A second write to the same place replaces it; the reply delay is the unit's setting.
    u.ReplyDelayMs = 40;
    const Bytes other(104, 0x7F);
    const auto again = sysex(programMessage(7, other), 3000000);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].atUs, 3040000u);
    EXPECT_EQ(u.ProgramMemory[7], other);

    // The first and last locations.
    EXPECT_EQ(sysex(programMessage(1, other)).size(), 1u);
    EXPECT_EQ(sysex(programMessage(99, other)).size(), 1u);
    EXPECT_EQ(u.ProgramMemory[99], other);
    EXPECT_EQ(u.Count.programsWritten, 4);
}

TEST_F(UnitTest, BadProgramWritesAreRefusedSilently) {
    const Bytes good = programMessage(7, thousandSum());
    std::vector<std::pair<std::string, Bytes>> cases;
    Bytes m = good;
    m[m.size() - 2] ^= 0x01;
    cases.push_back({"checksum", m});
    cases.push_back({"103 data bytes", programMessage(7, Bytes(103, 0x10))});
    cases.push_back({"105 data bytes", programMessage(7, Bytes(105, 0x10))});
    Bytes high = thousandSum();
    high[3] = 0x80;  // the checksum is made to match, so only the byte itself is wrong
    cases.push_back({"data byte 80", programMessage(7, high)});
    cases.push_back({"location 0", programMessage(0, thousandSum())});
    cases.push_back({"location 100", programMessage(100, thousandSum())});
    m = good;
    m[4] = 0x02;
    cases.push_back({"part byte", m});
    m = good;
    m[2] = 0x22;
    cases.push_back({"manufacturer", m});
    m = good;
    m[6] = 0x01;
    cases.push_back({"byte 6", m});
    m = good;
    m.back() = 0xF8;
    cases.push_back({"no end byte", m});
    cases.push_back({"reply code", ProgramWrittenReply});
    cases.push_back({"identification in program mode", IdentifyRequest});

    int refused = 0;
    for (const auto& c : cases) {
        EXPECT_TRUE(sysex(c.second).empty()) << c.first;
        EXPECT_EQ(u.Count.refused, ++refused) << c.first;
    }
    for (const Bytes& stored : u.ProgramMemory) EXPECT_TRUE(stored.empty());
    EXPECT_EQ(u.Count.programsWritten, 0);
}

// --- update mode ---

TEST_F(UnitTest, IdentificationIsFollowedByTheEraseNotice) {
    u.UnitMode = unit::Mode::Update;
    auto replies = sysex(IdentifyRequest, 1000000);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].bytes, IdentifyReply);
    EXPECT_EQ(replies[0].atUs, 1005000u);
    EXPECT_EQ(replies[1].bytes, EraseNotice);
    EXPECT_EQ(replies[1].atUs, 2505000u);

    u.ReplyDelayMs = 20;
    u.EraseMs = 6000;
    replies = sysex(IdentifyRequest, 0);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].atUs, 20000u);
    EXPECT_EQ(replies[1].atUs, 6020000u);
    EXPECT_EQ(u.Count.refused, 0);
}

TEST_F(UnitTest, EmptyImageIsAccepted) {
    u.UnitMode = unit::Mode::Update;
    const Bytes m = {0xF0, 0x00, 0x21, 0x11, 0x02, 0x13, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0xF7};
    EXPECT_EQ(updateMessage(packByBits({})), m);
    const auto replies = sysex(m, 500);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes, UpdateOk);
    EXPECT_EQ(replies[0].atUs, 5500u);
    EXPECT_TRUE(u.HaveImage);
    EXPECT_TRUE(u.Image.empty());
    EXPECT_EQ(u.Count.updates, 1);
}

TEST_F(UnitTest, ThousandByteImageIsUnpacked) {
    u.UnitMode = unit::Mode::Update;
    const Bytes original = image(1000);
    const Bytes m = updateMessage(packByBits(original));
    ASSERT_EQ(m.size(), 1143u + 12u);
    EXPECT_EQ(Bytes(m.begin() + 6, m.begin() + 9), (Bytes{0x00, 0x08, 0x77}));
    const auto replies = sysex(m);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes, UpdateOk);
    EXPECT_EQ(u.Image, original);
}

TEST_F(UnitTest, VerdictFailAnswersFailureButKeepsTheImage) {
    u.UnitMode = unit::Mode::Update;
    u.VerdictOk = false;
    const auto replies = sysex(updateMessage(packByBits(image(20))));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes, UpdateFailed);
    EXPECT_EQ(u.Image, image(20));
    EXPECT_EQ(u.Count.refused, 0);
}

TEST_F(UnitTest, BadUpdateDataIsAnsweredWithFailure) {
    u.UnitMode = unit::Mode::Update;
    ASSERT_EQ(sysex(updateMessage(packByBits(image(5)))).at(0).bytes, UpdateOk);

    const Bytes good = updateMessage(packByBits(image(30)));
    std::vector<std::pair<std::string, Bytes>> cases;
    Bytes m = good;
    m[8] += 1;  // one more than present
    cases.push_back({"length too big", m});
    m = good;
    m[8] -= 1;
    cases.push_back({"length too small", m});
    m = good;
    m[7] = 0x01;
    cases.push_back({"length middle byte", m});
    m = good;
    m[m.size() - 2] ^= 0x01;
    cases.push_back({"checksum low", m});
    m = good;
    m[m.size() - 3] ^= 0x01;
    cases.push_back({"checksum high", m});
    m = good;
    m[10] |= 0x80;
    m[m.size() - 3] += 1;  // the sum grew by 128: keep the checksum matching
    cases.push_back({"data byte above 7F", m});
    cases.push_back({"too short to hold a length", {0xF0, 0x00, 0x21, 0x11, 0x02, 0x13, 0x00, 0x00, 0xF7}});

    int count = 1;
    for (const auto& c : cases) {
        const auto replies = sysex(c.second, 7000);
        ASSERT_EQ(replies.size(), 1u) << c.first;
        EXPECT_EQ(replies[0].bytes, UpdateFailed) << c.first;
        EXPECT_EQ(replies[0].atUs, 12000u) << c.first;
        EXPECT_EQ(u.Count.updates, ++count) << c.first;
        EXPECT_EQ(u.Image, image(5)) << c.first << ": the last good image stays";
    }
    EXPECT_EQ(u.Count.refused, int(cases.size()));
}

TEST_F(UnitTest, UpdateModeAnswersOnlyTheLoaderMessages) {
    u.UnitMode = unit::Mode::Update;
    EXPECT_TRUE(sysex(programMessage(7, thousandSum())).empty());
    EXPECT_TRUE(u.ProgramMemory[7].empty());
    Bytes wrongMaker = IdentifyRequest;
    wrongMaker[1] = 0x7E;
    EXPECT_TRUE(sysex(wrongMaker).empty());
    Bytes longer = IdentifyRequest;
    longer.insert(longer.end() - 1, 0x00);
    EXPECT_TRUE(sysex(longer).empty());
    EXPECT_EQ(u.Count.refused, 3);

    // And program mode does not take update data.
    u.UnitMode = unit::Mode::Program;
    EXPECT_TRUE(sysex(updateMessage(packByBits(image(7)))).empty());
    EXPECT_FALSE(u.HaveImage);
    EXPECT_EQ(u.Count.updates, 0);
}

// --- why a message is refused ---

TEST_F(UnitTest, EachRefusalGivesItsReasonAndATakenMessageNone) {
    using unit::Refusal;
    const Bytes write = programMessage(7, thousandSum());
    const Bytes update = updateMessage(packByBits(image(30)));  // L = 35
    auto changed = [](Bytes m, size_t at, uint8_t value) {
        m[at] = value;
        return m;
    };
    Bytes badSum = write;
    badSum[badSum.size() - 2] ^= 0x01;
    Bytes high = thousandSum();
    high[3] = 0x80;
    Bytes updateHigh = update;
    updateHigh[10] |= 0x80;
    updateHigh[updateHigh.size() - 3] += 1;  // the sum grew by 128: only the byte itself is wrong
    Bytes updateSum = update;
    updateSum[updateSum.size() - 2] ^= 0x01;
    Bytes longIdentify = IdentifyRequest;
    longIdentify.insert(longIdentify.end() - 1, 0x00);
    // Location 0 with a bad sum as well: the location is the first reason found.
    Bytes zeroAndSum = programMessage(0, thousandSum());
    zeroAndSum[zeroAndSum.size() - 2] ^= 0x01;

    struct Case {
        const char* name;
        unit::Mode mode;
        Bytes sysEx;                   // a SysEx message, or
        std::vector<Bytes> shortMsgs;  // short messages, the last one judged
        Refusal reason;
        std::string text;
    };
    const unit::Mode P = unit::Mode::Program, U = unit::Mode::Update;
    const std::vector<Case> cases = {
        {"program write", P, write, {}, Refusal::None, ""},
        {"other maker", P, changed(write, 2, 0x22), {}, Refusal::NotForTheUnit, "not addressed to the unit"},
        {"shorter than a reply", P, {0xF0, 0x00, 0x21, 0x11, 0xF7}, {}, Refusal::NotForTheUnit,
         "not addressed to the unit"},
        {"no end byte", P, changed(write, write.size() - 1, 0xF8), {}, Refusal::NoEndByte, "no end byte"},
        {"loader part in program mode", P, IdentifyRequest, {}, Refusal::LoaderMessageInProgramMode,
         "a firmware loader message, but the unit is in program mode"},
        {"reply code sent to the unit", P, ProgramWrittenReply, {}, Refusal::UnknownMessage, "unknown message"},
        {"103 data bytes", P, programMessage(7, Bytes(103, 0x10)), {}, Refusal::ProgramWriteLength,
         "length 114, a program write has 115"},
        {"data byte 80", P, programMessage(7, high), {}, Refusal::DataByteAbove7F, "a data byte above 7F"},
        {"byte 6", P, changed(write, 6, 0x01), {}, Refusal::ByteSixNotZero, "byte 6 is not 00"},
        {"location 0", P, zeroAndSum, {}, Refusal::LocationOutOfRange, "location 0 outside 1..99"},
        {"location 100", P, programMessage(100, thousandSum()), {}, Refusal::LocationOutOfRange,
         "location 100 outside 1..99"},
        {"program checksum", P, badSum, {}, Refusal::Checksum, "checksum"},
        {"identification", U, IdentifyRequest, {}, Refusal::None, ""},
        {"update data", U, update, {}, Refusal::None, ""},
        {"program write in update mode", U, write, {}, Refusal::ProgramMessageInUpdateMode,
         "a program message, but the unit is in update mode"},
        {"identification too long", U, longIdentify, {}, Refusal::UnknownMessage, "unknown message"},
        {"update without room for its length", U, {0xF0, 0x00, 0x21, 0x11, 0x02, 0x13, 0x00, 0x00, 0xF7}, {},
         Refusal::UpdateTooShort, "too short"},
        {"update data byte above 7F", U, updateHigh, {}, Refusal::DataByteAbove7F, "a data byte above 7F"},
        {"update length bytes", U, changed(update, 8, uint8_t(update[8] + 1)), {}, Refusal::UpdateLengthMismatch,
         "the length bytes say 36, 35 are there"},
        {"update checksum", U, updateSum, {}, Refusal::Checksum, "checksum"},
        {"data entry first", P, {}, {{0xB0, 6, 50}}, Refusal::DataEntryBeforeParameter,
         "data entry 50 before a parameter was selected"},
        {"data entry with the MSB only", P, {}, {{0xB0, 99, 11}, {0xB0, 6, 9}}, Refusal::DataEntryBeforeParameter,
         "data entry 9 before a parameter was selected"},
        {"data entry after both numbers", P, {}, {{0xB0, 99, 11}, {0xB0, 98, 1}, {0xB0, 6, 9}}, Refusal::None, ""},
    };

    const Bytes junk = {0xF0, 0x7E, 0x00, 0xF7};
    for (const Case& c : cases) {
        unit::reset(u);
        u.UnitMode = c.mode;
        // A refusal just before, so that a reason left over from it would show.
        sysex(junk);
        ASSERT_EQ(u.LastRefusal, Refusal::NotForTheUnit) << c.name;
        const unit::Counts before = u.Count;
        if (c.shortMsgs.empty()) {
            sysex(c.sysEx);
            EXPECT_EQ(u.Count.refused - before.refused, c.reason == Refusal::None ? 0 : 1) << c.name;
        } else {
            for (const Bytes& m : c.shortMsgs) unit::receiveShort(u, m.data(), m.size(), 0);
            EXPECT_EQ(u.Count.nrpnErrors - before.nrpnErrors, c.reason == Refusal::None ? 0 : 1) << c.name;
        }
        EXPECT_EQ(u.LastRefusal, c.reason) << c.name << ": " << unit::refusalText(u.LastRefusal);
        EXPECT_EQ(u.LastRefusalText, c.text) << c.name;
    }

    // Every reason has words of its own.
    std::set<std::string> texts;
    for (Refusal r = Refusal::NotForTheUnit; r <= Refusal::DataEntryBeforeParameter;
         r = static_cast<Refusal>(static_cast<int>(r) + 1)) {
        EXPECT_FALSE(std::string(unit::refusalText(r)).empty()) << static_cast<int>(r);
        texts.insert(unit::refusalText(r));
    }
    EXPECT_EQ(texts.size(), static_cast<size_t>(Refusal::DataEntryBeforeParameter));
    EXPECT_STREQ(unit::refusalText(Refusal::None), "");
}

// --- parameter messages ---

TEST_F(UnitTest, DataEntryWithoutParameterIsAnError) {
    cc(6, 50);
    EXPECT_EQ(u.Count.nrpnErrors, 1);
    cc(99, 11);
    cc(6, 50);  // the LSB is still unknown
    EXPECT_EQ(u.Count.nrpnErrors, 2);
    EXPECT_TRUE(u.Parameters.empty());
    cc(98, 3);
    cc(6, 50);
    EXPECT_EQ(parameter(11, 3), 50);
    EXPECT_EQ(u.Count.nrpnValues, 1);
    EXPECT_EQ(u.Count.nrpnErrors, 2);

    unit::reset(u);
    cc(98, 3);  // LSB alone is not enough either
    cc(6, 1);
    EXPECT_EQ(u.Count.nrpnErrors, 1);
    EXPECT_TRUE(u.Parameters.empty());
}

TEST_F(UnitTest, NumberBytesAreKeptIndependently) {
    cc(99, 12);
    cc(98, 1);
    cc(6, 64);
    cc(6, 65);  // repeated edits of one parameter send only the data entry
    cc(99, 13);
    cc(6, 7);  // MSB changed, LSB kept: 13/1
    cc(98, 4);
    cc(6, 9);  // LSB changed, MSB kept: 13/4
    EXPECT_EQ(parameter(12, 1), 65);
    EXPECT_EQ(parameter(13, 1), 7);
    EXPECT_EQ(parameter(13, 4), 9);
    EXPECT_EQ(u.Parameters.size(), 3u);
    EXPECT_EQ(u.Count.nrpnValues, 4);
    EXPECT_EQ(u.Count.shortMessages, 8);
    EXPECT_EQ(u.Msb, 13);
    EXPECT_EQ(u.Lsb, 4);
}

TEST_F(UnitTest, OtherChannelsAndMessagesAreIgnored) {
    cc(99, 11, 1);
    cc(98, 1, 15);
    cc(6, 5, 2);
    shortMsg(0x91, 60, 100);
    const uint8_t clock[1] = {0xF8};
    unit::receiveShort(u, clock, 1, 0);
    EXPECT_EQ(u.Msb, -1);
    EXPECT_EQ(u.Lsb, -1);
    EXPECT_EQ(u.Count.nrpnErrors, 0);
    EXPECT_TRUE(u.SoundingNotes.empty());
    EXPECT_EQ(u.Count.shortMessages, 0);

    // A channel-1 message too short for its status, or with a status byte as data, is no message.
    const uint8_t cut[2] = {0xB0, 99};
    unit::receiveShort(u, cut, 2, 0);
    cc(99, 0x8B);
    EXPECT_EQ(u.Msb, -1);
    EXPECT_EQ(u.Count.shortMessages, 0);

    // Program change is two bytes long and is counted.
    const uint8_t program[2] = {0xC0, 3};
    unit::receiveShort(u, program, 2, 0);
    EXPECT_EQ(u.Count.shortMessages, 1);
}

TEST_F(UnitTest, EditBracket) {
    cc(99, 10);
    cc(98, 1);
    cc(6, 0);
    EXPECT_TRUE(u.EditOpen);
    EXPECT_EQ(parameter(10, 1), 0);
    cc(99, 11);
    cc(6, 30);
    EXPECT_TRUE(u.EditOpen) << "other parameters leave the bracket open";
    cc(99, 10);
    cc(6, 1);
    EXPECT_FALSE(u.EditOpen);
    EXPECT_EQ(parameter(10, 1), 1);
    cc(6, 5);  // neither begin nor end: only stored
    EXPECT_FALSE(u.EditOpen);
    EXPECT_EQ(parameter(10, 1), 5);
    EXPECT_EQ(u.Count.editBegins, 1);
    EXPECT_EQ(u.Count.editEnds, 1);
    EXPECT_EQ(u.Count.nrpnValues, 4);

    // 10/2 and 11/1 are not the bracket.
    cc(98, 2);
    cc(6, 0);
    cc(99, 11);
    cc(98, 1);
    cc(6, 0);
    EXPECT_FALSE(u.EditOpen);
    EXPECT_EQ(u.Count.editBegins, 1);
}

TEST_F(UnitTest, Notes) {
    shortMsg(0x90, 24, 100);
    shortMsg(0x90, 26, 1);
    shortMsg(0x90, 62, 100);
    EXPECT_EQ(u.SoundingNotes, (std::set<int>{24, 26, 62}));
    shortMsg(0x80, 24, 0);
    shortMsg(0x90, 62, 0);
    EXPECT_EQ(u.SoundingNotes, (std::set<int>{26}));
    shortMsg(0x80, 40, 64);  // off for a note not sounding
    shortMsg(0x81, 26, 0);   // off on another channel
    EXPECT_EQ(u.SoundingNotes, (std::set<int>{26}));
    EXPECT_EQ(u.Count.shortMessages, 6);
}

// --- faults ---

TEST_F(UnitTest, OverridesApplyToRepliesInOrder) {
    const Bytes odd = {0xF0, 0x00, 0x21, 0x11, 0x03, 0x20, 0xF7};
    u.Overrides.push_back({false, odd});
    u.Overrides.push_back({true, {}});
    auto replies = sysex(programMessage(1, thousandSum()), 0);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes, odd);
    EXPECT_EQ(replies[0].atUs, 5000u);
    EXPECT_EQ(u.Overrides.size(), 1u);

    EXPECT_TRUE(sysex(programMessage(2, thousandSum())).empty());
    EXPECT_FALSE(u.ProgramMemory[2].empty()) << "a silenced reply still follows a done write";
    EXPECT_TRUE(u.Overrides.empty());

    replies = sysex(programMessage(3, thousandSum()));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes, ProgramWrittenReply);

    // A refused message sends nothing, so it takes nothing from the queue.
    u.Overrides.push_back({true, {}});
    EXPECT_TRUE(sysex(programMessage(0, thousandSum())).empty());
    EXPECT_EQ(u.Overrides.size(), 1u);
}

TEST_F(UnitTest, EraseNoticeTakesAnOverrideOfItsOwn) {
    u.UnitMode = unit::Mode::Update;
    u.Overrides.push_back({true, {}});
    const Bytes late = {0xF0, 0x00, 0x21, 0x11, 0x02, 0x11, 0xF7};
    u.Overrides.push_back({false, late});
    u.Overrides.push_back({false, UpdateFailed});
    auto replies = sysex(IdentifyRequest, 0);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes, late);
    EXPECT_EQ(replies[0].atUs, 1505000u) << "the erase notice keeps its time";
    ASSERT_EQ(u.Overrides.size(), 1u);

    replies = sysex(updateMessage(packByBits(image(3))));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes, UpdateFailed);
    EXPECT_EQ(u.Image, image(3));
}

TEST_F(UnitTest, AbsentUnitHearsNothing) {
    u.Absent = true;
    u.Overrides.push_back({true, {}});
    cc(99, 11);
    cc(98, 1);
    cc(6, 5);
    shortMsg(0x90, 60, 100);
    EXPECT_TRUE(sysex(programMessage(7, thousandSum())).empty());
    EXPECT_TRUE(sysex(Bytes{0xF0, 0x01, 0xF7}).empty());
    u.UnitMode = unit::Mode::Update;
    EXPECT_TRUE(sysex(IdentifyRequest).empty());
    EXPECT_TRUE(sysex(updateMessage(packByBits(image(3)))).empty());

    EXPECT_EQ(u.Msb, -1);
    EXPECT_TRUE(u.Parameters.empty());
    EXPECT_TRUE(u.SoundingNotes.empty());
    EXPECT_TRUE(u.ProgramMemory[7].empty());
    EXPECT_FALSE(u.HaveImage);
    EXPECT_EQ(u.Overrides.size(), 1u);
    const std::vector<std::string> lines = unit::summary(u);
    EXPECT_EQ(lines.front(), "mode update absent");
    EXPECT_EQ(lines.back(), "counts short 0 nrpn 0 nrpn-errors 0 edit 0/0 programs 0 refused 0 updates 0");

    u.Absent = false;
    cc(6, 5);
    EXPECT_EQ(u.Count.nrpnErrors, 1);
}

TEST_F(UnitTest, ResetRestoresDefaults) {
    u.Absent = true;
    u.UnitMode = unit::Mode::Update;
    u.ReplyDelayMs = u.EraseMs = 1;
    u.VerdictOk = false;
    u.Overrides.push_back({true, {}});
    u.Msb = u.Lsb = 3;
    u.ProgramMemory[9] = {1};
    unit::reset(u);
    EXPECT_FALSE(u.Absent);
    EXPECT_EQ(u.UnitMode, unit::Mode::Program);
    EXPECT_EQ(u.ReplyDelayMs, 5u);
    EXPECT_EQ(u.EraseMs, 1500u);
    EXPECT_TRUE(u.VerdictOk);
    EXPECT_TRUE(u.Overrides.empty());
    EXPECT_EQ(u.Msb, -1);
    EXPECT_EQ(u.Lsb, -1);
    EXPECT_TRUE(u.ProgramMemory[9].empty());
}

// --- summary ---

TEST_F(UnitTest, SummaryOfAKnownState) {
    EXPECT_EQ(unit::summary(u), (std::vector<std::string>{"mode program", "parameters none", "edit closed",
                                                           "notes none", "image none",
                                                           "counts short 0 nrpn 0 nrpn-errors 0 edit 0/0 programs 0 "
                                                           "refused 0 updates 0"}));

    Bytes second(104, 0x01);
    second[0] = 0x7F;
    second[1] = 0x0A;
    sysex(programMessage(12, second));
    sysex(programMessage(7, thousandSum()));
    sysex(programMessage(100, thousandSum()));
    cc(6, 1);
    cc(99, 10);
    cc(98, 1);
    cc(6, 0);
    cc(99, 21);
    cc(6, 3);
    cc(99, 11);
    cc(98, 12);
    cc(6, 127);
    shortMsg(0x90, 62, 100);
    shortMsg(0x90, 24, 100);
    u.UnitMode = unit::Mode::Update;
    const std::string check = "123456789";
    const Bytes nine(check.begin(), check.end());
    sysex(updateMessage(packByBits(nine)));

    EXPECT_EQ(unit::summary(u), (std::vector<std::string>{
                                    "mode update",
                                    "program 07 sum 1000 first 0A 0A 0A 0A 0A 0A 0A 0A",
                                    "program 12 sum 239 first 7F 0A 01 01 01 01 01 01",
                                    "parameters 10/1=0 11/12=127 21/1=3",
                                    "edit open",
                                    "notes 24 62",
                                    "image 9 bytes crc32 CBF43926",
                                    "counts short 11 nrpn 3 nrpn-errors 1 edit 1/0 programs 2 refused 1 updates 1",
                                }));
}

}  // namespace
