// Builds typed value files by hand, with a correct checksum around any content, so that tests
// can hand the readers content that no writer of the toolkit would produce.
#pragma once

#include <string>
#include <vector>

#include "tlx/variant.h"

namespace vodex::test {

// The encoded values, as a file body.
std::string EncodeBody(const std::vector<tlx::Variant>& values);
// A complete, unprotected file of the first format around `body`, whatever the body holds.
std::string FrameBody(const std::string& body);
// The same in the second format, which names the record type and ends with a BLAKE2b hash.
std::string FrameBodyWithType(const std::string& body, const std::string& type);
// Writes `bytes` to `path`.
void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);

}  // namespace vodex::test
