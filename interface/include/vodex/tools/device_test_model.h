// The device test dialog (frm_DeviceTest), as a model without a window: it creates a device of
// one driver class, lists its ports and channels, connects on the chosen port and measures on
// every tick of its timer, showing per channel the status, value and measuring rate, the
// device's status and the driver's debug text, and keeps the last minute of the checked
// channels' values for a chart. Buttons run the driver's automatic functions, its setup screen
// and its switches.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vodex/core/device_tool.h"
#include "vodex/tools/dialog_model.h"

namespace vodex {

class int_Device;

class DeviceTestModel : public DialogModel {
  public:
    // Columns of the channel list.
    enum Column { ColId, ColName, ColSize, ColStatus, ColValue, ColRate, ColumnCount };

    struct ChannelRow {
        std::string key;                 // the channel's identifier followed by "k"
        std::vector<std::string> cells;  // ColumnCount texts
        bool checked = false;
    };
    struct SwitchRow {
        std::int32_t number;  // enm_DeviceSwitch
        const char* label;    // "Motor1", ...
        bool checked = false;
    };
    struct ChartPoint {
        double time;   // the clock's seconds
        double value;  // not a number: no reading came here (a gap in the line)
    };
    // How long the chart looks back.
    static constexpr double kChartSeconds = 60;

    // `clock` gives seconds since midnight (the core library's clock when not given).
    explicit DeviceTestModel(std::shared_ptr<cls_DeviceTool> registry,
                             std::function<double()> clock = {});
    ~DeviceTestModel() override;

    // Set by the opener before Load.
    void DeviceClass(std::string cls) { class_ = std::move(cls); }
    const std::string& DeviceClass() const { return class_; }

    // Translates, prepares the device, runs the automatic port step, connects on the selected
    // port and enables the timer. Without any active driver: the message, and closed.
    void Load();

    const std::shared_ptr<int_Device>& Device() const { return device_; }
    const std::vector<std::string>& Ports() const { return ports_; }
    std::int32_t SelectedPort() const { return selectedPort_; }
    // A click on an entry of the port list: reconnects on it.
    void SelectPort(std::int32_t entry);
    const std::vector<ChannelRow>& Channels() const { return channels_; }
    void CheckChannel(std::int32_t row, bool checked);
    const std::vector<SwitchRow>& Switches() const { return switches_; }

    bool AutoChannelOption() const { return autoChannelOption_; }
    void AutoChannelOption(bool on) { autoChannelOption_ = on; }
    bool RetryOption() const { return retry_; }
    void RetryOption(bool on) { retry_ = on; }

    // The labels: the device's status (in light red for an error) and the debug text.
    const std::string& StatusText() const { return statusText_; }
    bool StatusIsError() const { return statusError_; }
    const std::string& DebugText() const { return debugText_; }

    // The timer and one of its ticks (the measurement cycle). A command clicked while the
    // cycle waited for the instrument runs after it.
    bool TimerEnabled() const { return timer_; }
    void Tick();

    // A switch row's box was clicked (`checked` its new state): sent on the next cycle.
    void SwitchClicked(std::int32_t number, bool checked);
    // A switch row's parameter button: asks for the first parameter, then sends the switch on
    // the next cycle. A cancelled question sends nothing.
    void SwitchValue(std::int32_t number);
    void AutoChannelButton();
    void AutoPortButton();
    void AutoSenseButton();
    void SetupButton();
    // The text the copy button puts on the clipboard.
    std::string DebugForClipboard() const;

    // The last minute of each channel row's measured values (by row).
    const std::vector<std::deque<ChartPoint>>& Chart() const { return chart_; }
    double Now() const { return clock_(); }

    // "DIALOG.OK();" asks to close; "DIALOG.HELP();" shows the help text.
    void Command(const std::string& key) override;
    // The close box: the first attempt is refused and the next tick closes; a later attempt
    // passes. True when the window may close now.
    bool QueryClose();

  private:
    class Acting {
      public:
        explicit Acting(DeviceTestModel& model);
        ~Acting();
        Acting(const Acting&) = delete;
        Acting& operator=(const Acting&) = delete;

      private:
        DeviceTestModel& model_;
    };
    // Whether the device is in use by a cycle or a command.
    bool InUse() const { return running_ || acting_; }
    // A command clicked while the device is in use: during a cycle it runs when the cycle has
    // ended (True); during another command it is dropped (True); else False, run it now.
    bool Defer(std::function<void()> command);
    void Cycle();
    void Prepare();
    void FillPorts();
    void FillChannels();
    void ConnectSelected();
    void AutoPortStep();
    void AutoChannelStep();
    // Selects the port entry of the device's PORT.
    void SelectDevicePort();
    void AutoButton(bool declared, const std::function<bool()>& run, const char* undeclared,
                    const char* failed, const char* succeeded);
    void CheckOnly(std::int32_t channel);
    // Marks a missing reading in row `row`'s chart, once for each outage.
    // Sets which of the `count` channels measure in this cycle; False when the driver has more
    // channels than the list shows (the rows are then made anew).
    bool ChooseChannels(cls_DeviceChannels& channels, std::size_t count);
    // Shows the checked channels' readings, their rates and the chart; whether a channel is out
    // of range.
    bool TakeReadings(cls_DeviceChannels& channels, std::size_t count);
    // A switch clicked while the cycle ran goes to the device now.
    void SendPendingSwitch();
    void ChartGap(std::size_t row, double now);
    std::int32_t SelectedNumber() const;
    void ReleaseDevice();
    void Finish();

    std::shared_ptr<cls_DeviceTool> registry_;
    std::function<double()> clock_;
    std::string class_;
    std::shared_ptr<int_Device> device_;
    std::vector<std::string> ports_;
    std::int32_t selectedPort_ = -1;
    std::vector<ChannelRow> channels_;
    std::vector<SwitchRow> switches_;
    std::vector<std::int32_t> measureCount_;
    std::vector<double> windowStart_;
    std::vector<std::deque<ChartPoint>> chart_;
    bool autoChannelOption_ = false;
    bool retry_ = false;
    bool closing_ = false;
    bool closeConfirmed_ = false;
    bool running_ = false;            // a measuring cycle runs
    bool acting_ = false;             // a command of the user's runs
    std::function<void()> deferred_;  // clicked during a cycle, run after it
    bool waitsCancelled_ = false;
    bool timer_ = false;
    std::int32_t pendingSwitch_ = -1;
    double switchParameter_ = 0;
    std::string statusText_;
    bool statusError_ = false;
    std::string debugText_;
};

}  // namespace vodex
