// sound.h - the "&Sound" menu's commands for exploring sounds: Randomise, Blend toward
// Compare, Lock Parameters, Unlock All and Show Differences. The rules are
// editor/program/explore.h's; the locks editor/program/locks.h's; a click that locks a pot is
// the panel's (editor/panel/potinput.h).
//
// Each Randomise or Blend is one change, applied as a load applies (applyProgramState: the
// effect tables of the new state's type, the caption, the panel drawn, the changed parameters
// between edit-begin and edit-end) and recorded for undo. A rule that changes nothing (every
// parameter locked, no difference to blend toward) sends nothing and records nothing.
//
// randomiseCommand(percent): Randomise percent % (5, 10, 25, 50); 0: Randomise All.
// blendCommand(percent): Blend toward Compare percent % (25, 50, 75), toward CompareReference.
// lockParametersCommand(): Lock Parameters on or off (check mark 2530); the panel is drawn
//   again (the lock marks show while it is on); turning it off keeps the locks in KtProg.ini.
// unlockAllCommand(): no parameter locked; the options file written.
// differenceLines(): the lines Show Differences shows: "Compared with: NAME" ("(start-up)"
//   for a reference without a name), then "NNN  TITLE CAPTION  A -> B" for every parameter
//   whose panel value A differs from the reference's B, in parameter order (NNN 1-based in
//   three digits; the title and caption as the pot shows them, "|" read as a blank, runs of
//   blanks as one, trimmed; a pot with neither gives "NNN  A -> B"), or " No differences.".
// showDifferencesCommand(): the text view "Differences" with differenceLines().
// Owns no globals.
#pragma once

#include <string>
#include <vector>

constexpr int CommandRandomise5 = 2501;
constexpr int CommandRandomise10 = 2502;
constexpr int CommandRandomise25 = 2503;
constexpr int CommandRandomise50 = 2504;
constexpr int CommandRandomiseAll = 2505;
constexpr int CommandBlend25 = 2510;
constexpr int CommandBlend50 = 2511;
constexpr int CommandBlend75 = 2512;
constexpr int CommandLockParameters = 2530;
constexpr int CommandUnlockAll = 2531;
constexpr int CommandShowDifferences = 2540;

void randomiseCommand(int percent);
void blendCommand(int percent);
void lockParametersCommand();
void unlockAllCommand();
std::vector<std::string> differenceLines();
void showDifferencesCommand();
