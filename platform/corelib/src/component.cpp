#include "tlx/component.h"

#include <dlfcn.h>

#include <utility>

#include "tlx/error.h"
#include "tlx/text.h"
#include "tlx/tools.h"

namespace tlx {
namespace {

std::string ValuePath(const std::string& progId) {
    return std::string(kComponentsKey) + "\\" + progId;
}

thread_local std::string tComponentError;

}  // namespace

std::int32_t ToolkitBuild() {
    return 400 + VODEX_VERSION_REVISION;
}

void ReportComponentError(std::string message) {
    tComponentError = std::move(message);
}

std::string TakeComponentError() {
    return std::exchange(tComponentError, std::string());
}

std::string RegisteredFile(const std::string& pProgId) {
    return CoreTools().REGISTRY().READTEXT(HKEY_LOCAL_MACHINE, ValuePath(Trim(pProgId)), "");
}

const tlx_component_table& LoadComponent(const std::string& file) {
    // The loader keeps a file loaded once per process, however often it is asked.
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        throw Error("the component '" + file + "' cannot be loaded: " + (why ? why : "unknown"));
    }
    auto* entry = static_cast<const tlx_component_table*>(::dlsym(handle, kComponentEntrySymbol));
    if (!entry) throw Error("'" + file + "' is no component (it has no entry table)");
    if (entry->abi != TLX_COMPONENT_ABI || !entry->name || !entry->create_object) {
        throw Error("the component '" + file + "' was built for another toolkit");
    }
    return *entry;
}

ObjectRef CreateObject(const std::string& pProgId) {
    const std::string progId = Trim(pProgId);
    const std::string file = RegisteredFile(progId);
    if (file.empty()) throw Error("no component is registered for '" + progId + "'");
    const tlx_component_table& entry = LoadComponent(file);
    if (entry.version && entry.version->lowest_build > ToolkitBuild()) {
        throw Error("the component '" + file + "' needs toolkit build " +
                    std::to_string(entry.version->lowest_build) + " or newer");
    }
    const auto point = progId.find('.');
    const std::string className = point == std::string::npos ? "" : progId.substr(point + 1);
    ObjectRef object;
    TakeComponentError();
    if (entry.create_object(className.c_str(), &object) != 0 || !object) {
        const std::string why = TakeComponentError();
        throw Error("the component '" + file + "' cannot create '" + progId + "'" +
                    (why.empty() ? std::string() : ": " + why));
    }
    return object;
}

void RegisterComponentClasses(const tlx_component_table& entry, const std::string& file) {
    for (const char* const* c = entry.classes; c && *c; ++c) {
        CoreTools().REGISTRY().WRITE(HKEY_LOCAL_MACHINE,
                                     ValuePath(std::string(entry.name) + "." + *c), Variant(file));
    }
}

void UnregisterComponentClasses(const tlx_component_table& entry) {
    for (const char* const* c = entry.classes; c && *c; ++c) {
        CoreTools().REGISTRY().DELETEVALUE(HKEY_LOCAL_MACHINE,
                                           ValuePath(std::string(entry.name) + "." + *c));
    }
}

}  // namespace tlx
