// announce.cpp - the desktop backends' debug log of announcements. See announce.h.
#include "platform/announce.h"

#include <cstdio>
#include <cstdlib>

namespace {

void quoteInto(std::string& out, const std::string& text) {
    out += '"';
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    out += '"';
}

}  // namespace

void announceToStandardError(Announcement what, const std::vector<std::string>& texts, int number) {
    const char* wanted = std::getenv("KT_ANNOUNCE");
    if (wanted == nullptr || std::string(wanted) != "1") return;
    auto text = [&](size_t i) { return i < texts.size() ? texts[i] : std::string(); };
    std::string line = "announce: ";
    switch (what) {
    case Announcement::MessageShown:
        line += "message ";
        quoteInto(line, text(0));
        line += ' ';
        quoteInto(line, text(1));
        break;
    case Announcement::ChoiceAsked:
    case Announcement::ChoiceAnswered:
        line += what == Announcement::ChoiceAsked ? "ask " : "choice ";
        for (size_t i = 0; i < 3; ++i) {
            if (i > 0) line += ' ';
            quoteInto(line, text(i));
        }
        if (what == Announcement::ChoiceAnswered) line += " -> " + std::to_string(number);
        break;
    case Announcement::WindowText:
        line += "text ";
        quoteInto(line, text(0));
        break;
    case Announcement::LoopStarted:
        line += "loop";
        break;
    case Announcement::LibraryListed:  // the count and the filter; the rows would flood the log
        line += "library " + std::to_string(number) + " ";
        quoteInto(line, text(0));
        break;
    case Announcement::MorphMoved:
        line += "morph " + std::to_string(number);
        break;
    case Announcement::LiveTextShown:
        line += "live " + std::to_string(number) + " ";
        quoteInto(line, text(0));
        line += ' ';
        quoteInto(line, text(1));
        break;
    case Announcement::StatusChanged:
        line += "status ";
        quoteInto(line, text(0));
        line += ' ';
        quoteInto(line, text(1));
        break;
    }
    line += '\n';
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}
