// The progress of a long job on a worker thread, and the user's wish to stop it. The worker counts
// the bytes it has read or written (or the items it has worked through); the window shows them and
// may ask it to stop.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

class TJobProgress {
public:
    void SetTotal(int64_t bytes) { FTotal.store(bytes, std::memory_order_relaxed); }
    void SetDone(int64_t bytes) {
        FDone.store(bytes, std::memory_order_relaxed);
        if (OnCount) OnCount();
    }
    void Advance(int64_t bytes) {
        FDone.fetch_add(bytes, std::memory_order_relaxed);
        if (OnCount) OnCount();
    }
    int64_t Total() const { return FTotal.load(std::memory_order_relaxed); }
    int64_t Done() const { return FDone.load(std::memory_order_relaxed); }

    void Cancel() { FCancelled.store(true, std::memory_order_relaxed); }
    bool Cancelled() const { return FCancelled.load(std::memory_order_relaxed); }

    // Called on the worker after each count; lets a test cancel a work midway, at a known point.
    std::function<void()> OnCount;

private:
    std::atomic<int64_t> FTotal{0}, FDone{0};
    std::atomic<bool> FCancelled{false};
};

// A job's progress may be absent; these keep the callers free of null checks.
inline bool JobCancelled(const TJobProgress* progress) {
    return progress && progress->Cancelled();
}
inline void JobAdvance(TJobProgress* progress, int64_t bytes) {
    if (progress) progress->Advance(bytes);
}
