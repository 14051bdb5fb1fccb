#include "files/MappedFile.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The live mappings, searched by the signal handler: atomics only, no locks and no allocation. A
// slot's state counts up through Free, Busy and Live with a generation above them, so that the
// handler, reading a range between two equal Live states, knows it read one mapping's range whole.
constexpr uint64_t kFree = 0, kBusy = 1, kLive = 2, kPhases = 4;
constexpr int kSlots = 64;

struct Slot {
    std::atomic<uint64_t> state{kFree};
    std::atomic<uintptr_t> begin{0};
    std::atomic<uintptr_t> end{0}; // page-aligned
    std::atomic<int> fd{-1};
    std::atomic<bool> lost{false};
};
static_assert(std::atomic<uint64_t>::is_always_lock_free && std::atomic<uintptr_t>::is_always_lock_free &&
              std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

Slot slots[kSlots];
struct sigaction previousAction;
uintptr_t pageSize = 4096;

// Hands a fault that is not ours to whoever had SIGBUS before, or lets it kill the program.
void PassOn(int signal, siginfo_t* info, void* context) {
    const bool sent = info->si_code <= 0; // by kill() or raise(), not by a fault
    if (previousAction.sa_flags & SA_SIGINFO) {
        previousAction.sa_sigaction(signal, info, context);
    } else if (previousAction.sa_handler != SIG_DFL && previousAction.sa_handler != SIG_IGN) {
        previousAction.sa_handler(signal);
    } else if (!(sent && previousAction.sa_handler == SIG_IGN)) {
        // A fault strikes again when the handler returns, now with the default action.
        struct sigaction fallback = {};
        fallback.sa_handler = SIG_DFL;
        sigaction(signal, &fallback, nullptr);
        if (sent) raise(signal);
    }
}

void OnBusError(int signal, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    const uintptr_t address = reinterpret_cast<uintptr_t>(info->si_addr);
    if (info->si_code > 0) {
        for (Slot& slot : slots) {
            const uint64_t state = slot.state.load();
            if (state % kPhases != kLive) continue;
            const uintptr_t begin = slot.begin.load();
            const uintptr_t end = slot.end.load();
            const int fd = slot.fd.load();
            if (address < begin || address >= end || slot.state.load() != state) continue;
            // All the pages past the file's new end go at once: a reading that goes backwards would
            // otherwise fault on each of them.
            uintptr_t page = address & ~(pageSize - 1);
            struct stat status;
            if (fstat(fd, &status) == 0 && status.st_size >= 0 && uintptr_t(status.st_size) < page - begin)
                page = begin + (uintptr_t(status.st_size) + pageSize - 1) / pageSize * pageSize;
            // mmap itself, not a wrapper that a sanitizer may have put around it.
            const long zeros = syscall(SYS_mmap, page, end - page, PROT_READ,
                                       MAP_FIXED | MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (uintptr_t(zeros) != page) break;
            slot.lost.store(true);
            errno = savedErrno;
            return;
        }
    }
    PassOn(signal, info, context);
    errno = savedErrno;
}

void InstallHandler() {
    pageSize = uintptr_t(sysconf(_SC_PAGESIZE));
    struct sigaction action = {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    // The previous action is known before a fault can reach the handler.
    sigaction(SIGBUS, nullptr, &previousAction);
    sigaction(SIGBUS, &action, nullptr);
}

int Register(uintptr_t begin, uintptr_t end, int fd) {
    static std::once_flag installed;
    std::call_once(installed, InstallHandler);
    for (int i = 0; i < kSlots; ++i) {
        Slot& slot = slots[i];
        uint64_t state = slot.state.load();
        if (state % kPhases != kFree || !slot.state.compare_exchange_strong(state, state + kBusy)) continue;
        slot.begin.store(begin);
        slot.end.store(end);
        slot.fd.store(fd);
        slot.lost.store(false);
        slot.state.store(state - state % kPhases + kPhases + kLive);
        return i;
    }
    return -1;
}

void Unregister(int index) {
    Slot& slot = slots[index];
    const uint64_t state = slot.state.load();
    slot.state.store(state - kLive + kBusy);
    slot.begin.store(0);
    slot.end.store(0);
    slot.fd.store(-1);
    slot.state.store(state - kLive + kPhases + kFree);
}

} // namespace

TMappedFile::TMappedFile(int fd) noexcept {
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) return;
    const long page = sysconf(_SC_PAGESIZE);
    const size_t length = (size_t(info.st_size) + page - 1) / page * page;
    void* mapped = mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapped == MAP_FAILED) return;
    fd_ = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    const uintptr_t begin = reinterpret_cast<uintptr_t>(mapped);
    slot_ = fd_ < 0 ? -1 : Register(begin, begin + length, fd_);
    if (slot_ < 0) {
        munmap(mapped, length);
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
        return;
    }
    data_ = static_cast<const char*>(mapped);
    size_ = qsizetype(info.st_size);
    mappedLength_ = length;
}

TMappedFile::~TMappedFile() {
    if (!data_) return;
    Unregister(slot_);
    munmap(const_cast<char*>(data_), mappedLength_);
    close(fd_);
}

bool TMappedFile::LostPages() const noexcept {
    return slot_ >= 0 && slots[slot_].lost.load(std::memory_order_acquire);
}

bool TMappedFile::Shrank() const noexcept {
    if (!data_) return false;
    struct stat info;
    return LostPages() || fstat(fd_, &info) != 0 || info.st_size < size_;
}

void TMappedFile::Release(qsizetype from, qsizetype to) const noexcept {
#ifdef MADV_DONTNEED
    if (!data_) return;
    const uintptr_t first = (reinterpret_cast<uintptr_t>(data_ + from) + pageSize - 1) & ~(pageSize - 1);
    const uintptr_t last = reinterpret_cast<uintptr_t>(data_ + to) & ~(pageSize - 1);
    if (first < last) madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
#else
    (void)from;
    (void)to;
#endif
}
