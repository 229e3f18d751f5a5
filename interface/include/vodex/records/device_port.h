// A port over which a device can be reached: its name as shown to the user ("COM 3", or
// "--- 3" for a port that is missing) and whether it can be used now. Its key is the port
// number.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tlx/data.h"
#include "vodex/records/detail/field_record.h"

namespace vodex {

class cls_DevicePort : public detail::FieldRecord<cls_DevicePort> {
  public:
    cls_DevicePort();

    const std::string& NAME() const { return name_; }
    void NAME(std::string v) { name_ = std::move(v); }
    bool AVAILABLE() const { return available_; }
    void AVAILABLE(bool v) { available_ = v; }
    // The port number, held by the data object; reading converts it to a whole number.
    std::int32_t ID() const;
    void ID(const tlx::Variant& v);

    using DataRecord::DATA;

    std::span<const std::string_view> INTERFACEIDS() const override;

  private:
    friend class detail::FieldRecord<cls_DevicePort>;
    static constexpr const char* kVersion = "1.0";
    static constexpr const char* kOldestVersion = "1.0";
    // The fields after the key, in the order they are packed and stored.
    template <class F, class... R>
    static void Fields(F& f, R&... r);

    std::string name_;
    bool available_ = false;
};

extern template class detail::FieldRecord<cls_DevicePort>;

}  // namespace vodex
