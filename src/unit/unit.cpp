// unit.cpp - the Korvatone's MIDI side: parameter messages, notes, program writes and the
// firmware loader's exchange, with the fault settings the tests use.
#include "unit/unit.h"

#include <cstdio>
#include <string>
#include <utility>

namespace unit {

namespace {

constexpr uint8_t SysExStart = 0xF0;
constexpr uint8_t SysExEnd = 0xF7;
constexpr uint8_t Maker[3] = {0x00, 0x21, 0x11};
constexpr uint8_t PartProgram = 0x03;
constexpr uint8_t PartLoader = 0x02;

constexpr uint8_t WriteProgram = 0x20;
constexpr uint8_t ProgramWritten = 0x21;
constexpr uint8_t Identify = 0x10;
constexpr uint8_t IdentifyReply = 0x11;
constexpr uint8_t EraseDone = 0x12;
constexpr uint8_t UpdateData = 0x13;
constexpr uint8_t UpdateOk = 0x14;
constexpr uint8_t UpdateFailed = 0x15;

// The program write: F0, maker (3), part, command, 00, location, data, CH, CL, F7.
constexpr size_t ProgramBytes = 104;
constexpr size_t ProgramHeader = 8;
constexpr size_t ProgramMessageLength = ProgramHeader + ProgramBytes + 3;

// The update data: F0, maker (3), part, command, L2 L1 L0, packed bytes, C1 C0, F7.
constexpr size_t UpdateHeader = 9;
constexpr size_t UpdateFrame = UpdateHeader + 3;

// The edit bracket's parameter number.
constexpr int EditMsb = 10, EditLsb = 1;

// The seven-byte messages: every reply, and the identification request.
std::vector<uint8_t> sevenByte(uint8_t part, uint8_t code) {
    return {SysExStart, Maker[0], Maker[1], Maker[2], part, code, SysExEnd};
}

uint64_t afterMs(uint64_t atUs, uint32_t ms) { return atUs + uint64_t(ms) * 1000u; }

bool dataBytes(const std::vector<uint8_t>& m, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
        if (m[i] > 0x7F) return false;
    return true;
}

// The checksum pair of the protocol: the plain sum S sent as (S >> 7) & 7F, S & 7F.
bool checksumMatches(const std::vector<uint8_t>& m, size_t from, size_t to, uint8_t high, uint8_t low) {
    uint32_t sum = 0;
    for (size_t i = from; i < to; ++i) sum += m[i];
    return high == ((sum >> 7) & 0x7F) && low == (sum & 0x7F);
}

// Records why the message is not taken; `text` gives the numbers of this message, when they
// say more than the plain reason.
void refuse(State& s, Refusal reason, const std::string& text = std::string()) {
    s.LastRefusal = reason;
    s.LastRefusalText = text.empty() ? refusalText(reason) : text;
}

// The frame every message of ours has: F0, the maker, a part and a command, F7 at the end.
Refusal frameRefusal(const std::vector<uint8_t>& m) {
    if (m.size() < 7 || m[0] != SysExStart || m[1] != Maker[0] || m[2] != Maker[1] || m[3] != Maker[2])
        return Refusal::NotForTheUnit;
    if (m.back() != SysExEnd) return Refusal::NoEndByte;
    return Refusal::None;
}

// A program write in program mode; stores it when it is good.
bool acceptProgramWrite(State& s, const std::vector<uint8_t>& m) {
    if (const Refusal r = frameRefusal(m); r != Refusal::None) {
        refuse(s, r);
        return false;
    }
    if (m[4] == PartLoader) {
        refuse(s, Refusal::LoaderMessageInProgramMode);
        return false;
    }
    if (m[4] != PartProgram || m[5] != WriteProgram) {
        refuse(s, Refusal::UnknownMessage);
        return false;
    }
    if (m.size() != ProgramMessageLength) {
        refuse(s, Refusal::ProgramWriteLength,
               "length " + std::to_string(m.size()) + ", a program write has " + std::to_string(ProgramMessageLength));
        return false;
    }
    if (!dataBytes(m, 1, m.size() - 1)) {
        refuse(s, Refusal::DataByteAbove7F);
        return false;
    }
    if (m[6] != 0x00) {
        refuse(s, Refusal::ByteSixNotZero);
        return false;
    }
    const uint8_t location = m[7];
    if (location < 1 || location > 99) {
        refuse(s, Refusal::LocationOutOfRange, "location " + std::to_string(location) + " outside 1..99");
        return false;
    }
    const size_t end = ProgramHeader + ProgramBytes;
    if (!checksumMatches(m, ProgramHeader, end, m[end], m[end + 1])) {
        refuse(s, Refusal::Checksum);
        return false;
    }
    s.ProgramMemory[location].assign(m.begin() + ProgramHeader, m.begin() + end);
    return true;
}

// What update mode makes of a message other than the identification request: false with
// the reason recorded when it is no update data at all.
bool isUpdateData(State& s, const std::vector<uint8_t>& m) {
    Refusal r = frameRefusal(m);
    if (r == Refusal::None && m[4] == PartProgram) r = Refusal::ProgramMessageInUpdateMode;
    if (r == Refusal::None && (m[4] != PartLoader || m[5] != UpdateData)) r = Refusal::UnknownMessage;
    if (r == Refusal::None) return true;
    refuse(s, r);
    return false;
}

// Checks the update data message; on success `image` holds the unpacked image.
bool acceptUpdateData(State& s, const std::vector<uint8_t>& m, std::vector<uint8_t>& image) {
    if (m.size() < UpdateFrame) {
        refuse(s, Refusal::UpdateTooShort);
        return false;
    }
    if (!dataBytes(m, 1, m.size() - 1)) {
        refuse(s, Refusal::DataByteAbove7F);
        return false;
    }
    const size_t packedLength = (size_t(m[6]) << 14) | (size_t(m[7]) << 7) | m[8];
    if (packedLength != m.size() - UpdateFrame) {
        refuse(s, Refusal::UpdateLengthMismatch,
               "the length bytes say " + std::to_string(packedLength) + ", " + std::to_string(m.size() - UpdateFrame) +
                   " are there");
        return false;
    }
    const size_t end = UpdateHeader + packedLength;
    if (!checksumMatches(m, UpdateHeader, end, m[end], m[end + 1])) {
        refuse(s, Refusal::Checksum);
        return false;
    }
    image = unpackSevenBit(std::vector<uint8_t>(m.begin() + UpdateHeader, m.begin() + end));
    return true;
}

std::string hex2(unsigned v) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", v & 0xFFu);
    return text;
}

}  // namespace

const char* refusalText(Refusal r) {
    switch (r) {
        case Refusal::None: return "";
        case Refusal::NotForTheUnit: return "not addressed to the unit";
        case Refusal::NoEndByte: return "no end byte";
        case Refusal::LoaderMessageInProgramMode: return "a firmware loader message, but the unit is in program mode";
        case Refusal::ProgramMessageInUpdateMode: return "a program message, but the unit is in update mode";
        case Refusal::UnknownMessage: return "unknown message";
        case Refusal::ProgramWriteLength: return "a program write has 115 bytes";
        case Refusal::UpdateTooShort: return "too short";
        case Refusal::DataByteAbove7F: return "a data byte above 7F";
        case Refusal::ByteSixNotZero: return "byte 6 is not 00";
        case Refusal::LocationOutOfRange: return "location outside 1..99";
        case Refusal::UpdateLengthMismatch: return "the length bytes disagree with the bytes present";
        case Refusal::Checksum: return "checksum";
        case Refusal::DataEntryBeforeParameter: return "data entry before a parameter was selected";
    }
    return "";
}

void reset(State& s) { s = State(); }

void receiveShort(State& s, const uint8_t* bytes, size_t length, uint64_t /*atUs*/) {
    s.LastRefusal = Refusal::None;
    s.LastRefusalText.clear();
    if (s.Absent || bytes == nullptr || length == 0) return;
    const uint8_t status = bytes[0];
    // Channel messages on channel 1 only; system messages and other channels pass by.
    if (status < 0x80 || status >= 0xF0 || (status & 0x0F) != 0) return;
    const uint8_t kind = status & 0xF0;
    const size_t needed = (kind == 0xC0 || kind == 0xD0) ? 2 : 3;
    if (length < needed) return;
    for (size_t i = 1; i < needed; ++i)
        if (bytes[i] > 0x7F) return;  // not a message a MIDI receiver could have assembled
    ++s.Count.shortMessages;

    const int d1 = bytes[1];
    const int d2 = needed > 2 ? bytes[2] : 0;
    switch (kind) {
        case 0x80:
            s.SoundingNotes.erase(d1);
            break;
        case 0x90:
            if (d2 > 0)
                s.SoundingNotes.insert(d1);
            else
                s.SoundingNotes.erase(d1);
            break;
        case 0xB0:
            if (d1 == 99) {
                s.Msb = d2;
            } else if (d1 == 98) {
                s.Lsb = d2;
            } else if (d1 == 6) {
                if (s.Msb < 0 || s.Lsb < 0) {
                    ++s.Count.nrpnErrors;
                    refuse(s, Refusal::DataEntryBeforeParameter,
                           "data entry " + std::to_string(d2) + " before a parameter was selected");
                    break;
                }
                s.Parameters[{s.Msb, s.Lsb}] = d2;
                ++s.Count.nrpnValues;
                if (s.Msb == EditMsb && s.Lsb == EditLsb) {
                    if (d2 == 0) {
                        s.EditOpen = true;
                        ++s.Count.editBegins;
                    } else if (d2 == 1) {
                        s.EditOpen = false;
                        ++s.Count.editEnds;
                    }
                }
            }
            break;
        default:
            break;
    }
}

std::vector<Reply> receiveSysEx(State& s, const std::vector<uint8_t>& message, uint64_t atUs) {
    s.LastRefusal = Refusal::None;
    s.LastRefusalText.clear();
    if (s.Absent) return {};
    std::vector<Reply> replies;
    const uint64_t replyAt = afterMs(atUs, s.ReplyDelayMs);
    const std::vector<uint8_t>& m = message;

    if (s.UnitMode == Mode::Program) {
        if (acceptProgramWrite(s, m)) {
            ++s.Count.programsWritten;
            replies.push_back({replyAt, sevenByte(PartProgram, ProgramWritten)});
        } else {
            ++s.Count.refused;
        }
    } else if (m == sevenByte(PartLoader, Identify)) {
        replies.push_back({replyAt, sevenByte(PartLoader, IdentifyReply)});
        replies.push_back({afterMs(replyAt, s.EraseMs), sevenByte(PartLoader, EraseDone)});
    } else if (isUpdateData(s, m)) {
        ++s.Count.updates;
        std::vector<uint8_t> image;
        const bool good = acceptUpdateData(s, m, image);
        if (good) {
            s.HaveImage = true;
            s.Image = std::move(image);
        } else {
            ++s.Count.refused;
        }
        replies.push_back({replyAt, sevenByte(PartLoader, good && s.VerdictOk ? UpdateOk : UpdateFailed)});
    } else {
        ++s.Count.refused;
    }

    // The fault queue applies to the replies in the order they are sent.
    std::vector<Reply> sent;
    for (Reply& r : replies) {
        if (!s.Overrides.empty()) {
            ReplyOverride o = std::move(s.Overrides.front());
            s.Overrides.pop_front();
            if (o.silent) continue;
            r.bytes = std::move(o.bytes);
        }
        sent.push_back(std::move(r));
    }
    return sent;
}

std::vector<uint8_t> unpackSevenBit(const std::vector<uint8_t>& packed) {
    const size_t n = 7 * packed.size() / 8;
    std::vector<uint8_t> image;
    image.reserve(n);
    uint32_t bits = 0;  // bits not yet taken, the oldest highest
    int count = 0;
    for (uint8_t p : packed) {
        bits = (bits << 7) | (p & 0x7Fu);
        count += 7;
        if (count >= 8) {
            count -= 8;
            image.push_back(uint8_t(bits >> count));
            bits &= (1u << count) - 1;
        }
        if (image.size() == n) break;
    }
    return image;
}

uint32_t crc32(const uint8_t* bytes, size_t length) {
    static const auto table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i) crc = table[(crc ^ bytes[i]) & 0xFFu] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::string hexBytes(const std::vector<uint8_t>& bytes, size_t most) {
    std::string text;
    char b[4];
    for (size_t i = 0; i < bytes.size() && i < most; ++i) {
        std::snprintf(b, sizeof b, "%02X", bytes[i]);
        text += (i ? " " : "") + std::string(b);
    }
    if (bytes.size() > most) text += " ..";
    return text;
}

std::vector<std::string> summary(const State& s) {
    std::vector<std::string> lines;
    lines.push_back(std::string("mode ") + (s.UnitMode == Mode::Update ? "update" : "program") +
                    (s.Absent ? " absent" : ""));

    for (size_t location = 1; location < s.ProgramMemory.size(); ++location) {
        const std::vector<uint8_t>& data = s.ProgramMemory[location];
        if (data.empty()) continue;
        unsigned sum = 0;
        for (uint8_t b : data) sum += b;
        char number[3];
        std::snprintf(number, sizeof number, "%02u", unsigned(location));
        std::string line = std::string("program ") + number + " sum " + std::to_string(sum) + " first";
        for (size_t i = 0; i < data.size() && i < 8; ++i) line += " " + hex2(data[i]);
        lines.push_back(line);
    }

    std::string parameters = "parameters";
    if (s.Parameters.empty()) parameters += " none";
    for (const auto& p : s.Parameters)
        parameters += " " + std::to_string(p.first.first) + "/" + std::to_string(p.first.second) + "=" +
                      std::to_string(p.second);
    lines.push_back(parameters);

    lines.push_back(s.EditOpen ? "edit open" : "edit closed");

    std::string notes = "notes";
    if (s.SoundingNotes.empty()) notes += " none";
    for (int note : s.SoundingNotes) notes += " " + std::to_string(note);
    lines.push_back(notes);

    if (s.HaveImage) {
        char crc[9];
        std::snprintf(crc, sizeof crc, "%08X", unsigned(crc32(s.Image.data(), s.Image.size())));
        lines.push_back("image " + std::to_string(s.Image.size()) + " bytes crc32 " + crc);
    } else {
        lines.push_back("image none");
    }

    const Counts& c = s.Count;
    lines.push_back("counts short " + std::to_string(c.shortMessages) + " nrpn " + std::to_string(c.nrpnValues) +
                    " nrpn-errors " + std::to_string(c.nrpnErrors) + " edit " + std::to_string(c.editBegins) + "/" +
                    std::to_string(c.editEnds) + " programs " + std::to_string(c.programsWritten) + " refused " +
                    std::to_string(c.refused) + " updates " + std::to_string(c.updates));
    return lines;
}

}  // namespace unit
