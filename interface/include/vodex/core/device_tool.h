// The driver registry: which drivers are installed (the machine hive's
// "Software\VQ Morvane\VQ ReziraDovarir\Devices": a value per driver class name naming its
// component file, "<class>.msi" its installer package, "<class>.Disabled" True while it is
// disabled), creating a driver and handing out its device, describing a driver without
// starting it (its ".devinfo" file beside the component), disabling and enabling drivers,
// repairing a driver's registration, and the library's dialogs and menus of drivers.
//
// The index of installed drivers is read when the object is made and again by REBUILDINDEX or
// CHECK; EXISTS..., FILENAME, MSI, CREATE and INFO always read the registry afresh. There is
// one shared registry per thread (DeviceTool()); clients may make further ones.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "tlx/lists.h"
#include "tlx/object.h"
#include "tlx/popupmenu.h"
#include "tlx/updatetag.h"
#include "vodex/core/device.h"

namespace vodex {

class cls_DeviceTool;

// A search for attached devices run without a window for `pTool`, with the logger flag of
// AUTOSENSELOGGER; the devices found (an empty collection when none).
using WindowlessDetection = std::function<std::shared_ptr<tlx::cls_CoreCollection>(
    const std::shared_ptr<cls_DeviceTool>& pTool, bool pLogger)>;

// The detection dialog's search without its window, which every device tool is given when it
// is made. The detection's model defines it, one layer up.
std::shared_ptr<tlx::cls_CoreCollection> SearchWithoutWindow(
    const std::shared_ptr<cls_DeviceTool>& pTool, bool pLogger);

class cls_DeviceTool : public tlx::Object, public std::enable_shared_from_this<cls_DeviceTool> {
  public:
    cls_DeviceTool();

    std::span<const std::string_view> INTERFACEIDS() const override;

    const std::string& PATH() const { return path_; }
    void PATH(std::string v) { path_ = std::move(v); }
    bool CRITICALERROR() const { return criticalError_; }
    void CRITICALERROR(bool v) { criticalError_ = v; }
    // The toolkit's build number: its revision plus 400.
    std::int32_t BUILD() const;
    // Writing the disabled drivers is not supported: it changes nothing.
    void DISABLED(const std::shared_ptr<tlx::cls_CoreList>& /*pList*/) {}
    // The disabled drivers, in reverse index order.
    std::shared_ptr<tlx::cls_CoreList> DISABLED() const;
    // Reads the installed drivers again.
    void CHECK();
    std::string RANDOMIZERID() const { return "VODEX_RANDOMIZER"; }
    // The installed, enabled drivers; all installed drivers; the installed, disabled ones.
    std::shared_ptr<tlx::cls_CoreList> CONTENT() const;
    std::shared_ptr<tlx::cls_CoreList> CONTENTALL() const;
    std::shared_ptr<tlx::cls_CoreList> CONTENTDISABLED() const;
    bool EXISTS(const std::string& pDeviceClass) const;
    bool EXISTSALL(const std::string& pDeviceClass) const;
    bool EXISTSDISABLED(const std::string& pDeviceClass) const;
    // The device of a new driver object of `pClass`, or nothing (after one repair, with the
    // broken-driver message when the repair fails).
    std::shared_ptr<int_Device> CREATE(const std::string& pClass);
    // A device that describes the driver: from the device cache, else from its ".devinfo"
    // file when that is not older than the component (then cached), else CREATE.
    std::shared_ptr<int_Device> INFO(const std::string& pClass);
    // The selection dialog; the chosen driver class name, or "".
    std::string USERSELECT();
    // The device settings dialog for `pDevice`; its confirmed flag, with port and channel.
    bool SETTINGS(const std::shared_ptr<int_Device>& pDevice, std::int32_t& rPort,
                  std::int32_t& rChannel);
    // The installed-device list.
    void OVERVIEW();
    std::int32_t COUNT() const { return CONTENT()->COUNT(); }
    std::int32_t COUNTALL() const { return CONTENTALL()->COUNT(); }
    std::int32_t COUNTDISABLED() const { return CONTENTDISABLED()->COUNT(); }
    void CACHECLEAR() {}
    bool DOWNLOADER(bool /*pAutoInstall*/ = true) { return false; }
    bool ADD(bool /*pAutoInstall*/ = true) { return false; }
    bool AUTOADD(bool /*pAutoInstall*/ = true) { return false; }
    // Registers the driver's component again and checks that it can be created.
    bool REPAIR(const std::string& pClass);
    bool REPAIRALL() { return false; }
    // Fills a picture combo box and its image list (late-bound objects) with the drivers;
    // errors of the controls are ignored.
    void FILLIMAGECOMBO(const tlx::ObjectRef& pCombo, const tlx::ObjectRef& pImageList,
                        const std::string& pPreSelect = {});
    // A menu of the drivers, built once per `pLogger` and then only re-checked.
    std::shared_ptr<tlx::cls_CorePopupMenu> POPUPMENU(const std::string& pSelection, bool pLogger);
    // `pDevice` if there is one, else `pAltDevice` after the missing-driver message.
    std::shared_ptr<int_Device> SUREINFO(const std::shared_ptr<int_Device>& pDevice,
                                         const std::shared_ptr<int_Device>& pAltDevice);
    std::shared_ptr<int_Device> SURECREATE(const std::shared_ptr<int_Device>& pDevice,
                                           const std::shared_ptr<int_Device>& pAltDevice);
    // The missing-driver message, at most once per registry object.
    void ERRORMESSAGE(std::int32_t pErrorMessage);
    // True for "-" (no driver); else whether INFO gives a device.
    bool CHECKNAME(const std::string& pDevName);
    void DESTROY() {}
    std::int32_t VERSIONBUILD() const { return BUILD(); }
    // "major.minor.revision".
    std::string VERSION() const;
    std::shared_ptr<tlx::cls_CoreUpdateTag> UPDATETAG() const;
    // The maker's update server (the machine-hive value "UpdateServer", else the default),
    // without a closing "/".
    std::string UPDATESERVER() const;
    // The automatic detection dialog; the devices it found, or an empty collection. Where the
    // thread shows no windows, the same search runs without one.
    std::shared_ptr<tlx::cls_CoreCollection> AUTOSENSE();
    std::shared_ptr<tlx::cls_CoreCollection> AUTOSENSELOGGER();
    std::string MSI(const std::string& pDeviceClass) const;
    std::string FILENAME(const std::string& pDeviceClass) const;
    // The component file with the extension ".devinfo".
    std::string FILENAMEINFO(const std::string& pDeviceClass) const;
    void DISABLE(const std::string& pDeviceClass);
    void ENABLE(const std::string& pDeviceClass);
    std::string REGROOT() const;
    std::string REGROOTDEVICES() const;
    void REBUILDINDEX();

    // The programmatic identifier of a driver class name: "<c>.cls_<after the first _>", or
    // "<c>.Class" for a name without "_".
    static std::string ProgId(const std::string& pClass);

    // Beyond the published members: the reason of the last error that a member trapped and
    // reported only by its result (a hive that cannot be read or written, a driver that cannot
    // be created), naming the file and what is wrong; "" when there was none since the last
    // call. Lets a program say why, where the member itself only says that.
    std::string TakeLastError();

    // Replaces the search AUTOSENSE runs where no windows are shown; returns the one it
    // replaces.
    WindowlessDetection SetWindowlessDetection(WindowlessDetection pDetection);

  private:
    // Runs `body`, trapping every error and keeping its reason for TakeLastError.
    template <class F>
    void Trap(F&& body) const;
    std::string Read(const std::string& valueName) const;
    bool IsDisabled(const std::string& pDeviceClass) const;
    std::string ComponentName(const std::string& entry) const;
    std::shared_ptr<tlx::cls_CoreCollection> ShowDetection(bool logger);

    WindowlessDetection windowless_ = SearchWithoutWindow;

    tlx::cls_CoreList index_;
    std::string path_;
    bool criticalError_ = false;
    bool missingShown_ = false;
    mutable std::string lastError_;
    std::array<std::shared_ptr<tlx::cls_CorePopupMenu>, 2> menus_;
};

// The calling thread's shared driver registry, made on first use.
std::shared_ptr<cls_DeviceTool> DeviceTool();

}  // namespace vodex
