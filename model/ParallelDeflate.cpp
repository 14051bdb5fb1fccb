#include "model/ParallelDeflate.h"

#include "model/JobProgress.h"

#include <QThread>

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
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

qsizetype TDeflated::Size() const {
    qsizetype size = 0;
    for (const QByteArray& slice : Slices)
        size += slice.size();
    return size;
}

bool DeflateSlices(qsizetype count, const TSliceSource& source, const TOptions& options, TDeflated& output,
                   TJobProgress* job) {
    count = std::max<qsizetype>(1, count);
    std::vector<QByteArray> slices(static_cast<size_t>(count));
    std::vector<uint32_t> checksums(static_cast<size_t>(count));
    std::vector<qsizetype> sizes(static_cast<size_t>(count));
    const bool crc = options.Checksum == TChecksum::Crc32;
    std::atomic<qsizetype> next{0};
    std::atomic<bool> failed{false};
    auto work = [&] {
        try {
            TSliceDeflater deflater(options);
            if (!deflater.Ok()) failed = true;
            QByteArray scratch;
            for (qsizetype i = next++; i < count && !failed && !JobCancelled(job); i = next++) {
                QByteArrayView slice;
                if (!source(i, scratch, slice) ||
                    !deflater.Deflate(slice, i == count - 1, slices[size_t(i)])) {
                    failed = true;
                    break;
                }
                const auto* bytes = reinterpret_cast<const uint8_t*>(slice.data());
                checksums[size_t(i)] = uint32_t(crc ? libdeflate_crc32(0, bytes, size_t(slice.size()))
                                                    : libdeflate_adler32(1, bytes, size_t(slice.size())));
                sizes[size_t(i)] = slice.size();
            }
        } catch (const std::bad_alloc&) {
            failed = true;
        }
    };
    {
        const qsizetype threads = std::min<qsizetype>(count, std::max(1, QThread::idealThreadCount()));
        std::vector<std::jthread> helpers;
        try {
            for (qsizetype t = 1; t < threads; ++t)
                helpers.emplace_back(work);
        } catch (const std::system_error&) {
            // No more threads to be had: the ones running and this one do the work.
        }
        work();
    }
    if (failed || JobCancelled(job)) return false;

    uLong checksum = checksums[0];
    qsizetype size = sizes[0];
    for (size_t i = 1; i < size_t(count); ++i) {
        checksum = crc ? crc32_combine(checksum, checksums[i], z_off_t(sizes[i]))
                       : adler32_combine(checksum, checksums[i], z_off_t(sizes[i]));
        size += sizes[i];
    }
    output.Slices = std::move(slices);
    output.DataSize = size;
    output.Checksum = uint32_t(checksum);
    return true;
}

bool CompressZlib(QByteArrayView data, const TOptions& options, std::vector<QByteArray>& pieces,
                  TJobProgress* job) {
    const qsizetype count = (data.size() + kSliceSize - 1) / kSliceSize;
    const auto source = [&](qsizetype i, QByteArray&, QByteArrayView& slice) {
        const qsizetype start = i * kSliceSize;
        slice = data.sliced(start, std::min(kSliceSize, data.size() - start));
        JobAdvance(job, slice.size());
        return true;
    };
    TDeflated deflated;
    TOptions zlibOptions = options;
    zlibOptions.Checksum = TChecksum::Adler32;
    if (!DeflateSlices(count, source, zlibOptions, deflated, job)) return false;
    // The head names deflate with a 32 KiB window and the level's class (RFC 1950).
    const int level = options.Level < 0 ? Z_DEFAULT_COMPRESSION : options.Level;
    const int levelClass = level == Z_DEFAULT_COMPRESSION ? 2
                           : level <= 1                   ? 0
                           : level <= 5                   ? 1
                           : level == 6                   ? 2
                                                          : 3;
    int head = 0x78 << 8 | levelClass << 6;
    head += (31 - head % 31) % 31;
    pieces.clear();
    pieces.reserve(deflated.Slices.size() + 2);
    const char zlibHead[2] = {char(head >> 8), char(head & 0xFF)};
    pieces.push_back(QByteArray(zlibHead, 2));
    for (QByteArray& slice : deflated.Slices)
        pieces.push_back(std::move(slice));
    const uint32_t sum = deflated.Checksum;
    const char trailer[4] = {char(sum >> 24), char(sum >> 16), char(sum >> 8), char(sum)};
    pieces.push_back(QByteArray(trailer, 4));
    return true;
}

} // namespace paralleldeflate
