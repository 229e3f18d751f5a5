// The output formats of `vodex measure`, each a writer of its own: a table for people, CSV for
// spreadsheets, JSON (one object per cycle) for programs. A writer writes the head once, then a
// line per cycle, to standard output.
#pragma once

#include <memory>
#include <string>

#include "vodex/tools/measuring_session.h"

namespace vodex::cli {

class ReadingWriter {
  public:
    virtual ~ReadingWriter() = default;
    // What comes before the first cycle (nothing for JSON).
    virtual void Head(const MeasuringSession& session) = 0;
    // The line of cycle number `cycle`, `seconds` after the first began.
    virtual void Line(const MeasuringSession& session, long cycle, double seconds) = 0;
};

// The writer of `format` (table, csv or json); nothing for another name.
std::unique_ptr<ReadingWriter> MakeReadingWriter(const std::string& format);

}  // namespace vodex::cli
