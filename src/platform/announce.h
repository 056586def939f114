// announce.h - program-level happenings that the simulation writes into its transcript
// (and that a backend could pass to a screen reader or a debug log). Desktop backends may
// ignore them; they never change what a program does.
//
// MessageShown   texts = {main, detail}            a message window waits for a key or click
// ChoiceAsked    texts = {question, c1, c2}        a question waits for the key 1 or 2
// ChoiceAnswered texts = {question, c1, c2}, n     the question was answered with n
// WindowText     texts = {line}                    a line was written into the updater's window
// LoopStarted    texts = {}                        start-up is over: the program's command loop
//                                                  takes its first event
// LibraryListed  texts = {filter, path1, marks1,   the library window's list changed: `number`
//                 path2, marks2, ...}              rows match `filter`; the first (at most 50)
//                                                  rows' paths and marks ("* H @01 <" or "-")
// MorphMoved     texts = {}, number = m            Morph went on (m = 0) or moved to position m
// LiveTextShown  texts = {title, last line},       a desktop window of the live text view took
//                number = lines it holds           the lines added since its last update
// StatusChanged  texts = {left, middle}            the left or middle part of the editor's
//                                                  status line changed
//
// announceToStandardError(what, texts, number): what the desktop backends' announce does, for
//   integration tests and debugging: with KT_ANNOUNCE=1 in the environment, one line
//   "announce: ..." on stderr in the words of the simulation's transcript (message, ask,
//   choice, text, loop, library, morph, live, status; strings quoted with \" and \\); otherwise nothing.
#pragma once

#include <string>
#include <vector>

enum class Announcement { MessageShown, ChoiceAsked, ChoiceAnswered, WindowText, LoopStarted, LibraryListed,
                          MorphMoved, LiveTextShown, StatusChanged };

void announce(Announcement what, const std::vector<std::string>& texts, int number = 0);
void announceToStandardError(Announcement what, const std::vector<std::string>& texts, int number);
