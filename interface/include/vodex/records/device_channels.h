// The channel list of a device. Positions 1 to COUNT are the channels; position 0 holds a
// spare channel that is never counted, so that Item never gives nothing and a miss can be
// written to without effect on the list.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vodex/records/detail/field_record.h"
#include "vodex/records/detail/record_array.h"
#include "vodex/records/device_channel.h"

namespace vodex {

class cls_DeviceChannels
    : public detail::FieldRecord<cls_DeviceChannels, detail::RecordList<cls_DeviceChannel>> {
  public:
    cls_DeviceChannels();

    // EXISTS, COUNT, REMOVE(pID, pForceIndex = False), ADD(pEntry, pID), INFO, DATA and
    // DATABASE come from the record list.

    // With `pForceIndex` the channel at position `pID`, else the first channel with the key
    // `pID`; the spare channel when there is none.
    std::shared_ptr<cls_DeviceChannel> Item(const tlx::Variant& pID, bool pForceIndex = true);
    // Makes a channel and appends it under the key `pID`; whether the key is in use already
    // is not checked. Returns the entry now last.
    std::shared_ptr<cls_DeviceChannel> CREATE(const tlx::Variant& pID, const std::string& pName,
                                              const std::string& pSize, double pFactor = 1.0,
                                              double pOffset = 0.0);
    // Read or store the list in a file; False on any error (what was read stays).
    bool LOAD(const std::string& pFile, const std::string& pPW = {});
    bool SAVE(const std::string& pFile, const std::string& pPW = {});
    // Clears the measurement of every channel: STATUS, MEASURE, MEASURED, VALUE and FLAG.
    void RESET();

    std::span<const std::string_view> INTERFACEIDS() const override;

  private:
    friend class detail::FieldRecord<cls_DeviceChannels, detail::RecordList<cls_DeviceChannel>>;
    static constexpr const char* kVersion = "1.0";
    static constexpr const char* kOldestVersion = "1.0";
    // The fields after the key, in the order they are packed and stored.
    template <class F, class... R>
    static void Fields(F& f, R&... r);
};

extern template class detail::FieldRecord<cls_DeviceChannels,
                                          detail::RecordList<cls_DeviceChannel>>;

}  // namespace vodex
