// The user's default language, as the platform reports it.
#pragma once

#include <cstdint>

namespace tlx {

// A language identifier whose low 10 bits are the primary language (7 German, 9 English,
// 12 French, ...). Taken from the first non-empty of LC_ALL, LC_MESSAGES and LANG, whose
// language part ("de" of "de_AT.UTF-8") decides; "C", "POSIX" and nothing count as English,
// an unknown language as 0.
std::int32_t UserDefaultLangID();

}  // namespace tlx
