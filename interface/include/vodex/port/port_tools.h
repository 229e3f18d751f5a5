// The serial port's published tools: a timing tool (a delay, a start time and an elapsed
// test that survives midnight) and a conversion between texts of binary digits and numbers,
// held together by cls_VQPortTool.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "tlx/object.h"

namespace vodex {

class cls_VQPortToolTime : public tlx::Object {
  public:
    // A tool on the system's seconds-since-midnight clock, or on `clock`.
    explicit cls_VQPortToolTime(std::function<double()> clock = {}) : clock_(std::move(clock)) {}

    std::span<const std::string_view> INTERFACEIDS() const override;
    // Waits `pMilli` milliseconds, letting window events run.
    void DELAY(std::int16_t pMilli);
    // The seconds-since-midnight clock.
    double START();
    // Whether `pDuration` seconds have passed since `rStart`; after midnight `rStart` is moved
    // back by a day (and written back), so the elapsed time runs on. Lets window events run
    // once when the time is not up yet. Callers poll it in a loop.
    bool OUT(double& rStart, double& pDuration);

  private:
    double Now() const;
    std::function<double()> clock_;
};

class cls_VQPortToolConv : public tlx::Object {
  public:
    std::span<const std::string_view> INTERFACEIDS() const override;
    // The number of a text of binary digits, most significant first ("101" gives 5); any
    // character other than a digit counts as 0. Throws tlx::Error ("overflow") beyond the
    // 32-bit range.
    std::int32_t BIN2LNG(const std::string& pExpression);
    // The binary digits of a number without leading zeros ("0" for 0); for a negative number
    // each digit carries the sign ("-10-1" for -5).
    std::string LNG2BIN(std::int32_t pExpression);
};

class cls_VQPortTool : public tlx::Object {
  public:
    cls_VQPortTool();
    std::span<const std::string_view> INTERFACEIDS() const override;
    std::shared_ptr<cls_VQPortToolTime> TIMING() const { return timing_; }
    void TIMING(std::shared_ptr<cls_VQPortToolTime> v) { timing_ = std::move(v); }
    std::shared_ptr<cls_VQPortToolConv> CONV() const { return conv_; }
    void CONV(std::shared_ptr<cls_VQPortToolConv> v) { conv_ = std::move(v); }

  private:
    std::shared_ptr<cls_VQPortToolTime> timing_;
    std::shared_ptr<cls_VQPortToolConv> conv_;
};

}  // namespace vodex
