// Deflate of large data on every core. The data is cut into slices that are compressed each on its
// own as raw deflate ending on a byte boundary (a sync flush; the last slice finishes the stream),
// so that one after the other they are one deflate stream. A slice does not see the data of the
// one before it, which costs well under a percent of the size at a megabyte per slice.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <functional>

class TJobProgress;

namespace paralleldeflate {

inline constexpr qsizetype kSliceSize = qsizetype(1) << 20;

enum class TChecksum { Adler32, Crc32 };

struct TOptions {
    int Level = -1; // zlib's default level
    // A slice whose start shrinks by less than a quarter is stored instead: numbers with noise in
    // their last digits shrink by a fifth at a fiftieth of the speed of storing them.
    bool StorePoorSlices = false;
    TChecksum Checksum = TChecksum::Adler32; // zlib streams carry adler32, ZIP entries crc32
};

// Gives slice `index` of the data in `slice`: a view of the caller's memory, or of `scratch`, which
// the source may fill. False when the slice cannot be made.
using TSliceSource = std::function<bool(qsizetype index, QByteArray& scratch, QByteArrayView& slice)>;

// Takes each deflated piece; false stops the deflating.
using TSliceSink = std::function<bool(const QByteArray& deflated)>;

// Compresses `count` slices on every core and hands them to `sink` on the calling thread, in order,
// as soon as they are done, so that only a few per core are held at once; dataSize and checksum
// then describe the data. A cancel of the job is seen before each slice. False when zlib fails,
// memory runs out, a slice cannot be made, the sink fails or the job is cancelled.
bool DeflateSlices(qsizetype count, const TSliceSource& source, const TOptions& options,
                   const TSliceSink& sink, qsizetype& dataSize, uint32_t& checksum, TJobProgress* job);

// The data as a zlib stream, handed to the sink in pieces: the two-byte head, the slices and the
// adler32 checksum; the job advances by the bytes compressed.
bool CompressZlib(QByteArrayView data, const TOptions& options, const TSliceSink& sink, TJobProgress* job);

} // namespace paralleldeflate
