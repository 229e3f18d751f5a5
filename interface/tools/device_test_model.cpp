#include "vodex/tools/device_test_model.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "tlx/clock.h"
#include "tlx/convert.h"
#include "tlx/dialogs.h"
#include "tlx/pump.h"
#include "tlx/variant.h"
#include "vodex/core/detail/release_device.h"
#include "vodex/core/device.h"
#include "vodex/enums.h"
#include "vodex/records/device_ports.h"

namespace vodex {
namespace {

constexpr const char* kChooseDevice = "Gerät auswählen!";
constexpr const char* kHelp =
    "In diesem Dialog können Sie den ausgewählten Messwandler auf Funktion testen. Schließen "
    "Sie das Gerät an den Computer an und wählen Sie unter 'Anschluß' die gewählte Verbindung "
    "aus. Setzen Sie anschließend bei dem gewünschten Messkanal einen Haken um Daten zu "
    "empfangen und die Verbindung somit zu testen.";

std::string Rate(double perSecond) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", perSecond);
    return text;
}

void Message(const std::string& text) {
    tlx::cls_CoreDialogs().MESSAGE(text);
}

}  // namespace

DeviceTestModel::DeviceTestModel(std::shared_ptr<cls_DeviceTool> registry,
                                 std::function<double()> clock)
    : DialogModel("frm_DeviceTest",
                  "VQ ReziraDovarir - Gerätetest|VQ ReziraDovarir - Testing the device"),
      registry_(std::move(registry)),
      clock_(clock ? std::move(clock) : [] { return tlx::cls_CoreClock().SECONDS(); }),
      switches_{{ID_DeviceSwitch_Motor1, "Motor1"},   {ID_DeviceSwitch_Motor2, "Motor2"},
                {ID_DeviceSwitch_WaveBase, "W-Base"}, {ID_DeviceSwitch_Wave, "Wave"},
                {ID_DeviceSwitch_Logger, "Logger"},   {ID_DeviceSwitch_Relais2, "Relais 2"},
                {ID_DeviceSwitch_Relais1, "Relais 1"}} {
    FormModel& f = Design();
    f.Add("bar_Title", "TitleBar")
        .Define("Title", "Messwandler testen|Device Test")
        .Define("Text",
                "Wählen Sie den Anschluss und haken Sie die Kanäle an, die gemessen werden "
                "sollen.|Choose the port and tick the channels to measure.");
    f.Add("fra_Switches", "Frame").Define("Caption", "Schalter|Switches");
    f.Add("fra_Commands", "Frame").Define("Caption", "Befehle|Commands");
    f.Add("fra_History", "Frame").Define("Caption", "Logbuch|History");
    f.Add("fra_Channels", "Frame").Define("Caption", "Kanäle|Channels");
    f.Add("lab_Port", "Label").Define("Caption", "Anschluß:|Port:");
    ControlModel& list = f.Add("lst_Channels", "ListView");
    for (const char* column : {"ID", "Name", "Größe|Size", "Status", "Wert|Value", "mps"})
        list.AddMember(ControlCollection::ColumnHeaders, {{"Text", column}});
    f.Add("opt_AutoChannel", "CheckBox").Define("Caption", "Auto-Kanal|Auto channel");
    f.Add("opt_Retry", "CheckBox").Define("Caption", "Neu verbinden|Reconnect");
    f.Add("but_AutoChannel", "CommandButton").Define("Caption", "AutoChannel");
    f.Add("but_AutoPort", "CommandButton").Define("Caption", "AutoPort");
    f.Add("but_AutoSense", "CommandButton").Define("Caption", "AutoSense");
    f.Add("but_Setup", "CommandButton").Define("Caption", "Setup");
    f.Add("but_CopyDebug", "CommandButton").Define("Caption", "Debug kopieren|Copy debug text");
    for (const SwitchRow& s : switches_) {
        f.Add("but_Relais", "CheckBox", s.number).Define("Caption", s.label);
        f.Add("but_Value", "CommandButton", s.number).Define("Caption", "...");
    }
    ControlModel& bar = f.Add("bar_Buttons", "CommandBar");
    bar.AddMember(ControlCollection::Buttons, {{"Text", "OK"}, {"Tag", "DIALOG.OK();"}});
    bar.AddMember(ControlCollection::Buttons, {{"Text", "Hilfe|Help"}, {"Tag", "DIALOG.HELP();"}});
}

// The device is in use by a command of the user's: the driver may let window events run while
// it waits, and no measuring cycle may talk to the instrument in between. A close asked for
// meanwhile ends the driver's waits; they are allowed again afterwards.
DeviceTestModel::Acting::Acting(DeviceTestModel& model) : model_(model) {
    model_.acting_ = true;
}

DeviceTestModel::Acting::~Acting() {
    model_.acting_ = false;
    if (model_.waitsCancelled_) tlx::CancelWaits(false);
    model_.waitsCancelled_ = false;
}

DeviceTestModel::~DeviceTestModel() {
    ReleaseDevice();
}

void DeviceTestModel::Load() {
    Translate();
    Open();
    closing_ = closeConfirmed_ = false;
    pendingSwitch_ = -1;
    if (!registry_ || registry_->CONTENT()->COUNT() == 0) {
        Message("Es sind keine Wandler installiert!");
        Finish();
        return;
    }
    Prepare();
    AutoPortStep();
    SelectPort(selectedPort_);
    timer_ = true;
}

void DeviceTestModel::ReleaseDevice() {
    if (!device_) return;
    detail::ReleaseDevice(device_);
    device_.reset();
}

void DeviceTestModel::Finish() {
    timer_ = false;
    ReleaseDevice();
    Close();
}

void DeviceTestModel::Prepare() {
    if (device_) device_->DISCONNECT();
    ReleaseDevice();
    cls_DevicePorts().RESETCACHE();  // the device names the ports as they are now
    device_ = registry_->CREATE(class_);
    FillPorts();
    FillChannels();
}

void DeviceTestModel::FillPorts() {
    ports_.clear();
    selectedPort_ = -1;
    if (!device_) return;
    const auto ports = device_->PORTS();
    for (std::int32_t i = 1; i <= ports->COUNT(); ++i) {
        const auto p = ports->Item(tlx::Variant(i));
        if (!p) continue;
        const std::string id = std::to_string(p->ID());
        ports_.push_back(p->AVAILABLE() ? id + ": " + p->NAME() : id + ": (" + p->NAME() + ")");
        if (p->ID() == device_->PORT() && selectedPort_ < 0) {
            selectedPort_ = static_cast<std::int32_t>(ports_.size()) - 1;
        }
    }
    if (selectedPort_ < 0 && !ports_.empty()) selectedPort_ = 0;
}

void DeviceTestModel::FillChannels() {
    channels_.clear();
    if (device_) {
        const auto channels = device_->CHANNELS();
        for (std::int32_t i = 1; i <= channels->COUNT(); ++i) {
            const auto c = channels->Item(tlx::Variant(i));
            if (!c) continue;
            const std::string id = std::to_string(c->ID());
            channels_.push_back({id + "k",
                                 {id, c->NAME(), c->SIZE(), std::to_string(c->STATUS()),
                                  tlx::ReadingText(c->VALUE()), ""},
                                 false});
        }
    }
    measureCount_.assign(channels_.size(), 0);
    windowStart_.assign(channels_.size(), 0);
    chart_.assign(channels_.size(), {});
}

std::int32_t DeviceTestModel::SelectedNumber() const {
    if (selectedPort_ < 0 || selectedPort_ >= static_cast<std::int32_t>(ports_.size())) return -1;
    const std::string& entry = ports_[static_cast<std::size_t>(selectedPort_)];
    return static_cast<std::int32_t>(tlx::Val(entry.substr(0, entry.find(':'))));
}

void DeviceTestModel::ConnectSelected() {
    if (!device_) return;
    device_->DISCONNECT();
    const std::int32_t number = SelectedNumber();
    if (number >= 0) device_->CONNECT(number);
}

void DeviceTestModel::SelectPort(std::int32_t entry) {
    if (Defer([this, entry] { SelectPort(entry); })) return;
    if (entry < 0 || entry >= static_cast<std::int32_t>(ports_.size())) return;
    const Acting acting(*this);
    selectedPort_ = entry;
    ConnectSelected();
    FillChannels();
    if (autoChannelOption_) AutoChannelStep();
}

void DeviceTestModel::AutoPortStep() {
    if (!device_ || !autoChannelOption_ || !device_->INFO()->AUTOPORT() || !device_->AUTOPORT())
        return;
    FillPorts();  // the search named the ports anew
    SelectDevicePort();
    ConnectSelected();
    AutoChannelStep();
}

void DeviceTestModel::SelectDevicePort() {
    const std::string prefix = std::to_string(device_->PORT()) + ":";
    for (std::size_t i = 0; i < ports_.size(); ++i) {
        if (ports_[i].starts_with(prefix)) {
            selectedPort_ = static_cast<std::int32_t>(i);
            return;
        }
    }
}

void DeviceTestModel::CheckOnly(std::int32_t channel) {
    const std::string key = std::to_string(channel) + "k";
    for (ChannelRow& row : channels_)
        row.checked = row.key == key;
}

void DeviceTestModel::AutoChannelStep() {
    if (!device_ || !device_->INFO()->AUTOCHANNEL() || !autoChannelOption_) return;
    const std::int32_t channel = device_->AUTOCHANNEL();
    if (channel > 0) {
        CheckOnly(channel);
    } else {
        autoChannelOption_ = false;
    }
}

void DeviceTestModel::CheckChannel(std::int32_t row, bool checked) {
    if (row >= 0 && row < static_cast<std::int32_t>(channels_.size()))
        channels_[static_cast<std::size_t>(row)].checked = checked;
}

void DeviceTestModel::Tick() {
    Cycle();
    // A command clicked while the cycle waited for the instrument runs now.
    if (deferred_ && !InUse() && !Closed()) {
        const std::function<void()> command = std::move(deferred_);
        deferred_ = nullptr;
        command();
    }
}

bool DeviceTestModel::Defer(std::function<void()> command) {
    if (acting_) return true;  // another command runs: the click is one too many
    if (!running_) return false;
    deferred_ = std::move(command);
    return true;
}

void DeviceTestModel::Cycle() {
    if (closeConfirmed_) {
        Finish();
        return;
    }
    // A tick that arrives while the driver waits inside a cycle or a command: the next one
    // measures.
    if (InUse()) return;
    timer_ = false;
    if (!device_) {
        statusText_ = kChooseDevice;
        timer_ = true;
        return;
    }
    debugText_ = device_->DEBUGINFO();
    if (closing_) return;  // the timer stays off; the next attempt to close passes
    statusText_ = device_->STATUSTEXT();
    statusError_ = device_->STATUS() == ID_DeviceStatus_Error;
    if (device_->STATUS() != ID_DeviceStatus_Ready) {
        for (std::size_t i = 0; i < channels_.size() && i < chart_.size(); ++i)
            if (channels_[i].checked) ChartGap(i, clock_());
        if (retry_) ConnectSelected();
        timer_ = true;
        return;
    }
    running_ = true;
    struct Done {
        DeviceTestModel& model;
        ~Done() {
            model.running_ = false;
            if (model.waitsCancelled_) tlx::CancelWaits(false);
            model.waitsCancelled_ = false;
        }
    } done{*this};
    const auto channels = device_->CHANNELS();
    const std::size_t count = static_cast<std::size_t>(std::max(0, channels->COUNT()));
    measureCount_.resize(count, 0);
    windowStart_.resize(count, 0);
    chart_.resize(count);
    if (!ChooseChannels(*channels, count)) {
        timer_ = true;
        return;
    }
    device_->EXECUTE();
    const bool autoChannel = TakeReadings(*channels, count);
    SendPendingSwitch();
    if (autoChannel) AutoChannelStep();
    timer_ = true;
}

bool DeviceTestModel::ChooseChannels(cls_DeviceChannels& channels, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const auto c = channels.Item(tlx::Variant(static_cast<std::int32_t>(i + 1)));
        if (!c) continue;
        c->MEASURED(false);
        if (channels_.size() <= i) {
            // The driver has more channels than the list shows: the rows are made anew and
            // measuring goes on with the next tick.
            statusText_ = kChooseDevice;
            FillChannels();
            return false;
        }
        const bool checked = channels_[i].checked;
        c->MEASURE(checked);
        if (!checked) {
            c->VALUE(0);
            c->STATUS(0);
        } else if (windowStart_[i] == 0) {
            windowStart_[i] = clock_();
        }
    }
    return true;
}

bool DeviceTestModel::TakeReadings(cls_DeviceChannels& channels, std::size_t count) {
    bool autoChannel = false;
    const double now = clock_();
    for (std::size_t i = 0; i < count && i < channels_.size(); ++i) {
        if (!channels_[i].checked) continue;
        const auto c = channels.Item(tlx::Variant(static_cast<std::int32_t>(i + 1)));
        if (!c) continue;
        auto& cells = channels_[i].cells;
        // A channel may change what it measures while it is measured (a meter's rotary switch):
        // its row follows, and the line breaks where that changed.
        if (cells[ColSize] != c->SIZE() || cells[ColName] != c->NAME()) ChartGap(i, now);
        cells[ColName] = c->NAME();
        cells[ColSize] = c->SIZE();
        cells[ColStatus] = c->STATUSTEXT();
        cells[ColValue] = tlx::ReadingText(c->VALUE());
        if (c->MEASURED()) {
            ++measureCount_[i];
            chart_[i].push_back({now, c->VALUE()});
        } else if (c->STATUS() >= ID_ChannelStatus_ErrOverflow) {
            // An error breaks the line; a cycle without a new reading (a meter that sends a
            // few times a second, measured faster) does not.
            ChartGap(i, now);
        }
        const double elapsed = now - windowStart_[i];
        if (elapsed > 0) cells[ColRate] = Rate(measureCount_[i] / elapsed);
        if (measureCount_[i] > 5) {
            measureCount_[i] = 0;
            windowStart_[i] = now;
        }
        if (c->STATUS() == ID_ChannelStatus_ErrRange) autoChannel = true;
    }
    // The chart keeps the last minute (and nothing from before a jump of the clock).
    for (auto& points : chart_) {
        while (!points.empty() &&
               (points.front().time < now - kChartSeconds || points.front().time > now))
            points.pop_front();
    }
    return autoChannel;
}

void DeviceTestModel::SendPendingSwitch() {
    if (pendingSwitch_ < 0) return;
    bool on = false;
    for (const SwitchRow& s : switches_) {
        if (s.number == pendingSwitch_) on = s.checked;
    }
    if (!device_->SWITCH(pendingSwitch_, on, switchParameter_, 0)) {
        for (SwitchRow& s : switches_) {
            if (s.number == pendingSwitch_) s.checked = false;
        }
    }
    pendingSwitch_ = -1;
}

void DeviceTestModel::ChartGap(std::size_t row, double now) {
    auto& points = chart_[row];
    if (!points.empty() && !std::isnan(points.back().value))
        points.push_back({now, std::numeric_limits<double>::quiet_NaN()});
}

void DeviceTestModel::SwitchClicked(std::int32_t number, bool checked) {
    for (SwitchRow& s : switches_) {
        if (s.number == number) s.checked = checked;
    }
    pendingSwitch_ = number;
}

void DeviceTestModel::SwitchValue(std::int32_t number) {
    tlx::cls_CoreDialogs dialogs;
    const std::string answer =
        dialogs.INPUTBOX("Geben Sie den erste Parameter für das Relais ein:", "Parameter", "0");
    if (answer.empty()) return;  // cancelled
    switchParameter_ = tlx::Val(answer);
    pendingSwitch_ = number;
}

void DeviceTestModel::AutoChannelButton() {
    if (Defer([this] { AutoChannelButton(); })) return;
    if (!device_) return;
    const Acting acting(*this);
    if (!device_->INFO()->AUTOCHANNEL()) {
        Message("Das Gerät unterstützt kein AutoChannel! Setzen Sie ggf. INFO.AUTOCHANNEL = True!");
        return;
    }
    const std::int32_t channel = device_->AUTOCHANNEL();
    if (channel > 0) {
        CheckOnly(channel);
    } else {
        Message("AutoChannel fehlgeschlagen!");
    }
}

void DeviceTestModel::AutoButton(bool declared, const std::function<bool()>& run,
                                 const char* undeclared, const char* failed,
                                 const char* succeeded) {
    if (!device_) return;
    if (!declared) {
        Message(undeclared);
        return;
    }
    if (!run()) {
        Message(failed);
        return;
    }
    const auto port = device_->PORTS()->Item(tlx::Variant(device_->PORT()), false);
    Message(succeeded + (port ? port->NAME() : std::string()));
    FillPorts();  // the search named the ports anew
    SelectDevicePort();
    ConnectSelected();
}

void DeviceTestModel::AutoPortButton() {
    if (Defer([this] { AutoPortButton(); })) return;
    if (!device_) return;
    const Acting acting(*this);
    AutoButton(
        device_->INFO()->AUTOPORT(), [this] { return device_->AUTOPORT(); },
        "Das Gerät unterstützt kein AutoPort. Setzen Sie ggf. INFO.AUTOPORT = True",
        "AutoPort fehlgeschlagen...", "AutoPort erfolgreich: Gerät ist an Port ");
}

void DeviceTestModel::AutoSenseButton() {
    if (Defer([this] { AutoSenseButton(); })) return;
    if (!device_) return;
    const Acting acting(*this);
    AutoButton(
        device_->INFO()->AUTOSENSE(), [this] { return device_->AUTOSENSE(); },
        "Das Gerät unterstützt kein AutoSense. Setzen Sie ggf. INFO.AUTOSENSE = True",
        "Autosense fehlgeschlagen...", "Autosense erfolgreich: Gerät ist an Port ");
}

void DeviceTestModel::SetupButton() {
    if (Defer([this] { SetupButton(); })) return;
    if (!device_) return;
    const Acting acting(*this);
    if (!device_->INFO()->SETUPSCREEN()) {
        Message(
            "Dieser Wandler hat keinen Setupscreen. Setzen Sie ihn ggf. mit INFO.SETUPSCREEN = "
            "true.");
        return;
    }
    Message(device_->SETUPSCREEN() ? "Rückgabe: True (Erfolgreich)"
                                   : "Rückgabe: False (Abgebrochen)");
}

std::string DeviceTestModel::DebugForClipboard() const {
    return device_ ? device_->DEBUGINFO() : std::string();
}

bool DeviceTestModel::QueryClose() {
    if (Closed()) return true;
    if (closeConfirmed_) {
        if (InUse()) return false;  // the device is in use; the tick after it closes
        Finish();
        return true;
    }
    closing_ = closeConfirmed_ = true;
    if (InUse()) {
        // A driver waiting for a silent port gives up at once; the cycle's end turns the
        // timer on again, and its next tick closes.
        waitsCancelled_ = true;
        tlx::CancelWaits(true);
    } else {
        timer_ = true;
    }
    return false;
}

void DeviceTestModel::Command(const std::string& key) {
    if (IsCommand(key, "DIALOG.OK();")) {
        QueryClose();
    } else if (IsCommand(key, "DIALOG.HELP();")) {
        Message(kHelp);
    }
}

}  // namespace vodex
