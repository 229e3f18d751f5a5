// The arrangement of the data field's exchange sort, found in O(n log n).
//
// The procedure: for i = 1..n, for j = i+1..n, exchange points i and j when key(j) comes
// before key(i). Pass i carries the point held at i along: each later point whose key comes
// before the carry's takes the carry's place and becomes the carry, and the last carry ends at
// i. So pass i places the smallest remaining key, and the chain of a pass visits exactly the
// positions whose key is below every key between i and them.
//
// Take one key value v. Points with larger keys never decide what happens to the v-points. In
// a pass that places a smaller key, the chain reaches a v-point only when the first point at
// or after i with a key of at most v is a v-point, and then that first v-point moves into the
// place of the first smaller point after it: behind the other v-points in front of that
// place. No other v-point moves, and the place of the first smaller point leaves the smaller
// points' places, while position i, in front of everything, takes it. Count for each v-point
// the smaller points in front of it: a pass that places a smaller key rotates the v-points
// with count 0 by one (when there are any) and lowers every other count by one. After the last
// smaller key is placed, the remaining passes place the v-points in the order they then stand.
//
// So the v-points end as a queue built count after count: start with the count-0 points in
// their order; for each placed smaller key rotate the queue by one and append the points whose
// count that was. Counts come from a tree of sums over positions, filled value after value;
// the queue's rotations and appends are resolved backwards over a tree of free slots.
//
// With few key values (up to eight) no sorting is needed: one pass over the field counts, for
// each point, the smaller keys in front of it from the counts of each value seen so far, and
// builds every value's queue as a ring of links, turned as the value's points arrive.
//
// A key that is no number compares false both ways: it never comes before a carry, and a pass
// that starts at it exchanges nothing, so it never moves; the numbers are arranged around it.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

#include "vodex/records/device_datafield.h"

namespace vodex::detail {
namespace {

// Counts over slots 1..n: prefix sums, and taking from the slot where they reach k.
class SumTree {
  public:
    // All slots empty.
    void Clear(std::size_t n) { tree_.assign(n + 1, 0); }

    // Slots 1..n counted once, built in O(n); the tree is padded with empty slots to a power
    // of two, so that Take needs no bounds.
    void Fill(std::size_t n) {
        top_ = std::bit_ceil(std::max<std::size_t>(n, 1));
        tree_.assign(top_ + 1, 0);
        for (std::size_t i = 1; i <= top_; ++i) {
            tree_[i] += i <= n ? 1 : 0;
            const std::size_t up = i + (i & (~i + 1));
            if (up <= top_) tree_[up] += tree_[i];
        }
    }

    void Add(std::size_t slot, std::int32_t delta) {
        for (; slot < tree_.size(); slot += slot & (~slot + 1))
            tree_[slot] += delta;
    }

    // The sum over slots 1..slot.
    std::int32_t Prefix(std::size_t slot) const {
        std::int32_t sum = 0;
        for (; slot > 0; slot -= slot & (~slot + 1))
            sum += tree_[slot];
        return sum;
    }

    // Takes one count from the smallest slot whose prefix sum reaches k (k >= 1 and at most
    // the total), after Fill, and returns that slot. On the way down every node that covers
    // the slot loses the count, so the search is the update too; it does not branch on the
    // counts, as it runs once for every point.
    std::size_t Take(std::int32_t k) {
        std::size_t slot = 0;
        tree_[top_] -= 1;
        for (std::size_t step = top_ / 2; step > 0; step >>= 1) {
            std::int32_t& here = tree_[slot + step];
            const bool further = here < k;
            const auto mask = std::size_t{0} - static_cast<std::size_t>(further);
            slot += step & mask;
            k -= here & static_cast<std::int32_t>(mask);
            here -= static_cast<std::int32_t>(!further);
        }
        return slot + 1;
    }

  private:
    std::vector<std::int32_t> tree_;
    std::size_t top_ = 0;  // the number of slots after Fill, a power of two
};

// A point's key as bits whose unsigned order is the order of the numbers; -0 and 0 alike.
std::uint64_t OrderedBits(double v) {
    const auto bits = std::bit_cast<std::uint64_t>(v == 0.0 ? 0.0 : v);
    return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
}

// Sorts the positions `sorted` by their keys' bits (`bits(position)`), keeping the order of equal
// keys: least significant digit first, skipping the digits in which all keys agree. `spare` is as
// large as `sorted`.
template <typename Bits>
void RadixSort(const Bits& bits, std::vector<std::int32_t>& sorted,
               std::vector<std::int32_t>& spare) {
    constexpr unsigned kBits = 11;
    constexpr unsigned kDigits = (64 + kBits - 1) / kBits;
    constexpr std::size_t kBuckets = std::size_t{1} << kBits;
    auto digit = [](std::uint64_t key, unsigned d) {
        return (key >> (d * kBits)) & (kBuckets - 1);
    };
    std::vector<std::array<std::uint32_t, kBuckets>> counts(kDigits);
    for (auto& c : counts)
        c.fill(0);
    for (std::int32_t pos : sorted) {
        const std::uint64_t key = bits(pos);
        for (unsigned d = 0; d < kDigits; ++d)
            ++counts[d][digit(key, d)];
    }
    for (unsigned d = 0; d < kDigits; ++d) {
        auto& c = counts[d];
        if (c[digit(bits(sorted.front()), d)] == sorted.size()) {
            continue;  // every key has this digit
        }
        std::uint32_t start = 0;
        for (std::uint32_t& bucket : c) {
            const std::uint32_t size = bucket;
            bucket = start;
            start += size;
        }
        for (std::int32_t pos : sorted)
            spare[c[digit(bits(pos), d)]++] = pos;
        sorted.swap(spare);
    }
}

// Keys that never rise: the values end in the reverse order of their blocks, and as no
// smaller key stands in front of any point, each block is the queue of its points rotated
// once for every smaller key.
void ArrangeFalling(const std::vector<double>& keys, double sign,
                    std::vector<std::int32_t>& order) {
    const std::size_t n = keys.size() - 1;
    std::size_t end = n + 1;  // one past the block being placed
    std::size_t placed = 0;
    while (end > 1) {
        std::size_t begin = end - 1;
        while (begin > 1 && !(sign * keys[begin] < sign * keys[begin - 1]))
            --begin;
        const std::size_t m = end - begin;
        const std::size_t shift = placed % m;
        for (std::size_t r = 0; r < m; ++r)
            order[placed + 1 + r] = static_cast<std::int32_t>(begin + (shift + r) % m);
        placed += m;
        end = begin;
    }
}

// Up to this many key values, the queues of all values are built in one pass over the field.
constexpr std::size_t kFewValues = 8;

// Few key values: each point's count of smaller keys in front comes from the counts of the
// values seen so far, and each value's queue is a ring of links (all rings in one array of
// links by position) turned as its points arrive, so nothing is sorted and no tree is built.
// False (and `order` untouched) when the keys have more values.
bool ArrangeFewValues(const std::vector<double>& keys, double sign,
                      std::vector<std::int32_t>& order) {
    const std::size_t n = keys.size() - 1;
    std::array<double, kFewValues> values{};
    std::size_t k = 0;
    std::vector<std::uint8_t> which(n + 1);
    for (std::size_t p = 1; p <= n; ++p) {
        const double v = sign * keys[p];
        std::size_t w = 0;
        while (w < k && !(values[w] == v))  // -0 and 0 alike
            ++w;
        if (w == k) {
            if (k == kFewValues) return false;
            values[k++] = v;
        }
        which[p] = static_cast<std::uint8_t>(w);
    }
    std::array<std::uint8_t, kFewValues> rank{};
    {
        std::array<std::size_t, kFewValues> byValue{};
        for (std::size_t w = 0; w < k; ++w)
            byValue[w] = w;
        std::sort(byValue.begin(), byValue.begin() + static_cast<std::ptrdiff_t>(k),
                  [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
        for (std::size_t r = 0; r < k; ++r)
            rank[byValue[r]] = static_cast<std::uint8_t>(r);
    }
    struct Ring {
        std::int32_t head = 0;
        std::int32_t last = 0;
        std::size_t size = 0;
        std::size_t time = 0;  // the count of the point that entered last
    };
    std::array<Ring, kFewValues> rings{};
    std::array<std::size_t, kFewValues> seen{};  // points of each rank so far
    std::vector<std::int32_t> next(n + 1);
    auto turn = [&next](Ring& g, std::size_t steps) {
        for (; steps > 0; --steps) {
            g.last = g.head;
            g.head = next[static_cast<std::size_t>(g.head)];
        }
    };
    for (std::size_t p = 1; p <= n; ++p) {
        const std::size_t r = rank[which[p]];
        std::size_t count = 0;
        for (std::size_t s = 0; s < r; ++s)
            count += seen[s];
        Ring& g = rings[r];
        const auto at = static_cast<std::int32_t>(p);
        if (g.size == 0) {
            next[p] = at;
            g.head = at;
        } else {
            turn(g, (count - g.time) % g.size);
            next[static_cast<std::size_t>(g.last)] = at;
            next[p] = g.head;
        }
        g.last = at;
        g.time = count;
        ++g.size;
        ++seen[r];
    }
    order.assign(n + 1, 0);
    std::size_t placed = 0;
    for (std::size_t r = 0; r < k; ++r) {
        Ring& g = rings[r];
        turn(g, (placed - g.time) % g.size);
        std::int32_t e = g.head;
        for (std::size_t t = 0; t < g.size; ++t) {
            order[placed + 1 + t] = e;
            e = next[static_cast<std::size_t>(e)];
        }
        placed += g.size;
    }
    return true;
}

std::vector<std::int32_t> Identity(std::size_t n) {
    std::vector<std::int32_t> order(n + 1);
    for (std::size_t i = 0; i <= n; ++i)
        order[i] = static_cast<std::int32_t>(i);
    return order;
}

// Arranges the points of one key value: `at` holds their positions in field order, `counts`
// how many smaller keys stand in front of each (never falling), `smaller` how many smaller keys
// there are. Writes the final order to `out`. The scratch vectors keep their memory between
// the values of one sort.
class QueueOfEquals {
  public:
    void Arrange(const std::int32_t* at, const std::int32_t* counts, std::size_t m,
                 std::size_t smaller, std::int32_t* out) {
        if (m <= kFewPoints) {
            ArrangeFew(at, counts, m, smaller, out);
            return;
        }
        // Forwards: where each group enters the circular queue, and where its head ends.
        groups_.clear();
        std::size_t size = 0;
        std::size_t head = 0;
        std::size_t time = 0;
        for (std::size_t t = 0; t < m;) {
            const auto count = static_cast<std::size_t>(counts[t]);
            std::size_t u = t;
            while (u < m && static_cast<std::size_t>(counts[u]) == count)
                ++u;
            if (size > 0) head = (head + (count - time)) % size;
            groups_.push_back({head, t, u - t});  // in front of the head: at the queue's end
            size += u - t;
            head = (head + (u - t)) % size;
            time = count;
            t = u;
        }
        head = (head + (smaller - time)) % size;
        // Backwards: the group entered last takes its slots first; a group entered at index h
        // fills, element by element, the (h + 1)-th slot still free.
        free_.Fill(m);
        circle_.resize(m);
        for (auto g = groups_.rbegin(); g != groups_.rend(); ++g) {
            for (std::size_t e = 0; e < g->length; ++e) {
                const std::size_t slot = free_.Take(static_cast<std::int32_t>(g->index + 1));
                circle_[slot - 1] = at[g->first + e];
            }
        }
        std::copy(circle_.begin() + static_cast<std::ptrdiff_t>(head), circle_.end(), out);
        std::copy(circle_.begin(), circle_.begin() + static_cast<std::ptrdiff_t>(head),
                  out + (m - head));
    }

  private:
    // A few points: the queue itself, rotated and extended in place.
    static constexpr std::size_t kFewPoints = 16;
    static void ArrangeFew(const std::int32_t* at, const std::int32_t* counts, std::size_t m,
                           std::size_t smaller, std::int32_t* out) {
        std::size_t size = 0;
        std::size_t time = 0;
        for (std::size_t t = 0; t < m; ++t) {
            const auto count = static_cast<std::size_t>(counts[t]);
            if (size > 0 && count != time) {
                std::rotate(out, out + (count - time) % size, out + size);
            }
            out[size++] = at[t];
            time = count;
        }
        std::rotate(out, out + (smaller - time) % size, out + size);
    }

    struct Group {
        std::size_t index;
        std::size_t first;
        std::size_t length;
    };
    std::vector<Group> groups_;
    std::vector<std::int32_t> circle_;
    SumTree free_;
};

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
    if (std::any_of(keys.begin() + 1, keys.end(), [](double v) { return std::isnan(v); })) {
        std::vector<std::int32_t> numbers;  // positions whose key is a number
        for (std::size_t i = 1; i <= n; ++i) {
            if (!std::isnan(keys[i])) numbers.push_back(static_cast<std::int32_t>(i));
        }
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
    const double sign = descending ? -1.0 : 1.0;
    bool rising = true;
    bool falling = true;
    for (std::size_t i = 1; i < n && (rising || falling); ++i) {
        const double a = sign * keys[i];
        const double b = sign * keys[i + 1];
        if (b < a) rising = false;
        if (a < b) falling = false;
    }
    if (rising) return false;  // no pair is ever exchanged
    if (falling) {
        ArrangeFalling(keys, sign, order);
        return true;
    }
    if (ArrangeFewValues(keys, sign, order)) return true;

    auto bits = [&keys, sign](std::int32_t pos) {
        return OrderedBits(sign * keys[static_cast<std::size_t>(pos)]);
    };
    std::vector<std::int32_t> byKey(order.begin() + 1, order.end());  // equal keys in field order
    std::vector<std::int32_t> spare(n);
    RadixSort(bits, byKey, spare);
    auto keyAt = [&](std::size_t t) { return bits(byKey[t]); };
    bool distinct = true;
    for (std::size_t t = 1; t < n && distinct; ++t)
        distinct = keyAt(t) != keyAt(t - 1);
    if (distinct) {  // the sorted arrangement is the only one
        std::copy(byKey.begin(), byKey.end(), order.begin() + 1);
        return true;
    }
    // For each point, how many smaller keys stand in front of it: a tree of sums over the
    // ranks of the key values, filled in field order.
    std::vector<std::int32_t>& smallerInFront = spare;
    spare.resize(n + 1);
    std::size_t values = 0;
    for (std::size_t t = 0; t < n; ++t) {
        if (t > 0 && keyAt(t) != keyAt(t - 1)) ++values;
        smallerInFront[static_cast<std::size_t>(byKey[t])] = static_cast<std::int32_t>(values);
    }
    {
        SumTree seen;
        seen.Clear(values + 1);
        for (std::size_t p = 1; p <= n; ++p) {
            const auto rank = static_cast<std::size_t>(smallerInFront[p]);
            smallerInFront[p] = seen.Prefix(rank);
            seen.Add(rank + 1, 1);
        }
    }
    QueueOfEquals queue;
    std::vector<std::int32_t> at;
    std::vector<std::int32_t> counts;
    std::size_t placed = 0;
    for (std::size_t first = 0; first < n;) {
        std::size_t last = first + 1;
        while (last < n && keyAt(last) == keyAt(first))
            ++last;
        const std::size_t m = last - first;
        std::int32_t* out = order.data() + placed + 1;
        if (m == 1 || placed == 0) {  // nothing smaller in front: they keep their order
            for (std::size_t t = 0; t < m; ++t)
                out[t] = byKey[first + t];
        } else {
            at.resize(m);
            counts.resize(m);
            for (std::size_t t = 0; t < m; ++t) {
                at[t] = byKey[first + t];
                counts[t] = smallerInFront[static_cast<std::size_t>(at[t])];
            }
            queue.Arrange(at.data(), counts.data(), m, placed, out);
        }
        placed += m;
        first = last;
    }
    return true;
}

}  // namespace vodex::detail
