// A level-of-detail index of a graph's nodes: whether the argument runs in one direction, and bounds
// of Y over blocks of nodes at several levels, so that a frame's polyline can pass over long
// stretches of nodes that cannot change it without reading them.
#pragma once

#include "model/ost2_Types.h"

#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

// Memory for large arrays read all over, in huge pages where the system grants them: with small
// pages nearly every read of a block far from the last one would also miss the address cache.
void* AllocateLarge(size_t bytes);
void FreeLarge(void* p, size_t bytes);

template <class T> struct TLargeAllocator {
    using value_type = T;
    TLargeAllocator() = default;
    template <class U> TLargeAllocator(const TLargeAllocator<U>&) {}
    T* allocate(size_t n) { return static_cast<T*>(AllocateLarge(n * sizeof(T))); }
    void deallocate(T* p, size_t n) { FreeLarge(p, n * sizeof(T)); }
    template <class U> bool operator==(const TLargeAllocator<U>&) const { return true; }
};

class TDetailIndex {
public:
    // Nodes per leaf block and blocks per block of the next level.
    static constexpr int kLeafShift = 4, kFanoutShift = 3;
    static constexpr int kLeaf = 1 << kLeafShift, kFanout = 1 << kFanoutShift;

    enum class TOrder : uint8_t { None, Ascending, Descending };

    // Bounds of Y (Lo, Hi) and of X over a block: doubles at or beyond the extremes (within a few
    // units in the last place of a double), so they hold every value of the block. The walk over
    // a frame tests blocks without reading the nodes.
    struct TBounds {
        double Lo, Hi, XLo, XHi;
    };

    // Indexes the nodes; a graph whose argument is not monotonic, or has a NaN anywhere, gets an
    // empty index (Order None). Large graphs are indexed on two threads.
    void Build(const Extended* xs, const Extended* ys, int n);
    // Nodes first .. last changed their values in place: their blocks are recomputed; an argument
    // that no longer runs in one direction empties the index.
    void Update(const Extended* xs, const Extended* ys, int n, int first, int last);
    void Clear();

    TOrder Order() const { return FOrder; }
    bool Usable() const { return FOrder != TOrder::None; }
    int NodeCount() const { return FCount; }
    // Bytes the index holds.
    size_t MemoryBytes() const;

    // Bounds of Y over the nodes first .. last (never tighter than the values).
    TBounds RangeBounds(const Extended* ys, int first, int last) const;
    // The nodes of first .. last with the lowest and the highest Y, read only in the blocks whose
    // bounds can beat the extremes found so far.
    void RangeExtremes(const Extended* ys, int first, int last, int& lowest, int& highest) const;

    // The first node of first .. last for which `node(i)` holds, or last + 1. `block(bounds, a, b)`
    // is false only when no node of the block a .. b can satisfy `node`.
    template <class BlockTest, class NodeTest>
    int FirstMatch(int first, int last, BlockTest&& block, NodeTest&& node) const;
    // The same where the nodes before `first` do not matter: a block around `first` that cannot
    // match is passed over from `first` on (`block` then sees the whole block).
    template <class BlockTest, class NodeTest>
    int FirstMatchAround(int first, int last, BlockTest&& block, NodeTest&& node) const;
    // The last such node, or first - 1.
    template <class BlockTest, class NodeTest>
    int LastMatch(int first, int last, BlockTest&& block, NodeTest&& node) const;

    // The blocks themselves: level 0 holds the leaves; the top level holds one block.
    int LevelCount() const { return int(FLevels.size()); }
    int BlockCount(int level) const { return int(FLevels[size_t(level)].size()); }
    int BlockSize(int level) const { return 1 << BlockShift(level); }
    // Block sizes are powers of two: the walk finds a node's blocks by shifts.
    static constexpr int BlockShift(int level) { return kLeafShift + kFanoutShift * level; }
    const TBounds& Block(int level, int block) const { return FLevels[size_t(level)][size_t(block)]; }

private:
    // The blocks one level below the block of `level` that starts at node i, all asked for at once:
    // the walk may test them one after the other, each a likely miss of the cache.
    void PrefetchChildren(int level, int i) const {
        const TBounds* child = &FLevels[size_t(level - 1)][size_t(i >> BlockShift(level - 1))];
        const TBounds* end = FLevels[size_t(level - 1)].data() + FLevels[size_t(level - 1)].size();
        for (int k = 0; k < kFanout && child + k < end; k += 2)
            __builtin_prefetch(child + k);
    }
    static TBounds Outward(Extended lo, Extended hi);
    static TBounds LeafBounds(Extended lo, Extended hi, Extended xFirst, Extended xLast);
    void BuildLeaves(const Extended* xs, const Extended* ys, int fromBlock, int toBlock);
    void BuildUpper(int level, int fromBlock, int toBlock);

    TOrder FOrder = TOrder::None;
    int FCount = 0;
    // Levels[0] holds leaf blocks of kLeaf nodes; level k blocks of kLeaf * kFanout^k nodes.
    std::vector<std::vector<TBounds, TLargeAllocator<TBounds>>> FLevels;
};

// A build of the index on a thread of its own, from shared copies of the arrays: a graph that
// writes to its arrays meanwhile gets copies of its own, so the build reads stable data, and the
// finished index is taken only while the graph still holds the very arrays it was built from.
class TDetailBuild {
public:
    TDetailBuild(const TDoubleArray& xs, const TDoubleArray& ys);
    ~TDetailBuild();
    TDetailBuild(const TDetailBuild&) = delete;
    TDetailBuild& operator=(const TDetailBuild&) = delete;

    bool Finished() const { return FFinished.load(std::memory_order_acquire); }
    void Wait();
    // Whether the build was made from these arrays; the index is then copied into `index` (a copy
    // of the graph may share the build).
    bool Take(const TDoubleArray& xs, const TDoubleArray& ys, TDetailIndex& index);

private:
    TDoubleArray FXs, FYs;
    TDetailIndex FIndex;
    std::atomic<bool> FFinished{false};
    std::thread FThread;
};

template <class BlockTest, class NodeTest>
int TDetailIndex::FirstMatch(int first, int last, BlockTest&& block, NodeTest&& node) const {
    const int levels = LevelCount();
    int i = first;
    while (i <= last) {
        // The largest aligned block starting at i that ends by `last` and cannot match is passed
        // over; otherwise the node itself is tested.
        int level = -1;
        while (level + 1 < levels) {
            const int size = BlockSize(level + 1);
            if ((i & (size - 1)) != 0 || i + size - 1 > last) break;
            ++level;
        }
        bool passed = false;
        for (; level >= 0; --level) {
            const int size = BlockSize(level);
            const TBounds& b = FLevels[size_t(level)][size_t(i >> BlockShift(level))];
            if (!block(b, i, i + size - 1)) {
                i += size;
                passed = true;
                break;
            }
            if (level > 0) PrefetchChildren(level, i);
        }
        if (passed) continue;
        if (node(i)) return i;
        ++i;
    }
    return last + 1;
}

template <class BlockTest, class NodeTest>
int TDetailIndex::FirstMatchAround(int first, int last, BlockTest&& block, NodeTest&& node) const {
    int i = first;
    // From the largest block down, as blocks that start at `first` are the next step's anyway.
    for (int level = LevelCount() - 1; level >= 0; --level) {
        const int start = (i >> BlockShift(level)) << BlockShift(level), end = start + BlockSize(level) - 1;
        if (start == i || end > last) continue;
        if (!block(FLevels[size_t(level)][size_t(i >> BlockShift(level))], start, end)) {
            i = end + 1;
            break;
        }
    }
    return FirstMatch(i, last, block, node);
}

template <class BlockTest, class NodeTest>
int TDetailIndex::LastMatch(int first, int last, BlockTest&& block, NodeTest&& node) const {
    const int levels = LevelCount();
    int i = last;
    while (i >= first) {
        int level = -1;
        while (level + 1 < levels) {
            const int size = BlockSize(level + 1);
            if (((i + 1) & (size - 1)) != 0 || i + 1 - size < first) break;
            ++level;
        }
        bool passed = false;
        for (; level >= 0; --level) {
            const int size = BlockSize(level);
            const TBounds& b = FLevels[size_t(level)][size_t(i >> BlockShift(level))];
            if (!block(b, i + 1 - size, i)) {
                i -= size;
                passed = true;
                break;
            }
        }
        if (passed) continue;
        if (node(i)) return i;
        --i;
    }
    return first - 1;
}
