#include "model/ParallelDeflate.h"

#include "model/JobProgress.h"

#include <QThread>

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace paralleldeflate {

namespace {
// The start of a slice is compressed first to see whether compressing the slice pays.
constexpr qsizetype kProbeSize = 16 * 1024;

class TSliceDeflater {
public:
    explicit TSliceDeflater(const TOptions& options) : FStorePoor(options.StorePoorSlices) {
        FOk = deflateInit2(&FChosen, options.Level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
        FOk = deflateInit2(&FStore, 0, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK && FOk;
    }
    ~TSliceDeflater() {
        deflateEnd(&FChosen);
        deflateEnd(&FStore);
    }
    TSliceDeflater(const TSliceDeflater&) = delete;
    TSliceDeflater& operator=(const TSliceDeflater&) = delete;

    bool Ok() const { return FOk; }

    bool Deflate(QByteArrayView data, bool last, QByteArray& out) {
        z_stream& zs = FStorePoor && data.size() > kProbeSize && !Pays(data.data()) ? FStore : FChosen;
        return Run(zs, data.data(), data.size(), last ? Z_FINISH : Z_SYNC_FLUSH, out);
    }

private:
    bool Pays(const char* data) {
        return Run(FChosen, data, kProbeSize, Z_FINISH, FProbe) && FProbe.size() <= kProbeSize * 3 / 4;
    }

    // A slice is far below zlib's 32-bit counts.
    static bool Run(z_stream& zs, const char* data, qsizetype size, int flush, QByteArray& out) {
        if (deflateReset(&zs) != Z_OK) return false;
        // A sync flush adds an empty stored block to the bound of a finished stream.
        out.resize(qsizetype(deflateBound(&zs, uLong(size))) + 16);
        zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        zs.avail_in = uInt(size);
        zs.next_out = reinterpret_cast<Bytef*>(out.data());
        zs.avail_out = uInt(out.size());
        const int status = deflate(&zs, flush);
        const bool done = flush == Z_FINISH ? status == Z_STREAM_END : status == Z_OK && zs.avail_out > 0;
        if (!done || zs.avail_in != 0) return false;
        out.resize(qsizetype(zs.total_out));
        return true;
    }

    z_stream FChosen{}, FStore{};
    QByteArray FProbe;
    bool FStorePoor = false;
    bool FOk = false;
};
} // namespace

bool DeflateSlices(qsizetype count, const TSliceSource& source, const TOptions& options,
                   const TSliceSink& sink, qsizetype& dataSize, uint32_t& checksum, TJobProgress* job) {
    count = std::max<qsizetype>(1, count);
    const qsizetype threads = std::min<qsizetype>(count, std::max(1, QThread::idealThreadCount()));
    // Slices done but not yet handed on wait here; the workers keep at most this many ahead.
    const qsizetype window = 4 * threads;
    std::vector<QByteArray> slices(static_cast<size_t>(count));
    std::vector<uint32_t> checksums(static_cast<size_t>(count));
    std::vector<qsizetype> sizes(static_cast<size_t>(count));
    std::vector<char> ready(static_cast<size_t>(count), 0);
    const bool crc = options.Checksum == TChecksum::Crc32;
    std::mutex mutex;
    std::condition_variable changed;
    qsizetype next = 0, delivered = 0;
    bool failed = false;
    const auto fail = [&] {
        {
            const std::lock_guard lock(mutex);
            failed = true;
        }
        changed.notify_all();
    };
    // Makes and deflates slice i; false on a failure or a cancel.
    const auto produce = [&](qsizetype i, TSliceDeflater& deflater, QByteArray& scratch) {
        QByteArray out;
        QByteArrayView slice;
        try {
            if (JobCancelled(job) || !deflater.Ok() || !source(i, scratch, slice) ||
                !deflater.Deflate(slice, i == count - 1, out))
                return false;
        } catch (const std::bad_alloc&) {
            return false;
        }
        const auto* bytes = reinterpret_cast<const uint8_t*>(slice.data());
        const auto sum = uint32_t(crc ? libdeflate_crc32(0, bytes, size_t(slice.size()))
                                      : libdeflate_adler32(1, bytes, size_t(slice.size())));
        {
            const std::lock_guard lock(mutex);
            slices[size_t(i)] = std::move(out);
            checksums[size_t(i)] = sum;
            sizes[size_t(i)] = slice.size();
            ready[size_t(i)] = 1;
        }
        changed.notify_all();
        return true;
    };
    const auto work = [&] {
        try {
            TSliceDeflater deflater(options);
            QByteArray scratch;
            for (;;) {
                qsizetype i = 0;
                {
                    std::unique_lock lock(mutex);
                    changed.wait(lock, [&] { return failed || next >= count || next < delivered + window; });
                    if (failed || next >= count) return;
                    i = next++;
                }
                if (!produce(i, deflater, scratch)) return fail();
            }
        } catch (const std::bad_alloc&) {
            fail();
        }
    };
    // Hands the slices on in order; while the next is not done, this thread deflates one too.
    const auto consume = [&] {
        TSliceDeflater deflater(options);
        QByteArray scratch;
        uLong sum = 0;
        qsizetype size = 0;
        for (qsizetype d = 0; d < count; ++d) {
            QByteArray slice;
            for (;;) {
                std::unique_lock lock(mutex);
                if (failed) return false;
                if (ready[size_t(d)]) {
                    slice = std::move(slices[size_t(d)]);
                    break;
                }
                if (next < count && next < delivered + window) {
                    const qsizetype i = next++;
                    lock.unlock();
                    if (!produce(i, deflater, scratch)) return false;
                    continue;
                }
                changed.wait_for(lock, std::chrono::milliseconds(20));
                if (JobCancelled(job)) return false;
            }
            sum = d == 0 ? checksums[0]
                  : crc  ? crc32_combine(sum, checksums[size_t(d)], z_off_t(sizes[size_t(d)]))
                         : adler32_combine(sum, checksums[size_t(d)], z_off_t(sizes[size_t(d)]));
            size += sizes[size_t(d)];
            if (!sink(slice)) return false;
            {
                const std::lock_guard lock(mutex);
                delivered = d + 1;
            }
            changed.notify_all();
        }
        dataSize = size;
        checksum = uint32_t(sum);
        return true;
    };
    std::vector<std::jthread> helpers;
    try {
        for (qsizetype t = 1; t < threads; ++t)
            helpers.emplace_back(work);
    } catch (const std::system_error&) {
        // No more threads to be had: the ones running and this one do the work.
    }
    bool ok = false;
    try {
        ok = consume() && !JobCancelled(job);
    } catch (const std::bad_alloc&) {
    }
    if (!ok) fail(); // the helpers stop and are joined
    return ok;
}

bool CompressZlib(QByteArrayView data, const TOptions& options, const TSliceSink& sink, TJobProgress* job) {
    const qsizetype count = (data.size() + kSliceSize - 1) / kSliceSize;
    const auto source = [&](qsizetype i, QByteArray&, QByteArrayView& slice) {
        const qsizetype start = i * kSliceSize;
        slice = data.sliced(start, std::min(kSliceSize, data.size() - start));
        JobAdvance(job, slice.size());
        return true;
    };
    // The head names deflate with a 32 KiB window and the level's class (RFC 1950).
    const int level = options.Level < 0 ? Z_DEFAULT_COMPRESSION : options.Level;
    const int levelClass = level == Z_DEFAULT_COMPRESSION ? 2
                           : level <= 1                   ? 0
                           : level <= 5                   ? 1
                           : level == 6                   ? 2
                                                          : 3;
    int head = 0x78 << 8 | levelClass << 6;
    head += (31 - head % 31) % 31;
    const char zlibHead[2] = {char(head >> 8), char(head & 0xFF)};
    TOptions zlibOptions = options;
    zlibOptions.Checksum = TChecksum::Adler32;
    qsizetype size = 0;
    uint32_t sum = 0;
    if (!sink(QByteArray(zlibHead, 2)) || !DeflateSlices(count, source, zlibOptions, sink, size, sum, job))
        return false;
    const char trailer[4] = {char(sum >> 24), char(sum >> 16), char(sum >> 8), char(sum)};
    return sink(QByteArray(trailer, 4));
}

} // namespace paralleldeflate
