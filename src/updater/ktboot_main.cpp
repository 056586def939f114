// The entry point of the firmware updater on a desktop backend.
#include "updater/updater.h"

int main() { return ktbootMain(); }
