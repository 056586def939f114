// folder.h - choosing the folder of the program files ("&Select Directory").
//
// selectFolder(title, startFolder): the folder browser with startFolder preselected (one
//   trailing separator removed first). Confirmed: the chosen folder with exactly one trailing
//   separator (a root such as "D:\" or "/" keeps its own). Cancelled: the start folder with a
//   trailing separator. Confirmed on an item without a file-system path (a printer, say): a
//   message window "Select Directory: no folder chosen", and the start folder comes back
//   unchanged, so the program-file folder keeps its value.
#pragma once

#include <string>

std::string selectFolder(const std::string& title, const std::string& startFolder);
