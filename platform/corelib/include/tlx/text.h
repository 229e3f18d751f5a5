// Text helpers shared by the whole toolkit. Texts are UTF-8; case folding covers ASCII and the
// Latin-1 letters (umlauts included), which is what the system's texts use.
#pragma once

#include <string>
#include <string_view>

namespace tlx {

// Without leading and trailing blanks (spaces, tabs, line breaks).
std::string Trim(std::string_view s);
// The same, as a view into `s`.
std::string_view Trimmed(std::string_view s);
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

// One line of a text of KEY=value lines (a package manifest, an update description, a
// catalogue).
struct KeyValueLine {
    std::size_t number = 0;   // from 1
    std::string_view line;    // the whole line, without its line end
    std::string_view key;     // what stands before the first "=", as it stands
    std::string_view value;   // what follows it, as it stands
    bool assignment = false;  // whether the line has a "=" (else key and value are empty)
};
// Calls `each` with every line of `text` in turn, until it answers false: lines end at a line
// feed, carriage returns before it are dropped, the last line needs no line end. What the
// keys mean, their case and blanks, and the size the text may have, are the caller's.
template <class Each>
void EachKeyValueLine(std::string_view text, Each&& each) {
    for (std::size_t number = 1; !text.empty(); ++number) {
        const std::size_t end = text.find('\n');
        KeyValueLine l;
        l.number = number;
        l.line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        while (!l.line.empty() && l.line.back() == '\r')
            l.line.remove_suffix(1);
        if (const std::size_t eq = l.line.find('='); eq != std::string_view::npos) {
            l.key = l.line.substr(0, eq);
            l.value = l.line.substr(eq + 1);
            l.assignment = true;
        }
        if (!each(static_cast<const KeyValueLine&>(l))) return;
    }
}

}  // namespace tlx
