// Packer of the core library: packs values into one text and unpacks them in order and type.
//
// A package is plain UTF-8 without NUL characters, so it can be kept in a registry text value
// or inside another package. Texts travel unchanged (length-prefixed, no escaping), so nesting
// packages costs a few characters per level. Objects that are records (tmp_Data) travel as
// their own package; unpacking them needs a spawner that makes the objects to fill.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "tlx/object.h"
#include "tlx/variant.h"

namespace tlx {

class cls_CorePacker : public Object {
  public:
    using Spawner = std::function<ObjectRef()>;

    // One text holding `values` in order. Throws tlx::Error for an object that is no record.
    std::string PACK(const std::vector<Variant>& values) const;

    // The values of `package`, in order and type. Packed records are made by `spawn` and
    // filled from their packages; a nothing stays nothing. Throws tlx::Error for a malformed
    // package.
    std::vector<Variant> UNPACK(const std::string& package, const Spawner& spawn = {}) const;
    // As above; throws tlx::Error unless the package holds exactly `expected` values.
    std::vector<Variant> UNPACK(const std::string& package, std::size_t expected,
                                const Spawner& spawn = {}) const;
};

}  // namespace tlx
