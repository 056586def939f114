// store.h - the panel's program into one of the unit's locations: the one write path of the
// editor (the write request, the reply wait, the record of the unit's memory), and Store to
// Location.
//
// programWriteRequest(location): the write request for ProgramValues[0 .. ProgramValueCount-1].
// unitHoldsProgram(location): the unit memory says the location holds that request already.
// sendProgramToLocation(location): sends the request, waits for the reply (2000 ms) and
//   checks it; true when the unit acknowledged (the record then has the location's line with
//   the program's name), false after " KT not present, or communication error!".
// storeToLocation(location): the panel's whole program (every parameter, whatever the last
//   file read held) goes out as the write request for the location, with the reply wait and its message (sendProgramToLocation); acknowledged, the
//   record has the location's line (the program's name), the stored program becomes the
//   compare reference and the location is the one last stored to (true). Not a change.
// readLocationAnswer(answer, location): a whole number 1..99, blanks around it and leading
//   zeros allowed; false for anything else.
// storeToLocationCommand(): "&Store to Location..." (2405): asks for the location
//   ("Store to Location", "Location (1..99):"), proposing the one the program's name gives,
//   else the one last stored to, else 1; an answer readLocationAnswer refuses is said
//   (" Location must be 1 to 99!") and nothing is sent; else storeToLocation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

extern int LastStoredLocation;  // the location Store to Location last wrote (0: none yet)

void resetStoreState();
std::vector<uint8_t> programWriteRequest(int location);
bool unitHoldsProgram(int location);
bool sendProgramToLocation(int location);
bool storeToLocation(int location);
bool readLocationAnswer(const std::string& answer, int& location);
void storeToLocationCommand();
