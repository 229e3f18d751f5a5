#include "tlx/ui.h"

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>

namespace tlx {
namespace {
thread_local std::shared_ptr<UiProvider> tUi;

// The library of the windows lies beside the core library. It is loaded, and stays loaded,
// the first time the program's main thread needs a dialog without having chosen a provider;
// its attach function installs its provider when the program runs on a display, and answers
// False (leaving the non-interactive one) otherwise.
void AttachWindows() {
    if (::gettid() != ::getpid()) return;  // windows belong to the main thread
    Dl_info self{};
    if (!::dladdr(reinterpret_cast<void*>(&AttachWindows), &self) || !self.dli_fname) return;
    const auto file = std::filesystem::absolute(self.dli_fname).parent_path() / TLX_WINDOW_LIBRARY;
    void* library = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) return;
    auto* attach = reinterpret_cast<bool (*)()>(::dlsym(library, "tlx_AttachWindows"));
    if (!attach || !attach()) ::dlclose(library);
}

UiProvider& Current() {
    if (!tUi) {
        tUi = std::make_shared<NonInteractiveUiProvider>();
        AttachWindows();
    }
    return *tUi;
}
}  // namespace

UiProvider::~UiProvider() = default;

bool NonInteractiveUiProvider::ShowModal(DialogRequest&) {
    return false;
}

bool ShowModalDialog(DialogRequest& request) {
    return Current().ShowModal(request);
}

bool WindowsShown() {
    return Current().ShowsWindows();
}

std::shared_ptr<UiProvider> SetUiProvider(std::shared_ptr<UiProvider> provider) {
    // A program that chooses its provider has chosen instead of the windows: they are not
    // attached here, so a command line on a desktop starts no window system and opens no
    // message box.
    std::shared_ptr<UiProvider> old =
        tUi ? std::move(tUi) : std::make_shared<NonInteractiveUiProvider>();
    tUi = provider ? std::move(provider) : std::make_shared<NonInteractiveUiProvider>();
    return old;
}

}  // namespace tlx
