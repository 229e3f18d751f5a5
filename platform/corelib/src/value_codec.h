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
#include <string_view>

#include "tlx/error.h"
#include "tlx/variant.h"

namespace tlx::detail {

// Appends `v`; throws tlx::Error for object references.
void EncodeValue(std::string& out, const Variant& v);
// Append the same bytes as EncodeValue of a variant holding the value, without making one.
void EncodeBoolean(std::string& out, bool v);
void EncodeInteger(std::string& out, std::int16_t v);
void EncodeLong(std::string& out, std::int32_t v);
void EncodeDouble(std::string& out, double v);
void EncodeText(std::string& out, std::string_view v);

// The memory that reading a file may still take: each value read and each record built from
// it takes its share, and once the allowance is spent the file is refused, so that memory
// stays within a small multiple of the file's size whatever the file claims.
class Allowance {
  public:
    explicit Allowance(std::size_t bytes) : left_(bytes) {}
    // Takes `bytes`; throws tlx::Error when there are not that many left.
    void Take(std::size_t bytes) {
        if (bytes > left_) {
            left_ = 0;
            throw Error("it claims more than a file of its size can hold");
        }
        left_ -= bytes;
    }

  private:
    std::size_t left_;
};

// Reads one value at `pos` and moves `pos` behind it. Every length and count is checked
// against the bytes left before anything is allocated, and what the value takes in memory
// against `allowance`; a malformed value throws tlx::Error.
Variant DecodeValue(const std::string& in, std::size_t& pos, Allowance& allowance);
// When the value at `pos` has that very type, reads it into `v`, moves `pos` behind it and
// answers True; otherwise leaves everything as it is and answers False.
bool DecodeIf(const std::string& in, std::size_t& pos, Allowance& allowance, bool& v);
bool DecodeIf(const std::string& in, std::size_t& pos, Allowance& allowance, std::int32_t& v);
bool DecodeIf(const std::string& in, std::size_t& pos, Allowance& allowance, double& v);
bool DecodeIf(const std::string& in, std::size_t& pos, Allowance& allowance, std::string& v);

}  // namespace tlx::detail
