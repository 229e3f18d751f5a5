// The driver of meters that send lines of text (pH, conductivity and temperature meters,
// microcontroller kits), described instead of compiled: one component serves every installed
// description, under the name Vodex_Line_<ID> of each (the component file is named so, and its
// description lies beside it as Vodex_Line_<ID>.linemeter). A streaming meter's lines are
// taken as they come, the newest line matching a channel's pattern giving its reading; a meter
// that is asked gets the description's request each cycle, and its lines are read until every
// channel to measure has its reading or the time-out. A number beyond a channel's limits is its
// range error, never a value; a line that matches no channel, no line at all, or a line longer
// than a meter sends put the device in error, saying why. Detection sends the identification
// request (when described) to every port at once and takes the first whose answer matches;
// otherwise it sends the request, or listens, and takes a port whose line matches a channel.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "description.h"
#include "tlx/cominfo_class.h"
#include "tlx/dispatch.h"
#include "vodex/drivers/serial_driver.h"

namespace vodex::linemeter {

class cls_LineMeter : public drivers::SerialDriver<cls_LineMeter> {
  public:
    void DeviceExecute() override;

    // Late-bound: DEVICE; TIMEOUT, the seconds an answer or a line may take (the description's
    // unless set); DESCRIPTIONFILE, the description the driver was made from.
    tlx::Variant GetProperty(std::string_view name) override;

  private:
    friend class drivers::SerialDriver<cls_LineMeter>;
    explicit cls_LineMeter(std::shared_ptr<const Description> description, std::string file);
    void Describe();
    bool Reach(std::int32_t port);
    std::optional<std::int32_t> Search();
    bool StillThere();
    // Sends `request` (unless empty) and gathers the lines that come until `enough`, shown each
    // new line once, says it is enough, or the time-out, or a cancelled wait; lines that came
    // before the request are dropped. False when the port failed (portFailure_ says why).
    template <class Enough>
    bool Gather(const std::string& request, std::vector<std::string>& lines, Enough&& enough);
    // Whether a channel's pattern matches `line`.
    bool AnyChannelMatches(const std::string& line) const;
    void Fail(const std::string& why);

    std::shared_ptr<const Description> description_;
    std::string file_;
    LineSplitter splitter_;
    std::string portFailure_;
    std::string identity_;  // the answer to the identification request
};

class inf_LineMeter : public tlx::ComInfoClass {
  public:
    explicit inf_LineMeter(const std::string& component);
};

// The pictures of an icon name of descriptions (meter, ph, conductivity, thermometer).
std::shared_ptr<tlx::cls_CorePicture> ProductPicture(const std::string& icon);
std::shared_ptr<tlx::cls_CorePicture> IconPicture(const std::string& icon);

}  // namespace vodex::linemeter
