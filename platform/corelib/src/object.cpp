#include "tlx/object.h"

#include "tlx/text.h"

namespace tlx {

Object::~Object() = default;

bool Object::Implements(std::string_view interfaceId) const {
    for (std::string_view id : INTERFACEIDS()) {
        if (EqualsNoCase(id, interfaceId)) return true;
    }
    return false;
}

}  // namespace tlx
