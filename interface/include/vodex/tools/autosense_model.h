// The automatic detection, as a model without a window: it tries every active driver that
// declares automatic detection, lets each search the ports that are still free, and records
// every instrument found. The detection window (and the command line) mirror its state: the
// three progress lines, the progress bar, the icon of the driver under test and the list of
// instruments found.
//
// The search services window events (tlx::PumpMessages) where the detection window does, so
// its buttons and close box work during the search; it stops at its checkpoints once Abort was
// called, returning what was found until then.
// Result: one record per instrument, in the order of finding, keyed by the driver class name
// (a driver may occur several times): a list of device name, manufacturer, port number and
// channel number (0 when no channel was recognised).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tlx/lists.h"
#include "tlx/picture.h"
#include "vodex/core/device_tool.h"
#include "vodex/records/device_ports.h"
#include "vodex/tools/dialog_model.h"

namespace vodex {

class AutoSenseModel : public DialogModel {
  public:
    // A row of the list of instruments found.
    struct Row {
        std::string driverClass;  // also the key of its picture
        std::string device;
        std::string manufacturer;
        std::string port;     // the port's name
        std::string channel;  // the recognised channel's name, or ""
    };

    explicit AutoSenseModel(std::shared_ptr<cls_DeviceTool> registry);

    // Only drivers that are also loggers are tried; set before Load.
    bool LOGGER() const { return logger_; }
    void LOGGER(bool v) { logger_ = v; }

    // Prepares the search: the dialog translated, result cleared, not found, not aborted, the
    // animation running, the machine's serial ports listed afresh.
    void Load();
    // Runs the search to its end, or to the checkpoint after Abort.
    void Search();
    // Any button of the command bar: the search stops at its next checkpoint; a driver that
    // is waiting for its instruments stops waiting (tlx::CancelWaits).
    void Abort();
    // An attempt to close the window: refused (False) unless the search has ended and the
    // dialog closes itself; otherwise it aborts the search (before it began, too).
    bool QueryClose();
    // Any button of the command bar aborts.
    void Command(const std::string& key) override;

    // The search animation: a tick of its timer shows the next of its kFrames frames, while
    // the dialog is open.
    static constexpr std::int32_t kFrames = 12;
    void AnimationTick();
    std::int32_t Frame() const { return frame_; }
    bool Animating() const { return animating_; }

    bool FOUND() const { return found_; }
    const std::shared_ptr<tlx::cls_CoreCollection>& RESULT() const { return result_; }
    // The machine's serial ports; a port claimed by an instrument found is named "-".
    const std::shared_ptr<cls_DevicePorts>& PORTS() const { return ports_; }

    // What the window shows.
    const std::string& Step1() const { return step1_; }
    const std::string& Step2() const { return step2_; }
    const std::string& Step3() const { return step3_; }
    std::int32_t ProgressMax() const { return progressMax_; }
    std::int32_t Progress() const { return progress_; }
    // The icon of the driver under test, or nothing.
    const std::shared_ptr<tlx::cls_CorePicture>& Icon() const { return icon_; }
    const std::vector<Row>& Rows() const { return rows_; }
    // The pictures of the drivers found, by driver class name.
    const std::map<std::string, std::shared_ptr<tlx::cls_CorePicture>>& Images() const {
        return images_;
    }

  private:
    // The search itself; Search closes the dialog however it ends.
    void Run();
    // Services window events; whether the search is to stop.
    bool Checkpoint();
    // Tries one driver until it finds no further instrument; False when the search stops.
    bool TryDriver(const std::string& driverClass, std::int32_t firstUnit);
    // Which of the driver's ports the search tries: not a serial port already claimed by a
    // find, nor another port where this driver found its instrument before.
    std::vector<bool> PortsToTry(const std::string& driverClass, cls_DevicePorts& ports,
                                 bool serial);
    // Connects the device found on `port` and lets it name its channel; False when the search
    // is to stop.
    bool RecogniseChannel(int_Device& device, std::int32_t port, std::int32_t& channelNo,
                          std::string& channelName);
    void Finish();

    std::shared_ptr<cls_DeviceTool> registry_;
    bool logger_ = false;
    bool found_ = false;
    bool abort_ = false;
    bool searching_ = false;
    bool animating_ = false;
    std::int32_t frame_ = 0;
    std::shared_ptr<tlx::cls_CoreCollection> result_;
    std::shared_ptr<cls_DevicePorts> ports_;
    std::string step1_;
    std::string step2_;
    std::string step3_;
    std::int32_t progressMax_ = 0;
    std::int32_t progress_ = 0;
    std::shared_ptr<tlx::cls_CorePicture> icon_;
    std::vector<Row> rows_;
    std::map<std::string, std::shared_ptr<tlx::cls_CorePicture>> images_;
};

}  // namespace vodex
