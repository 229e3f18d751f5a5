// File-system services of the core library.
#pragma once

#include <cstdint>
#include <string>

#include "tlx/object.h"
#include "tlx/variant.h"

namespace tlx {

class cls_CoreFileSystem : public Object {
  public:
    // Whether `pPath` names an existing file (not a folder); a pipe or a device counts, since
    // something is there (what reads it checks what it is).
    bool FILEEXISTS(const std::string& pPath) const;
    // The modification time of a file, in seconds since 1970 with fractions; throws tlx::Error
    // when there is no such regular file.
    double FILETIME(const std::string& pPath) const;
    // The same as a date, and the size in bytes.
    Date FILEDATE(const std::string& pPath) const;
    std::int64_t FILESIZE(const std::string& pPath) const;
    // Name parts of "/a/b/name.ext": the folder "/a/b/", the name "name.ext", the name without
    // its extension "name", and the path without its extension "/a/b/name".
    static std::string FOLDER(const std::string& pPath);
    static std::string FILENAME(const std::string& pPath);
    static std::string BASENAME(const std::string& pPath);
    static std::string WITHOUTEXTENSION(const std::string& pPath);
    // The folder of the toolkit's programs (ending in "/"): "bin" beside the folder of the core
    // library's own file.
    static std::string SYSTEMFOLDER();
};

}  // namespace tlx
