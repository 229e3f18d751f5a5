#include "vodex/tools/autosense_model.h"

#include "tlx/pump.h"
#include "tlx/text.h"
#include "tlx/tools.h"
#include "vodex/core/detail/release_device.h"
#include "vodex/core/device.h"
#include "vodex/text/language.h"

namespace vodex {
namespace {

// A device whose ports are serial ones: some port's name holds "COM".
bool IsSerial(cls_DevicePorts& ports) {
    for (std::int32_t i = 1; i <= ports.COUNT(); ++i) {
        const auto port = ports.Item(i, true);
        if (port && port->NAME().find("COM") != std::string::npos) return true;
    }
    return false;
}

// Removes the ports not to be tried (false in `tried`, by position) and keeps the order of
// the others; the list's own REMOVE would move its last port into the gap.
void KeepTried(cls_DevicePorts& ports, const std::vector<bool>& tried) {
    std::vector<std::shared_ptr<cls_DevicePort>> kept;
    for (std::int32_t i = 1; i <= ports.COUNT(); ++i) {
        if (tried[static_cast<std::size_t>(i)]) kept.push_back(ports.Item(i, true));
    }
    while (ports.COUNT() > 0)
        ports.REMOVE(ports.COUNT(), true);
    for (const auto& port : kept)
        ports.ADD(port, tlx::Variant(port->ID()));
}

}  // namespace

AutoSenseModel::AutoSenseModel(std::shared_ptr<cls_DeviceTool> registry)
    : DialogModel("frm_DialogAutoSense", "Geräte-Erkennung|Device detection"),
      registry_(std::move(registry)),
      result_(std::make_shared<tlx::cls_CoreCollection>()),
      ports_(std::make_shared<cls_DevicePorts>()) {
    FormModel& f = Design();
    f.Add("bar_Title", "TitleBar")
        .Define("Title", "Geräte werden gesucht...|Searching devices...")
        .Define("Text",
                "Es wird versucht die angeschlossenen Messgeräte automatisch zu erkennen...|"
                "Trying to detect attached devices");
    f.Add("fra_Frame", "Frame", 0).Define("Caption", "Aktueller Versuch|Trying...");
    f.Add("fra_Frame", "Frame", 1)
        .Define("Caption", "Bisher gefundene Geräte|Already found devices");
    for (const char* step : {"lab_Step1", "lab_Step2", "lab_Step3"})
        f.Add(step, "Label").Define("Caption", "");
    f.Add("bar_Percent", "ProgressBar");
    f.Add("pic_AutoSense", "ImageBox");
    f.Add("img_Device", "ImageBox");
    ControlModel& list = f.Add("lst_Found", "ListView");
    for (const char* column :
         {"Gerät|Device", "Hersteller|Manufacturer", "Anschluß|Port", "Messkanal|Channel"}) {
        list.AddMember(ControlCollection::ColumnHeaders, {{"Text", column}});
    }
    f.Add("ctl_CmdBar1", "CommandBar")
        .AddMember(ControlCollection::Buttons,
                   {{"Text", "Abbrechen|Cancel"}, {"Tag", "DIALOG.ABORT();"}});
}

void AutoSenseModel::Command(const std::string& /*key*/) {
    Abort();
}

void AutoSenseModel::AnimationTick() {
    if (animating_) frame_ = (frame_ + 1) % kFrames;
}

void AutoSenseModel::Load() {
    Translate();
    Open();
    result_->CLEAR();
    found_ = false;
    abort_ = false;
    animating_ = true;
    frame_ = 0;
    step1_.clear();
    step2_.clear();
    step3_.clear();
    rows_.clear();
    images_.clear();
    progress_ = progressMax_ = 0;
    ports_ = std::make_shared<cls_DevicePorts>();
    ports_->RESETCACHE();  // the search sees the ports as they are now
    ports_->COMPORTS();
}

void AutoSenseModel::Abort() {
    abort_ = true;
    if (searching_) tlx::CancelWaits(true);  // only the search's own waits
}

bool AutoSenseModel::QueryClose() {
    // Only the dialog closes itself, when the search has ended; any other attempt, even one
    // before the search began, is refused and stops the search at its next checkpoint.
    if (Closed()) return true;
    Abort();
    return false;
}

bool AutoSenseModel::Checkpoint() {
    tlx::PumpMessages();
    return abort_;
}

void AutoSenseModel::Search() {
    // While it runs, stopping it also ends the drivers' waits; the thread's waits run
    // normally again afterwards, however the search ends.
    struct Searching {
        explicit Searching(AutoSenseModel& m) : model(m) {
            model.searching_ = true;
            tlx::CancelWaits(model.abort_);
        }
        ~Searching() {
            model.searching_ = false;
            tlx::CancelWaits(false);
        }
        AutoSenseModel& model;
    } searching(*this);
    // The dialog closes itself at the end, however the search ends.
    try {
        Run();
    } catch (...) {
        if (!Closed()) Finish();
        throw;
    }
}

void AutoSenseModel::Run() {
    // 1. The active drivers.
    const std::vector<std::string> drivers = registry_->CONTENT()->ITEMS();
    step1_ = hLanguageText("Frage Wandlerdatenbank ab...", "searching in database...");
    if (Checkpoint()) {
        found_ = false;
        return Finish();
    }
    // 2. The candidates: drivers that declare detection (and, for loggers, are loggers).
    std::vector<bool> candidate;
    std::int32_t candidates = 0;
    for (const std::string& driver : drivers) {
        bool is = false;
        try {
            const std::shared_ptr<int_Device> described = registry_->INFO(driver);
            if (described) {
                const auto info = described->INFO();
                is = info->AUTOSENSE() && (info->LOGGER() || !logger_);
            }
            detail::ReleaseDevice(described);
        } catch (...) {
            is = false;  // a driver that cannot describe itself is passed over
        }
        candidate.push_back(is);
        candidates += is ? 1 : 0;
    }
    if (Checkpoint()) {
        found_ = false;
        return Finish();
    }
    progressMax_ = 5 * candidates;
    progress_ = 0;
    // 3. Each candidate in list order, five units of the bar each.
    std::int32_t tried = 0;
    for (std::size_t i = 0; i < drivers.size(); ++i) {
        if (!candidate[i]) continue;
        if (Checkpoint()) break;
        const bool goOn = TryDriver(drivers[i], 5 * tried);
        progress_ = 5 * ++tried;
        if (!goOn) break;
    }
    Finish();
}

std::vector<bool> AutoSenseModel::PortsToTry(const std::string& driverClass, cls_DevicePorts& ports,
                                             bool serial) {
    std::vector<bool> tryIt(static_cast<std::size_t>(ports.COUNT()) + 1, true);
    for (std::int32_t j = 1; j <= ports.COUNT(); ++j) {
        if (serial) {
            // A serial port where an instrument was found is claimed for this search.
            const auto mine = ports_->Item(j, true);
            if (mine && mine->NAME().starts_with("-")) tryIt[std::size_t(j)] = false;
            continue;
        }
        // Another kind of port is passed over where this driver found its instrument.
        for (std::int32_t r = 1; r <= result_->COUNT(); ++r) {
            if (!tlx::EqualsNoCase(result_->KEY(r), driverClass)) continue;
            const auto& record = result_->Item(tlx::Variant(r)).ToArray();
            if (record[record.LBound() + 2].ToInt32() == j) tryIt[std::size_t(j)] = false;
        }
    }
    return tryIt;
}

bool AutoSenseModel::RecogniseChannel(int_Device& device, std::int32_t port,
                                      std::int32_t& channelNo, std::string& channelName) {
    if (device.CONNECT(port)) {
        const std::int32_t channel = device.AUTOCHANNEL();
        if (channel > 0) {
            const auto c = device.CHANNELS()->Item(channel, false);
            c->MEASURE(true);
            device.EXECUTE();
            channelNo = channel;
            channelName = c->NAME();
        }
    }
    bool stop = Checkpoint();
    if (!stop) {
        tlx::CoreTools().CLOCK().WAIT(0.1);
        stop = abort_ || Checkpoint();
    }
    if (!stop && channelNo > 0) step3_ = "Messkanal erkannt " + channelName;
    if (!stop) stop = Checkpoint();
    return !stop;
}

bool AutoSenseModel::TryDriver(const std::string& driverClass, std::int32_t firstUnit) {
    for (std::int32_t pass = 0;; ++pass) {
        progress_ = firstUnit + std::min<std::int32_t>(pass, 4);
        // 3.1 A working device.
        std::shared_ptr<int_Device> device;
        try {
            device = registry_->CREATE(driverClass);
        } catch (...) {
            device = nullptr;
        }
        if (!device) return true;
        try {
            // 3.2 Show what is tried.
            tlx::PumpMessages();
            step1_ = device->INFO()->NAME();
            icon_ = device->INFO()->ICON();
            step2_.clear();
            step3_.clear();
            tlx::PumpMessages();
            // 3.3 and 3.4 The ports still to try.
            const auto ports = device->PORTS();
            const bool serial = IsSerial(*ports);
            KeepTried(*ports, PortsToTry(driverClass, *ports, serial));
            // 3.5 The driver searches.
            const bool sensed = device->AUTOSENSE();
            if (!sensed || abort_) {
                detail::ReleaseDevice(device);
                return sensed ? false : !abort_;
            }
            // 3.6 Where it was found.
            tlx::PumpMessages();
            const std::int32_t port = device->PORT();
            const auto at = device->PORTS()->Item(tlx::Variant(port), false);
            const std::string portName = at ? at->NAME() : std::to_string(port);
            step2_ = "Gefunden an Anschluss " + portName;
            // 3.7 The channel, where the driver recognises it.
            std::int32_t channelNo = 0;
            std::string channelName;
            if (device->INFO()->AUTOCHANNEL() &&
                !RecogniseChannel(*device, port, channelNo, channelName)) {
                device->DISCONNECT();
                detail::ReleaseDevice(device);
                return false;
            }
            // 3.8 Done with the device.
            tlx::PumpMessages();
            device->DISCONNECT();
            // 3.9 The find.
            const auto info = device->INFO();
            if (!images_.count(driverClass)) images_[driverClass] = info->ICON();
            const tlx::VariantArray record(
                1, {tlx::Variant(info->NAME()), tlx::Variant(info->MANUFACTURER()),
                    tlx::Variant(port), tlx::Variant(channelNo)});
            result_->APPEND(tlx::Variant(record), driverClass);
            rows_.push_back(
                {driverClass, info->NAME(), info->MANUFACTURER(), portName, channelName});
            // 3.10 A serial port is claimed.
            if (serial) {
                if (const auto mine = ports_->Item(port, true)) mine->NAME("-");
            }
            // 3.11 Again, for a further instrument of the same kind.
            found_ = true;
        } catch (...) {
            detail::ReleaseDevice(device);  // a driver that fails is passed over
            return true;
        }
        detail::ReleaseDevice(device);
    }
}

void AutoSenseModel::Finish() {
    if (!found_) {
        step1_ = "Suche erfolglos";
        found_ = false;
    }
    animating_ = false;
    icon_ = nullptr;
    Close();
}

std::shared_ptr<tlx::cls_CoreCollection> SearchWithoutWindow(
    const std::shared_ptr<cls_DeviceTool>& pTool, bool pLogger) {
    AutoSenseModel search(pTool);
    search.LOGGER(pLogger);
    search.Load();
    search.Search();
    return search.FOUND() ? search.RESULT() : std::make_shared<tlx::cls_CoreCollection>();
}

}  // namespace vodex
