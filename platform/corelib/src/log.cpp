#include "tlx/log.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>

#include "tlx/text.h"

namespace tlx {
namespace {

constexpr std::array<std::string_view, 4> kNames = {"error", "warning", "info", "debug"};

void WriteLine(const std::string& line) {
    // One write for the whole line; standard error may be a pipe that several processes share.
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

std::string Program() {
    // The name the program was started by (glibc keeps it), without its folder.
    const char* name = program_invocation_short_name;
    return name && *name ? name : "vodex";
}

LogLevel ReadThreshold() {
    const char* value = std::getenv("VODEX_LOG");
    if (!value || !*value) return LogLevel::Error;
    LogLevel level = LogLevel::Error;
    if (!LogLevelNamed(value, level)) {
        WriteLine(Program() + ": warning: VODEX_LOG '" + OneLine(value) +
                  "' is no level (error, warning, info, debug); errors only\n");
    }
    return level;
}

}  // namespace

LogLevel LogThreshold() {
    static const LogLevel threshold = ReadThreshold();
    return threshold;
}

bool IsLogLine(std::string_view line) {
    const std::size_t colon = line.find(": ");
    if (colon == std::string_view::npos || colon == 0 ||
        line.substr(0, colon).find(' ') != std::string_view::npos) {
        return false;
    }
    const std::string_view rest = line.substr(colon + 2);
    for (const std::string_view name : kNames) {
        if (rest.starts_with(name) && rest.substr(name.size()).starts_with(": ")) return true;
    }
    return false;
}

bool LogLevelNamed(std::string_view name, LogLevel& level) {
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (EqualsNoCase(name, kNames[i])) {
            level = static_cast<LogLevel>(i);
            return true;
        }
    }
    return false;
}

void Log(LogLevel level, std::string_view text) {
    if (!LogEnabled(level)) return;
    try {
        WriteLine(Program() + ": " + std::string(kNames[static_cast<std::size_t>(level)]) + ": " +
                  OneLine(text) + "\n");
    } catch (...) {
        // A message that cannot be made (no memory) is lost, never the caller's work.
    }
}

std::string LoggedBytes(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string shown = "'";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '\\') {
            shown += "\\\\";
        } else if (b >= 0x20 && b < 0x7f && b != '\'') {
            shown += c;
        } else {
            shown += {'\\', 'x', kHex[b >> 4], kHex[b & 15]};
        }
    }
    return shown + "'";
}

}  // namespace tlx
