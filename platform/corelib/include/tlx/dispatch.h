// Late-bound access to an object's members by name, as components offer it to programs that
// do not know their classes (the driver registry reads a driver's DEVICE this way). Names
// compare without regard to case. A member that the object does not have throws tlx::Error.
#pragma once

#include <string_view>
#include <vector>

#include "tlx/object.h"
#include "tlx/variant.h"

namespace tlx {

class Dispatch {
  public:
    Dispatch() = default;
    Dispatch(const Dispatch&) = default;
    Dispatch& operator=(const Dispatch&) = default;
    virtual ~Dispatch();

    virtual Variant GetProperty(std::string_view name);
    virtual void SetProperty(std::string_view name, const Variant& value);
    // Calls a method; arguments passed by reference come back changed in `args`.
    virtual Variant Invoke(std::string_view name, std::vector<Variant>& args);
};

// Reads the property `name` of `object` late-bound; throws tlx::Error when the object offers
// no late binding or has no such property.
Variant GetPropertyByName(const ObjectRef& object, std::string_view name);
void SetPropertyByName(const ObjectRef& object, std::string_view name, const Variant& value);
Variant InvokeByName(const ObjectRef& object, std::string_view name, std::vector<Variant>& args);

}  // namespace tlx
