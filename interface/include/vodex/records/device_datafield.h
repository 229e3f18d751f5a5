// The data field of a device: a series of x/y points that a driver delivers when the
// instrument returns a curve. Positions 1 to COUNT are the points; position 0 belongs to no
// point. Reads outside 1 to COUNT give 0 unless said otherwise.
//
// Sums, running sums, integrals, extremes, spans and intervals are computed together, in one
// pass, on the first read after a change, and kept until the points change again.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tlx/data.h"
#include "vodex/enums.h"

namespace vodex {

class cls_DeviceDatafield : public tlx::DataRecord {
  public:
    cls_DeviceDatafield();

    std::int32_t COUNT() const { return static_cast<std::int32_t>(x_.size()) - 1; }

    double x(std::int32_t pNr) const;
    double Y(std::int32_t pNr) const;
    // Sets a value; a position above COUNT first grows the field with (0, 0) points; a
    // position below 1 is ignored.
    void x(std::int32_t pNr, double v);
    void Y(std::int32_t pNr, double v);

    void ADD(double pX, double pY);
    // Removes a point; the later ones move down. Outside 1 to COUNT nothing happens.
    void REMOVE(std::int32_t pNr);
    // Sets both values of a point, growing the field when needed. Position 0 takes both
    // values without becoming a point; a negative position is ignored.
    void CHANGE(std::int32_t pNr, double pX, double pY);
    // Above COUNT the same as ADD; otherwise the points from `pNr` on move up by one and the
    // new point takes position `pNr`. A position below 1 throws tlx::Error.
    void INSERT(std::int32_t pNr, double pX, double pY);
    // Both values of a point; outside 1 to COUNT the arguments are left untouched.
    void Item(std::int32_t pNr, double& pX, double& pY) const;
    void CLEAR();
    // Copies of the arrays, positions 0 to COUNT.
    std::vector<double> XFIELD() const { return x_; }
    std::vector<double> YFIELD() const { return y_; }

    // The selected point: a stored 0 stands for the last point; a stored negative value
    // becomes 0 and reads 0; a value above COUNT becomes COUNT.
    std::int32_t CURRENT();
    void CURRENT(std::int32_t v);

    // Arranges the points exactly as exchanging them in the order i = 1..n, j = i+1..n
    // whenever the key of j comes before the key of i would (equal keys are never exchanged
    // with each other), without doing all of that work where it can be avoided. True when at
    // least one pair was exchanged; an unknown order changes nothing and gives False.
    bool SORT(std::int32_t pSort = ID_DatafieldSort_XAscending);

    // Position of the point whose x (y) lies nearest to `Vorgabe`; the first of equally near
    // points; 1 for an empty field.
    std::int32_t XNEAREST(double Vorgabe) const;
    std::int32_t YNEAREST(double Vorgabe) const;

    // x(pNr) - x(pNr - 1); 0 for position 1 and outside.
    double xd(std::int32_t pNr) const;
    double yd(std::int32_t pNr) const;
    // x(pNr + 1) - x(pNr - 1), not halved; 0 for the first and last point and outside.
    double XDM(std::int32_t pNr) const;
    double YDM(std::int32_t pNr) const;

    double XSUM();
    double YSUM();
    // The sum over positions 1 to pI; 0 for 0; a pI outside 0 to COUNT throws tlx::Error.
    double XSUMTO(std::int32_t pI);
    double YSUMTO(std::int32_t pI);
    // Right-hand rectangles: YINTEGRAL = sum of y(k) * xd(k), XINTEGRAL = sum of x(k) * yd(k).
    double XINTEGRAL();
    double YINTEGRAL();
    double XINTEGRALTO(std::int32_t pI);
    double YINTEGRALTO(std::int32_t pI);
    double Xmax();
    double Xmin();
    double Ymax();
    double ymin();
    double XDIF();
    double YDIF();
    // (maximum - minimum) / COUNT; 0 when empty.
    double XINTERVAL();
    double YINTERVAL();

    using DataRecord::DATA;

    std::span<const std::string_view> INTERFACEIDS() const override;

    void DATA_DataCopy(const tlx::Object& pOther, bool& pcDone) override;
    void DATA_DataPACK(std::string& pcPackage) override;
    void DATA_DataUnpack(const std::string& prPackage) override;
    void DATA_DataStore(tlx::cls_CoreFile& pFile) override;
    void DATA_DataRead(tlx::cls_CoreFile& pFile) override;
    void DATA_DataSpawn(tlx::ObjectRef& pcNewInstance) override;

  private:
    // Everything derived from the points, computed together in one pass; the buffers stay
    // between computations, so a new computation allocates nothing unless the field grew.
    struct Derived {
        std::vector<double> xSum;  // running sums, positions 0 to n
        std::vector<double> ySum;
        std::vector<double> xIntegral;  // running integrals, positions 0 to n
        std::vector<double> yIntegral;
        double xMax = 0;
        double xMin = 0;
        double yMax = 0;
        double yMin = 0;
    };
    const Derived& Compute();
    void Changed() { derivedValid_ = false; }
    void GrowTo(std::int32_t pNr);
    void SetPoints(std::vector<double> xs, std::vector<double> ys, std::int32_t current);

    std::vector<double> x_{0.0};
    std::vector<double> y_{0.0};
    std::int32_t current_ = 0;
    Derived derived_;
    bool derivedValid_ = false;
};

namespace detail {

// The arrangement that the exchange procedure gives for `keys` (positions 1 to n; position 0
// unused), as the original positions in their new order, and whether any pair was exchanged.
// `descending` exchanges when a later key is larger. Exposed for tests and benchmarks.
bool ExchangeSortOrder(const std::vector<double>& keys, bool descending,
                       std::vector<std::int32_t>& order);
// The procedure itself, literally, for comparison: O(n^2).
bool ExchangeSortOrderLiterally(const std::vector<double>& keys, bool descending,
                                std::vector<std::int32_t>& order);

}  // namespace detail
}  // namespace vodex
