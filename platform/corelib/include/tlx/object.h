// Base of every object that a Variant can refer to. Objects are shared through counted
// references (std::shared_ptr) and belong to the thread that made them.
#pragma once

#include <memory>
#include <span>
#include <string_view>

namespace tlx {

class Object {
  public:
    Object() = default;
    Object(const Object&) = default;
    Object& operator=(const Object&) = default;
    virtual ~Object();

    // The interface identifiers that the object answers to: its current one and those of the
    // earlier published versions of its class, so that programs and drivers built against an
    // earlier version keep working. Empty for objects that are not published.
    virtual std::span<const std::string_view> INTERFACEIDS() const { return {}; }
    // Whether the object answers to `interfaceId` (compared without regard to case).
    bool Implements(std::string_view interfaceId) const;
};

using ObjectRef = std::shared_ptr<Object>;

}  // namespace tlx
