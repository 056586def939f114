// icons.h - the two programs' icons, drawn for one size in pixels.
#pragma once

#include "raster.h"

// ktprog, the preset editor: a knob on a piece of panel, with its scale.
Picture knobIcon(int size);
// ktboot, the firmware updater: a chip with an arrow going into it.
Picture chipIcon(int size);
