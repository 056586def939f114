// The firmware update: identify, wait for the erase, send the image, wait for the verdict.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/clock.h"
#include "shared/datafile/textfile.h"
#include "shared/midi/protocol.h"
#include "shared/midi/sysex.h"
#include "updater/updater.h"

namespace updater {

namespace {

constexpr int32_t IdentifyLimitMs = 2000;
constexpr int32_t EraseLimitMs = 7000;
constexpr int32_t VerdictMarginMs = 4000;

const std::vector<uint8_t> IdentificationRequest = protocol::shortMessage(protocol::LoaderPart, protocol::Identify);

// The checks of a loader reply: the first failing one gives its error number, counted from
// `first` (length, received, then bytes 1..7 of the seven); 0 when the reply is the one
// expected, the loader's reply with command byte `code`.
int checkReply(const std::vector<uint8_t>& reply, bool received, uint8_t code, int first) {
    if (reply.size() != protocol::ReplyLength) return first;
    if (!received) return first + 1;
    const std::vector<uint8_t> expected = protocol::shortMessage(protocol::LoaderPart, code);
    for (size_t i = 0; i < protocol::ReplyLength; ++i) {
        if (reply[i] != expected[i]) return first + 2 + static_cast<int>(i);
    }
    return 0;
}

// The checked reply's words for the steps that check a whole reply (identification, erase
// notice): `offset` counts from the step's first error number.
std::string replyWords(const std::string& reply, int offset, size_t length) {
    switch (offset) {
    case 0:
        return length == 0 ? " No " + reply + " from the unit."
                           : " The " + reply + " has " + std::to_string(length) + " bytes instead of 7.";
    case 1: return " The " + reply + " came too late.";
    case 2: return " The " + reply + " is not a system-exclusive message.";
    case 3:
    case 4: return " The " + reply + " is from another maker's device.";
    case 5: return " The " + reply + " is from another kind of unit.";
    case 6: return " The " + reply + " is not from the update loader.";
    case 7: return " The " + reply + " is a different message.";
    case 8: return " The " + reply + " does not end as a message should.";
    default: return std::string();
    }
}

void reportError(int number, size_t replyLength) {
    writeUpdaterLine(" Error No.: " + std::to_string(number));
    writeUpdaterLine(errorWords(number, replyLength));
    writeUpdaterLine(" Korvatone not present,");
    writeUpdaterLine(" or not in Update Mode,");
    writeUpdaterLine(" or communication error!");
}

// The loader file, whole; false with the reason in `why` when it cannot be used.
bool readLoaderFile(const std::string& path, std::vector<uint8_t>& image, std::string& line, std::string& why) {
    // Read only when it is a file (a folder or a FIFO is said so), and never beyond the
    // largest image plus one byte.
    std::string bytes, reason;
    const bool whole = readWholeFile(path, MaxImageBytes, bytes, reason);
    if (!whole && bytes.size() <= MaxImageBytes) {
        line = " Cannot read file!";
        why = " " + reason;
        return false;
    }
    if (!whole) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(path, ec);
        line = " File too large for the unit!";
        why = " " + (ec ? "more than " + std::to_string(MaxImageBytes) + " bytes"
                        : std::to_string(size) + " bytes, at most " + std::to_string(MaxImageBytes));
        return false;
    }
    image.assign(bytes.begin(), bytes.end());
    return true;
}

// The earliest tick at which the unit can have had the whole of a message of `length` bytes
// whose send began at `sendStart`: the cable carries 3125 bytes a second, and the unit's clock
// may run a little fast, so 10 % less than that. A reply that arrived before it came while the
// message was still on the cable and cannot be the unit's verdict on it. The platform may say
// the send is done well after the last byte (a driver's completion notice, the pacing of the
// last chunk), and a quick unit answers before that, so the arrival, not the send's return,
// tells the verdict from a stray message.
uint32_t wholeMessageCanHaveArrived(uint32_t sendStart, size_t length) {
    return sendStart + static_cast<uint32_t>(uint64_t(length) * 288 / 1000);
}

// A close request during a wait stops the update once the wait has ended (the wait queued
// it again: the command loop then closes the updater). True when the update must stop.
bool stoppedByClose(const ReplyWait& wait) {
    if (!wait.closeRequested) return false;
    writeUpdaterLine(" Update stopped: the window is closing.");
    return true;
}

}  // namespace

const char* const UnitRefusedWords = " The unit refused the update.";

std::string errorWords(int number, size_t replyLength) {
    const std::string finalReply = "final reply";
    if (number >= 200 && size_t(number - 200) == replyLength) return replyWords(finalReply, 0, replyLength);
    if (number >= 100 && size_t(number - 100) == replyLength) {
        return replyLength == 0 ? " No final reply from the unit in time."
                                : " A late reply of " + std::to_string(replyLength) + " bytes, no final reply.";
    }
    if (number >= 20 && number <= 25) return replyWords(finalReply, number - 19, replyLength);
    if (number == 26) return replyWords(finalReply, 8, replyLength);
    if (number == 27) return " The final reply is neither success nor failure.";
    if (number >= 10 && number <= 18) return replyWords("erase notice", number - 10, replyLength);
    if (number >= 1 && number <= 9) return replyWords("identification reply", number - 1, replyLength);
    return std::string();
}

void runFirmwareUpdate(const std::string& path) {
    clearUpdaterWindow();
    writeUpdaterLine(" Processing update...");

    std::vector<uint8_t> image;
    std::string problem, why;
    if (!readLoaderFile(path, image, problem, why)) {
        writeUpdaterLine(problem);
        writeUpdaterLine(why);
        return;
    }
    // The whole message is built before the unit is asked anything; it stays alive until
    // the send has returned, which is when the platform is done with it.
    const std::vector<uint8_t> message = updateDataMessage(image);

    writeUpdaterLine(" requesting identification...");
    sendSysEx(IdentificationRequest);
    ReplyWait wait;
    wait.timeout = IdentifyLimitMs;
    std::vector<uint8_t> reply = waitSysExReply(wait);
    if (stoppedByClose(wait)) return;
    int error = checkReply(reply, wait.received, protocol::Identified, 1);
    if (error != 0) {
        reportError(error, reply.size());
        return;
    }

    writeUpdaterLine(" Erasing flash memory...");
    wait.timeout = EraseLimitMs;
    reply = waitSysExReply(wait);
    if (stoppedByClose(wait)) return;
    error = checkReply(reply, wait.received, protocol::Erased, 10);
    if (error != 0) {
        reportError(error, reply.size());
        return;
    }

    writeUpdaterLine(" Sending update...");
    // The send is expected to take 2 ms for every 3 bytes of the whole message.
    const uint32_t estimateMs = static_cast<uint32_t>(std::nearbyint(2.0 * double(message.size()) / 3.0));
    drawUpdaterProgress(0, message.size());
    const uint32_t before = tickCount();
    sendSysEx(message, [](size_t sent, size_t total) { drawUpdaterProgress(sent, total); });
    const uint32_t after = tickCount();
    // The verdict may come until 4 s after the later of the estimated and the real end; it is
    // the first reply that arrived once the whole image can have reached the unit, also when
    // that was before the send returned.
    const uint32_t expectedEnd = tickDiff(before + estimateMs, after) > 0 ? before + estimateMs : after;
    wait.timeout = std::max<int32_t>(tickDiff(expectedEnd + VerdictMarginMs, tickCount()), 0);
    wait.dropEarlier = true;
    wait.arrivedFrom = wholeMessageCanHaveArrived(before, message.size());
    reply = waitSysExReply(wait);
    const bool received = wait.received;

    if (reply.size() != protocol::ReplyLength) {
        reportError((received ? 200 : 100) + static_cast<int>(reply.size()), reply.size());
        return;
    }
    if (!received) {
        reportError(20, reply.size());
        return;
    }
    // Bytes 1..5 are the loader's head, byte 7 the end; byte 6 carries the verdict.
    const std::vector<uint8_t> head = protocol::header(protocol::LoaderPart, 0);
    for (size_t i = 0; i + 1 < protocol::HeaderLength; ++i) {
        if (reply[i] != head[i]) {
            reportError(21 + static_cast<int>(i), reply.size());
            return;
        }
    }
    if (reply[protocol::ReplyLength - 1] != protocol::SysExEnd) {
        reportError(26, reply.size());
        return;
    }
    const uint8_t verdict = reply[protocol::HeaderLength - 1];
    if (verdict == protocol::UpdateSucceeded) {
        writeUpdaterLine(" Update was successful!!!");
    } else if (verdict == protocol::UpdateFailed) {
        writeUpdaterLine(" ERROR!!!");
        writeUpdaterLine(UnitRefusedWords);
    } else {
        reportError(27, reply.size());
    }
}

}  // namespace updater
