#include "editor/declaration/identity.h"

std::string VersionText;
std::string WindowCaption;
std::string ProgramName;
std::string StartDirectory;
std::string DataDirectory;
std::string ConfigPath;

void resetIdentityState() {
    VersionText = "1.00";
    WindowCaption.clear();
    ProgramName.clear();
    StartDirectory.clear();
    DataDirectory.clear();
    ConfigPath.clear();
}
