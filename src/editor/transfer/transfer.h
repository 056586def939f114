// transfer.h - programs between files and the unit: "&Load Program", "&Save Program",
// "&Write Program from File to KT" and "&Write All Programs from Files to KT".
//
// The location a program is written to is the number formed by the first two characters of
// its file's name (07 Lead.prg and 7Lead.prg go to 7, 100 Pad.prg to 10; Lead.prg and
// 00 Init.prg to no location). The write request is
//   F0 00 21 11 03 20 00 <location> <one byte per parameter> <checksum high, low> F7
// with each byte the value shifted by its negative minimum (as the live messages are) and
// limited to 0..127; the unit must answer F0 00 21 11 03 21 F7 within 2000 ms.
//
// Globals: CurrentProgramPath (the file last chosen with load or save); the program's name
// (CurrentProgramName) belongs to the program (editor/program/program.h).
//
// askProgramFile(kind, title, folder, path, ok): the file dialog with the "*.prg" filter,
//   the MIDI devices closed around it; confirms only a name with a base part; the folder of
//   the chosen file becomes `folder`; returns after the mouse button is released. Load
//   Program's dialog; Save Program's and Write Program from File's save-style dialog go by
//   the save dialogs' rule (askSaveFile, editor/library/library.h), starting with the current
//   program's file name: Save asks before it replaces a file, Write only reads the file.
// A write never takes the edit away: the unit goes on playing what the panel had, so every
// write command sets the panel's program aside first and puts it back at its end, whatever
// the outcome (written, refused, failed, cancelled, stopped halfway). Meanwhile the panel and
// the caption show each file as it is written.
// putBackPanelProgram(s): the program set aside back on the panel (values, effect type with
//   its tables, effect store, name, compare reference), the caption and the panel drawn;
//   nothing is sent, and the history goes on from it (a write is no change).
// writeProgramToUnit(path): asks for the file when path is empty (cancel: Skipped, nothing
//   happens); shows the program's name in the caption, reads the file (redrawing the panel
//   when the file came from the dialog), writes it to its location and checks the reply.
//   Written when the unit acknowledged; Failed when the write failed (" KT not present, or
//   communication error!", or a file that cannot be read, each shown in a message window);
//   Skipped for a name without a location (reported, not a failure: a batch goes on). The
//   file's program stays in the panel: its callers put the panel's program back.
// writeProgramCommand(): "&Write Program from File to KT": writeProgramToUnit with the
//   dialog, then the panel's program put back.
// writeAllProgramsCommand(): every numbered file of DataDirectory (sorted by name) to its
//   location, after checking that the folder can be listed, holds a numbered file and has no
//   location claimed twice (each said in a message window, nothing sent), and asking what to
//   do with the locations no file claims (skip them, or fill them with the first file's
//   program).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "editor/library/library.h"
#include "editor/library/store.h"
#include "editor/panel/layout.h"
#include "editor/program/history.h"
#include "editor/program/program.h"
#include "platform/dialogs.h"

extern std::string CurrentProgramPath;

void resetTransferState();
void askProgramFile(FileDialogKind kind, const std::string& title, std::string& folder, std::string& path, bool& ok);

enum class WriteResult {
    Written,    // the unit acknowledged the program
    Unchanged,  // not sent: the unit holds these bytes already (writing only changed programs)
    Skipped,  // nothing was sent: the dialog was cancelled, or the name gives no location
    Failed,   // the file could not be read or the unit did not acknowledge (already reported)
};

void loadProgramCommand();
void saveProgramCommand();
// onlyChanged: a program the unit memory says its location holds already is not sent.
WriteResult writeProgramToUnit(std::string& path, bool onlyChanged = false);
void putBackPanelProgram(const SetAsideProgram& setAside);
void writeProgramCommand();
void writeAllProgramsCommand();
// "Write &Changed Programs to KT": the batch write of every program whose bytes the unit
// memory does not already record for its location; at the end " Programs written: N,
// unchanged: M".
void writeChangedProgramsCommand();
