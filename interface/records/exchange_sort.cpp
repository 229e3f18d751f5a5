// The arrangement of the data field's exchange sort, found without doing all of its work.
//
// The procedure: for i = 1..n, for j = i+1..n, exchange points i and j when key(j) comes
// before key(i). In pass i the point held at i is a carry; each later point whose key comes
// before the carry's takes the carry's place there and becomes the carry itself, and the last
// carry ends at i. So a pass only touches the chain of positions where the carry changes:
//  - a field that is already in order has no chain at all (checked in one pass);
//  - with all keys distinct the result is the one sorted arrangement (any O(n log n) sort);
//  - otherwise each pass follows its chain with a tree of minima, which finds the next
//    position whose key comes before the carry in O(log n), and finishes the pass with a plain
//    scan when the chain grows long; when most passes need that, the remaining passes run as
//    plain scans, so the work never exceeds the procedure's own by more than a constant.
// A key that is no number compares false both ways: it never comes before a carry, and a pass
// that starts at it exchanges nothing, so it never moves; the numbers are arranged around it.
#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "vodex/records/device_datafield.h"

namespace vodex::detail {
namespace {

// Minimum of the keys over position ranges; leaves past the last position hold +infinity.
class MinTree {
  public:
    MinTree(const std::vector<double>& keys, const std::vector<std::int32_t>& at)
        : n_(keys.size() - 1),
          size_(std::bit_ceil(std::max<std::size_t>(n_, 1))),
          tree_(2 * size_, std::numeric_limits<double>::infinity()) {
        Rebuild(keys, at);
    }

    void Rebuild(const std::vector<double>& keys, const std::vector<std::int32_t>& at) {
        for (std::size_t pos = 1; pos <= n_; ++pos)
            tree_[size_ + pos - 1] = keys[Index(at[pos])];
        for (std::size_t node = size_ - 1; node >= 1; --node) {
            tree_[node] = std::min(tree_[2 * node], tree_[2 * node + 1]);
        }
    }

    // Renews the leaves from `from` to the last position and everything above them.
    void RebuildFrom(std::int32_t from, const std::vector<double>& keys,
                     const std::vector<std::int32_t>& at) {
        const std::size_t first = Index(from);
        if (first < 1 || first > n_) return;
        for (std::size_t pos = first; pos <= n_; ++pos)
            tree_[size_ + pos - 1] = keys[Index(at[pos])];
        for (std::size_t lo = (size_ + first - 1) / 2, hi = (size_ + n_ - 1) / 2; lo >= 1;
             lo /= 2, hi /= 2) {
            for (std::size_t node = lo; node <= hi; ++node) {
                tree_[node] = std::min(tree_[2 * node], tree_[2 * node + 1]);
            }
        }
    }

    void Set(std::int32_t pos, double value) {
        std::size_t node = size_ + Index(pos) - 1;
        tree_[node] = value;
        for (node /= 2; node >= 1; node /= 2) {
            tree_[node] = std::min(tree_[2 * node], tree_[2 * node + 1]);
        }
    }

    // The first position after `after` whose key is below `limit`, or 0.
    std::int32_t FirstBelow(std::int32_t after, double limit) const {
        if (Index(after) >= n_) return 0;
        std::size_t node = size_ + Index(after);  // the leaf of position after + 1
        while (!(tree_[node] < limit)) {
            while (node & 1)
                node >>= 1;           // climb while this is a right child
            if (node == 0) return 0;  // passed the root: nothing to the right
            ++node;
        }
        while (node < size_)
            node = tree_[2 * node] < limit ? 2 * node : 2 * node + 1;
        return static_cast<std::int32_t>(node - size_ + 1);
    }

  private:
    static std::size_t Index(std::int32_t v) { return static_cast<std::size_t>(v); }

    std::size_t n_;
    std::size_t size_;
    std::vector<double> tree_;
};

std::vector<std::int32_t> Identity(std::size_t n) {
    std::vector<std::int32_t> order(n + 1);
    for (std::size_t i = 0; i <= n; ++i)
        order[i] = static_cast<std::int32_t>(i);
    return order;
}

}  // namespace

bool ExchangeSortOrderLiterally(const std::vector<double>& keys, bool descending,
                                std::vector<std::int32_t>& order) {
    const std::size_t n = keys.empty() ? 0 : keys.size() - 1;
    order = Identity(n);
    bool exchanged = false;
    for (std::size_t i = 1; i <= n; ++i) {
        for (std::size_t j = i + 1; j <= n; ++j) {
            const double kj = keys[static_cast<std::size_t>(order[j])];
            const double ki = keys[static_cast<std::size_t>(order[i])];
            if (descending ? kj > ki : kj < ki) {
                std::swap(order[i], order[j]);
                exchanged = true;
            }
        }
    }
    return exchanged;
}

bool ExchangeSortOrder(const std::vector<double>& keys, bool descending,
                       std::vector<std::int32_t>& order) {
    const std::size_t n = keys.empty() ? 0 : keys.size() - 1;
    order = Identity(n);
    if (n < 2) return false;
    std::vector<std::int32_t> numbers;  // positions whose key is a number
    numbers.reserve(n);
    for (std::size_t i = 1; i <= n; ++i) {
        if (!std::isnan(keys[i])) numbers.push_back(static_cast<std::int32_t>(i));
    }
    if (numbers.size() < n) {
        std::vector<double> numericKeys(numbers.size() + 1);
        for (std::size_t t = 0; t < numbers.size(); ++t) {
            numericKeys[t + 1] = keys[static_cast<std::size_t>(numbers[t])];
        }
        std::vector<std::int32_t> numericOrder;
        const bool exchanged = ExchangeSortOrder(numericKeys, descending, numericOrder);
        for (std::size_t t = 1; t < numericOrder.size(); ++t) {
            order[static_cast<std::size_t>(numbers[t - 1])] =
                numbers[static_cast<std::size_t>(numericOrder[t]) - 1];
        }
        return exchanged;
    }
    // Descending order is ascending order of the negated keys (exact for every number).
    std::vector<double> k(keys);
    if (descending) {
        for (double& v : k)
            v = -v;
    }

    bool ordered = true;
    for (std::size_t i = 1; i < n && ordered; ++i)
        ordered = !(k[i + 1] < k[i]);
    if (ordered) return false;  // no pair is ever exchanged

    {
        std::vector<std::pair<double, std::int32_t>> byKey(n);
        for (std::size_t i = 1; i <= n; ++i)
            byKey[i - 1] = {k[i], static_cast<std::int32_t>(i)};
        std::sort(byKey.begin(), byKey.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        bool distinct = true;
        for (std::size_t i = 1; i < n && distinct; ++i) {
            distinct = byKey[i - 1].first < byKey[i].first;
        }
        if (distinct) {  // the sorted arrangement is unique
            for (std::size_t i = 1; i <= n; ++i)
                order[i] = byKey[i - 1].second;
            return true;
        }
    }

    // Equal keys: follow each pass's chain of exchanges.
    std::vector<std::int32_t>& at = order;  // at[pos] = original position now at pos
    MinTree tree(k, at);
    const auto logN = static_cast<std::size_t>(std::bit_width(n));
    auto key = [&k](std::int32_t original) { return k[static_cast<std::size_t>(original)]; };
    // The rest of pass `i` as a plain scan from `pos`: every later key before the carry's
    // takes the carry's place and becomes the carry. Returns the carry that ends at i.
    auto scan = [&](std::size_t pos, std::int32_t carry, std::vector<std::int32_t>* touched) {
        double carryKey = key(carry);
        for (std::size_t j = pos + 1; j <= n; ++j) {
            if (key(at[j]) < carryKey) {
                std::swap(at[j], carry);
                carryKey = key(carry);
                if (touched) touched->push_back(static_cast<std::int32_t>(j));
            }
        }
        return carry;
    };
    std::vector<std::int32_t> touched;
    std::size_t longChains = 0;
    std::size_t i = 1;
    for (; i < n; ++i) {
        if (i > 64 && 2 * longChains > i) break;  // chains are long: plain scans from here on
        std::int32_t carry = at[i];
        double carryKey = key(carry);
        auto pos = static_cast<std::int32_t>(i);
        const std::size_t budget = std::max<std::size_t>(16, (n - i) / (2 * logN));
        for (std::size_t steps = 0;; ++steps) {
            if (steps > budget) {
                ++longChains;
                touched.clear();
                carry = scan(static_cast<std::size_t>(pos), carry, &touched);
                if (touched.size() * logN > n - i) {
                    tree.RebuildFrom(static_cast<std::int32_t>(i + 1), k, at);
                } else {
                    for (std::int32_t j : touched)
                        tree.Set(j, key(at[static_cast<std::size_t>(j)]));
                }
                break;
            }
            const std::int32_t next = tree.FirstBelow(pos, carryKey);
            if (next == 0) break;
            std::int32_t& there = at[static_cast<std::size_t>(next)];
            std::swap(there, carry);
            tree.Set(next, carryKey);  // the old carry now lies there
            carryKey = key(carry);
            pos = next;
        }
        at[i] = carry;  // position i is final and never searched again
    }
    for (; i < n; ++i)
        at[i] = scan(i, at[i], nullptr);
    return true;
}

}  // namespace vodex::detail
