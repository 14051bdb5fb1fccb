#include "files/DelimitedText.h"

#include "files/NumberParser.h"
#include "files/TextFile.h"
#include "model/Codecs.h"

#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <new>
#include <string>
#include <thread>
#include <vector>

namespace delimited {

namespace {

constexpr Extended kMissing = std::numeric_limits<Extended>::quiet_NaN();
// The first lines the separator and the header are judged by.
constexpr qsizetype kSampleBytes = 64 * 1024;
constexpr int kSampleRecords = 200;
constexpr qsizetype kMinBytesPerThread = qsizetype(1) << 20;

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool SkipUtf8Mark(const char*& data, qsizetype& size) {
    if (size < 3 || std::memcmp(data, "\xEF\xBB\xBF", 3) != 0) return false;
    data += 3;
    size -= 3;
    return true;
}

inline bool EndsField(char c, char separator) {
    return c == separator || c == '\n' || c == '\r';
}

// Calls onField(begin, end) for every field of the record at p (quotes removed, doubled quotes
// made single) and returns the start of the next record. A quoted field may hold separators and
// line ends; text after its closing quote up to the next separator is dropped. fastField(p) may
// take a whole unquoted field first, moving p to its end, and return true; onField is then not
// called for it.
template <class OnField, class FastField>
const char* ForEachField(const char* p, const char* end, char separator, std::string& scratch,
                         OnField&& onField, FastField&& fastField) {
    for (;;) {
        if (!fastField(p)) {
            const char* start = p;
            while (p != end && IsBlank(*p) && *p != separator)
                ++p;
            if (p != end && *p == '"') {
                scratch.clear();
                ++p;
                for (;;) {
                    const char* quote = static_cast<const char*>(std::memchr(p, '"', size_t(end - p)));
                    if (!quote) { // unterminated: the rest of the text
                        scratch.append(p, end);
                        p = end;
                        break;
                    }
                    scratch.append(p, quote);
                    p = quote + 1;
                    if (p == end || *p != '"') break;
                    scratch.push_back('"');
                    ++p;
                }
                while (p != end && !EndsField(*p, separator))
                    ++p;
                onField(scratch.data(), scratch.data() + scratch.size());
            } else {
                p = start;
                while (p != end && !EndsField(*p, separator))
                    ++p;
                onField(start, p);
            }
        }
        if (p == end) return end;
        if (*p == separator) {
            ++p;
            continue;
        }
        if (*p == '\r') ++p;
        if (p != end && *p == '\n') ++p;
        return p;
    }
}

template <class OnField>
const char* ForEachField(const char* p, const char* end, char separator, std::string& scratch,
                         OnField&& onField) {
    return ForEachField(p, end, separator, scratch, onField, [](const char*&) { return false; });
}

bool EqualsIgnoringCase(const char* begin, const char* end, const char* word) {
    const size_t length = std::strlen(word);
    if (size_t(end - begin) != length) return false;
    for (size_t i = 0; i < length; ++i) {
        char c = begin[i];
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (c != word[i]) return false;
    }
    return true;
}

bool IsMissingToken(const char* begin, const char* end) {
    for (const char* word : {"na", "nan", "-", "null", "n/a", "#n/a"})
        if (EqualsIgnoringCase(begin, end, word)) return true;
    return false;
}

// 1 .. maxDigits digits (exactly maxDigits when exact).
bool ReadDigits(const char*& p, const char* end, int maxDigits, bool exact, int& out) {
    int count = 0;
    out = 0;
    while (p != end && IsDigit(*p) && count < maxDigits) {
        out = out * 10 + (*p - '0');
        ++p;
        ++count;
    }
    return exact ? count == maxDigits : count > 0;
}

bool Expect(const char*& p, const char* end, char c) {
    if (p == end || *p != c) return false;
    ++p;
    return true;
}

// Days from 1 January 1970 in the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yearOfEra = y - era * 400;
    const int64_t dayOfYear = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// H:MM[:SS[.fraction]] as a fraction of a day.
bool ReadTime(const char*& p, const char* end, Extended& dayFraction) {
    int hour = 0, minute = 0, second = 0;
    if (!ReadDigits(p, end, 2, false, hour) || !Expect(p, end, ':') || !ReadDigits(p, end, 2, true, minute))
        return false;
    Extended seconds = 0;
    if (p != end && *p == ':') {
        ++p;
        if (!ReadDigits(p, end, 2, true, second)) return false;
        seconds = second;
        if (p != end && (*p == '.' || *p == ',')) {
            ++p;
            Extended scale = 0.1L;
            if (p == end || !IsDigit(*p)) return false;
            for (; p != end && IsDigit(*p); ++p, scale /= 10)
                seconds += (*p - '0') * scale;
        }
    }
    if (hour > 23 || minute > 59 || second > 60) return false;
    dayFraction = (hour * 3600 + minute * 60 + seconds) / 86400;
    return true;
}

} // namespace

bool ParseDateTime(const char* begin, const char* end, Extended& days) {
    const char* p = begin;
    int year = 0, month = 0, day = 0;
    const char* probe = p;
    int first = 0;
    ReadDigits(probe, end, 4, false, first);
    if (probe - p == 4) { // ISO: 2000-01-03
        p = probe;
        year = first;
        if (!Expect(p, end, '-') || !ReadDigits(p, end, 2, false, month) || !Expect(p, end, '-') ||
            !ReadDigits(p, end, 2, false, day))
            return false;
    } else { // the locale's day first: 03.01.2000
        if (!ReadDigits(p, end, 2, false, day) || !Expect(p, end, '.') ||
            !ReadDigits(p, end, 2, false, month) || !Expect(p, end, '.') ||
            !ReadDigits(p, end, 4, true, year))
            return false;
    }
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
    Extended fraction = 0;
    if (p != end && (*p == 'T' || *p == ' ')) {
        ++p;
        if (!ReadTime(p, end, fraction)) return false;
        // A zone is accepted and the wall time kept as written.
        if (p != end && *p == 'Z') {
            ++p;
        } else if (p != end && (*p == '+' || *p == '-')) {
            ++p;
            int zone = 0;
            if (!ReadDigits(p, end, 2, true, zone)) return false;
            if (p != end && *p == ':') ++p;
            if (p != end && !ReadDigits(p, end, 2, true, zone)) return false;
        }
    }
    if (p != end) return false;
    // Whole days since 30 December 1899; before it the fraction counts forward from midnight.
    const int64_t whole = DaysFromCivil(year, month, day) + 25569;
    days = whole >= 0 ? Extended(whole) + fraction : Extended(whole) - fraction;
    return true;
}

TFieldKind ParseField(const char* begin, const char* end, bool commaIsPoint, Extended& value) {
    while (begin != end && IsBlank(*begin))
        ++begin;
    while (end != begin && IsBlank(end[-1]))
        --end;
    if (begin == end) return TFieldKind::Missing;
    const bool dateShaped = end - begin >= 8 && (begin[4] == '-' || begin[2] == '.' || begin[1] == '.');
    if (dateShaped && ParseDateTime(begin, end, value)) return TFieldKind::Date;
    const char c = *begin;
    if (IsDigit(c) || c == '-' || c == '+' || c == '.' || (commaIsPoint && c == ',')) {
        const char* stop = begin;
        const bool parsed = numparse::ParseExtended(
            begin, end, value, &stop, commaIsPoint ? numparse::kCommaIsPoint : numparse::kPointOnly);
        if (stop == end) return parsed ? TFieldKind::Number : TFieldKind::Missing; // overflow
    }
    if (IsMissingToken(begin, end)) return TFieldKind::Missing;
    if (!dateShaped && ParseDateTime(begin, end, value)) return TFieldKind::Date;
    return TFieldKind::Text;
}

char SeparatorChar(TFieldSeparator separator) {
    switch (separator) {
    case TFieldSeparator::Comma:
        return ',';
    case TFieldSeparator::Semicolon:
        return ';';
    case TFieldSeparator::Tab:
        return '\t';
    default:
        return ' ';
    }
}

namespace {

// The first complete lines of a text, at most kSampleBytes.
qsizetype SampleSize(const char* data, qsizetype size) {
    if (size <= kSampleBytes) return size;
    for (qsizetype i = kSampleBytes - 1; i > 0; --i)
        if (data[i] == '\n') return i + 1;
    return kSampleBytes;
}

// How the plain-text rules read the sample: whether as one table (its numeric lines all of one
// width, no text after them), and the values of a numeric line on average, times 100.
struct TWhitespaceReading {
    bool Consistent = false;
    int ValuesPer100Lines = 0;
};

TWhitespaceReading ReadAsWhitespace(const char* data, qsizetype size) {
    const TSeparatorSet separators = TSeparatorSet::Default();
    std::vector<Extended> values;
    int width = -1, lines = 0;
    bool consistent = true;
    const char* p = data;
    const char* end = data + size;
    while (p != end) {
        const char* newline = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        const char* lineEnd = newline ? newline : end;
        const size_t before = values.size();
        if (ParseNumbers(p, lineEnd, separators, values)) {
            const int count = int(values.size() - before);
            consistent &= width < 0 || width == count;
            width = count;
            ++lines;
        } else if (width >= 0 && std::any_of(p, lineEnd, [](char c) { return uint8_t(c) > ' '; })) {
            consistent = false; // text after the table
        }
        p = newline ? newline + 1 : end;
    }
    if (lines == 0) return {};
    return {consistent, int(qsizetype(values.size()) * 100 / lines)};
}

// How well a separator splits the sample: the number of fields that nine in ten of its data
// records share (0 when they do not agree, or agree on one field) and the numbers and dates a data
// record holds on average, which tells a comma between values from a decimal comma.
struct TSplitQuality {
    int Fields = 0;
    int ValuesPer100Records = 0;
    bool operator<(const TSplitQuality& other) const {
        return std::pair(ValuesPer100Records, Fields) < std::pair(other.ValuesPer100Records, other.Fields);
    }
};

TSplitQuality SplitQuality(const char* data, qsizetype size, char separator) {
    std::map<int, int> counts;
    int records = 0;
    qsizetype values = 0;
    std::string scratch;
    const char* p = data;
    const char* end = data + size;
    const bool commaIsPoint = separator != ',';
    while (p != end && records < kSampleRecords) {
        int fields = 0, recordValues = 0;
        p = ForEachField(p, end, separator, scratch, [&](const char* b, const char* e) {
            Extended value;
            const TFieldKind kind = ParseField(b, e, commaIsPoint, value);
            recordValues += kind == TFieldKind::Number || kind == TFieldKind::Date;
            ++fields;
        });
        if (recordValues == 0) continue;
        ++counts[fields];
        ++records;
        values += recordValues;
    }
    if (records == 0) return {};
    const auto modal = std::max_element(counts.begin(), counts.end(),
                                        [](const auto& a, const auto& b) { return a.second < b.second; });
    if (modal->first < 2 || modal->second * 10 < records * 9) return {};
    return {modal->first, int(values * 100 / records)};
}

QString DecodeText(const char* data, qsizetype size) {
    const QString utf8 = QString::fromUtf8(data, size);
    return utf8.contains(QChar::ReplacementCharacter) ? codec::FromCp1251(data, size) : utf8;
}

// The delimiter whose data records agree on their fields and hold the most values, then the most
// fields (tab, semicolon, comma on a tie); Whitespace when none agrees.
TFieldSeparator BestDelimiter(const char* data, qsizetype size, TSplitQuality* quality = nullptr) {
    TFieldSeparator best = TFieldSeparator::Whitespace;
    TSplitQuality bestQuality;
    for (TFieldSeparator candidate :
         {TFieldSeparator::Tab, TFieldSeparator::Semicolon, TFieldSeparator::Comma}) {
        const TSplitQuality q = SplitQuality(data, size, SeparatorChar(candidate));
        if (q.Fields > 0 && bestQuality < q) {
            best = candidate;
            bestQuality = q;
        }
    }
    if (quality) *quality = bestQuality;
    return best;
}

} // namespace

TFieldSeparator Sniff(const char* data, qsizetype size, bool* bothConsistent) {
    SkipUtf8Mark(data, size);
    size = SampleSize(data, size);
    const TWhitespaceReading whitespace = ReadAsWhitespace(data, size);
    TSplitQuality quality;
    const TFieldSeparator best = BestDelimiter(data, size, &quality);
    if (bothConsistent) *bothConsistent = whitespace.Consistent && best != TFieldSeparator::Whitespace;
    // Tables of several widths (plain-text variables) stay plain text unless a delimiter finds more.
    const bool keepWhitespace =
        whitespace.Consistent || whitespace.ValuesPer100Lines > quality.ValuesPer100Records;
    return keepWhitespace ? TFieldSeparator::Whitespace : best;
}

TFieldSeparator SeparatorForName(const QString& fileName, const char* data, qsizetype size) {
    const QString suffix = QFileInfo(fileName).suffix();
    TFieldSeparator named = TFieldSeparator::Auto;
    if (suffix.compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0) named = TFieldSeparator::Comma;
    if (suffix.compare(QLatin1String("tsv"), Qt::CaseInsensitive) == 0) named = TFieldSeparator::Tab;
    if (named == TFieldSeparator::Auto) return named;
    SkipUtf8Mark(data, size);
    size = SampleSize(data, size);
    const TSplitQuality own = SplitQuality(data, size, SeparatorChar(named));
    TSplitQuality best;
    const TFieldSeparator other = BestDelimiter(data, size, &best);
    const bool otherSplitsBetter = own.Fields == 0 || own.ValuesPer100Records < best.ValuesPer100Records;
    return other != TFieldSeparator::Whitespace && otherSplitsBetter ? other : named;
}

namespace {

// What the first records say: where the data rows start, how many columns they have, the lines
// before them and the column names among those lines.
struct TLayout {
    qsizetype DataStart = 0;
    int Columns = 0;
    TStrArray HeaderLines;
    QStringList Names;
};

TLayout FindLayout(const char* data, qsizetype size, char separator) {
    TLayout layout;
    const bool commaIsPoint = separator != ',';
    std::string scratch;
    std::map<int, int> counts;
    int dataRecords = 0;
    QStringList lastNamed; // the fields of the last non-blank record before the data
    const char* p = data;
    const char* end = data + SampleSize(data, size);
    while (p != end && dataRecords < kSampleRecords) {
        const char* recordStart = p;
        QStringList fields;
        int fieldCount = 0;
        bool anyValue = false;
        p = ForEachField(p, end, separator, scratch, [&](const char* b, const char* e) {
            Extended value;
            const TFieldKind kind = ParseField(b, e, commaIsPoint, value);
            anyValue |= kind == TFieldKind::Number || kind == TFieldKind::Date;
            if (dataRecords == 0) fields.append(DecodeText(b, e - b).trimmed());
            ++fieldCount;
        });
        if (anyValue) {
            if (dataRecords == 0) layout.DataStart = recordStart - data;
            ++counts[fieldCount];
            ++dataRecords;
            continue;
        }
        if (dataRecords > 0) continue; // text among the data rows is passed over
        const char* lineEnd = p;
        while (lineEnd != recordStart && (lineEnd[-1] == '\n' || lineEnd[-1] == '\r'))
            --lineEnd;
        layout.HeaderLines.append(DecodeText(recordStart, lineEnd - recordStart));
        if (std::any_of(fields.begin(), fields.end(), [](const QString& f) { return !f.isEmpty(); }))
            lastNamed = fields;
    }
    if (dataRecords == 0) {
        layout.HeaderLines.clear();
        return layout;
    }
    layout.Columns = std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
                         return a.second < b.second;
                     })->first;
    // A title line above the table has fewer fields than it: it names nothing.
    if (lastNamed.size() >= std::max(layout.Columns, 2)) {
        layout.Columns = int(lastNamed.size());
        layout.Names = lastNamed;
    }
    return layout;
}

enum { kNumbers, kDates, kTexts };

// One thread's rows: its part of every column and what kind of fields each column had.
struct alignas(64) TChunk {
    std::vector<TDoubleArray> columns;
    std::vector<std::array<qsizetype, 3>> kinds;
    bool failed = false;
};

void ParseRows(const char* data, qsizetype from, qsizetype to, char separator, int columnCount,
               const std::function<void(int)>* progress, TChunk& out) {
    try {
        out.columns.assign(size_t(columnCount), TDoubleArray());
        out.kinds.assign(size_t(columnCount), {0, 0, 0});
        // Room for the rows this part is likely to hold, judged by its first line.
        const char* firstEnd = static_cast<const char*>(std::memchr(data + from, '\n', size_t(to - from)));
        const qsizetype lineBytes =
            firstEnd ? std::max<qsizetype>(firstEnd - (data + from) + 1, 2) : to - from;
        // A well-formed row has a byte at least for each of its fields; rows far shorter than the
        // table is wide would fill memory with missing values out of all proportion to the text.
        const qsizetype maxRows = 8 * (to - from) / columnCount + 64;
        const qsizetype expected = std::min((to - from) / lineBytes * 9 / 8 + 16, maxRows);
        for (TDoubleArray& column : out.columns)
            column.reserve(expected);
        qsizetype rows = 0;

        const bool commaIsPoint = separator != ',';
        const unsigned flags = commaIsPoint ? numparse::kCommaIsPoint : numparse::kPointOnly;
        std::vector<TFieldKind> rowKinds(static_cast<size_t>(columnCount));
        std::string scratch;
        const char* p = data + from;
        const char* end = data + to;
        const char* nextReport = p;
        while (p != end) {
            int column = 0;
            bool anyValue = false;
            // Values go to their columns at once; a row without any is taken back at its end.
            const auto store = [&](TFieldKind kind, Extended value) {
                if (column >= columnCount) return; // fields beyond the header are passed over
                const bool isValue = kind == TFieldKind::Number || kind == TFieldKind::Date;
                anyValue |= isValue;
                rowKinds[size_t(column)] = kind;
                out.columns[size_t(column)].append(isValue ? value : kMissing);
                ++column;
            };
            // Most fields are plain numbers that end at a separator: one pass over them.
            const auto plainNumber = [&](const char*& q) {
                if (q == end || !(IsDigit(*q) || *q == '-' || *q == '+' || *q == '.')) return false;
                Extended value;
                const char* stop = q;
                if (!numparse::ParseExtended(q, end, value, &stop, flags) ||
                    (stop != end && !EndsField(*stop, separator)))
                    return false;
                q = stop;
                store(TFieldKind::Number, value);
                return true;
            };
            p = ForEachField(
                p, end, separator, scratch,
                [&](const char* b, const char* e) {
                    Extended value = kMissing;
                    const TFieldKind kind = ParseField(b, e, commaIsPoint, value);
                    store(kind, value);
                },
                plainNumber);
            if (!anyValue) {
                for (int c = 0; c < column; ++c)
                    out.columns[size_t(c)].removeLast();
                continue;
            }
            if (++rows > maxRows) throw std::bad_alloc();
            for (int c = 0; c < column; ++c) {
                const TFieldKind kind = rowKinds[size_t(c)];
                if (kind != TFieldKind::Missing)
                    ++out.kinds[size_t(c)][kind == TFieldKind::Number ? kNumbers
                                           : kind == TFieldKind::Date ? kDates
                                                                      : kTexts];
            }
            for (int c = column; c < columnCount; ++c) // a short row misses its last fields
                out.columns[size_t(c)].append(kMissing);
            if (progress && p >= nextReport) {
                (*progress)(int((p - (data + from)) * 100 / std::max<qsizetype>(to - from, 1)));
                nextReport = p + (qsizetype(1) << 20);
            }
        }
    } catch (const std::bad_alloc&) {
        out.failed = true;
    }
}

// Splits [from, to) at line ends into parts of at least kMinBytesPerThread for the threads. Quoted
// fields may hold line ends, so text with quotes is read in one part.
std::vector<qsizetype> SplitAtLines(const char* data, qsizetype from, qsizetype to, int threads) {
    std::vector<qsizetype> bounds{from};
    const bool quoted = std::memchr(data + from, '"', size_t(to - from)) != nullptr;
    const int parts = quoted ? 1 : int(std::clamp<qsizetype>((to - from) / kMinBytesPerThread, 1, threads));
    for (int k = 1; k < parts; ++k) {
        const qsizetype target = std::max(bounds.back(), from + (to - from) * k / parts);
        const void* newline = std::memchr(data + target, '\n', size_t(to - target));
        if (!newline) break;
        bounds.push_back(static_cast<const char*>(newline) - data + 1);
    }
    bounds.push_back(to);
    return bounds;
}

} // namespace

bool ReadTable(const char* data, qsizetype size, TFieldSeparator separatorKind, int threads,
               const std::function<void(int)>& progress, TTable& table) {
    table = TTable();
    SkipUtf8Mark(data, size);
    const char separator = SeparatorChar(separatorKind);
    const TLayout layout = FindLayout(data, size, separator);
    if (layout.Columns == 0) return false;

    const std::vector<qsizetype> bounds = SplitAtLines(data, layout.DataStart, size, std::max(threads, 1));
    const size_t parts = bounds.size() - 1;
    std::vector<TChunk> chunks(parts);
    {
        std::vector<std::thread> workers;
        for (size_t k = 1; k < parts; ++k)
            workers.emplace_back(ParseRows, data, bounds[k], bounds[k + 1], separator, layout.Columns,
                                 nullptr, std::ref(chunks[k]));
        // The workers are joined before leaving, also when this part fails.
        struct TJoin {
            std::vector<std::thread>& threads;
            ~TJoin() {
                for (std::thread& t : threads)
                    t.join();
            }
        } join{workers};
        ParseRows(data, bounds[0], bounds[1], separator, layout.Columns, progress ? &progress : nullptr,
                  chunks[0]);
    }
    for (const TChunk& chunk : chunks)
        if (chunk.failed) throw std::bad_alloc();

    for (int c = 0; c < layout.Columns; ++c) {
        std::array<qsizetype, 3> kinds{0, 0, 0};
        for (const TChunk& chunk : chunks)
            for (int k = 0; k < 3; ++k)
                kinds[size_t(k)] += chunk.kinds[size_t(c)][size_t(k)];
        const qsizetype values = kinds[kNumbers] + kinds[kDates];
        // Columns of names, tickers and comments are passed over, and so are empty ones.
        if (values == 0 || values < kinds[kTexts]) continue;
        TDoubleArray column = std::move(chunks[0].columns[size_t(c)]);
        for (size_t k = 1; k < parts; ++k) {
            column.append(chunks[k].columns[size_t(c)]);
            chunks[k].columns[size_t(c)] = TDoubleArray();
        }
        table.Columns.append(std::move(column));
        table.Names.append(c < layout.Names.size() ? layout.Names[c] : QString());
        table.DateColumns.append(kinds[kDates] > kinds[kNumbers]);
    }
    table.HeaderLines = layout.HeaderLines;
    if (progress) progress(100);
    return !table.Columns.isEmpty();
}

} // namespace delimited
