// Saving and opening a figure with one graph of ten million nodes: the stream alone, the whole
// file (stream, compression in slices on every core, write) and the opening (read, inflate, check,
// load); the compression alone against zlib over the whole stream.
#include "app/FigureFile.h"
#include "window/FigureStream.h"
#include "window/SuperGrWindow.h"

#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>
#include <zlib.h>

namespace {
TDoubleArray Measurement(int n, Extended scale) {
    // A slowly varying signal with noise in its last digits, like a real measurement.
    TDoubleArray a(n);
    Extended* p = a.data();
    uint32_t noise = 12345;
    for (int i = 0; i < n; ++i) {
        noise = noise * 1664525u + 1013904223u;
        p[i] = scale * Extended(i % 5000) / 3 + Extended(noise >> 16) * 1e-9L;
    }
    return a;
}

TSuperGrWindow& BigFigure(int n) {
    static TSuperGrWindow window;
    if (window.GraphCount() == 0)
        window.AddGraph(QStringLiteral("big"), false, {}, Measurement(n, 1), Measurement(n, 0.5L));
    return window;
}

QString BenchFile() {
    return QDir::temp().filePath(QStringLiteral("tarvelo_bench_stream.tvq"));
}

// The figure written for the opening benchmark goes when the program ends.
struct TBenchFileRemover {
    ~TBenchFileRemover() { QFile::remove(BenchFile()); }
} benchFileRemover;

void BM_SerializeFigure(benchmark::State& state) {
    TSuperGrWindow& window = BigFigure(int(state.range(0)));
    qsizetype size = 0;
    for (auto _ : state)
        size = TFigureStream::Serialize(window).size();
    state.counters["MB"] = double(size) / 1e6;
    state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_SerializeFigure)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ParseFigure(benchmark::State& state) {
    TSuperGrWindow& window = BigFigure(int(state.range(0)));
    const QByteArray stream = TFigureStream::Serialize(window);
    TSuperGrWindow target;
    for (auto _ : state)
        benchmark::DoNotOptimize(TFigureStream::Parse(target, stream));
    state.SetBytesProcessed(state.iterations() * stream.size());
}
BENCHMARK(BM_ParseFigure)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SaveFigureFile(benchmark::State& state) {
    TSuperGrWindow& window = BigFigure(int(state.range(0)));
    for (auto _ : state) {
        QString error;
        if (!figurefile::Write(window, {0, 0, 800, 600}, BenchFile(), &error))
            state.SkipWithError("write failed");
    }
    state.counters["file MB"] = double(QFile(BenchFile()).size()) / 1e6;
}
BENCHMARK(BM_SaveFigureFile)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_OpenFigureFile(benchmark::State& state) {
    TSuperGrWindow& window = BigFigure(int(state.range(0)));
    if (!QFile::exists(BenchFile())) figurefile::Write(window, {}, BenchFile(), nullptr);
    for (auto _ : state) {
        TSuperGrWindow target;
        if (!figurefile::Load(target, BenchFile(), nullptr)) state.SkipWithError("open failed");
    }
}
BENCHMARK(BM_OpenFigureFile)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(2);

// The figure file's compression: slices on every core, stored where compressing does not pay.
void BM_ComposeFigureFile(benchmark::State& state) {
    const QByteArray stream = TFigureStream::Serialize(BigFigure(10'000'000));
    qsizetype size = 0;
    for (auto _ : state)
        size = figurefile::Compose(figurefile::CurrentHeader(), {}, stream).size();
    state.counters["ratio"] = double(stream.size()) / double(size);
    state.SetBytesProcessed(state.iterations() * stream.size());
}
BENCHMARK(BM_ComposeFigureFile)->Unit(benchmark::kMillisecond)->Iterations(2);

// zlib over the whole stream in one piece, at its default and at its fastest level.
void BM_DeflateLevel(benchmark::State& state) {
    const QByteArray stream = TFigureStream::Serialize(BigFigure(10'000'000));
    const int level = int(state.range(0));
    uLongf size = 0;
    for (auto _ : state) {
        QByteArray out(qsizetype(compressBound(uLong(stream.size()))), '\0');
        size = uLongf(out.size());
        compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(stream.constData()), uLong(stream.size()), level);
    }
    state.counters["ratio"] = double(stream.size()) / double(size);
    state.SetBytesProcessed(state.iterations() * stream.size());
}
BENCHMARK(BM_DeflateLevel)->Arg(Z_DEFAULT_COMPRESSION)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);
} // namespace
