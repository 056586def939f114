// The simulated main window, its menus and the message window. Windows are canvases in
// memory; captions and check marks go to the transcript.
#include "platform/input.h"
#include "platform/msgwindow.h"
#include "platform/toolrecords.h"
#include "platform/toolwindow.h"
#include "platform/sim/sim_state.h"
#include "platform/window.h"
#include "platform/zoomscale.h"

using sim::machine;

namespace sim {

bool mainWindowIsOpen() { return machine().MainOpen; }
Canvas& mainWindowCanvas() { return machine().Main; }
const std::string& mainWindowCaption() { return machine().Caption; }
bool messageWindowIsOpen() { return machine().MessageOpen; }
Canvas& messageWindowCanvas() { return machine().Message; }

void shownMainWindow(Canvas& out) {
    const Canvas& main = machine().Main;
    const int strip = machine().MainStrip;
    if (strip <= 0 || strip >= main.height()) {
        zoomCanvas(main, machine().Zoom, out);
        return;
    }
    Canvas picture(main.width(), main.height() - strip);
    picture.copyFrom(main, 0, 0, picture.width(), picture.height(), 0, 0);
    zoomCanvas(picture, machine().Zoom, out);
}

bool menuItemIsEnabled(int commandId) { return machine().Greyed.count(commandId) == 0; }

bool menuItemIsChecked(int commandId) {
    auto it = machine().Checks.find(commandId);
    return it != machine().Checks.end() && it->second;
}

namespace {

void listMenu(int menu, const std::string& prefix, std::vector<std::string>& out, int depth) {
    auto it = machine().Menus.find(menu);
    if (it == machine().Menus.end() || depth > 8) return;
    for (const MenuItemRecord& item : it->second) {
        switch (item.kind) {
        case 0:
            out.push_back(prefix + item.text + " " + std::to_string(item.commandId) + (item.check ? " [check]" : "") +
                          (menuItemIsChecked(item.commandId) ? " checked" : ""));
            break;
        case 1: listMenu(item.popup, prefix + item.text + "/", out, depth + 1); break;
        default: out.push_back(prefix + "-"); break;
        }
    }
}

}  // namespace

std::vector<std::string> menuListing() {
    std::vector<std::string> out;
    listMenu(machine().AttachedBar, "", out, 0);
    return out;
}

}  // namespace sim

// ---- window.h

bool openMainWindow(int /*x*/, int /*y*/, int width, int height, const std::string& caption) {
    sim::Machine& m = machine();
    m.MainOpen = true;
    m.Main.resize(width > 0 ? width : 1, height > 0 ? height : 1);
    m.Zoom = 100;
    m.MainStrip = 0;
    m.Foreground = ForegroundMain;
    m.Caption.clear();
    setMainWindowCaption(caption);
    return true;
}

void setMainWindowCaption(const std::string& caption) {
    sim::Machine& m = machine();
    if (caption == m.Caption) return;
    m.Caption = caption;
    sim::transcript("caption", sim::quote(caption));
}

Canvas& mainCanvas() { return machine().Main; }

void setMainWindowStrip(int height) { machine().MainStrip = height > 0 ? height : 0; }

void presentMainWindow() {
    int x, y, w, h;
    machine().Main.takeDamage(x, y, w, h);
}

void closeMainWindow() {
    sim::Machine& m = machine();
    m.MainOpen = false;
    m.Foreground = ForegroundOther;
}

void setWindowZoom(int percent) {
    sim::Machine& m = machine();
    if (percent == m.Zoom) return;
    m.Zoom = percent;
    sim::transcript("zoom", std::to_string(percent) + " " + std::to_string(zoomedLength(m.Main.width(), percent)) +
                                " " + std::to_string(zoomedLength(m.Main.height(), percent)));
}

int windowZoom() { return machine().Zoom; }

// The simulated screen has no frame or task bar: a client area may take all of it.
void clientAreaLimit(int& width, int& height, int) { screenSize(width, height); }

MenuHandle createMenuBar() {
    sim::Machine& m = machine();
    int handle = m.NextMenu++;
    m.Menus[handle];
    return handle;
}

MenuHandle createPopupMenu() { return createMenuBar(); }

void appendMenuItem(MenuHandle menu, int commandId, const std::string& text, const std::string& /*keyText*/,
                    MenuItemKind kind) {
    sim::MenuItemRecord item;
    item.kind = 0;
    item.check = kind == MenuItemKind::Check;
    item.commandId = commandId;
    item.text = text;
    machine().Menus[menu].push_back(item);
}

void appendMenuPopup(MenuHandle menu, MenuHandle popup, const std::string& text) {
    sim::MenuItemRecord item;
    item.kind = 1;
    item.popup = popup;
    item.text = text;
    machine().Menus[menu].push_back(item);
}

void appendMenuSeparator(MenuHandle menu) {
    sim::MenuItemRecord item;
    item.kind = 2;
    machine().Menus[menu].push_back(item);
}

void checkMenuItem(int commandId, bool checked) {
    machine().Checks[commandId] = checked;
    sim::transcript("check", std::to_string(commandId) + (checked ? " on" : " off"));
}

void enableMenuItem(int commandId, bool enabled) {
    if (enabled) {
        machine().Greyed.erase(commandId);
    } else {
        machine().Greyed.insert(commandId);
    }
}

void attachMenuBar(MenuHandle bar) { machine().AttachedBar = bar; }

void destroyMenuBar(MenuHandle bar) {
    sim::Machine& m = machine();
    if (m.AttachedBar == bar) m.AttachedBar = 0;
    m.Menus.erase(bar);
}

// ---- msgwindow.h

Canvas& openMessageWindow(const std::string& /*caption*/, int width, int height) {
    sim::Machine& m = machine();
    if (!m.MessageOpen) m.ForegroundBeforeMessage = m.Foreground;
    m.MessageOpen = true;
    m.Message.resize(width > 0 ? width : 1, height > 0 ? height : 1);
    m.Foreground = ForegroundMessage;
    return m.Message;
}

void presentMessageWindow() {
    int x, y, w, h;
    machine().Message.takeDamage(x, y, w, h);
}

void closeMessageWindow() {
    sim::Machine& m = machine();
    if (!m.MessageOpen) return;
    m.MessageOpen = false;
    m.Waiting.clear();
    m.Foreground = m.ForegroundBeforeMessage;
}

// ---- toolwindow.h

namespace {

sim::ToolWindowRecord* toolWindow(int window) { return toolRecordNumbered(machine().Tools, window); }

sim::ToolWindowRecord* toolWindowNamed(const std::string& name) {
    for (sim::ToolWindowRecord& tool : machine().Tools) {
        if (tool.Name == name) return &tool;
    }
    return nullptr;
}

// The number of a tool window: its place in Machine::Tools, counted from 1.
int numberOf(const sim::ToolWindowRecord& tool) {
    const std::deque<sim::ToolWindowRecord>& tools = machine().Tools;
    for (size_t i = 0; i < tools.size(); ++i) {
        if (&tools[i] == &tool) return static_cast<int>(i) + 1;
    }
    return 0;
}

void hideTool(sim::ToolWindowRecord& tool) {
    if (!tool.Shown) return;
    tool.Shown = false;
    sim::transcript("window", tool.Name + " close");
}

}  // namespace

int openToolWindow(const std::string& name, const std::string& /*caption*/, int width, int height) {
    int number = 0;
    sim::ToolWindowRecord* tool = &toolRecordFor(machine().Tools, name, width, height, number);
    if (!tool->Shown) {
        tool->Shown = true;
        sim::transcript("window", name + " open " + std::to_string(tool->Pixels.width()) + " " +
                                      std::to_string(tool->Pixels.height()));
    }
    return number;
}

Canvas& toolWindowCanvas(int window) {
    sim::ToolWindowRecord* tool = toolWindow(window);
    // A number openToolWindow never gave has no window; its drawing goes nowhere visible.
    return tool != nullptr ? tool->Pixels : machine().NoToolWindow;
}

void presentToolWindow(int window) {
    int x, y, w, h;
    toolWindowCanvas(window).takeDamage(x, y, w, h);
}

void hideToolWindow(int window) {
    if (sim::ToolWindowRecord* tool = toolWindow(window)) hideTool(*tool);
}

bool toolWindowShown(int window) {
    const sim::ToolWindowRecord* tool = toolWindow(window);
    return tool != nullptr && tool->Shown;
}

namespace sim {

bool toolWindowIsShown(const std::string& name) {
    const ToolWindowRecord* tool = toolWindowNamed(name);
    return tool != nullptr && tool->Shown;
}

Canvas* toolWindowCanvasNamed(const std::string& name) {
    ToolWindowRecord* tool = toolWindowNamed(name);
    return tool != nullptr ? &tool->Pixels : nullptr;
}

bool shownToolWindow(const std::string& name, Canvas& out) {
    const ToolWindowRecord* tool = toolWindowNamed(name);
    if (tool == nullptr || !tool->Shown) return false;
    zoomCanvas(tool->Pixels, machine().Zoom, out);
    return true;
}

void closeToolWindowByUser(const std::string& name) {
    ToolWindowRecord* tool = toolWindowNamed(name);
    if (tool == nullptr || !tool->Shown) return;
    hideTool(*tool);
    Event e;
    e.kind = EventKind::ToolWindowHidden;
    e.window = numberOf(*tool);
    queueEvent(e);
}

}  // namespace sim
