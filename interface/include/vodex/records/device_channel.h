// A measuring channel: one measured quantity of an instrument, with its name, unit, latest
// value and status. Drivers write VALUE, STATUS and MEASURED on every measurement; clients
// read them and show STATUSTEXT or STATUSTEXTSHORT when a value is not valid.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tlx/data.h"
#include "vodex/enums.h"
#include "vodex/records/detail/field_record.h"

namespace vodex {

class cls_DeviceChannel : public detail::FieldRecord<cls_DeviceChannel> {
  public:
    cls_DeviceChannel();

    const std::string& TAG() const { return tag_; }
    void TAG(std::string v) { tag_ = std::move(v); }
    const std::string& NAME() const { return name_; }
    void NAME(std::string v) { name_ = std::move(v); }
    // Unit of the value, as "mS".
    const std::string& SIZE() const { return size_; }
    void SIZE(std::string v) { size_ = std::move(v); }
    // Carried for the client; the channel never applies them.
    double FACTOR() const { return factor_; }
    void FACTOR(double v) { factor_ = v; }
    double OFFSET() const { return offset_; }
    void OFFSET(double v) { offset_ = v; }
    // An enm_ChannelStatus value; any other number is kept as it is.
    std::int32_t STATUS() const { return status_; }
    void STATUS(std::int32_t v) { status_ = v; }
    // The driver's own status text, shown for ID_ChannelStatus_ErrUserDefined.
    const std::string& STATUSUSER() const { return statusUser_; }
    void STATUSUSER(std::string v) { statusUser_ = std::move(v); }
    bool MEASURE() const { return measure_; }
    void MEASURE(bool v) { measure_ = v; }
    double VALUE() const { return value_; }
    void VALUE(double v) { value_ = v; }
    std::int32_t FLAG() const { return flag_; }
    void FLAG(std::int32_t v) { flag_ = v; }
    bool MEASURED() const { return measured_; }
    void MEASURED(bool v) { measured_ = v; }

    // The key, held by the data object; reading converts it to a whole number (a text key
    // that is no number throws tlx::Error).
    std::int32_t ID() const;
    void ID(const tlx::Variant& v);

    using DataRecord::DATA;

    // The text of STATUS in the interface language.
    std::string STATUSTEXT() const;
    std::string STATUSTEXTSHORT() const;

    std::span<const std::string_view> INTERFACEIDS() const override;

  private:
    friend class detail::FieldRecord<cls_DeviceChannel>;
    static constexpr const char* kVersion = "1.1";
    static constexpr const char* kOldestVersion = "1.0";
    // The fields after the key, in the order they are packed and stored.
    template <class F, class... R>
    static void Fields(F& f, R&... r);

    std::string tag_;
    std::string name_;
    std::string size_;
    double factor_ = 0.0;
    double offset_ = 0.0;
    std::int32_t status_ = ID_ChannelStatus_Ready;
    std::string statusUser_;
    bool measure_ = false;
    double value_ = 0.0;
    std::int32_t flag_ = 0;
    bool measured_ = false;
};

extern template class detail::FieldRecord<cls_DeviceChannel>;

}  // namespace vodex
