// Running programs of the toolkit and waiting for them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tlx {

// The words of a command line: separated by blanks; a double-quoted part stays one word,
// without its quotes.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Runs the program of `commandLine` (its first word: a path, or a name looked up in PATH) with the
// other words as arguments and waits for it to end, letting pending window events run while it
// waits. Its exit code; -1 when it could not be started or did not end normally. Never throws.
int RunAndWait(const std::string& commandLine);
// The same with the words given one by one (the program first), so that no word is split or
// loses characters, whatever it holds.
int RunAndWait(const std::vector<std::string>& words);
// The same, keeping what the program writes to its standard error in `errors` (at most 64 KiB)
// instead of letting it through.
int RunAndWait(const std::vector<std::string>& words, std::string* errors);
// The same, keeping what the program writes to its standard output in `output` (at most
// 64 KiB); what it writes to its standard error is dropped.
int RunAndRead(const std::vector<std::string>& words, std::string* output);
// Runs the program and keeps what it writes to its descriptor `stream` (standard output or
// standard error) in `kept`, when that is not nothing.
int RunKeeping(const std::vector<std::string>& words, std::string* kept, int stream);

// What the program `name` said of its failure in `errors` (what it wrote to its standard error):
// its first line that is no line of a log ("<program>: <level>: ..."), trimmed, without a
// leading "<name>: "; "" when it said nothing else.
std::string FailureSaid(std::string_view errors, std::string_view name);
// Writes the log lines in `errors` (a program's standard error: its log, and the logs of the
// programs it ran and passed on) to this program's standard error, so that a log reaches the
// user through the programs between.
void PassOnLog(std::string_view errors);

// Starts the program of `words` (the program first, a path or a name looked up in PATH) in a
// session of its own and returns without waiting, so the caller may end before it; the
// program is reaped when it ends. False when it could not be started.
bool StartDetached(const std::vector<std::string>& words);

// Opens an internet or mail address ("http://", "https://" or "mailto:") in the user's
// browser or mail program. Anything else (a local file, a program) is refused with False, so
// an address from a driver never starts what it names.
bool OpenAddress(const std::string& address);

}  // namespace tlx
