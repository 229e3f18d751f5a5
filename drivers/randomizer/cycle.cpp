#include "cycle.h"

#include <bit>
#include <cmath>

#include "tlx/tools.h"
#include "vodex/core/device.h"

namespace vodex::randomizer {
namespace {

constexpr float kRestartAfter = 200;
constexpr float kDaySeconds = 86400;

// The working value v of channels 1 to 5 for the elapsed time t. A channel without a rule for
// t leaves v as the previous channel of the cycle left it.
void WorkingValue(std::int32_t id, float t, double& v) {
    const float x = t / 10000.0f;
    switch (id) {
        case 1:
        case 2:
            if (t < 100) {
                if (id == 1) {
                    v = -GuardedLog(x + (0.001 - 0.1 * x) / 0.01) / GuardedLog(10.0);
                } else if (x == 0) {
                    v = -7.6 / GuardedLog(10.0) + 4.75;
                } else {
                    v = -GuardedLog((0.001 - 0.1 * x) / (0.1 * x)) / GuardedLog(10.0) + 4.75;
                }
            } else if (t == 100) {
                // Exactly at the equivalence point both pH channels show 7 (channel 2 has no
                // rule of its own there).
                v = 7;
            } else {
                v = 14 - (-GuardedLog(x + (0.1 * x - 0.001) / 0.01) / GuardedLog(10.0));
            }
            break;
        case 3:
            if (t < 100) {
                v = 0.95 - 0.009 * t;
                if (t > 90) v += 0.004 * (t - 90);
            } else {
                v = 0.006 * (t - 100) + 0.05;
                if (t < 108) v += 0.005 * (108 - t);
            }
            break;
        case 4:
            // Heating starts at 30 s; before, the temperature stays at 0.
            if (t <= 30) v = 0;
            if (t > 30 && t < 50) v = 5 * (t - 30);
            if (t > 49 && t < 170) v = 100;
            if (t > 169) v = 100 + 3 * (t - 169);
            break;
        case 5:
            v = (2 * std::exp(-0.007 * t) - 2) / 2;
            break;
        default:
            break;
    }
}

}  // namespace

float DriverClock::Now() const {
    if (fixed_) return static_cast<float>(*fixed_);
    return static_cast<float>(tlx::CoreTools().CLOCK().SECONDS());
}

Draws::Draws() : origin_(std::random_device{}()) {}

void Draws::Seed(float clock) {
    rng_.seed(std::bit_cast<std::uint32_t>(clock) ^ origin_ ^ (++cycles_ * 0x9E3779B9u));
}

float Draws::Next() {
    if (!script_.empty()) return script_[next_++ % script_.size()];
    // 24 random bits: every value is exact in single precision and below 1.
    return static_cast<float>(rng_() >> 8) * (1.0f / 16777216.0f);
}

void Draws::Script(std::vector<float> draws) {
    script_ = std::move(draws);
    next_ = 0;
}

double GuardedLog(double a) {
    return a > 0 ? std::log(a) : 100.0;
}

void Chromatogram::Fill() {
    static constexpr struct {
        int seconds;
        float value;
    } kPeaks[] = {
        {10, 10.0f},          {64, 4.783682e-07f},  {66, 4.046732e-05f},  {68, 0.001894384f},
        {70, 0.04907412f},    {72, 0.7034903f},     {74, 5.580646f},      {76, 24.49808f},
        {78, 59.51145f},      {80, 80.0f},          {82, 61.52704f},      {84, 27.98944f},
        {86, 7.531375f},      {88, 1.198689f},      {90, 0.1128472f},     {92, 0.006283872f},
        {94, 0.0002069739f},  {96, 4.032333e-06f},  {98, 5.195659e-08f},  {100, 2.076785e-07f},
        {102, 5.559083e-06f}, {104, 0.0001052785f}, {106, 0.001410593f},  {108, 0.01337177f},
        {110, 0.08968108f},   {112, 0.4255376f},    {114, 1.428565f},     {116, 3.393028f},
        {118, 5.70164f},      {120, 6.778557f},     {122, 5.82883f},      {124, 3.706072f},
        {126, 1.742347f},     {128, 0.605696f},     {130, 0.1558971f},    {132, 0.03189143f},
        {134, 0.02343842f},   {136, 0.1261553f},    {138, 0.6385082f},    {140, 2.525219f},
        {142, 7.778218f},     {144, 18.65897f},     {146, 34.85955f},     {148, 50.72035f},
        {150, 57.47369f},     {152, 51.58137f},     {154, 37.2876f},      {156, 21.7112f},
        {158, 10.18241f},     {160, 3.846497f},     {162, 1.170383f},     {164, 0.2868389f},
        {166, 0.05662339f},   {168, 0.009003296f},  {170, 0.001153067f},  {172, 0.0001189476f},
        {174, 9.883353e-06f}, {176, 6.614561e-07f}, {178, 3.565701e-08f},
    };
    for (int k = 1; k <= 101; ++k) {
        x_[k] = static_cast<float>(2 * (k - 1));
        y_[k] = 0;
    }
    for (const auto& peak : kPeaks)
        y_[peak.seconds / 2 + 1] = peak.value;
    filled_ = true;
}

void Chromatogram::GC(float& xgc1, double& mw) {
    if (!filled_) Fill();
    int lo = 1;
    int hi = 2;
    for (int k = 1; k <= 101; ++k) {
        if (xgc1 == x_[k]) {
            mw = y_[k];
            return;
        }
        if (xgc1 < x_[k]) {
            lo = k - 1;
            hi = k;
            break;
        }
    }
    if (xgc1 < x_[1]) {
        lo = 1;
        hi = 2;
    }
    if (xgc1 > x_[100]) {
        lo = 100;
        hi = 101;
    }
    mw = y_[lo] + (xgc1 - x_[lo]) / (x_[hi] - x_[lo]) * (y_[hi] - y_[lo]);
}

void MeasuringCycle(int_Device& device, CycleState& state) {
    state.draws.Seed(state.clock.Now());
    if (device.STATUS() == ID_DeviceStatus_Error) return;
    const std::shared_ptr<cls_DeviceChannels> channels = device.CHANNELS();
    double v = 0;      // the working value, one for the whole cycle
    double value = 0;  // the channel value; a channel without a rule keeps the previous one
    for (std::int32_t i = 1; i <= channels->COUNT(); ++i) {
        const std::shared_ptr<cls_DeviceChannel> channel = channels->Item(i, true);
        if (!channel->MEASURE()) continue;
        float t = state.clock.Now() - state.start;
        if (t < 0 && state.start > 0) t += kDaySeconds;  // the time base began before midnight
        const std::int32_t id = channel->ID();
        WorkingValue(id, t, v);
        const float r = state.draws.Next();
        const float w = static_cast<float>((40 * r - 20) / 5 + 1000 * v);
        switch (id) {
            case 1:
            case 2:
                value = w / 1000.0f;
                break;
            case 3:
                value = w * 0.005;
                break;
            case 4:
                value = 2 * state.draws.Next() + v - 1;
                break;
            case 5:
                value = w / 500.0f;
                break;
            case 6: {
                float at = t;
                state.chromatogram.GC(at, value);
                value += state.draws.Next() / 2;
                break;
            }
            case 7:
                value = state.draws.Next();
                break;
            default:
                break;
        }
        if (t > kRestartAfter) state.start = state.clock.Now();
        channel->VALUE(value);
        channel->MEASURED(true);
    }
}

}  // namespace vodex::randomizer
