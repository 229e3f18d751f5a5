// What the fuzz targets share: a state folder of their own (VODEX_HOME), and the input as a
// file for the readers that take a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vodex::fuzz {

// Points VODEX_HOME at a new folder of this process in the temporary folder ($TMPDIR, which
// scripts/fuzz.sh makes and removes), so that no reader touches the user's state.
void UseOwnHome();
// Writes `bytes` to the file `name` in that folder, replacing what it held; its path.
std::string AsFile(const std::string& bytes, const std::string& name = "input");
// The fuzz input as text.
inline std::string Bytes(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

}  // namespace vodex::fuzz
