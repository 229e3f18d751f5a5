// Why a record's file could not be read or written. LOAD and SAVE of the channel list, the
// port list and the communication settings report by their result alone; the reason stays
// here for the program that wants to tell the user.
#pragma once

#include <string>

namespace vodex {

// The reason of the last LOAD or SAVE of a record list or of communication settings on this
// thread that failed, naming the file ("" after one that worked).
std::string LastFileError();

}  // namespace vodex
