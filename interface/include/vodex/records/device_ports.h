// The port list of a device. Positions 1 to COUNT are the ports; unlike the channel list, a
// miss gives nothing. COMPORTS adds the machine's serial ports, each probed for presence.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vodex/enums.h"
#include "vodex/records/detail/field_record.h"
#include "vodex/records/detail/record_array.h"
#include "vodex/records/device_port.h"

namespace vodex {

class cls_DevicePorts
    : public detail::FieldRecord<cls_DevicePorts, detail::RecordList<cls_DevicePort>> {
  public:
    cls_DevicePorts();

    // EXISTS, COUNT, REMOVE(pID, pForceIndex = False), ADD(pEntry, pID), INFO, DATA and
    // DATABASE come from the record list.

    // An enm_PortCategory value; 0 for a new list.
    std::int32_t CATEGORY() const { return category_; }
    void CATEGORY(std::int32_t v) { category_ = v; }

    // With `pForceIndex` the port at position `pID`, else the first port with the key `pID`;
    // nothing when there is none.
    std::shared_ptr<cls_DevicePort> Item(const tlx::Variant& pID, bool pForceIndex = true) {
        return Found(pID, pForceIndex);
    }
    // Makes a port and appends it under the key `pID`. The names "COM1" to "COM4" (also
    // written "COM 1" to "COM 4") are checked against the ports present: a missing one is
    // named "--- n" and is not available. Returns the entry now last.
    std::shared_ptr<cls_DevicePort> CREATE(const tlx::Variant& pID, const std::string& pName,
                                           bool pAvailable = true);
    // Appends the serial ports 1 to "PortMax": "COM n" for a present port, else "--- n".
    void COMPORTS();
    // Makes the next port check probe the ports again.
    void RESETCACHE();
    // Names the serial ports of the list as the port check finds them now, the rule of every
    // window: an entry named "COM n" or "--- n" after its own number n reads "COM n" and is
    // available when port n is present, else "--- n" and not available. Entries under other
    // names stay as their driver made them.
    void hPortsRefresh();
    bool LOAD(const std::string& pFile, const std::string& pPW = {});
    bool SAVE(const std::string& pFile, const std::string& pPW = {});

    std::span<const std::string_view> INTERFACEIDS() const override;

  private:
    friend class detail::FieldRecord<cls_DevicePorts, detail::RecordList<cls_DevicePort>>;
    static constexpr const char* kVersion = "1.1";
    static constexpr const char* kOldestVersion = "1.0";
    // The fields after the key, in the order they are packed and stored.
    template <class F, class... R>
    static void Fields(F& f, R&... r);

    std::int32_t category_ = 0;
};

extern template class detail::FieldRecord<cls_DevicePorts, detail::RecordList<cls_DevicePort>>;

}  // namespace vodex
