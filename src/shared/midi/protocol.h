// protocol.h - the unit's system-exclusive messages, as both programs build and check them.
//
// Every message of the unit is framed
//   F0 <maker 00 21 11> <part> <command> <payload> F7
// with part 03 the program memory and part 02 the firmware loader. Every reply of the unit
// is exactly seven bytes: the frame with an empty payload.
//
// Program memory (part 03):
//   write request  F0 00 21 11 03 20 00 <location 1..99> <104 data bytes> <sum high> <sum low> F7
//   written        F0 00 21 11 03 21 F7
// Firmware loader (part 02):
//   identify       F0 00 21 11 02 10 F7       -> identified  F0 00 21 11 02 11 F7
//                                              -> erased      F0 00 21 11 02 12 F7 (later)
//   update data    F0 00 21 11 02 13 L2 L1 L0 <L packed bytes> <sum high> <sum low> F7
//   verdict        F0 00 21 11 02 14 F7 (success) or F0 00 21 11 02 15 F7 (failure)
// The sums are sysExChecksum (sysex.h) over the data bytes. Owns no globals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace protocol {

constexpr uint8_t SysExBegin = 0xF0;
constexpr uint8_t SysExEnd = 0xF7;
constexpr uint8_t Maker[3] = {0x00, 0x21, 0x11};

constexpr uint8_t ProgramPart = 0x03;
constexpr uint8_t WriteProgram = 0x20;
constexpr uint8_t ProgramWritten = 0x21;

constexpr uint8_t LoaderPart = 0x02;
constexpr uint8_t Identify = 0x10;
constexpr uint8_t Identified = 0x11;
constexpr uint8_t Erased = 0x12;
constexpr uint8_t UpdateData = 0x13;
constexpr uint8_t UpdateSucceeded = 0x14;
constexpr uint8_t UpdateFailed = 0x15;

constexpr size_t HeaderLength = 6;            // F0, the maker, part, command
constexpr size_t ReplyLength = 7;             // every reply of the unit
constexpr size_t ProgramDataBytes = 104;      // one byte per parameter
constexpr size_t ProgramWriteLength = 115;    // header, 00, location, data, sum, F7
constexpr size_t ProgramDataOffset = 8;       // the first data byte of a write request
constexpr size_t UpdateLengthBytes = 3;       // L2 L1 L0, seven bits each
constexpr size_t UpdateFrameBytes = 12;       // header, length, sum and F7 around the data

// F0 00 21 11 <part> <command>: the head of every message.
inline std::vector<uint8_t> header(uint8_t part, uint8_t command) {
    return {SysExBegin, Maker[0], Maker[1], Maker[2], part, command};
}

// A whole message without payload: a request such as identify, or a reply of the unit.
inline std::vector<uint8_t> shortMessage(uint8_t part, uint8_t command) {
    std::vector<uint8_t> m = header(part, command);
    m.push_back(SysExEnd);
    return m;
}

}  // namespace protocol
