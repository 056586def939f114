// unit.h - a model of the Korvatone's MIDI side, built from what the programs expect of it.
// It has no platform dependency: it is fed complete messages (short messages and whole SysEx
// messages) with their arrival time, and answers with replies stamped with the time the unit
// starts to send them. The simulated machine runs it in-process (adding MIDI wire time both
// ways); tools/ktunit runs it on a real MIDI port.
//
// What the unit does:
// - Short messages on channel 1: controllers 99 (NRPN MSB) and 98 (NRPN LSB) select a
//   parameter and 6 (data entry) sets it; the MSB and LSB are kept independently (the editor
//   leaves out a number controller that has not changed), so after 99/12 98/1 6/v a following
//   99/13 6/w sets 13/1. A data entry before any parameter was selected is counted as an error.
//   NRPN 10/1 is the edit bracket (0 opens, 1 closes). Note on (velocity > 0) and note off
//   (0x80, or 0x90 with velocity 0) keep which notes sound. Other channels are ignored.
// - Program mode: the write request F0 00 21 11 03 20 00 LL <104 data bytes> CH CL F7 with LL
//   in 1..99, every data byte 0..7F and CH CL the sum of the data bytes ((S >> 7) & 7F, S & 7F)
//   is stored in location LL and answered with F0 00 21 11 03 21 F7 after the reply delay.
//   Anything else is not answered and is counted as refused.
// - Update mode: the identification request F0 00 21 11 02 10 F7 is answered with
//   F0 00 21 11 02 11 F7 after the reply delay, and the erase notice F0 00 21 11 02 12 F7
//   follows EraseMs after that reply. The update data F0 00 21 11 02 13 L2 L1 L0 <L packed
//   bytes> C1 C0 F7 is checked (the length bytes against the bytes present, the checksum, data
//   bytes 0..7F), unpacked (7 bits per byte, most significant first; n = floor(7L / 8) image
//   bytes) and kept; it is answered F0 00 21 11 02 14 F7 (success) when it was good and the
//   verdict is ok, otherwise F0 00 21 11 02 15 F7 (failure), after the reply delay.
// - Every message given to the unit leaves its judgement in LastRefusal and LastRefusalText:
//   Refusal::None when it was taken (or passed by, as short messages for others do, or met an
//   absent unit), else why
//   the unit would not take it, the first reason found in the order of the Refusal values
//   below (so a program write with a bad location and a bad checksum is refused for its
//   location). A message the unit refuses counts in refused (SysEx) or nrpnErrors (a data
//   entry); update data that is refused is still counted in updates and answered.
// - Faults for tests: Absent (nothing is received or answered), ReplyDelayMs, the override
//   queue (each entry replaces, or with `silent` suppresses, the next reply the unit sends:
//   the first entry applies to the next reply, the second to the one after), EraseMs, Verdict.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace unit {

enum class Mode { Program, Update };

struct ReplyOverride {
    bool silent = false;
    std::vector<uint8_t> bytes;  // used when not silent
};

struct Reply {
    uint64_t atUs;  // when the unit starts sending it (microseconds, the caller's clock)
    std::vector<uint8_t> bytes;
};

// Why the unit did not take a message.
enum class Refusal {
    None,                        // taken, or nothing to refuse
    NotForTheUnit,               // not F0 and our maker, or shorter than any message of ours
    NoEndByte,                   // the last byte is not F7
    LoaderMessageInProgramMode,  // part 02 while the unit is in program mode
    ProgramMessageInUpdateMode,  // part 03 while the unit is in update mode
    UnknownMessage,              // another part or command, or a request of the wrong length
    ProgramWriteLength,          // a program write that is not 115 bytes long
    UpdateTooShort,              // update data without room for its length, sum and end
    DataByteAbove7F,             // a byte between F0 and F7 that is not a data byte
    ByteSixNotZero,              // a program write whose byte 6 (counting from 0) is not 00
    LocationOutOfRange,          // a program write to a location outside 1..99
    UpdateLengthMismatch,        // the update's length bytes disagree with the bytes present
    Checksum,                    // the sum bytes do not match the data
    DataEntryBeforeParameter,    // controller 6 before both parameter-number bytes came
};

// The reason in a few words, as a log line shows it ("" for None).
const char* refusalText(Refusal r);

struct Counts {
    int shortMessages = 0;
    int nrpnValues = 0;          // data entries that set a parameter
    int nrpnErrors = 0;          // data entries without a selected parameter
    int editBegins = 0, editEnds = 0;
    int programsWritten = 0;     // good write requests
    int refused = 0;             // SysEx messages not accepted (bad framing, checksum, ...)
    int updates = 0;             // update data messages received
};

struct State {
    // Behaviour.
    bool Absent = false;
    Mode UnitMode = Mode::Program;
    uint32_t ReplyDelayMs = 5;
    uint32_t EraseMs = 1500;
    bool VerdictOk = true;
    std::deque<ReplyOverride> Overrides;

    // What was received.
    int Msb = -1, Lsb = -1;
    bool EditOpen = false;
    std::map<std::pair<int, int>, int> Parameters;  // (MSB, LSB) -> last value
    std::set<int> SoundingNotes;
    std::array<std::vector<uint8_t>, 100> ProgramMemory;  // locations 1..99; empty: never written
    bool HaveImage = false;
    std::vector<uint8_t> Image;  // the last firmware image received (unpacked)
    Counts Count;

    // The judgement of the last message given to the unit.
    Refusal LastRefusal = Refusal::None;
    std::string LastRefusalText;  // refusalText, with this message's numbers where they help
};

void reset(State& s);

// A short message (1 to 3 bytes) arriving at atUs; replies are never caused by one.
void receiveShort(State& s, const uint8_t* bytes, size_t length, uint64_t atUs);

// A whole SysEx message (F0 .. F7) that finished arriving at atUs; returns the replies it
// causes (after the override queue was applied), in time order.
std::vector<Reply> receiveSysEx(State& s, const std::vector<uint8_t>& message, uint64_t atUs);

// Unpacks 7-bit data bytes into an 8-bit image: n = floor(7 * packed.size() / 8) bytes.
std::vector<uint8_t> unpackSevenBit(const std::vector<uint8_t>& packed);

// CRC-32 (the zlib polynomial) of bytes, for summaries.
uint32_t crc32(const uint8_t* bytes, size_t length);

// A readable summary, one line per item: the mode, the program locations written with their
// first bytes, the parameter values by NRPN number, the edit bracket, the notes sounding, the
// firmware image length and CRC-32, and the counts.
std::vector<std::string> summary(const State& s);

// The first `most` bytes as hex pairs with blanks ("F0 00 21"), " .." when there were more;
// for the logs of what the unit received and answered.
std::string hexBytes(const std::vector<uint8_t>& bytes, size_t most);

}  // namespace unit
