#include "editor/shell/folder.h"

#include "editor/program/morph.h"
#include "platform/dialogs.h"
#include "platform/process.h"
#include "shared/message/message.h"

namespace {

bool endsWithSeparator(const std::string& path) { return !path.empty() && isPathSplit(path.back()); }

}  // namespace

std::string selectFolder(const std::string& title, const std::string& startFolder) {
    std::string browseStart = startFolder;
    if (endsWithSeparator(browseStart) && browseStart.size() > 1) browseStart.pop_back();
    endMorph();  // a dialog ends Morph
    DialogAnswer answer = folderDialog(title, browseStart);
    switch (answer.outcome) {
    case DialogOutcome::Chosen:
        if (!endsWithSeparator(answer.path)) answer.path += pathSeparator();
        return answer.path;
    case DialogOutcome::NoPath:
        showMessage("Select Directory: no folder chosen", "");
        return startFolder;
    case DialogOutcome::Cancelled:
        break;
    }
    // The root "/" was kept whole above; every other start folder gets its separator back.
    return browseStart.size() == 1 && endsWithSeparator(browseStart) ? browseStart : browseStart + pathSeparator();
}
