// The toolkit's log: one levelled facility for what the programs, the library and the drivers
// do, written to standard error. What is written is chosen by the environment variable
// VODEX_LOG (error, warning, info or debug; error when it is not set), read once per process
// at the first message, so that the programs a program starts (the installer, the
// registration program) log at the same level. At debug the serial ports write every byte they
// send and receive: a teacher whose instrument misbehaves sends that log.
//
// Each message is one line, "<program>: <level>: <text>", written in one piece, so that lines
// of several threads or processes do not mix. Logging never throws.
#pragma once

#include <string>
#include <string_view>

namespace tlx {

enum class LogLevel { Error = 0, Warning = 1, Info = 2, Debug = 3 };

// The level written up to: VODEX_LOG's, or Error. A value that is no level is said once, as a
// warning, and Error holds.
LogLevel LogThreshold();
// Whether messages of `level` are written; the cost of a message not written is this call.
inline bool LogEnabled(LogLevel level) {
    return level <= LogThreshold();
}
// Writes `text` at `level` (on one line, its control characters escaped) when enabled.
void Log(LogLevel level, std::string_view text);

// Whether `line` is a line of a log, this program's or another's: "<program>: <level>: ...".
bool IsLogLine(std::string_view line);

// The level named `name` (error, warning, info, debug; any case), or false.
bool LogLevelNamed(std::string_view name, LogLevel& level);

// Bytes as the log shows them: printable ASCII as it is, a backslash doubled, every other byte
// as \xNN, in single quotes.
std::string LoggedBytes(std::string_view bytes);

}  // namespace tlx
