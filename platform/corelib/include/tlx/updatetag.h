// The update tag of the core library: what a program or driver says about its installed
// version for an update check (identifier, name, description, file date and size, comment,
// addresses of the package, the information page and the update description, version numbers
// and two further fields). Fields are set one after the other through the setters.
//
// A tag also reads what it describes: a driver's component file (its version record, read by
// the registration program, so nothing of the component runs in the reading program) or a
// driver's update description, a ".tlx-udt" file of "KEY=value" lines that WRITEDESCRIPTION
// writes:
//
//   TLXUPDATETAG=1
//   IDENTIFIER= NAME= DESCRIPTION= MANUFACTURER= COMMENT= DOWNLOADURL= INFOURL= UPDATEURL=
//   MAJOR= MINOR= REVISION= BUILD= VERSION= NEEDINTERFACE= KIND= ENABLED= DATE= SIZE=
//
// one key per line, texts with "\", line breaks and carriage returns written as "\\",
// "\n" and "\r", the date as "year-month-day hours:minutes:seconds".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tlx/object.h"
#include "tlx/variant.h"

namespace tlx {

class cls_CoreUpdateTag : public Object {
  public:
    std::string IDENTIFIER;
    std::string NAME;
    std::string DESCRIPTION;
    std::string REMARK;  // free text, empty when there is none
    std::optional<Date> FILEDATE;
    std::optional<std::int64_t> FILESIZE;
    std::string COMMENT;
    std::string DOWNLOADURL;
    std::string INFOURL;
    std::string UPDATEURL;
    std::int32_t MAJOR = 0;
    std::int32_t MINOR = 0;
    std::int32_t BUILD = 0;
    std::int32_t REVISION = 0;
    std::int32_t KIND = 0;           // the sort of package described
    bool ENABLED = false;            // whether updates of it are offered
    std::string VERSION;             // dotted: MAJOR.MINOR.REVISION of what was read
    std::int32_t NEEDINTERFACE = 0;  // the lowest toolkit build it needs; 0: none
    std::string MANUFACTURER;

    // Reads the version record of the component `pFile`: MAJOR, MINOR, REVISION, VERSION,
    // NEEDINTERFACE, COMMENT, FILEDATE (the record's date, else the file's) and FILESIZE.
    // False, with the tag unchanged, when the file is no component that can be read.
    bool READCOMPONENT(const std::string& pFile);
    // Reading a version record takes the registration program in a child process; what it
    // says is kept for each version of a file, so that only new or changed files are checked.
    // This checks those of `pFiles` at once, several at a time, before their records are read.
    static void VERIFYCOMPONENTS(const std::vector<std::string>& pFiles);
    // Reads an update description; False, with the tag unchanged, when the file cannot be
    // read or is no update description (larger than 64 KiB, another format, a bad line).
    bool READDESCRIPTION(const std::string& pFile);
    // Writes the tag as an update description; throws tlx::Error when it cannot.
    void WRITEDESCRIPTION(const std::string& pFile) const;

    // The toolkit update: reads the update description at `pAddress` (UPDATEURL when empty)
    // and, when it offers a newer build than this tag's, downloads its package (its
    // DOWNLOADURL, else this tag's) into a temporary ".msi" file and starts the installer on it
    // in a process of its own, so the calling program may end at once: True. False when there
    // is nothing newer or something failed; with `pMessages` the user is told which. `pQuiet`
    // starts the installer without its progress display. Never throws.
    bool UPDATE(bool pMessages, bool pQuiet, const std::string& pAddress);
};

}  // namespace tlx
