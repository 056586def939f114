// The entry point of the editor on a desktop backend.
#include "editor/shell/shell.h"

int main() { return ktprogMain(); }
