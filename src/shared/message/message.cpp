#include "shared/message/message.h"

#include <algorithm>
#include <vector>

#include "platform/announce.h"
#include "platform/events.h"
#include "platform/input.h"
#include "platform/msgwindow.h"
#include "platform/window.h"
#include "platform/zoomscale.h"
#include "shared/midi/receive.h"

void messageWindowSize(const std::vector<std::string>& lines, int& width, int& height) {
    size_t longest = 0;
    for (const std::string& line : lines) longest = std::max(longest, line.size());
    // The screen's room right of and below the window's corner, in Canvas pixels.
    int roomWidth = 0, roomHeight = 0;
    clientAreaLimit(roomWidth, roomHeight, windowZoom());
    roomWidth = unzoomed(roomWidth - MessageWindowX, windowZoom());
    roomHeight = unzoomed(roomHeight - MessageWindowY, windowZoom());
    const size_t textWidth = std::min<size_t>(longest, 100000) * Canvas::TextCharWidth;
    const size_t textHeight = std::min<size_t>(lines.size(), 100000) * Canvas::TextLineHeight;
    width = std::max(MessageWindowWidth, std::min(static_cast<int>(textWidth), roomWidth));
    height = std::max(MessageWindowHeight, std::min(static_cast<int>(textHeight), roomHeight));
}

namespace {

void drawMessageLines(const std::vector<std::string>& lines) {
    int width = 0, height = 0;
    messageWindowSize(lines, width, height);
    Canvas& canvas = openMessageWindow("Message:", width, height);
    canvas.clear(MessageBackground);
    int y = 0;
    for (const std::string& line : lines) {
        canvas.drawText(0, y, line, MessageForeground, MessageBackground);
        y += Canvas::TextLineHeight;
    }
    presentMessageWindow();
}

}  // namespace

void waitForKeyOrClick() {
    // The click that led here may still be held: wait for its release first, so that it
    // does not dismiss the message at once. While a button is held, takeEvent returns
    // every 10 ms, so the live state is seen without spinning.
    while (mouseButtons() != 0) takeEvent();
    for (;;) {
        Event e = takeEvent();
        if (e.kind == EventKind::Key) return;
        if (e.kind == EventKind::MouseButton && e.buttons != 0) return;
    }
}

void showMessage(const std::string& mainText, const std::string& detailText) {
    announce(Announcement::MessageShown, {mainText, detailText});
    std::vector<std::string> lines{mainText};
    if (!detailText.empty()) lines.push_back(detailText);
    lines.push_back("  press any key!");
    drawMessageLines(lines);
    waitForKeyOrClick();
    closeMessageWindow();
}

int askChoice(const std::string& question, const std::string& choice1, const std::string& choice2) {
    announce(Announcement::ChoiceAsked, {question, choice1, choice2});
    std::vector<std::string> lines{question};
    if (!choice1.empty()) lines.push_back(choice1);
    if (!choice2.empty()) lines.push_back(choice2);
    drawMessageLines(lines);
    int answer = 0;
    while (answer == 0) {
        Event e = takeEvent();
        if (e.kind != EventKind::Key) continue;
        if (e.key == '1') answer = 1;
        if (e.key == '2') answer = 2;
    }
    closeMessageWindow();
    announce(Announcement::ChoiceAnswered, {question, choice1, choice2}, answer);
    return answer;
}
