// Binary encoding of variants, used for the content of typed value files. Internal.
//
// Each value is a type tag (the VarType number) followed by its payload, little-endian:
// Boolean one byte (0 or 1), 16-bit and 32-bit integers two and four bytes, double and date
// eight bytes (IEEE 754 bits), text and byte array a 32-bit length and the bytes, array a
// 32-bit lower bound, a 32-bit count and the elements. Empty and missing have no payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tlx/variant.h"

namespace tlx::detail {

// Appends `v`; throws tlx::Error for object references.
void EncodeValue(std::string& out, const Variant& v);

// Reads one value at `pos` and moves `pos` behind it. Every length and count is checked
// against the bytes left before anything is allocated; a malformed value throws tlx::Error.
Variant DecodeValue(const std::string& in, std::size_t& pos);

}  // namespace tlx::detail
