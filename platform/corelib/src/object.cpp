#include "tlx/object.h"

namespace tlx {

Object::~Object() = default;

}  // namespace tlx
