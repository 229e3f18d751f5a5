#include "tlx/component.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "component_internal.h"
#include "tlx/error.h"
#include "tlx/log.h"
#include "tlx/text.h"
#include "tlx/tools.h"

namespace tlx {
namespace {

std::string ValuePath(const std::string& progId) {
    return std::string(kComponentsKey) + "\\" + progId;
}

thread_local std::string tComponentError;

constexpr std::size_t kMostClasses = 256;
constexpr std::size_t kLongestName = 256;

// The loaded segments of one object, to tell whether a pointer of its entry table leads into
// its own image (readable data, or code).
class Image {
  public:
    explicit Image(void* handle) {
        link_map* map = nullptr;
        if (::dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map) return;
        base_ = map->l_addr;
        ::dl_iterate_phdr(&Image::Collect, this);
    }

    // Whether `size` bytes from `p` lie in one segment with the protection `flags`.
    bool Holds(const void* p, std::size_t size, unsigned flags) const {
        return Find(p, flags) && size <= Room(p, flags);
    }
    // Whether `text` is a text of at most kLongestName bytes, ending inside its segment.
    bool HoldsText(const char* text) const {
        if (!Find(text, PF_R)) return false;
        const std::size_t room = std::min(Room(text, PF_R), kLongestName + 1);
        return std::memchr(text, '\0', room) != nullptr;
    }

  private:
    struct Segment {
        std::uintptr_t start;
        std::uintptr_t end;
        unsigned flags;
    };

    static int Collect(dl_phdr_info* info, std::size_t, void* data) {
        auto* self = static_cast<Image*>(data);
        if (info->dlpi_addr != self->base_ || self->found_) return 0;
        self->found_ = true;
        for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
            const ElfW(Phdr)& p = info->dlpi_phdr[i];
            if (p.p_type != PT_LOAD) continue;
            const std::uintptr_t start = info->dlpi_addr + p.p_vaddr;
            self->segments_.push_back({start, start + p.p_memsz, p.p_flags});
        }
        return 1;
    }

    const Segment* Find(const void* p, unsigned flags) const {
        const auto at = reinterpret_cast<std::uintptr_t>(p);
        for (const Segment& s : segments_) {
            if (at >= s.start && at < s.end && (s.flags & flags) == flags) return &s;
        }
        return nullptr;
    }
    std::size_t Room(const void* p, unsigned flags) const {
        const Segment* s = Find(p, flags);
        return s ? s->end - reinterpret_cast<std::uintptr_t>(p) : 0;
    }

    ElfW(Addr) base_ = 0;
    bool found_ = false;
    std::vector<Segment> segments_;
};

// Checks every pointer of a component's entry table before anything uses it.
void CheckEntryTable(const tlx_component_table& entry, void* handle, const std::string& file) {
    auto malformed = [&file](const std::string& why) {
        throw Error("the component '" + file + "' has a malformed entry table: " + why);
    };
    // The table's size, from the symbol: a table of another layout is never read past its end.
    Dl_info info{};
    void* found = nullptr;
    if (!::dladdr1(&entry, &info, &found, RTLD_DL_SYMENT) || !found) {
        malformed("it cannot be examined");
    }
    const auto* symbol = static_cast<const ElfW(Sym)*>(found);
    if (symbol->st_size != sizeof(tlx_component_table)) {
        malformed(
            "it has " + std::to_string(symbol->st_size) + " bytes where this toolkit expects " +
            std::to_string(sizeof(tlx_component_table)) + " (was it built for another toolkit?)");
    }
    const Image image(handle);
    if (!image.Holds(&entry, sizeof entry, PF_R)) malformed("it lies outside the component");
    if (entry.abi != TLX_COMPONENT_ABI) {
        throw Error("the component '" + file +
                    "' was built for another toolkit (entry table "
                    "layout " +
                    std::to_string(entry.abi) + ", this toolkit reads " +
                    std::to_string(TLX_COMPONENT_ABI) + ")");
    }
    if (!entry.name || !image.HoldsText(entry.name) || entry.name[0] == '\0') {
        malformed("its component name is missing or not a text of the component");
    }
    if (!entry.classes) malformed("its list of classes is missing");
    std::size_t count = 0;
    for (;; ++count) {
        if (count > kMostClasses || !image.Holds(entry.classes + count, sizeof(char*), PF_R)) {
            malformed("its list of classes does not end within the component");
        }
        const char* name = entry.classes[count];
        if (!name) break;
        if (!image.HoldsText(name) || name[0] == '\0') {
            malformed("class " + std::to_string(count + 1) + " is not a text of the component");
        }
    }
    if (count == 0) malformed("it offers no classes");
    auto code = [&](const void* function, const char* what) {
        if (!function) malformed(std::string("its ") + what + " function is missing");
        if (!image.Holds(function, 1, PF_X)) {
            malformed(std::string("its ") + what + " function lies outside the component's code");
        }
    };
    code(reinterpret_cast<const void*>(entry.register_component), "register");
    code(reinterpret_cast<const void*>(entry.unregister_component), "unregister");
    code(reinterpret_cast<const void*>(entry.create_object), "create");
    if (const tlx_component_version* v = entry.version) {
        if (!image.Holds(v, sizeof *v, PF_R) || (v->date && !image.HoldsText(v->date)) ||
            (v->comment && !image.HoldsText(v->comment))) {
            malformed("its version record is not one of the component");
        }
    }
}

// Calls one of a component's functions; "" when it succeeded, else why it failed: what it
// reported, or the exception it let out.
template <class F>
std::string Guarded(F&& call) noexcept {
    try {
        TakeComponentError();
        const int rc = call();
        if (rc == 0) return {};
        std::string why = TakeComponentError();
        return why.empty() ? "it failed (code " + std::to_string(rc) + ")" : why;
    } catch (const std::exception& e) {
        return std::string("it let an error out: ") + e.what();
    } catch (...) {
        return "it let an error of an unknown kind out";
    }
}

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
    // The loader keeps a file loaded once per process, however often it is asked; what this
    // thread checked once stays checked.
    thread_local std::map<std::string, const tlx_component_table*> loaded;
    if (auto known = loaded.find(file); known != loaded.end()) return *known->second;
    detail::CheckComponentFile(file);
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        throw Error("the component '" + file + "' cannot be loaded: " + (why ? why : "unknown"));
    }
    // A file that is refused does not stay loaded.
    try {
        auto* entry =
            static_cast<const tlx_component_table*>(::dlsym(handle, kComponentEntrySymbol));
        if (!entry) throw Error("'" + file + "' is no component (it has no entry table)");
        CheckEntryTable(*entry, handle, file);
        loaded.emplace(file, entry);
        Log(LogLevel::Info, "component '" + file + "' loaded");
        return *entry;
    } catch (...) {
        ::dlclose(handle);
        throw;
    }
}

void CheckComponentBuild(const tlx_component_table& entry, const std::string& file) {
    if (entry.version && entry.version->lowest_build > ToolkitBuild()) {
        throw Error("the component '" + file + "' needs toolkit build " +
                    std::to_string(entry.version->lowest_build) + " or newer (this is build " +
                    std::to_string(ToolkitBuild()) + ")");
    }
}

void RegisterComponent(const std::string& file) {
    const tlx_component_table& entry = LoadComponent(file);
    CheckComponentBuild(entry, file);
    const std::string why = Guarded([&] { return entry.register_component(file.c_str()); });
    if (!why.empty()) throw Error("the component '" + file + "' could not be registered: " + why);
}

void UnregisterComponent(const std::string& file) {
    const tlx_component_table& entry = LoadComponent(file);
    const std::string why = Guarded([&] { return entry.unregister_component(); });
    if (!why.empty()) {
        throw Error("the component '" + file + "' could not be unregistered: " + why);
    }
}

ObjectRef CreateObject(const std::string& pProgId) {
    const std::string progId = Trim(pProgId);
    const std::string file = RegisteredFile(progId);
    if (file.empty()) throw Error("no component is registered for '" + progId + "'");
    const tlx_component_table& entry = LoadComponent(file);
    CheckComponentBuild(entry, file);
    const auto point = progId.find('.');
    const std::string className = point == std::string::npos ? "" : progId.substr(point + 1);
    ObjectRef object;
    std::string why = Guarded([&] { return entry.create_object(className.c_str(), &object); });
    if (why.empty() && !object) why = "it gave nothing";
    if (!why.empty()) {
        throw Error("the component '" + file + "' cannot create '" + progId + "': " + why);
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
