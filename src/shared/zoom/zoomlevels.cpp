#include "shared/zoom/zoomlevels.h"

#include <cstdlib>

#include "platform/canvas.h"
#include "platform/zoomscale.h"

bool isZoomLevel(int percent) {
    for (int level : ZoomLevels) {
        if (level == percent) return true;
    }
    return false;
}

bool readZoomOption(const std::string& text, int& level) {
    if (text.empty() || text.size() > 6) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    const int value = std::atoi(text.c_str());
    if (!isZoomLevel(value)) return false;
    level = value;
    return true;
}

bool zoomLevelFits(int percent) {
    if (percent == 100) return true;
    int width = 0, height = 0;
    clientAreaLimit(width, height, percent);
    const Canvas& canvas = mainCanvas();
    return zoomedLength(canvas.width(), percent) <= width && zoomedLength(canvas.height(), percent) <= height;
}

int zoomInLevel() {
    const int current = windowZoom();
    for (int level : ZoomLevels) {
        if (level > current && zoomLevelFits(level)) return level;
    }
    return 0;
}

int zoomOutLevel() {
    const int current = windowZoom();
    int found = 100;
    for (int level : ZoomLevels) {
        if (level < current && zoomLevelFits(level)) found = level;
    }
    return found;
}

int fittingZoomLevel() { return zoomLevelFits(windowZoom()) ? windowZoom() : zoomOutLevel(); }

int startZoomLevel(int kept, int dpi) {
    if (isZoomLevel(kept) && zoomLevelFits(kept)) return kept;
    int found = 100;
    for (int level : ZoomLevels) {
        if (level * 96 <= dpi * 100 && zoomLevelFits(level)) found = level;
    }
    return found;
}

bool isZoomCommand(int id) {
    for (const ZoomItem& item : ZoomItems) {
        if (item.id == id) return true;
    }
    return false;
}

int zoomCommandLevel(int id) {
    switch (id) {
    case CommandZoomIn: {
        const int larger = zoomInLevel();
        return larger != 0 ? larger : windowZoom();
    }
    case CommandZoomOut: return zoomOutLevel();
    case CommandActualSize: return 100;
    default: return windowZoom();
    }
}

bool zoomCommandUsable(int id) {
    switch (id) {
    case CommandZoomIn: return zoomInLevel() != 0;
    case CommandZoomOut:
    case CommandActualSize: return windowZoom() != 100;
    default: return false;
    }
}

int zoomCommandForKey(const Event& e) {
    if (e.kind != EventKind::Key || !e.ctrl) return 0;
    switch (e.key) {
    case '+':
    case '=': return CommandZoomIn;
    case '-': return CommandZoomOut;
    case '0': return CommandActualSize;
    default: return 0;
    }
}

void appendZoomItems(MenuHandle menu) {
    for (const ZoomItem& item : ZoomItems) appendMenuItem(menu, item.id, item.text, item.keyText);
}

void greyZoomItems() {
    for (const ZoomItem& item : ZoomItems) enableMenuItem(item.id, zoomCommandUsable(item.id));
}
