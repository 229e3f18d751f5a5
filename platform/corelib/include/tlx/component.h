// Components: shared objects that offer classes to be created by programmatic identifier.
//
// A component exports one C symbol, `tlx_component_entry`, a table of: its name, its
// creatable classes, functions to register and unregister itself and to create an object of
// one of its classes, and its version record. Registering writes, for every class, the
// programmatic identifier "<component>.<class>" -> the component's file into the machine hive
// (under kComponentsKey). CreateObject looks an identifier up (without regard to case), loads
// the file (the system's loader keeps it loaded once per process), and asks it for the object.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "tlx/object.h"

extern "C" {

// The layout version of the entry table; a component of another layout is refused.
#define TLX_COMPONENT_ABI 1u

struct tlx_component_version {
    std::int32_t major;
    std::int32_t minor;
    std::int32_t revision;
    const char* date;  // as "5.12.2001"
    const char* comment;
    std::int32_t lowest_build;  // the lowest toolkit build the component works with
};

struct tlx_component_table {
    std::uint32_t abi;
    const char* name;            // the component name, as "Vodex_Randomizer"
    const char* const* classes;  // its creatable class names, ending with nothing
    // Register the component's classes for the component file `file`; 0 on success.
    int (*register_component)(const char* file);
    int (*unregister_component)(void);
    // Makes an object of the class `class_name` (compared without regard to case) into *out;
    // 0 on success. Never lets an exception out.
    int (*create_object)(const char* class_name, tlx::ObjectRef* out);
    const tlx_component_version* version;
};
}

namespace tlx {

// The machine-hive key of the registrations: a text value per programmatic identifier.
inline constexpr const char* kComponentsKey = "Software\\VQ Morvane\\Components";
// The name of the exported entry table.
inline constexpr const char* kComponentEntrySymbol = "tlx_component_entry";

// The toolkit build that components are checked against.
std::int32_t ToolkitBuild();

// Creates the object of the programmatic identifier `pProgId`. Throws tlx::Error, naming the
// identifier and file and why, when nothing is registered under it, the file cannot be
// loaded, is no component, needs a newer toolkit, or has no such class; an error the
// component lets out is caught and reported the same way.
ObjectRef CreateObject(const std::string& pProgId);

// The component file registered for `pProgId`; empty when there is none.
std::string RegisteredFile(const std::string& pProgId);

// Loads the component at `file` (an absolute path) and gives its entry table, after checking
// the file (not writable by others, a whole shared object of this machine) and every pointer
// of the table; throws tlx::Error naming the file and what is wrong.
const tlx_component_table& LoadComponent(const std::string& file);
// Refuses (tlx::Error) a component that needs a newer toolkit build than this one.
void CheckComponentBuild(const tlx_component_table& entry, const std::string& file);
// Loads the component at `file` and lets it register, or unregister, itself; throws tlx::Error
// naming the file and why it failed, an error that the component let out included. A component
// for a newer toolkit is not registered.
void RegisterComponent(const std::string& file);
void UnregisterComponent(const std::string& file);

// What a component's register and unregister functions do: write or remove the identifiers
// of its classes. They throw tlx::Error on registry failures.
void RegisterComponentClasses(const tlx_component_table& entry, const std::string& file);
void UnregisterComponentClasses(const tlx_component_table& entry);

// Why the last entry function of a component failed, on the calling thread: a component's
// functions report their reason here before they return a failure, and CreateObject and the
// registration program take it into their messages.
void ReportComponentError(std::string message);
std::string TakeComponentError();

// Runs `body` for a component's entry function: 0 when it succeeds, else 1 with the reason
// reported.
template <class F>
int ComponentCall(F&& body) noexcept {
    try {
        body();
        return 0;
    } catch (const std::exception& e) {
        ReportComponentError(e.what());
    } catch (...) {
        ReportComponentError("an unknown error");
    }
    return 1;
}

// The register and unregister functions of a component's entry table `Entry`, ready to be put
// into it: they register or remove its classes.
template <const tlx_component_table& Entry>
int RegisterEntry(const char* file) noexcept {
    return ComponentCall([file] { RegisterComponentClasses(Entry, file); });
}

template <const tlx_component_table& Entry>
int UnregisterEntry() noexcept {
    return ComponentCall([] { UnregisterComponentClasses(Entry); });
}

}  // namespace tlx
