#include "tlx/ui.h"

namespace tlx {
namespace {
thread_local std::shared_ptr<UiProvider> tUi;

UiProvider& Current() {
    if (!tUi) tUi = std::make_shared<NonInteractiveUiProvider>();
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
    Current();
    std::shared_ptr<UiProvider> old = std::move(tUi);
    tUi = std::move(provider);
    return old;
}

}  // namespace tlx
