// settings.h - the editor's options file KtProg.ini in the start directory: the settings the
// configuration file has no line for. Keys:
//   zoom = 100 | 125 | 150 | 200 | 300    the window's zoom level
//   midi-in-name = NAME, midi-out-name = NAME   the chosen devices, found again by name (held
//                                         in MidiInName / MidiOutName of shared/midi/devices.h)
//   controller-in-name = NAME             the controller input (MidiCtlName); absent: "None"
//   library = PATH                        the library's folder (LibraryFolder of
//                                         editor/library/catalog.h)
//   learn = CHANNEL CONTROLLER PARAMETER  a learned controller (channel 1..16, controller
//                                         0..127, parameter 1..ParameterCount as numbered
//                                         in program files, or 0: the morph position);
//                                         one line each
//   lock = P P ...                        the locked parameters (editor/program/locks.h),
//                                         1-based, ascending; "lock =" none. Without the line
//                                         the effect type alone is locked (written back as
//                                         "lock = 90"). Words that are not parameter numbers
//                                         are passed over, repeats count once, and the line is
//                                         written back clean.
// Unknown keys and damaged lines are ignored (and dropped at the next write); nothing in the
// file stops the editor from starting.
//
// Globals:
//   Options            the settings as read and changed (zoom 0: none kept)
//   OptionsWarned      the user was told once that the file could not be written
//
// optionsPath(): StartDirectory + separator + "KtProg.ini".
// readOptions(): Options from the file (after the declaration, so learn lines for parameters
//   the panel does not have are dropped; the learn lines go to LearnBindings of
//   editor/panel/potinput.h, the first line for a channel and controller counting).
// saveOptions(tellUser): writes Options safely; a failure is told once per run when
//   tellUser (a setting the user just changed), silently passed over otherwise (shut-down).
#pragma once

#include <string>

struct EditorOptions {
    int zoom = 0;
    bool lockLine = false;  // a lock line was read (the first one counts)
};

extern EditorOptions Options;  // the options file's settings
extern bool OptionsWarned;     // the user heard the options file could not be written

void resetOptionsState();
std::string optionsPath();
void readOptions();
void saveOptions(bool tellUser);
