// Base of every object that a Variant can refer to. Objects are shared through counted
// references (std::shared_ptr) and belong to the thread that made them.
#pragma once

#include <memory>

namespace tlx {

class Object {
  public:
    Object() = default;
    Object(const Object&) = default;
    Object& operator=(const Object&) = default;
    virtual ~Object();
};

using ObjectRef = std::shared_ptr<Object>;

}  // namespace tlx
