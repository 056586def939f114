// identity.h - who the editor is and where its files are: the version and caption, the base
// name of its files, the start directory (declaration, fonts, configuration) and the folder
// of the program files. Set at start-up; every layer of the editor reads them.
// Defined in identity.cpp; resetIdentityState() gives each its initial value.
#pragma once

#include <string>

extern std::string VersionText;     // "1.00", shown in the caption
extern std::string WindowCaption;   // the main window's caption
extern std::string ProgramName;     // "KtProg": base name of the editor's files
extern std::string StartDirectory;  // folder of the configuration, declaration and fonts
extern std::string DataDirectory;   // folder of the program files
extern std::string ConfigPath;      // StartDirectory + separator + "KtProg.CFG"

void resetIdentityState();
