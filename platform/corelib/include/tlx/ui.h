// Showing the library's own windows. Code that needs a dialog describes it in a DialogRequest
// and asks the UI provider of its thread to show it modally; the answer is whether the user
// confirmed it. Without a window system the non-interactive provider answers "not confirmed"
// at once; programs with windows install theirs; tests install scripted ones. A program that
// chose none gets the library's windows on its main thread when it runs on a display and the
// window library is installed beside the core library, otherwise the non-interactive one.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "tlx/object.h"
#include "tlx/variant.h"

namespace tlx {

struct DialogRequest {
    // The dialog's form name, as "frm_DialogErrorConnect".
    std::string dialog;
    // The object the dialog is about (a device, say); may be nothing.
    ObjectRef subject;
    // Further inputs by name, as "DEVICE" -> the device's name.
    std::map<std::string, Variant> parameters;
    // What the dialog gives back by name, as "CLASS" -> the chosen driver; filled by the
    // provider.
    std::map<std::string, Variant> results;
};

class UiProvider {
  public:
    UiProvider() = default;
    UiProvider(const UiProvider&) = delete;
    UiProvider& operator=(const UiProvider&) = delete;
    virtual ~UiProvider();
    // Shows the dialog modally; True when the user confirmed it.
    virtual bool ShowModal(DialogRequest& request) = 0;
    // Whether dialogs appear as windows at all. Where they do not, code that can do a
    // dialog's work without asking anything (the detection, say) does it without the window.
    virtual bool ShowsWindows() const { return true; }
};

// Answers every dialog "not confirmed" without showing anything.
class NonInteractiveUiProvider : public UiProvider {
  public:
    bool ShowModal(DialogRequest& request) override;
    bool ShowsWindows() const override { return false; }
};

// Shows `request` through the calling thread's provider.
bool ShowModalDialog(DialogRequest& request);
// Whether the calling thread's provider shows windows.
bool WindowsShown();
// Installs `provider` for the calling thread (nothing: the non-interactive one, for good),
// without attaching the windows; returns the one that was installed.
std::shared_ptr<UiProvider> SetUiProvider(std::shared_ptr<UiProvider> provider);

}  // namespace tlx
