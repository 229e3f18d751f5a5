// Text helpers shared by the whole toolkit. Texts are UTF-8; case folding covers ASCII and the
// Latin-1 letters (umlauts included), which is what the system's texts use.
#pragma once

#include <string>
#include <string_view>

namespace tlx {

// Without leading and trailing blanks (spaces, tabs, line breaks).
std::string Trim(std::string_view s);
// Upper-cased; "ä" becomes "Ä". "ß" stays as it is.
std::string UCase(std::string_view s);
// Lower-cased; "Ä" becomes "ä".
std::string LCase(std::string_view s);
// Equal without regard to case.
bool EqualsNoCase(std::string_view a, std::string_view b);
// A form that compares equal exactly when two texts are equal without regard to case.
std::string FoldCase(std::string_view s);
// Every occurrence of `what` replaced by `with`, compared exactly; an empty `what` changes
// nothing.
std::string Replace(std::string_view s, std::string_view what, std::string_view with);
// Number of characters (code points) of a UTF-8 text; a byte that starts no valid sequence
// counts as one character.
std::size_t CharCount(std::string_view s);
// The text on one line, for messages: line breaks (Unicode's too), tabs and other control
// characters (Unicode's second set too) are written as escapes ("\n", "\t", "\x1b", "\u009b",
// "\u2028"); everything else stays as it is.
std::string OneLine(std::string_view s);

}  // namespace tlx
