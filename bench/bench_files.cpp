// Number parsing and text file reading on large inputs.
//   bench_files                        Google Benchmark runs (generates the data file on first use)
//   bench_files --generate FILE ROWS   writes a ROWS x 3 table of 17-digit numbers
//   bench_files --measurement FILE ROWS  writes a ROWS x 3 measurement: ascending time, two noisy signals
//   bench_files --csv FILE ROWS        writes a ROWS x 10 CSV: a header, ISO date-times, nine numbers
//   bench_files --load FILE THREADS [COLUMNS]  one load, with MB/s and memory figures (for
//                                      /usr/bin/time -v); COLUMNS like 0,1 keeps only those
#include "files/NumberParser.h"
#include "files/TextFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

// Numbers in [1, 10) with 17 significant digits, three to a line: about 57 bytes per row.
void AppendNumber(std::string& out, std::mt19937_64& random) {
    const uint64_t digits = 10000000000000000ULL + random() % 90000000000000000ULL; // 17 digits
    char text[24];
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(digits));
    out += text[0];
    out += '.';
    out.append(text + 1, 16);
}

bool Generate(const QString& path, long long rows) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    std::mt19937_64 random(42);
    std::string chunk;
    for (long long r = 0; r < rows; ++r) {
        for (int c = 0; c < 3; ++c) {
            if (c > 0) chunk += '\t';
            AppendNumber(chunk, random);
        }
        chunk += '\n';
        if (chunk.size() > (1 << 22)) {
            file.write(chunk.data(), qint64(chunk.size()));
            chunk.clear();
        }
    }
    file.write(chunk.data(), qint64(chunk.size()));
    return file.error() == QFileDevice::NoError;
}

// A recorder's output: time in column 1, two noisy signals beside it, about 57 bytes per row.
bool GenerateMeasurement(const QString& path, long long rows) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    std::mt19937_64 random(7);
    std::normal_distribution<double> noise(0.0, 0.05);
    std::string chunk;
    char line[96];
    for (long long r = 0; r < rows; ++r) {
        const double t = 1.0 + double(r) * 1e-6;
        const double first = 5.0 + 3.0 * std::sin(t * 40.0) + noise(random);
        const double second = 5.0 + 2.0 * std::cos(t * 7.0) + noise(random);
        chunk.append(line,
                     size_t(std::snprintf(line, sizeof line, "%.16f\t%.16f\t%.16f\n", t, first, second)));
        if (chunk.size() > (1 << 22)) {
            file.write(chunk.data(), qint64(chunk.size()));
            chunk.clear();
        }
    }
    file.write(chunk.data(), qint64(chunk.size()));
    return file.error() == QFileDevice::NoError;
}

// A logger's CSV export: a header, then one row a minute with an ISO date-time and nine 17-digit
// readings, about 190 bytes per row.
bool GenerateCsv(const QString& path, long long rows) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    std::mt19937_64 random(11);
    std::string chunk = "time,a,b,c,d,e,f,g,h,i\n";
    char stamp[32];
    for (long long r = 0; r < rows; ++r) {
        const long long minutes = r;
        const long long day = minutes / 1440;
        // Day numbers within a 28-day month keep the generator free of a calendar.
        std::snprintf(stamp, sizeof stamp, "%04lld-%02lld-%02lldT%02lld:%02lld:00", 2000 + day / 336,
                      day / 28 % 12 + 1, day % 28 + 1, minutes / 60 % 24, minutes % 60);
        chunk += stamp;
        for (int c = 0; c < 9; ++c) {
            chunk += ',';
            AppendNumber(chunk, random);
        }
        chunk += '\n';
        if (chunk.size() > (1 << 22)) {
            file.write(chunk.data(), qint64(chunk.size()));
            chunk.clear();
        }
    }
    file.write(chunk.data(), qint64(chunk.size()));
    return file.error() == QFileDevice::NoError;
}

QString CsvFile() {
    const QString path = QStringLiteral("/tmp/tarvelo_bench_1000000.csv");
    if (!QFileInfo::exists(path) && !GenerateCsv(path, 1000000))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return path;
}

QString DataFile() {
    const long long rows =
        std::getenv("TARVELO_BENCH_ROWS") ? std::atoll(std::getenv("TARVELO_BENCH_ROWS")) : 10000000;
    const QString path = QStringLiteral("/tmp/tarvelo_bench_%1.txt").arg(rows);
    if (!QFileInfo::exists(path) && !Generate(path, rows))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return path;
}

long long StatusKb(const char* key) {
    FILE* status = std::fopen("/proc/self/status", "r");
    char line[256];
    long long value = -1;
    while (status && std::fgets(line, sizeof line, status))
        if (std::strncmp(line, key, std::strlen(key)) == 0) value = std::atoll(line + std::strlen(key));
    if (status) std::fclose(status);
    return value;
}

int LoadOnce(const QString& path, int threads, const QString& kept) {
    const long long before = StatusKb("VmRSS:");
    TTextFile file;
    file.ThreadCount = threads;
    for (const QString& column : kept.split(QLatin1Char(','), Qt::SkipEmptyParts))
        file.KeptColumns.append(column.toInt());
    file.FieldSeparator = TFieldSeparator::Auto;
    QElapsedTimer timer;
    timer.start();
    const std::clock_t cpuStart = std::clock();
    if (!file.LoadFromFile(path)) {
        std::fprintf(stderr, "%s\n", qPrintable(file.ErrorMessage()));
        return 1;
    }
    const double seconds = double(timer.nsecsElapsed()) * 1e-9;
    const double cpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const double megabytes = double(QFileInfo(path).size()) / 1e6;
    const long long after = StatusKb("VmRSS:");
    const long long peak = StatusKb("VmHWM:");
    long long rows = 0;
    for (int i = 0; i < file.VariableCount(); ++i) {
        TDoubleArray2 columns;
        if (file.GetColumns(i, columns) && !columns.isEmpty()) rows += columns[0].size();
    }
    std::printf(
        "threads %d: %.0f MB in %.3f s = %.0f MB/s (cpu %.3f s = %.0f MB/s per core), %lld rows in %lld "
        "variables\n",
        threads, megabytes, seconds, megabytes / seconds, cpuSeconds, megabytes / cpuSeconds, rows,
        static_cast<long long>(file.VariableCount()));
    std::printf("memory: result %.0f MB, peak during the load %.0f MB (%.2f x the result)\n",
                (after - before) / 1024.0, (peak - before) / 1024.0,
                double(peak - before) / double(after - before));
    return 0;
}

// 17 significant digits with exponents up to `span`, past the exact powers of ten with wide spans.
std::vector<std::string> Numbers17(int count, int span = 12) {
    std::mt19937_64 random(1);
    std::vector<std::string> out(count);
    for (std::string& s : out) {
        AppendNumber(s, random);
        s += (span > 12 && random() % 2 ? "e+" : "e-") + std::to_string(random() % span);
    }
    return out;
}

void BM_ParseExtended17Digits(benchmark::State& state) {
    const std::vector<std::string> numbers = Numbers17(1 << 16, int(state.range(0)));
    size_t bytes = 0;
    for (const std::string& s : numbers)
        bytes += s.size();
    for (auto _ : state) {
        for (const std::string& s : numbers) {
            Extended value;
            const char* stop;
            numparse::ParseExtended(s.data(), s.data() + s.size(), value, &stop);
            benchmark::DoNotOptimize(value);
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(numbers.size()));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_ParseExtended17Digits)->ArgName("exponents")->Arg(12)->Arg(300);

void BM_StrtoldCLocale17Digits(benchmark::State& state) {
    const std::vector<std::string> numbers = Numbers17(1 << 16);
    for (auto _ : state)
        for (const std::string& s : numbers)
            benchmark::DoNotOptimize(numparse::ReferenceStrtold(s.c_str(), nullptr));
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(numbers.size()));
}
BENCHMARK(BM_StrtoldCLocale17Digits);

void BM_LoadTextFile(benchmark::State& state) {
    const QString path = DataFile();
    const qint64 size = QFileInfo(path).size();
    for (auto _ : state) {
        TTextFile file;
        file.ThreadCount = int(state.range(0));
        if (!file.LoadFromFile(path)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(file.VariableCount());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * size);
}
BENCHMARK(BM_LoadTextFile)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();

// The same per byte for delimited text: 1M rows of ten columns, dates first.
void BM_LoadCsvFile(benchmark::State& state) {
    const QString path = CsvFile();
    const qint64 size = QFileInfo(path).size();
    for (auto _ : state) {
        TTextFile file;
        file.ThreadCount = int(state.range(0));
        file.FieldSeparator = TFieldSeparator::Auto;
        if (!file.LoadFromFile(path)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(file.VariableCount());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * size);
}
BENCHMARK(BM_LoadCsvFile)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--generate") == 0)
        return Generate(QString::fromLocal8Bit(argv[2]), std::atoll(argv[3])) ? 0 : 1;
    if (argc == 4 && std::strcmp(argv[1], "--measurement") == 0)
        return GenerateMeasurement(QString::fromLocal8Bit(argv[2]), std::atoll(argv[3])) ? 0 : 1;
    if (argc == 4 && std::strcmp(argv[1], "--csv") == 0)
        return GenerateCsv(QString::fromLocal8Bit(argv[2]), std::atoll(argv[3])) ? 0 : 1;
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "--load") == 0)
        return LoadOnce(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]),
                        argc == 5 ? QString::fromLocal8Bit(argv[4]) : QString());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
