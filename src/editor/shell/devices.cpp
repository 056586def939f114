#include "editor/shell/devices.h"

// Not built yet.
void resetDevicesState() {}
bool dispatchDeviceCommand(int) { return false; }
void handleDevicesChanged() {}
