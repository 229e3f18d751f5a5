// Helpers shared by the records for their files. Internal to the library.
#pragma once

#include <string>

#include "tlx/data.h"
#include "tlx/file.h"
#include "tlx/text.h"

namespace vodex::detail {

// The next value read as a version text, upper-cased.
inline std::string ReadVersion(tlx::cls_CoreFile& file) {
    return tlx::UCase(file.READTEXT());
}

// Whether `version` lies from `low` to `high` in text order.
inline bool VersionWithin(const std::string& version, const char* low, const char* high) {
    return version >= low && version <= high;
}

// Reads a record from a file through its data object; False on any error (a file of another
// kind of record included), whose reason LastFileError then gives.
bool LoadRecord(tlx::DataRecord& record, const std::string& file, const std::string& password);
// Stores a record into a file through its data object, naming its kind in the file; False on
// any error, and the file that was there stays as it was.
bool SaveRecord(tlx::DataRecord& record, const std::string& file, const std::string& password);

// A record of class T that `other` must be; throws tlx::Error otherwise.
template <class T>
const T& SameClass(const tlx::Object& other) {
    const auto* o = dynamic_cast<const T*>(&other);
    if (!o) throw tlx::Error("a record can only be copied from a record of its own class");
    return *o;
}

}  // namespace vodex::detail
