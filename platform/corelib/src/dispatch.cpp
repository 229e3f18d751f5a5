#include "tlx/dispatch.h"

#include <string>

#include "tlx/error.h"

namespace tlx {
namespace {

[[noreturn]] void NoMember(std::string_view kind, std::string_view name) {
    throw Error("the object has no " + std::string(kind) + " '" + std::string(name) + "'");
}

Dispatch& Late(const ObjectRef& object) {
    auto* d = dynamic_cast<Dispatch*>(object.get());
    if (!d) throw Error(object ? "the object offers no late binding" : "there is no object");
    return *d;
}

}  // namespace

Dispatch::~Dispatch() = default;

Variant Dispatch::GetProperty(std::string_view name) {
    NoMember("property", name);
}

void Dispatch::SetProperty(std::string_view name, const Variant&) {
    NoMember("writable property", name);
}

Variant Dispatch::Invoke(std::string_view name, std::vector<Variant>&) {
    NoMember("method", name);
}

Variant GetPropertyByName(const ObjectRef& object, std::string_view name) {
    return Late(object).GetProperty(name);
}

void SetPropertyByName(const ObjectRef& object, std::string_view name, const Variant& value) {
    Late(object).SetProperty(name, value);
}

Variant InvokeByName(const ObjectRef& object, std::string_view name, std::vector<Variant>& args) {
    return Late(object).Invoke(name, args);
}

}  // namespace tlx
