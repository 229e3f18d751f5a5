// The library's pictures, embedded from interface/resources/ when the library is built.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vodex::resources {

extern const std::uint8_t kLibraryPng[];
extern const std::size_t kLibraryPngSize;

}  // namespace vodex::resources
