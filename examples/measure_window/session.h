// What the sample measuring program does, without its window: choose a driver and its port
// and channel through the library's dialogs, connect through the device manager (the
// connection checklist when that fails), measure on each cycle, and keep the chosen
// channel's readings for the curve.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "vodex/core/device.h"
#include "vodex/core/sys_device.h"

namespace vodex::example {

class MeasureSession {
  public:
    struct Row {
        std::string channel;
        std::string value;  // the reading, or the channel's short status text
    };

    MeasureSession();
    ~MeasureSession();

    // USERSELECT, then SETTINGS on the chosen driver: whether both were confirmed.
    bool Choose();
    // The driver, port and channel given, without asking (for the pictures).
    void Use(std::string driverClass, std::int32_t port, std::int32_t channel);
    // Connects the chosen driver on the chosen port; on failure shows the connection
    // checklist and answers False.
    bool Connect();
    void Disconnect();
    bool Connected() const { return device_ != nullptr; }
    // One measuring cycle at `seconds` since connecting.
    void Cycle(double seconds);
    // The communication settings of the chosen driver's device.
    bool CommunicationSettings();

    const std::string& DriverClass() const { return class_; }
    std::string DeviceName() const;
    std::string ChannelName() const;
    std::string StatusText() const;
    std::vector<Row> Rows() const;
    // The chosen channel's readings: (seconds, value), the newest last, at most kKept.
    const std::deque<std::pair<double, double>>& Curve() const { return curve_; }
    static constexpr std::size_t kKept = 600;

  private:
    // Gives the device back to the manager.
    void Release(const std::shared_ptr<int_Device>& device);

    std::shared_ptr<sys_Device> entry_;
    std::string class_;
    std::int32_t port_ = 0;
    std::int32_t channel_ = 0;
    std::shared_ptr<int_Device> device_;
    std::deque<std::pair<double, double>> curve_;
};

}  // namespace vodex::example
