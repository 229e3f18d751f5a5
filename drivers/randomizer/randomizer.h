// The random-generator driver: a driver like any instrument driver, which needs no instrument.
// Its device simulates seven channels (two pH curves, conductivity, temperature, mass, a
// chromatogram and a plain random number) over a repeating time base of about 200 s, and has
// the one built-in port "Eingebaut".
//
// Late-bound members (tlx::Dispatch), besides DEVICE: GC(xgc1, mw) and Ztest(PStart, PDiff)
// with their by-reference arguments.
#pragma once

#include <memory>

#include "cycle.h"
#include "tlx/cominfo_class.h"
#include "tlx/dispatch.h"
#include "vodex/core/device.h"
#include "vodex/core/tmp_device.h"

namespace vodex::randomizer {

class cls_Randomizer : public tlx::Object,
                       public int_DeviceEvents,
                       public tmp_Device,
                       public tlx::Dispatch,
                       public std::enable_shared_from_this<cls_Randomizer> {
  public:
    // A driver with its device, information, channels and port.
    static std::shared_ptr<cls_Randomizer> Create();

    std::shared_ptr<int_Device> DEVICE() const override { return device_; }
    // Replaces the device: events are then taken from the new one, whose PARENT becomes this
    // driver; the old one loses both. A device that another driver handles is refused
    // (tlx::Error).
    void DEVICE(std::shared_ptr<int_Device> pDevice);
    void Ztest(float& PStart, float& PDiff);
    void GC(float& xgc1, double& mw) { state_.chromatogram.GC(xgc1, mw); }

    void DeviceExecute() override;
    void ZarivuZarudScreen(bool& rDone) override;
    void DeviceConnect(bool& rSuccess, std::int32_t pPort) override;
    void DeviceDisconnect(bool& rSuccess) override;
    void DeviceSwitch(bool& rSuccess, std::int32_t pSwitch, bool pStatus, double pFlag1,
                      double pFlag2, const tlx::Variant& pData) override;
    void DevicePrepare() override;
    void DeviceAutoPort(bool& rDone, bool& rSuccess, std::int32_t& rPort) override;

    tlx::Variant GetProperty(std::string_view name) override;
    void SetProperty(std::string_view name, const tlx::Variant& value) override;
    tlx::Variant Invoke(std::string_view name, std::vector<tlx::Variant>& args) override;
    std::span<const std::string_view> INTERFACEIDS() const override;

  protected:
    cls_Randomizer() = default;
    // Gives `driver` its device, described; what Create does with a new driver.
    static void Equip(const std::shared_ptr<cls_Randomizer>& driver);
    // The measuring cycle's clock, draws and curves.
    CycleState& Cycle() { return state_; }

  private:
    void Describe();

    std::shared_ptr<int_Device> device_;
    CycleState state_;
};

// The driver the component makes for "cls_Randomizer": cls_Randomizer::Create() in the
// shipped component; the tests link one that lets them set the cycle's clock and draws.
std::shared_ptr<cls_Randomizer> MakeDriver();

// The component information of the driver.
class inf_Randomizer : public tlx::ComInfoClass {
  public:
    inf_Randomizer();
};

// The driver's pictures.
std::shared_ptr<tlx::cls_CorePicture> ProductPicture();
std::shared_ptr<tlx::cls_CorePicture> IconPicture();

}  // namespace vodex::randomizer
