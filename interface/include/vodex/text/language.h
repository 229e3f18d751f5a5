// The interface language. The library's status texts and most dialog texts exist in German
// and English; the language in force is chosen once per thread, at the first request, from
// the user's stored choice or else from the system's language, and stays for the thread's
// life. Each thread keeps its own choice; nothing is shared or locked.
#pragma once

#include <initializer_list>
#include <string>

#include "tlx/variant.h"

namespace vodex {

// Makes sure the calling thread has chosen its language; later calls do nothing. Reads the
// per-user value "Language" (empty, "DE" or "EN"), tells the core library (7 or 9) and writes
// the recognised choice back. Registry failures reach the caller.
void hLanguageInit();

// `pGerman` when German is in force, else `pEnglish`, with every "{i}" replaced by the text of
// parameter i, for each index i of the array `pParameters` from its lower to its upper bound.
// An empty or missing `pParameters` replaces nothing.
std::string hLanguageText(const std::string& pGerman, const std::string& pEnglish,
                          const tlx::Variant& pParameters = {});
// The same with the parameters numbered from 0.
std::string hLanguageText(const std::string& pGerman, const std::string& pEnglish,
                          std::initializer_list<tlx::Variant> pParameters);

// Whether German is in force on the calling thread (chosen first when needed).
bool hLanguageIsGerman();

// The user's stored choice as stored: "DE", "EN", or "" when the system's language decides.
std::string hLanguageStored();
// Stores the user's choice: "DE", "EN", or "" to let the system's language decide again. It
// takes effect in the next thread or program; the calling thread keeps its language. Throws
// tlx::Error for any other text, and where the hive cannot be written.
void hLanguageStore(const std::string& pChoice);

}  // namespace vodex
