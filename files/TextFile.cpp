#include "files/TextFile.h"

#include "model/JobProgress.h"

#include "files/MappedFile.h"
#include "files/NumberFormat.h"
#include "files/NumberParser.h"
#include "files/SafeSave.h"
#include "model/BackgroundJob.h"
#include "model/Codecs.h"

#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>
#include <thread>

// ---------------------------------------------------------------------------------------------
// Separators and the parsing of one line

TSeparatorSet::TSeparatorSet(const QByteArray& characters) {
    for (char c : characters)
        table_[static_cast<uint8_t>(c)] = true;
}

TSeparatorSet TSeparatorSet::Default() {
    return TSeparatorSet(QByteArray("\t ;|\xA6\xB3\xBA"));
}

QByteArray TSeparatorSet::Characters() const {
    QByteArray out;
    for (int c = 0; c < 256; ++c)
        if (table_[c]) out.append(static_cast<char>(c));
    return out;
}

namespace {

inline bool IsBlankChar(char c) {
    return c == ' ' || c == '\t';
}

// Empty after trimming control characters and blanks from both ends.
bool IsBlankLine(const char* begin, const char* end) {
    for (const char* p = begin; p != end; ++p)
        if (static_cast<uint8_t>(*p) > ' ') return false;
    return true;
}

} // namespace

namespace {

// The columns of a table that are kept; the others are only checked to hold numbers.
class ColumnMask {
public:
    ColumnMask() = default;
    explicit ColumnMask(const QList<int>& columns) {
        for (int column : columns)
            if (column >= 0) {
                if (column >= int(kept_.size())) kept_.resize(size_t(column) + 1, false);
                kept_[size_t(column)] = true;
            }
    }
    bool KeepsAll() const { return kept_.empty(); }
    bool Kept(int column) const {
        return kept_.empty() || (size_t(column) < kept_.size() && kept_[size_t(column)]);
    }
    // The kept columns among the first `width`.
    int KeptCount(int width) const {
        if (kept_.empty()) return width;
        return int(std::count(kept_.begin(),
                              kept_.begin() + std::min<ptrdiff_t>(width, ptrdiff_t(kept_.size())), true));
    }

private:
    std::vector<bool> kept_;
};

// ParseNumbers converting only the tokens that the mask keeps (all without one). Returns the
// number of tokens on a numeric line, 0 on a text line.
int ParseRow(const char* begin, const char* end, const TSeparatorSet& separators, const ColumnMask* mask,
             std::vector<Extended>& values) {
    const size_t start = values.size();
    const unsigned flags = separators.Contains(',') ? numparse::kPointOnly : numparse::kCommaIsPoint;
    const auto isSeparator = [&separators](char c) { return separators.Contains(static_cast<uint8_t>(c)); };
    const auto textLine = [&values, start] {
        values.resize(start);
        return 0;
    };
    // Line ends are never part of the last token.
    while (end != begin && (end[-1] == '\r' || end[-1] == '\n'))
        --end;
    // Blanks that do not separate values may surround a number; in the default set all of them separate.
    const bool looseBlanks = !separators.Contains(' ') || !separators.Contains('\t');
    const auto skipLooseBlanks = [&](const char* q) {
        while (q != end && IsBlankChar(*q) && !isSeparator(*q))
            ++q;
        return q;
    };
    const char* p = begin;
    int tokens = 0;
    for (;;) {
        while (p != end && isSeparator(*p))
            ++p;
        if (p == end) break;
        if (looseBlanks) {
            p = skipLooseBlanks(p);
            if (p == end || isSeparator(*p)) return textLine();
        }
        const char* stop;
        if (!mask || mask->Kept(tokens)) {
            values.emplace_back(); // the value is parsed in place
            if (!numparse::ParseExtended(p, end, values.back(), &stop, flags)) return textLine();
        } else if (!numparse::IsExtended(p, end, &stop, flags)) {
            return textLine();
        }
        p = looseBlanks ? skipLooseBlanks(stop) : stop;
        if (p != end && !isSeparator(*p)) return textLine();
        ++tokens;
    }
    return tokens;
}

} // namespace

bool ParseNumbers(const char* begin, const char* end, const TSeparatorSet& separators,
                  std::vector<Extended>& values) {
    return ParseRow(begin, end, separators, nullptr, values) > 0;
}

bool ParseNumbers(const QString& line, const TSeparatorSet& separators, TDoubleArray& values) {
    const QByteArray bytes = codec::ToCp1251(line);
    std::vector<Extended> parsed;
    const bool numeric =
        ParseNumbers(bytes.constData(), bytes.constData() + bytes.size(), separators, parsed);
    values = TDoubleArray(parsed.begin(), parsed.end());
    return numeric;
}

// ---------------------------------------------------------------------------------------------
// Turning classified lines into variables

namespace {

enum class LineKind : uint8_t { Numeric, Text, Blank };

// Consecutive numeric lines of one width, or one text or blank line.
struct Segment {
    LineKind kind;
    qsizetype begin;  // text: position of the line in the block; numeric: of its first value
    qsizetype length; // text: its length; numeric: the number of rows
    int width;        // numeric: values per row
    // numeric: the first rows hold all their values, the others only those of the kept columns
    qsizetype fullRows;
    qint64 end; // source offset just past the segment, for progress
};

// One line-aligned piece of a block: its segments and, for the numeric lines, their values row
// after row. The buffers are kept from block to block so that their memory is touched only once.
// Each chunk has cache lines of its own: the threads grow their vectors side by side.
struct alignas(64) ParsedChunk {
    std::vector<Segment> segments;
    std::vector<Extended> values;
    bool failed = false;
};

// A table's first rows come whole: while it has no more rows than columns, its series may be its rows.
bool NeedsFullRow(const Segment* last) {
    return !last || last->kind != LineKind::Numeric || last->fullRows <= last->width;
}

void ParseChunk(const char* block, qsizetype from, qsizetype to, qint64 blockOffset,
                const TSeparatorSet& separators, const ColumnMask& mask, ParsedChunk& out) {
    out.segments.clear();
    out.values.clear();
    try {
        // Most sources end their lines with line feeds alone: they need no search for returns.
        const bool anyReturn = std::memchr(block + from, '\r', size_t(to - from)) != nullptr;
        qsizetype pos = from;
        while (pos < to) {
            const char* lineBegin = block + pos;
            const char* newline = static_cast<const char*>(std::memchr(lineBegin, '\n', to - pos));
            const char* lineEnd = newline ? newline : block + to;
            const char* next = newline ? newline + 1 : block + to;
            // A carriage return ends a line too, alone or before a line feed.
            if (const char* cr =
                    anyReturn ? static_cast<const char*>(std::memchr(lineBegin, '\r', lineEnd - lineBegin))
                              : nullptr) {
                if (!(newline && cr + 1 == newline)) next = cr + 1;
                lineEnd = cr;
            }
            const qint64 endOffset = blockOffset + (next - block);
            const qsizetype first = qsizetype(out.values.size());
            Segment* last = out.segments.empty() ? nullptr : &out.segments.back();
            bool full = mask.KeepsAll() || NeedsFullRow(last);
            int width = ParseRow(lineBegin, lineEnd, separators, full ? nullptr : &mask, out.values);
            if (width > 0 && !full && width != last->width) {
                // The line starts a table of another width: it comes whole.
                out.values.resize(size_t(first));
                width = ParseRow(lineBegin, lineEnd, separators, nullptr, out.values);
                full = true;
            }
            if (width > 0) {
                if (last && last->kind == LineKind::Numeric && last->width == width) {
                    ++last->length;
                    last->fullRows += full;
                    last->end = endOffset;
                } else {
                    out.segments.push_back({LineKind::Numeric, first, 1, width, 1, endOffset});
                }
            } else {
                const LineKind kind = IsBlankLine(lineBegin, lineEnd) ? LineKind::Blank : LineKind::Text;
                out.segments.push_back({kind, lineBegin - block, lineEnd - lineBegin, 0, 0, endOffset});
            }
            pos = next - block;
        }
    } catch (const std::bad_alloc&) {
        out.failed = true;
    }
}

// Columns this small are trimmed by copying; larger ones keep their unused tail, which holds no
// memory pages, instead of being copied once more.
constexpr qsizetype kTrimLimit = qsizetype(1) << 18;

} // namespace

// Applies the variable rules line by line. Blank lines that follow a table are held back: they
// belong to the next variable when one starts, so a "Next var" block keeps the blank lines on both
// sides of it. A table is gathered column by column, so that a column can become a graph's array
// without a copy.
class TTextFile::Builder {
public:
    explicit Builder(TTextFile& file, const ColumnMask& mask = ColumnMask()) : file_(file), mask_(mask) {}

    // rows x width values: the first fullRows rows whole, the others with the values of the kept
    // columns only, row after row; expectedRows: how many rows the variable may get in all.
    void Numeric(const Extended* values, qsizetype rows, int width, qsizetype fullRows,
                 qsizetype expectedRows) {
        anyNumeric_ = true;
        if (!columns_.isEmpty() && columns_.size() != width) Close();
        FlushPending();
        if (columns_.isEmpty()) Start(width, std::max(rows, expectedRows));
        fullRows = std::min(fullRows, rows);
        Append(values, fullRows, width, false);
        if (!dropped_ && columns_.first().size() > width) Drop();
        Append(values + fullRows * width, rows - fullRows, mask_.KeptCount(width), true);
    }
    void Text(QString&& line) {
        if (!columns_.isEmpty()) Close();
        FlushPending();
        text_.append(std::move(line));
    }
    void Blank(QString&& line) {
        if (columns_.isEmpty())
            text_.append(std::move(line));
        else
            pending_.append(std::move(line));
    }
    // Blank lines after the last table belong to no variable; text without rows is dropped.
    bool Finish() {
        if (!columns_.isEmpty()) Close();
        return anyNumeric_;
    }

private:
    // Room for the rows expected is taken at once, so that the columns are not moved as they grow;
    // the columns that will not be kept get room for the rows that decide it.
    void Start(int width, qsizetype expectedRows) {
        columns_.resize(width);
        for (int c = 0; c < width; ++c)
            columns_[c].reserve(mask_.Kept(c) ? expectedRows : std::min<qsizetype>(expectedRows, width + 1));
        dropped_ = false;
    }
    // Appends rows of `stride` values to the columns that hold values (only the kept ones, with
    // keptOnly, in the order of the values).
    void Append(const Extended* values, qsizetype rows, int stride, bool keptOnly) {
        if (rows == 0) return;
        int index = 0;
        for (int c = 0; c < columns_.size() && index < stride; ++c) {
            if (keptOnly && !mask_.Kept(c)) continue;
            const Extended* in = values + index++;
            if (dropped_ && !mask_.Kept(c)) continue;
            // Gathered in cache, then copied on: a resize would first clear the new end of the column.
            TDoubleArray& column = columns_[c];
            Extended gathered[1024];
            for (qsizetype done = 0; done < rows;) {
                const qsizetype n = std::min<qsizetype>(rows - done, std::size(gathered));
                for (qsizetype r = 0; r < n; ++r, in += stride)
                    gathered[r] = *in;
                column.append(TDoubleArray::const_iterator(gathered),
                              TDoubleArray::const_iterator(gathered + n));
                done += n;
            }
        }
    }
    // A table with more rows than columns keeps its series in the columns: the unkept ones go.
    void Drop() {
        for (int c = 0; c < columns_.size(); ++c)
            if (!mask_.Kept(c)) columns_[c] = TDoubleArray();
        dropped_ = true;
    }
    void FlushPending() {
        if (pending_.isEmpty()) return;
        text_.append(pending_);
        pending_.clear();
    }
    void Close() {
        for (TDoubleArray& column : columns_)
            if (column.size() < kTrimLimit) column.squeeze();
        const qsizetype width = columns_.size();
        file_.variables_.append(std::move(columns_));
        file_.byColumns_.append(true);
        file_.headerLines_.append(std::move(text_));
        file_.columnFormats_.append(TStrArray(width));
        file_.columnWidths_.append(TIntArray(width, 16));
        file_.rowsAsLines_.append(true);
        file_.AppendColumnsInfo();
        columns_ = TDoubleArray2();
        text_ = TStrArray();
    }

    TTextFile& file_;
    const ColumnMask mask_;
    TDoubleArray2 columns_;
    bool dropped_ = false;
    TStrArray text_;
    TStrArray pending_;
    bool anyNumeric_ = false;
};

// ---------------------------------------------------------------------------------------------
// Reading

namespace {

constexpr qsizetype kMinBytesPerThread = qsizetype(1) << 20;

// The end of the last complete line in [0, size): a carriage return at the very end may still be
// followed by its line feed, so that line counts as incomplete. 0 when there is none.
qsizetype CompleteLinesEnd(const char* data, qsizetype size) {
    for (qsizetype i = size - 1; i >= 0; --i)
        if (data[i] == '\n' || (data[i] == '\r' && i != size - 1)) return i + 1;
    return 0;
}

// One block of the source: its complete lines [start, end) and, once parsed, their chunks.
struct Block {
    qsizetype start = 0;
    qsizetype end = 0;
    std::vector<ParsedChunk> chunks;
};

// Parses a block's line-aligned pieces on threads of their own; joins them when destroyed, so that
// no thread outlives the block even when the reading fails meanwhile.
class BlockParse {
public:
    BlockParse(const char* source, Block& block, int threads, const TSeparatorSet& separators,
               const ColumnMask& mask) {
        const char* data = source + block.start;
        const qsizetype size = block.end - block.start;
        const int pieces = int(std::clamp<qsizetype>(size / kMinBytesPerThread, 1, threads));
        block.chunks.resize(pieces);
        qsizetype from = 0;
        for (int k = 0; k < pieces; ++k) {
            qsizetype to = size;
            if (k + 1 < pieces) {
                const qsizetype target = std::max(from, size * (k + 1) / pieces);
                const void* newline = std::memchr(data + target, '\n', size - target);
                to = newline ? static_cast<const char*>(newline) - data + 1 : size;
            }
            workers_.emplace_back(ParseChunk, data, from, to, block.start, std::cref(separators),
                                  std::cref(mask), std::ref(block.chunks[k]));
            from = to;
        }
    }
    ~BlockParse() { Join(); }
    void Join() {
        for (std::thread& worker : workers_)
            if (worker.joinable()) worker.join();
    }

private:
    std::vector<std::thread> workers_;
};

} // namespace

void TTextFile::SetError(int32_t code, const QString& message) {
    errorCode_ = code;
    errorMessage_ = message;
}

// A run of lines may span several percent; each of them is reported on the way.
void TTextFile::ProgressThrough(int percent) {
    for (int p = lastPercent_ + 1; p <= percent; ++p)
        Progress(p);
}

void TTextFile::Progress(int percent) {
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    if (OnProgress) OnProgress(this, percent);
}

// The reading is a pipeline over blocks of whole lines: while the threads parse one block, this
// thread applies the lines of the previous one to the variables. A mapped file gives the pages of
// the blocks applied back, so that it never holds more than two blocks in memory, and a file that
// shrinks meanwhile ends the reading at the next block.
bool TTextFile::ReadText(const char* data, qsizetype size, const TMappedFile* mapping) {
    const bool progress = size >= ProgressThreshold && size > 0 && OnProgress;
    lastPercent_ = -1;
    if (progress) Progress(0);
    if (Job) Job->SetTotal(size);
    const int threads = std::max(1, ThreadCount > 0 ? ThreadCount : int(std::thread::hardware_concurrency()));
    const ColumnMask mask(KeptColumns);
    Builder builder(*this, mask);
    Block blocks[2];
    qint64 segmentStart = 0;
    const auto apply = [&](const Block& block) {
        for (const ParsedChunk& chunk : block.chunks) {
            if (chunk.failed) throw std::bad_alloc();
            for (const Segment& segment : chunk.segments) {
                if (segment.kind == LineKind::Numeric) {
                    // Rows like these up to the end of the source, a little more for longer lines;
                    // but no more than this run of rows makes likely, so that the many small tables
                    // of a long file do not each take room for all of it.
                    const qint64 bytesPerRow =
                        std::max<qint64>(1, (segment.end - segmentStart) / segment.length);
                    const qsizetype expected = qsizetype(std::min<qint64>(
                        (size - segmentStart) / bytesPerRow * 17 / 16, qint64(segment.length) * 64 + 1024));
                    builder.Numeric(chunk.values.data() + segment.begin, segment.length, segment.width,
                                    segment.fullRows, expected);
                } else {
                    QString text = codec::FromCp1251(data + block.start + segment.begin, segment.length);
                    if (segment.kind == LineKind::Text)
                        builder.Text(std::move(text));
                    else
                        builder.Blank(std::move(text));
                }
                if (progress) ProgressThrough(int(segment.end * 100 / size));
                segmentStart = segment.end;
            }
        }
        if (mapping) mapping->Release(block.start, block.end);
    };
    const auto lost = [mapping] { return mapping && mapping->LostPages(); };
    // The next block: its bytes up to their last line end, more when one line is longer.
    const qsizetype blockSize = std::max<qsizetype>(std::min<qsizetype>(BlockSize, size / 16), 4096);
    qsizetype next = 0;
    const auto take = [&](Block& block) {
        block.start = block.end = next;
        // Pages lost to a shrinking file read as zeros, without line ends: no use searching them.
        for (qsizetype window = blockSize; block.end == next && !lost(); window *= 2) {
            if (size - next <= window)
                block.end = size;
            else
                block.end = next + CompleteLinesEnd(data + next, window);
        }
        next = block.end;
        JobAdvance(Job, block.end - block.start);
    };

    const Block* previous = nullptr; // parsed, not yet applied
    for (int current = 0; next < size; current ^= 1) {
        if (JobCancelled(Job)) return StopWhenCancelled();
        if (lost()) return StopWhenChanged();
        Block& block = blocks[current];
        take(block);
        BlockParse parse(data, block, threads, separators_, mask);
        if (previous) apply(*previous);
        parse.Join();
        previous = &block;
    }
    if (previous) apply(*previous);
    if (progress) Progress(100);
    if (JobCancelled(Job)) return StopWhenCancelled();
    return Finish(builder.Finish());
}

// Everything read so far goes; the file name stays for the message.
bool TTextFile::Fail(int32_t code, const QString& message) {
    Clear();
    SetError(code, message);
    return false;
}

bool TTextFile::StopWhenCancelled() {
    return Fail(kCancelledError, QString());
}

bool TTextFile::StopWhenChanged() {
    return Fail(99, QStringLiteral("Файл ") + filesave::Quoted(fileName_) +
                        QStringLiteral(" изменился во время чтения."));
}

bool TTextFile::Finish(bool anyNumeric) {
    if (anyNumeric) return true;
    return Fail(3, QStringLiteral("Файл ") + filesave::Quoted(fileName_) +
                       QStringLiteral(" не содержит численных данных."));
}

QString ClipboardSource() {
    return QStringLiteral("<Clipboard>");
}

bool IsClipboardSource(const QString& name) {
    return name.compare(ClipboardSource(), Qt::CaseInsensitive) == 0;
}

bool TTextFile::LoadFromFile(const QString& name) {
    Clear();
    SetError(0, QString());
    fileName_ = name;
    if (IsClipboardSource(name)) {
        auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
        QClipboard* clipboard = app ? QGuiApplication::clipboard() : nullptr;
        if (!clipboard) {
            SetError(2, QStringLiteral("Отказано в доступе."));
            return false;
        }
        const bool ok = LoadFromClipboardText(clipboard->text());
        fileName_ = name;
        return ok;
    }
    QFile file(name);
    int32_t code = 0;
    QString message;
    if (!filesave::OpenForReading(file, QStringLiteral("Отказано в доступе."), code, message)) {
        SetError(code, message);
        return false;
    }
    bool ok = false;
    // The text is parsed where it lies; a source that cannot be mapped is read whole.
    const TMappedFile mapping(file.handle());
    try {
        QByteArray bytes;
        if (!mapping.IsMapped()) {
            bytes = file.readAll();
            if (file.error() != QFileDevice::NoError) throw std::bad_alloc(); // the device failed
        }
        const char* data = mapping.IsMapped() ? mapping.Data() : bytes.constData();
        const qsizetype size = mapping.IsMapped() ? mapping.Size() : bytes.size();
        if (ChooseSeparator(name, data, std::min<qsizetype>(size, 64 * 1024)) != TFieldSeparator::Whitespace)
            ok = ReadDelimited(data, size);
        else
            ok = ReadText(data, size, mapping.IsMapped() ? &mapping : nullptr);
    } catch (const std::bad_alloc&) {
        Fail(99, QStringLiteral("Неизвестная ошибка."));
    }
    // Whatever was read from a file that shrank meanwhile may be zeros in place of its lost end.
    if (!Cancelled() && mapping.Shrank()) ok = StopWhenChanged();
    return ok;
}

bool TTextFile::LoadFromBytes(const QByteArray& bytes, const QString& name) {
    Clear();
    SetError(0, QString());
    fileName_ = name;
    try {
        if (ChooseSeparator(name, bytes.constData(), bytes.size()) != TFieldSeparator::Whitespace)
            return ReadDelimited(bytes.constData(), bytes.size());
        return ReadText(bytes.constData(), bytes.size(), nullptr);
    } catch (const std::bad_alloc&) {
        return Fail(99, QStringLiteral("Неизвестная ошибка."));
    }
}

TFieldSeparator TTextFile::ChooseSeparator(const QString& name, const char* sample, qsizetype size) {
    usedSeparator_ = FieldSeparator;
    separatorAmbiguous_ = false;
    if (usedSeparator_ == TFieldSeparator::Auto)
        usedSeparator_ = delimited::SeparatorForName(name, sample, size);
    if (usedSeparator_ == TFieldSeparator::Auto)
        usedSeparator_ = delimited::Sniff(sample, size, &separatorAmbiguous_);
    return usedSeparator_;
}

// Delimited text is one table, read whole; failures other than memory are "no numeric data".
bool TTextFile::ReadDelimited(const char* data, qsizetype size) {
    const bool progress = size >= ProgressThreshold && OnProgress;
    lastPercent_ = -1;
    if (progress) Progress(0);
    const int threads = std::max(1, ThreadCount > 0 ? ThreadCount : int(std::thread::hardware_concurrency()));
    delimited::TTable table;
    if (Job) Job->SetTotal(size);
    const std::function<void(int)> report = progress || Job ? [this, progress, size](int percent) {
        if (progress) ProgressThrough(percent);
        if (Job) Job->SetDone(size * percent / 100);
    } : std::function<void(int)>();
    const bool read = delimited::ReadTable(data, size, usedSeparator_, threads, report, table);
    if (JobCancelled(Job)) return StopWhenCancelled();
    if (!read) return Finish(false);
    const qsizetype width = table.Columns.size();
    const ColumnMask mask(KeptColumns);
    if (!table.Columns.isEmpty() && table.Columns.first().size() > width)
        for (int c = 0; c < width; ++c)
            if (!mask.Kept(c)) table.Columns[c] = TDoubleArray();
    variables_.append(std::move(table.Columns));
    byColumns_.append(true);
    headerLines_.append(std::move(table.HeaderLines));
    columnFormats_.append(TStrArray(width));
    columnWidths_.append(TIntArray(width, 16));
    rowsAsLines_.append(true);
    AppendColumnsInfo(table.Names, table.DateColumns);
    return true;
}

bool TTextFile::LoadFromClipboardText(const QString& text) {
    Clear();
    SetError(0, QString());
    fileName_ = ClipboardSource();
    // Lines end at CR LF, CR or LF; a final line end adds no empty line.
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n') continue;
        lines.append(text.mid(start, i - start));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.append(text.mid(start));

    TSeparatorSet separators = TSeparatorSet::Default();
    if (lines.size() == 1) {
        lines = lines.first().split(u';'); // one line holds its rows as ";"-separated records
        separators.Remove(';');
    }
    try {
        const bool progress = lines.size() >= ProgressThreshold && OnProgress;
        lastPercent_ = -1;
        if (progress) Progress(0);
        Builder builder(*this);
        std::vector<Extended> values;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QByteArray bytes = codec::ToCp1251(lines[i]);
            values.clear();
            if (ParseNumbers(bytes.constData(), bytes.constData() + bytes.size(), separators, values))
                builder.Numeric(values.data(), 1, int(values.size()), 1, 1); // clipboard tables are small
            else if (IsBlankLine(bytes.constData(), bytes.constData() + bytes.size()))
                builder.Blank(std::move(lines[i]));
            else
                builder.Text(std::move(lines[i]));
            if (progress) Progress(int((i + 1) * 100 / lines.size()));
        }
        if (progress) Progress(100);
        return Finish(builder.Finish());
    } catch (const std::bad_alloc&) {
        Clear();
        fileName_ = ClipboardSource();
        SetError(99, QStringLiteral("Неизвестная ошибка."));
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// Variables

namespace {

// Rows and columns swapped; short rows contribute only the values they have.
TDoubleArray2 Transposed(const TDoubleArray2& lines) {
    const qsizetype count = lines.isEmpty() ? 0 : lines.first().size();
    TDoubleArray2 out(count);
    for (qsizetype c = 0; c < count; ++c) {
        out[c].reserve(lines.size());
        for (const TDoubleArray& line : lines)
            if (c < line.size()) out[c].append(line[c]);
    }
    return out;
}

} // namespace

bool TTextFile::CheckIndex(int index, TDoubleArray2& out) {
    SetError(0, QString());
    if (index >= 0 && index < VariableCount()) return true;
    out.clear();
    SetError(5, QStringLiteral("Некорректный индекс переменной (") + QString::number(index) + u')');
    return false;
}

bool TTextFile::GetVariable(int index, TDoubleArray2& out) {
    if (!CheckIndex(index, out)) return false;
    out = byColumns_[index] ? Transposed(variables_[index]) : variables_[index];
    return true;
}

bool TTextFile::GetColumns(int index, TDoubleArray2& out) {
    if (!CheckIndex(index, out)) return false;
    out = byColumns_[index] ? variables_[index] : Transposed(variables_[index]);
    return true;
}

bool TTextFile::GetHeaderLines(int index, TStrArray& out) const {
    if (index < 0 || index >= VariableCount()) {
        out.clear();
        return false;
    }
    out = headerLines_[index];
    return true;
}

void TTextFile::SetVariable(int index, const TDoubleArray2& matrix, bool transpose) {
    if (matrix.isEmpty() || matrix.first().isEmpty()) return;
    const TDoubleArray2 stored = transpose ? Transposed(matrix) : matrix;
    const qsizetype columns = stored.first().size();
    if (index < 0 || index >= VariableCount()) {
        variables_.append(stored);
        byColumns_.append(false);
        headerLines_.append(TStrArray());
        columnFormats_.append(TStrArray(columns));
        columnWidths_.append(TIntArray(columns, 16));
        rowsAsLines_.append(false);
        AppendColumnsInfo();
        return;
    }
    variables_[index] = stored;
    byColumns_[index] = false;
    columnFormats_[index] = TStrArray(columns);
    columnWidths_[index] = TIntArray(columns, 16);
    columnNames_[index].clear();
    dateColumns_[index].clear();
}

void TTextFile::SetRowsAsLines(int index, bool value) {
    if (index >= 0 && index < VariableCount()) rowsAsLines_[index] = value;
}

bool TTextFile::SetFormat(int index, const QString& format, int width) {
    SetError(0, QString());
    if (index < -1 || index >= VariableCount()) {
        SetError(5, QStringLiteral("Переменная с индексом ") + QString::number(index) +
                        QStringLiteral(" не найдена."));
        return false;
    }
    const int first = index == -1 ? 0 : index;
    const int last = index == -1 ? VariableCount() - 1 : index;
    for (int i = first; i <= last; ++i) {
        const qsizetype columns = RowLength(i, 0);
        columnFormats_[i] = TStrArray(columns, format);
        columnWidths_[i] = TIntArray(columns, width);
    }
    return true;
}

qsizetype TTextFile::RowCount(int index) const {
    const TDoubleArray2& lines = variables_[index];
    return byColumns_[index] ? (lines.isEmpty() ? 0 : lines.first().size()) : lines.size();
}

qsizetype TTextFile::RowLength(int index, qsizetype row) const {
    const TDoubleArray2& lines = variables_[index];
    if (byColumns_[index]) return lines.size();
    return row < lines.size() ? lines[row].size() : 0;
}

Extended TTextFile::At(int index, qsizetype row, qsizetype column) const {
    const TDoubleArray2& lines = variables_[index];
    return byColumns_[index] ? lines[column][row] : lines[row][column];
}

void TTextFile::Clear() {
    variables_.clear();
    byColumns_.clear();
    headerLines_.clear();
    columnFormats_.clear();
    columnWidths_.clear();
    rowsAsLines_.clear();
    columnNames_.clear();
    dateColumns_.clear();
    usedSeparator_ = TFieldSeparator::Whitespace;
    separatorAmbiguous_ = false;
}

void TTextFile::AppendColumnsInfo(const QStringList& names, const QList<bool>& dates) {
    columnNames_.append(names);
    dateColumns_.append(dates);
}

QStringList TTextFile::ColumnNames(int index) const {
    return index >= 0 && index < VariableCount() ? columnNames_[index] : QStringList();
}

QList<bool> TTextFile::DateColumns(int index) const {
    return index >= 0 && index < VariableCount() ? dateColumns_[index] : QList<bool>();
}

// ---------------------------------------------------------------------------------------------
// Writing

namespace {

void AppendField(QByteArray& out, Extended value, const QString& format, int width) {
    const QByteArray text = numfmt::Format(value, format);
    if (text.size() < width) out.append(width - text.size(), ' ');
    out.append(text);
}

} // namespace

bool TTextFile::SaveToFile(const QString& name, bool overwrite, bool backup) {
    SetError(0, QString());
    if (VariableCount() == 0) {
        SetError(10, QStringLiteral("Число переменных равно 0. Сохранение невозможно."));
        return false;
    }
    const auto write = [this](QIODevice& device) {
        constexpr qsizetype kFlushSize = 1 << 20;
        QByteArray out;
        out.reserve(kFlushSize + 4096);
        const auto flush = [&](bool always) {
            if (!always && out.size() < kFlushSize) return true;
            const bool ok = device.write(out) == out.size();
            out.clear();
            return ok;
        };
        for (int v = 0; v < VariableCount(); ++v) {
            if (v > 0) out.append("\r\nNext var\r\n\r\n");
            const TStrArray& formats = columnFormats_[v];
            const TIntArray& widths = columnWidths_[v];
            const QString noFormat;
            const auto formatOf = [&](qsizetype c) -> const QString& {
                return c < formats.size() ? formats[c] : noFormat;
            };
            const auto widthOf = [&](qsizetype c) { return c < widths.size() ? widths[c] : 16; };
            const qsizetype rows = RowCount(v);
            if (rowsAsLines_[v]) {
                for (qsizetype r = 0; r < rows; ++r) {
                    for (qsizetype c = 0; c < RowLength(v, r); ++c) {
                        if (c > 0) out.append(outSeparator_);
                        AppendField(out, At(v, r, c), formatOf(c), widthOf(c));
                    }
                    out.append("\r\n");
                    if (!flush(false)) return false;
                }
            } else {
                // One line per stored column; short rows have nothing in the columns they lack.
                const qsizetype columns = RowLength(v, 0);
                for (qsizetype c = 0; c < columns; ++c) {
                    bool first = true;
                    for (qsizetype r = 0; r < rows; ++r) {
                        if (c >= RowLength(v, r)) continue;
                        if (!first) out.append(outSeparator_);
                        first = false;
                        AppendField(out, At(v, r, c), formatOf(c), widthOf(c));
                    }
                    out.append("\r\n");
                    if (!flush(false)) return false;
                }
            }
        }
        return flush(true);
    };
    try {
        return filesave::SaveReplacing(name, overwrite, backup, write, errorCode_, errorMessage_);
    } catch (const std::bad_alloc&) {
        SetError(99, TBackgroundJob::OutOfMemoryMessage());
        return false;
    }
}
