// What the fuzz targets share: a state folder of their own (VODEX_HOME), made before the first
// input in a new folder of the temporary folder ($TMPDIR, which scripts/fuzz.sh makes and
// removes), so that no reader touches the user's state; and the input as a file for the
// readers that take one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vodex::fuzz {

// Writes `bytes` to the file `name` in that folder, replacing what it held; its path.
std::string AsFile(const std::string& bytes, const std::string& name = "input");
// The input as the bytes of a typed value file: as it is (header, checksum and all), or, after
// a first byte 'F', the rest as the content of a file whose frame and checksum are right, so
// that the value decoder meets every byte.
std::string TypedFile(std::string bytes);
// The fuzz input as text.
inline std::string Bytes(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

}  // namespace vodex::fuzz
