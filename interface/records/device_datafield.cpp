#include "vodex/records/device_datafield.h"

#include <cmath>

#include "record_io.h"
#include "tlx/error.h"
#include "tlx/file.h"
#include "tlx/tools.h"
#include "vodex/interface_ids.h"

namespace vodex {
namespace {

constexpr const char* kVersion = "2.0";

std::size_t At(std::int32_t pNr) {
    return static_cast<std::size_t>(pNr);
}

tlx::Variant ToArray(const std::vector<double>& values) {
    std::vector<tlx::Variant> items;
    items.reserve(values.size());
    for (double v : values)
        items.emplace_back(v);
    return tlx::Variant::Array(0, std::move(items));
}

std::vector<double> FromArray(const tlx::Variant& v) {
    const tlx::VariantArray& a = v.ToArray();
    if (a.LBound() != 0 || a.Size() == 0) {
        throw tlx::Error("the points of a data field must count from position 0");
    }
    std::vector<double> values;
    values.reserve(a.Size());
    for (const tlx::Variant& e : a.Items())
        values.push_back(e.ToDouble());
    return values;
}

[[noreturn]] void OutOfRange(std::int32_t pI, std::int32_t n) {
    throw tlx::Error("index out of range: " + std::to_string(pI) + " is not within 0 to " +
                     std::to_string(n));
}

}  // namespace

cls_DeviceDatafield::cls_DeviceDatafield()
    : DataRecord(std::string(kLibraryName) + ".cls_DeviceDatafield") {}

double cls_DeviceDatafield::x(std::int32_t pNr) const {
    return pNr >= 1 && pNr <= COUNT() ? x_[At(pNr)] : 0.0;
}

double cls_DeviceDatafield::Y(std::int32_t pNr) const {
    return pNr >= 1 && pNr <= COUNT() ? y_[At(pNr)] : 0.0;
}

void cls_DeviceDatafield::GrowTo(std::int32_t pNr) {
    if (pNr > COUNT()) {
        x_.resize(At(pNr) + 1, 0.0);
        y_.resize(At(pNr) + 1, 0.0);
    }
}

void cls_DeviceDatafield::x(std::int32_t pNr, double v) {
    if (pNr < 1) return;
    GrowTo(pNr);
    x_[At(pNr)] = v;
    Changed();
}

void cls_DeviceDatafield::Y(std::int32_t pNr, double v) {
    if (pNr < 1) return;
    GrowTo(pNr);
    y_[At(pNr)] = v;
    Changed();
}

void cls_DeviceDatafield::ADD(double pX, double pY) {
    x_.push_back(pX);
    y_.push_back(pY);
    Changed();
}

void cls_DeviceDatafield::REMOVE(std::int32_t pNr) {
    if (pNr < 1 || pNr > COUNT()) return;
    x_.erase(x_.begin() + pNr);
    y_.erase(y_.begin() + pNr);
    Changed();
}

void cls_DeviceDatafield::CHANGE(std::int32_t pNr, double pX, double pY) {
    if (pNr < 0) return;
    GrowTo(pNr);
    x_[At(pNr)] = pX;
    y_[At(pNr)] = pY;
    Changed();
}

void cls_DeviceDatafield::INSERT(std::int32_t pNr, double pX, double pY) {
    if (pNr < 1) {
        throw tlx::Error("a point cannot be inserted at position " + std::to_string(pNr) +
                         "; positions count from 1");
    }
    if (pNr > COUNT()) {
        ADD(pX, pY);
        return;
    }
    x_.insert(x_.begin() + pNr, pX);
    y_.insert(y_.begin() + pNr, pY);
    Changed();
}

void cls_DeviceDatafield::Item(std::int32_t pNr, double& pX, double& pY) const {
    if (pNr < 1 || pNr > COUNT()) return;
    pX = x_[At(pNr)];
    pY = y_[At(pNr)];
}

void cls_DeviceDatafield::CLEAR() {
    x_.assign(1, 0.0);
    y_.assign(1, 0.0);
    Changed();
}

std::int32_t cls_DeviceDatafield::CURRENT() {
    if (current_ < 0) {
        current_ = 0;
        return 0;
    }
    if (current_ == 0) return COUNT();
    if (current_ > COUNT()) current_ = COUNT();
    return current_;
}

void cls_DeviceDatafield::CURRENT(std::int32_t v) {
    current_ = v < 0 ? 0 : v > COUNT() ? COUNT() : v;
}

bool cls_DeviceDatafield::SORT(std::int32_t pSort) {
    if (pSort < ID_DatafieldSort_XAscending || pSort > ID_DatafieldSort_YDescending) return false;
    const bool byX = pSort == ID_DatafieldSort_XAscending || pSort == ID_DatafieldSort_XDescending;
    const bool descending =
        pSort == ID_DatafieldSort_XDescending || pSort == ID_DatafieldSort_YDescending;
    std::vector<std::int32_t> order;
    if (!detail::ExchangeSortOrder(byX ? x_ : y_, descending, order)) return false;
    // Points move along the cycles of the arrangement; a visited place is marked by negating
    // its entry, so no second copy of the field is needed.
    for (std::size_t start = 1; start < order.size(); ++start) {
        if (order[start] < 0) continue;
        const double firstX = x_[start];
        const double firstY = y_[start];
        std::size_t to = start;
        for (;;) {
            const std::size_t from = At(order[to]);
            order[to] = -order[to];
            if (from == start) break;
            x_[to] = x_[from];
            y_[to] = y_[from];
            to = from;
        }
        x_[to] = firstX;
        y_[to] = firstY;
    }
    Changed();
    return true;
}

std::int32_t cls_DeviceDatafield::XNEAREST(double Vorgabe) const {
    std::int32_t best = 1;
    double distance = std::fabs(Vorgabe - x(1));
    for (std::int32_t i = 1; i <= COUNT(); ++i) {
        const double d = std::fabs(Vorgabe - x_[At(i)]);
        if (d < distance) {
            distance = d;
            best = i;
        }
    }
    return best;
}

std::int32_t cls_DeviceDatafield::YNEAREST(double Vorgabe) const {
    std::int32_t best = 1;
    double distance = std::fabs(Vorgabe - Y(1));
    for (std::int32_t i = 1; i <= COUNT(); ++i) {
        const double d = std::fabs(Vorgabe - y_[At(i)]);
        if (d < distance) {
            distance = d;
            best = i;
        }
    }
    return best;
}

double cls_DeviceDatafield::xd(std::int32_t pNr) const {
    return pNr >= 2 && pNr <= COUNT() ? x_[At(pNr)] - x_[At(pNr - 1)] : 0.0;
}

double cls_DeviceDatafield::yd(std::int32_t pNr) const {
    return pNr >= 2 && pNr <= COUNT() ? y_[At(pNr)] - y_[At(pNr - 1)] : 0.0;
}

double cls_DeviceDatafield::XDM(std::int32_t pNr) const {
    return pNr >= 2 && pNr < COUNT() ? x_[At(pNr + 1)] - x_[At(pNr - 1)] : 0.0;
}

double cls_DeviceDatafield::YDM(std::int32_t pNr) const {
    return pNr >= 2 && pNr < COUNT() ? y_[At(pNr + 1)] - y_[At(pNr - 1)] : 0.0;
}

const cls_DeviceDatafield::Derived& cls_DeviceDatafield::Compute() {
    if (derivedValid_) return derived_;
    const std::size_t n = x_.size() - 1;
    Derived& d = derived_;
    for (auto* v : {&d.xSum, &d.ySum, &d.xIntegral, &d.yIntegral})
        v->resize(n + 1);
    double* xSum = d.xSum.data();
    double* ySum = d.ySum.data();
    double* xIntegral = d.xIntegral.data();
    double* yIntegral = d.yIntegral.data();
    const double* xs = x_.data();
    const double* ys = y_.data();
    xSum[0] = ySum[0] = xIntegral[0] = yIntegral[0] = 0.0;
    double sx = 0, sy = 0, ix = 0, iy = 0;
    const double x1 = n >= 1 ? xs[1] : 0.0;
    const double y1 = n >= 1 ? ys[1] : 0.0;
    double xMax = x1, xMin = x1, yMax = y1, yMin = y1;
    for (std::size_t i = 1; i <= n; ++i) {
        const double xi = xs[i];
        const double yi = ys[i];
        sx += xi;
        sy += yi;
        if (i >= 2) {  // the differences to the point before; 0 for the first point
            iy += yi * (xi - xs[i - 1]);
            ix += xi * (yi - ys[i - 1]);
        }
        xSum[i] = sx;
        ySum[i] = sy;
        xIntegral[i] = ix;
        yIntegral[i] = iy;
        if (xi > xMax) xMax = xi;
        if (xi < xMin) xMin = xi;
        if (yi > yMax) yMax = yi;
        if (yi < yMin) yMin = yi;
    }
    d.xMax = xMax;
    d.xMin = xMin;
    d.yMax = yMax;
    d.yMin = yMin;
    derivedValid_ = true;
    return d;
}

double cls_DeviceDatafield::XSUM() {
    return Compute().xSum.back();
}
double cls_DeviceDatafield::YSUM() {
    return Compute().ySum.back();
}

double cls_DeviceDatafield::XSUMTO(std::int32_t pI) {
    if (pI < 0 || pI > COUNT()) OutOfRange(pI, COUNT());
    return Compute().xSum[At(pI)];
}

double cls_DeviceDatafield::YSUMTO(std::int32_t pI) {
    if (pI < 0 || pI > COUNT()) OutOfRange(pI, COUNT());
    return Compute().ySum[At(pI)];
}

double cls_DeviceDatafield::XINTEGRAL() {
    return Compute().xIntegral.back();
}
double cls_DeviceDatafield::YINTEGRAL() {
    return Compute().yIntegral.back();
}

double cls_DeviceDatafield::XINTEGRALTO(std::int32_t pI) {
    if (pI < 0 || pI > COUNT()) OutOfRange(pI, COUNT());
    return Compute().xIntegral[At(pI)];
}

double cls_DeviceDatafield::YINTEGRALTO(std::int32_t pI) {
    if (pI < 0 || pI > COUNT()) OutOfRange(pI, COUNT());
    return Compute().yIntegral[At(pI)];
}

double cls_DeviceDatafield::Xmax() {
    return Compute().xMax;
}
double cls_DeviceDatafield::Xmin() {
    return Compute().xMin;
}
double cls_DeviceDatafield::Ymax() {
    return Compute().yMax;
}
double cls_DeviceDatafield::ymin() {
    return Compute().yMin;
}
double cls_DeviceDatafield::XDIF() {
    return Xmax() - Xmin();
}
double cls_DeviceDatafield::YDIF() {
    return Ymax() - ymin();
}
double cls_DeviceDatafield::XINTERVAL() {
    return COUNT() == 0 ? 0.0 : XDIF() / COUNT();
}
double cls_DeviceDatafield::YINTERVAL() {
    return COUNT() == 0 ? 0.0 : YDIF() / COUNT();
}

void cls_DeviceDatafield::SetPoints(std::vector<double> xs, std::vector<double> ys,
                                    std::int32_t current) {
    if (xs.size() != ys.size() || xs.empty()) {
        throw tlx::Error("the x and y values of a data field must be equally many");
    }
    x_ = std::move(xs);
    y_ = std::move(ys);
    current_ = current;
    Changed();
}

void cls_DeviceDatafield::DATA_DataCopy(const tlx::Object& pOther, bool& pcDone) {
    const auto& o = detail::SameClass<cls_DeviceDatafield>(pOther);
    SetPoints(o.x_, o.y_, o.current_);
    pcDone = true;
}

void cls_DeviceDatafield::DATA_DataPACK(std::string& pcPackage) {
    pcPackage = tlx::CoreTools().PACKER().PACK({ToArray(x_), ToArray(y_), current_});
}

void cls_DeviceDatafield::DATA_DataUnpack(const std::string& prPackage) {
    const std::vector<tlx::Variant> v = tlx::CoreTools().PACKER().UNPACK(prPackage, 3);
    SetPoints(FromArray(v[0]), FromArray(v[1]), v[2].ToInt32());
}

void cls_DeviceDatafield::DATA_DataStore(tlx::cls_CoreFile& pFile) {
    pFile.WRITE(kVersion);
    pFile.WRITE(ToArray(x_));
    pFile.WRITE(ToArray(y_));
    pFile.WRITE(current_);
}

void cls_DeviceDatafield::DATA_DataRead(tlx::cls_CoreFile& pFile) {
    if (pFile.READ().ToText() != kVersion) return;
    std::vector<double> xs = FromArray(pFile.READ());
    std::vector<double> ys = FromArray(pFile.READ());
    SetPoints(std::move(xs), std::move(ys), pFile.READ().ToInt32());
}

void cls_DeviceDatafield::DATA_DataSpawn(tlx::ObjectRef& pcNewInstance) {
    pcNewInstance = std::make_shared<cls_DeviceDatafield>();
}

std::span<const std::string_view> cls_DeviceDatafield::INTERFACEIDS() const {
    return iid::cls_DeviceDatafield;
}

}  // namespace vodex
