#include "editor/shell/globals.h"

std::string VersionText;
std::string WindowCaption;
std::string ProgramName;
std::string StartDirectory;
std::string DataDirectory;
std::string ConfigPath;

Rgb ColourWhite, ColourBlue, ColourBlack, ColourGrey150, ColourGrey80, ColourDarkRed;

bool WindowMinimised = false;
int16_t MouseX = 0, MouseY = 0, MouseButtons = 0, PrevMouseButtons = 0;
bool PanelRefreshRequest = false;
Event CurrentEvent;

void resetShellState() {
    VersionText = "1.00";
    WindowCaption.clear();
    ProgramName.clear();
    StartDirectory.clear();
    DataDirectory.clear();
    ConfigPath.clear();
    ColourWhite = {255, 255, 255};
    ColourBlue = {0, 0, 150};
    ColourBlack = {0, 0, 0};
    ColourGrey150 = {150, 150, 150};
    ColourGrey80 = {80, 80, 80};
    ColourDarkRed = {110, 0, 0};
    WindowMinimised = false;
    MouseX = MouseY = MouseButtons = PrevMouseButtons = 0;
    PanelRefreshRequest = false;
    CurrentEvent = Event{};
}
