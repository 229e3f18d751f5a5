// Components whose entry tables are malformed in one way each, chosen by VODEX_MALFORMED when
// the component is built: the toolkit must refuse every one with a message, never crash.
#include <stdexcept>

#include "tlx/component.h"

namespace {

#define VODEX_TEXT(x) #x
#define VODEX_NAME(fault) "Vodex_Bad" VODEX_TEXT(fault)
// Each named as the tests name its file, so that the toolkit gets as far as the fault.
[[maybe_unused]] constexpr const char* kName = VODEX_NAME(VODEX_MALFORMED);
constexpr const char* kClasses[] = {"cls_Malformed", nullptr};
constexpr tlx_component_version kVersion = {1, 0, 0, "1.1.2026", "malformed", 400};

[[maybe_unused]] int Register(const char*) {
#if VODEX_MALFORMED == 3
    throw std::runtime_error("the register function broke down");
#else
    return 0;
#endif
}

[[maybe_unused]] int Unregister() {
    return 0;
}

[[maybe_unused]] int Create(const char*, tlx::ObjectRef*) {
    throw std::runtime_error("the create function broke down");
}

}  // namespace

extern "C" {
#if VODEX_MALFORMED == 4
// An older, shorter layout: just the first three entries.
struct ShortTable {
    std::uint32_t abi;
    const char* name;
    const char* const* classes;
};
__attribute__((visibility("default"))) extern const ShortTable tlx_component_entry;
const ShortTable tlx_component_entry = {TLX_COMPONENT_ABI, kName, kClasses};
#else
__attribute__((visibility("default"))) extern const tlx_component_table tlx_component_entry;
const tlx_component_table tlx_component_entry = {
    TLX_COMPONENT_ABI,
#if VODEX_MALFORMED == 5
    reinterpret_cast<const char*>(16),  // a pointer into nowhere
#else
    kName,
#endif
    kClasses,
#if VODEX_MALFORMED == 1
    nullptr,
#else
    &Register,
#endif
    &Unregister,
#if VODEX_MALFORMED == 2
    nullptr,
#else
    &Create,
#endif
    &kVersion,
};
#endif
}
