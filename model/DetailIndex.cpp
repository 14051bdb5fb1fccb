#include "model/DetailIndex.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <system_error>
#include <thread>
#include <utility>

namespace {

constexpr size_t kHugePage = size_t(2) << 20;

size_t MappedBytes(size_t bytes) {
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

} // namespace

// Large arrays get fresh pages of their own: memory the heap hands out again already has its
// small pages.
void* AllocateLarge(size_t bytes) {
    if (bytes < 2 * kHugePage) return ::operator new(bytes);
    const size_t size = MappedBytes(bytes), mapped = size + kHugePage;
    void* p = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    // Aligned to a huge page; the ends beyond go back.
    const uintptr_t start = reinterpret_cast<uintptr_t>(p),
                    aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > start) munmap(p, aligned - start);
    if (aligned + size < start + mapped)
        munmap(reinterpret_cast<void*>(aligned + size), start + mapped - aligned - size);
    madvise(reinterpret_cast<void*>(aligned), size,
            MADV_HUGEPAGE); // a request: refused, the pages stay small
    return reinterpret_cast<void*>(aligned);
}

void FreeLarge(void* p, size_t bytes) {
    if (bytes < 2 * kHugePage)
        ::operator delete(p);
    else
        munmap(p, MappedBytes(bytes));
}

namespace {

constexpr int kParallelNodes = 1 << 20;

// The direction of xs[from .. to]: Ascending when non-decreasing, Descending when non-increasing
// (constant runs count as both), None otherwise or with a NaN in x or y.
struct TScan {
    bool Up = true, Down = true, Numbers = true;
};

TScan ScanOrder(const Extended* xs, const Extended* ys, int from, int to) {
    TScan s;
    for (int i = from; i <= to; ++i) {
        if (std::isnan(xs[i]) || std::isnan(ys[i])) {
            s.Numbers = false;
            return s;
        }
        if (i > from) {
            s.Up = s.Up && xs[i - 1] <= xs[i];
            s.Down = s.Down && xs[i - 1] >= xs[i];
        }
    }
    return s;
}

// An extended value's magnitude as a 63-bit integer that orders like it: the 15-bit exponent, then
// the fraction without its integer bit, cut to 48 bits. Negative for a negative value, so the keys
// of numbers order as the numbers do, except that values alike in their first 48 fraction bits tie.
// NaN and infinity get the largest magnitudes; `special` gets set for encodings the FPU rejects or
// reads otherwise (an integer bit that disagrees with the exponent).
constexpr int64_t kSpecialMagnitude = int64_t(0x7fff) << 48;

inline int64_t OrderKey(const Extended* value, uint64_t& special) {
    uint64_t significand;
    uint16_t signExponent;
    std::memcpy(&significand, value, sizeof significand);
    std::memcpy(&signExponent, reinterpret_cast<const char*>(value) + 8, sizeof signExponent);
    const uint64_t exponent = signExponent & 0x7fffu;
    special |= ((exponent + 0x7fff) >> 15) ^ (significand >> 63);
    const int64_t magnitude = int64_t((exponent << 48) | ((significand << 1) >> 16));
    return signExponent & 0x8000u ? -magnitude : magnitude;
}

// A double at or below (at or above when `upward`) every magnitude with this key.
inline double KeyMagnitude(int64_t magnitude, bool upward) {
    const int64_t exponent = (magnitude >> 48) - 16383 + 1023;
    if (exponent < 1) return upward ? DBL_MIN : 0;
    if (exponent > 2046) return upward ? HUGE_VAL : DBL_MAX;
    const uint64_t bits = (uint64_t(exponent) << 52) | (uint64_t(magnitude & ((int64_t(1) << 48) - 1)) << 4);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Doubles below and above every value whose key lies in lo .. hi.
inline void KeyBounds(int64_t lo, int64_t hi, double& low, double& high) {
    low = lo >= 0 ? KeyMagnitude(lo, false) : -KeyMagnitude(1 - lo, true);
    high = hi >= 0 ? KeyMagnitude(hi + 1, true) : -KeyMagnitude(-hi, false);
}

// Bounds and argument direction of the nodes first .. end - 1 of a leaf from the keys of their
// values alone, with the pair across the leaf's start when `joined`. False when a value is special
// or two arguments tie in their keys: then the exact scan decides.
bool KeyedLeaf(const Extended* xs, const Extended* ys, int first, int end, bool joined,
               TDetailIndex::TBounds& bounds, bool& up, bool& down) {
    uint64_t special = 0;
    int64_t previous = OrderKey(&xs[first], special);
    const int64_t xFirst = previous;
    bool leafUp = true, leafDown = true, ties = false;
    if (joined) {
        const int64_t before = OrderKey(&xs[first - 1], special);
        leafUp = before < previous;
        leafDown = before > previous;
        ties = before == previous;
    }
    int64_t lo = OrderKey(&ys[first], special), hi = lo;
    for (int i = first + 1; i < end; ++i) {
        const int64_t x = OrderKey(&xs[i], special), y = OrderKey(&ys[i], special);
        leafUp &= previous < x;
        leafDown &= previous > x;
        ties |= previous == x;
        previous = x;
        lo = std::min(lo, y);
        hi = std::max(hi, y);
    }
    // NaN and infinity have the largest magnitudes, so the extremes show them: those of Y, and
    // those of X at the ends of a leaf that runs one way (one that does not fails anyway).
    auto finite = [](int64_t key) { return key > -kSpecialMagnitude && key < kSpecialMagnitude; };
    if (special != 0 || ties || !finite(lo) || !finite(hi) || !finite(xFirst) || !finite(previous))
        return false;
    KeyBounds(lo, hi, bounds.Lo, bounds.Hi);
    KeyBounds(std::min(xFirst, previous), std::max(xFirst, previous), bounds.XLo, bounds.XHi);
    up = up && leafUp;
    down = down && leafDown;
    return true;
}

// The exact scan of one leaf, as above.
void ExactLeaf(const Extended* xs, const Extended* ys, int first, int end, bool joined,
               TDetailIndex::TBounds& bounds, bool& up, bool& down, bool& numbers,
               TDetailIndex::TBounds (*leafBounds)(Extended, Extended, Extended, Extended)) {
    Extended lo = ys[first], hi = ys[first], previous = xs[first];
    numbers = numbers && !std::isnan(previous) && !std::isnan(lo);
    if (joined) {
        const Extended before = xs[first - 1];
        up = up && before <= previous;
        down = down && before >= previous;
    }
    for (int i = first + 1; i < end; ++i) {
        const Extended x = xs[i], y = ys[i];
        numbers = numbers && !std::isnan(x) && !std::isnan(y);
        up = up && previous <= x;
        down = down && previous >= x;
        previous = x;
        lo = std::min(lo, y);
        hi = std::max(hi, y);
    }
    bounds = leafBounds(lo, hi, xs[first], xs[end - 1]);
}

// The same scan over leaf blocks fromBlock .. toBlock - 1, which also gets their bounds: the
// arrays are read once, as integers where the keys of the values tell.
TScan ScanLeaves(const Extended* xs, const Extended* ys, int n, int fromBlock, int toBlock,
                 TDetailIndex::TBounds* out,
                 TDetailIndex::TBounds (*leafBounds)(Extended, Extended, Extended, Extended)) {
    TScan s;
    bool up = true, down = true, numbers = true;
    for (int b = fromBlock; b < toBlock; ++b) {
        const int first = b * TDetailIndex::kLeaf, end = std::min(n, first + TDetailIndex::kLeaf);
        const bool joined = b > fromBlock;
        if (!KeyedLeaf(xs, ys, first, end, joined, out[b], up, down))
            ExactLeaf(xs, ys, first, end, joined, out[b], up, down, numbers, leafBounds);
    }
    s.Up = up;
    s.Down = down;
    s.Numbers = numbers;
    return s;
}

TDetailIndex::TOrder OrderOf(const TScan& s) {
    if (!s.Numbers) return TDetailIndex::TOrder::None;
    if (s.Up) return TDetailIndex::TOrder::Ascending;
    if (s.Down) return TDetailIndex::TOrder::Descending;
    return TDetailIndex::TOrder::None;
}

} // namespace

TDetailIndex::TBounds TDetailIndex::Outward(Extended lo, Extended hi) {
    double l = double(lo), h = double(hi);
    if (Extended(l) > lo) l = std::nextafter(l, -HUGE_VAL);
    if (Extended(h) < hi) h = std::nextafter(h, HUGE_VAL);
    return {l, h, 0, 0};
}

// The arguments of a leaf run one way, so its first and last bound them.
TDetailIndex::TBounds TDetailIndex::LeafBounds(Extended lo, Extended hi, Extended xFirst, Extended xLast) {
    const TBounds y = Outward(lo, hi), x = Outward(std::min(xFirst, xLast), std::max(xFirst, xLast));
    return {y.Lo, y.Hi, x.Lo, x.Hi};
}

void TDetailIndex::Clear() {
    FOrder = TOrder::None;
    FCount = 0;
    FLevels.clear();
}

size_t TDetailIndex::MemoryBytes() const {
    size_t bytes = FLevels.capacity() * sizeof(FLevels[0]);
    for (const auto& level : FLevels)
        bytes += level.capacity() * sizeof(TBounds);
    return bytes;
}

void TDetailIndex::BuildLeaves(const Extended* xs, const Extended* ys, int fromBlock, int toBlock) {
    TBounds* out = FLevels[0].data();
    for (int b = fromBlock; b < toBlock; ++b) {
        const int first = b * kLeaf, end = std::min(FCount, first + kLeaf);
        Extended lo = ys[first], hi = ys[first];
        for (int i = first + 1; i < end; ++i) {
            lo = std::min(lo, ys[i]);
            hi = std::max(hi, ys[i]);
        }
        out[b] = LeafBounds(lo, hi, xs[first], xs[end - 1]);
    }
}

void TDetailIndex::BuildUpper(int level, int fromBlock, int toBlock) {
    const auto& below = FLevels[size_t(level - 1)];
    TBounds* out = FLevels[size_t(level)].data();
    for (int b = fromBlock; b < toBlock; ++b) {
        const size_t first = size_t(b) * kFanout, end = std::min(below.size(), first + kFanout);
        TBounds bounds = below[first];
        for (size_t k = first + 1; k < end; ++k) {
            bounds.Lo = std::min(bounds.Lo, below[k].Lo);
            bounds.XLo = std::min(bounds.XLo, below[k].XLo);
            bounds.XHi = std::max(bounds.XHi, below[k].XHi);
            bounds.Hi = std::max(bounds.Hi, below[k].Hi);
        }
        out[b] = bounds;
    }
}

void TDetailIndex::Build(const Extended* xs, const Extended* ys, int n) {
    if (n < 2) {
        Clear();
        return;
    }
    FOrder = TOrder::None;
    FCount = n;
    // The levels of an index built before keep their memory: a rebuild writes over it.
    size_t levels = 0, blocks = size_t((n + kLeaf - 1) / kLeaf);
    while (true) {
        if (FLevels.size() <= levels) FLevels.emplace_back();
        FLevels[levels++].resize(blocks);
        if (blocks <= 1) break;
        blocks = (blocks + kFanout - 1) / kFanout;
    }
    FLevels.resize(levels);
    // Two halves, each scanned for its order and reduced to its leaves; the halves meet at a leaf
    // boundary, and the node pair across it is compared afterwards.
    const int leafBlocks = int(FLevels[0].size());
    const int split = n >= kParallelNodes ? leafBlocks / 2 : leafBlocks;
    TScan farScan;
    auto farHalf = [&] {
        if (split >= leafBlocks) return;
        farScan = ScanLeaves(xs, ys, n, split, leafBlocks, FLevels[0].data(), &LeafBounds);
    };
    std::thread other;
    if (split < leafBlocks) {
        try {
            other = std::thread(farHalf);
        } catch (const std::system_error&) {
        }
    }
    if (!other.joinable()) farHalf();
    const TScan nearScan = ScanLeaves(xs, ys, n, 0, split, FLevels[0].data(), &LeafBounds);
    if (other.joinable()) other.join();

    TScan whole = nearScan;
    if (split < leafBlocks) {
        const int a = split * kLeaf - 1;
        whole.Numbers = nearScan.Numbers && farScan.Numbers;
        whole.Up = nearScan.Up && farScan.Up && xs[a] <= xs[a + 1];
        whole.Down = nearScan.Down && farScan.Down && xs[a] >= xs[a + 1];
    }
    FOrder = OrderOf(whole);
    if (FOrder == TOrder::None) {
        Clear();
        return;
    }
    for (int level = 1; level < int(FLevels.size()); ++level)
        BuildUpper(level, 0, int(FLevels[size_t(level)].size()));
}

void TDetailIndex::Update(const Extended* xs, const Extended* ys, int n, int first, int last) {
    if (!Usable() || n != FCount) {
        Clear();
        return;
    }
    first = std::max(first, 0);
    last = std::min(last, n - 1);
    if (first > last) return;
    const TScan s = ScanOrder(xs, ys, std::max(0, first - 1), std::min(n - 1, last + 1));
    if (!s.Numbers || (FOrder == TOrder::Ascending ? !s.Up : !s.Down)) {
        Clear();
        return;
    }
    int from = first / kLeaf, to = last / kLeaf + 1;
    BuildLeaves(xs, ys, from, to);
    for (int level = 1; level < int(FLevels.size()); ++level) {
        from /= kFanout;
        to = (to - 1) / kFanout + 1;
        BuildUpper(level, from, to);
    }
}

TDetailIndex::TBounds TDetailIndex::RangeBounds(const Extended* ys, int first, int last) const {
    TBounds bounds{HUGE_VAL, -HUGE_VAL, 0, 0};
    // Every block is reported as a possible match, so the walk visits the fewest blocks covering
    // the range; the nodes at its ragged ends are read themselves.
    FirstMatch(
        first, last,
        [&](const TBounds& b, int, int) {
            bounds.Lo = std::min(bounds.Lo, b.Lo);
            bounds.Hi = std::max(bounds.Hi, b.Hi);
            return false;
        },
        [&](int i) {
            const TBounds b = Outward(ys[i], ys[i]);
            bounds.Lo = std::min(bounds.Lo, b.Lo);
            bounds.Hi = std::max(bounds.Hi, b.Hi);
            return false;
        });
    return bounds;
}

void TDetailIndex::RangeExtremes(const Extended* ys, int first, int last, int& lowest, int& highest) const {
    lowest = highest = first;
    if (first > last) return;
    // The range as the fewest aligned blocks (and single nodes at its ragged ends). The bounds of a
    // block lie within a few units in the last place of its extremes, so the block with the
    // farthest bound holds the extreme but for near ties; the blocks whose bounds cannot beat the
    // extreme found are not read.
    struct TCover {
        int Level, Block;
    };
    TCover cover[2 * kFanout * 32];
    int count = 0;
    const int levels = LevelCount();
    for (int i = first; i <= last;) {
        int level = -1;
        while (level + 1 < levels) {
            const int size = BlockSize(level + 1);
            if ((i & (size - 1)) != 0 || i + size - 1 > last) break;
            ++level;
        }
        if (level < 0) {
            if (ys[i] > ys[highest]) highest = i;
            if (ys[i] < ys[lowest]) lowest = i;
            ++i;
            continue;
        }
        cover[count++] = {level, i >> BlockShift(level)};
        i += BlockSize(level);
    }
    auto reach = [&](int level, int block, bool high) {
        const TBounds& b = Block(level, block);
        return high ? Extended(b.Hi) : -Extended(b.Lo);
    };
    auto beats = [&](int level, int block, bool high) {
        return high ? reach(level, block, true) > ys[highest] : -reach(level, block, false) < ys[lowest];
    };
    auto descend = [&](auto&& self, int level, int block, bool high) -> void {
        if (!beats(level, block, high)) return;
        const int start = block << BlockShift(level);
        if (level == 0) {
            for (int i = start; i < start + kLeaf; ++i) {
                if (high ? ys[i] > ys[highest] : ys[i] < ys[lowest]) (high ? highest : lowest) = i;
            }
            return;
        }
        const int firstChild = block * kFanout;
        int best = firstChild;
        for (int c = firstChild + 1; c < firstChild + kFanout; ++c)
            if (reach(level - 1, c, high) > reach(level - 1, best, high)) best = c;
        self(self, level - 1, best, high);
        for (int c = firstChild; c < firstChild + kFanout; ++c)
            if (c != best) self(self, level - 1, c, high);
    };
    for (const bool high : {true, false}) {
        int best = 0;
        for (int k = 1; k < count; ++k)
            if (reach(cover[k].Level, cover[k].Block, high) >
                reach(cover[best].Level, cover[best].Block, high))
                best = k;
        if (count > 0) descend(descend, cover[best].Level, cover[best].Block, high);
        for (int k = 0; k < count; ++k)
            if (k != best) descend(descend, cover[k].Level, cover[k].Block, high);
    }
}

TDetailBuild::TDetailBuild(const TDoubleArray& xs, const TDoubleArray& ys) : FXs(xs), FYs(ys) {
    auto build = [this] {
        FIndex.Build(FXs.constData(), FYs.constData(), int(FXs.size()));
        FFinished.store(true, std::memory_order_release);
    };
    try {
        FThread = std::thread(build);
    } catch (const std::system_error&) {
        build();
    }
}

TDetailBuild::~TDetailBuild() {
    Wait();
}

void TDetailBuild::Wait() {
    if (FThread.joinable()) FThread.join();
}

bool TDetailBuild::Take(const TDoubleArray& xs, const TDoubleArray& ys, TDetailIndex& index) {
    Wait();
    if (xs.constData() != FXs.constData() || ys.constData() != FYs.constData() || xs.size() != FXs.size() ||
        ys.size() != FYs.size())
        return false;
    index = FIndex;
    return true;
}
