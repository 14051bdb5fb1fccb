#include "tools/TableOperations.h"

#include "expr/MathFuncs2.h"
#include "files/NumberParser.h"
#include "tools/TableModel.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace tableops {
namespace {

struct TRun {
    int First, Last;
};

// The runs of selected rows.
QList<TRun> Runs(const TTableData& data) {
    QList<TRun> runs;
    for (int r = 0; r < data.RowCount(); ++r) {
        if (!data.IsSelected(r)) continue;
        if (!runs.isEmpty() && runs.last().Last == r - 1)
            runs.last().Last = r;
        else
            runs.append({r, r});
    }
    return runs;
}

// The new values of some rows, collected in ascending row order for one SetValues call.
struct TChange {
    explicit TChange(const TTableData& data) : Data(data), Values(data.ColumnCount()) {}
    // Row `row` takes the values of row `from` (as they are now) with these marks.
    void Take(int row, int from, uint8_t marks) {
        Rows.append(row);
        for (int c = 0; c < Data.ColumnCount(); ++c)
            Values[c].append(Data.Value(from, c));
        Marks.append(marks);
    }
    // Room for rows filled in place, marked as changed.
    void Resize(qsizetype n) {
        Rows.resize(n);
        Marks.resize(n, CellMark::All);
        for (TDoubleArray& v : Values)
            v.resize(n);
    }
    bool Apply(TTableData& data) const { return Rows.isEmpty() || data.SetValues(Rows, Values, Marks); }

    const TTableData& Data;
    TIntArray Rows;
    TDoubleArray2 Values;
    TMarkArray Marks;
};

// One history group around a composite command.
class TGroup {
public:
    explicit TGroup(TTableData& data) : data_(data) { data.History.BeginGroup(); }
    ~TGroup() { data_.History.EndGroup(); }
    TGroup(const TGroup&) = delete;
    TGroup& operator=(const TGroup&) = delete;

private:
    TTableData& data_;
};

TBoolArray SelectionFlags(const TTableData& data) {
    TBoolArray flags(data.RowCount(), 0);
    for (int r = 0; r < data.RowCount(); ++r)
        flags[r] = data.IsSelected(r);
    return flags;
}

// An extended value as an unsigned 80-bit key in the values' order (sign and exponent over the
// mantissa; a negative value has all its bits inverted), with its row.
struct TSortItem {
    uint64_t Low;
    uint32_t Row;
    uint16_t High;

    TSortItem() = default;
    TSortItem(Extended v, uint32_t row) : Row(row) {
        std::memcpy(&Low, &v, sizeof Low);
        std::memcpy(&High, reinterpret_cast<const char*>(&v) + sizeof Low, sizeof High);
        if (High & 0x8000u) {
            Low = ~Low;
            High = uint16_t(~High);
        } else {
            High |= 0x8000u;
        }
    }
    Extended Value() const {
        uint64_t low = Low;
        uint16_t high = High;
        if (high & 0x8000u) {
            high &= 0x7FFFu;
        } else {
            low = ~low;
            high = uint16_t(~high);
        }
        Extended v = 0;
        std::memcpy(&v, &low, sizeof low);
        std::memcpy(reinterpret_cast<char*>(&v) + sizeof low, &high, sizeof high);
        return v;
    }
    unsigned Byte(int digit) const {
        return digit < 8 ? unsigned(Low >> (8 * digit)) & 0xFF : (High >> (8 * (digit - 8))) & 0xFF;
    }
};

// Items a sorting pass handles between two looks at the cancel.
constexpr size_t SortBlock = size_t(1) << 16;
// The passes over a run: the keys, the ten digits and the gathering of the other columns.
constexpr int SortPasses = 12;

// The values of rows first..last in ascending order, equal values in their rows' order: a least
// significant digit radix sort of the keys' ten bytes (a byte that all keys share is skipped).
// Empty when cancelled.
std::vector<TSortItem> SortedByValue(const TDoubleArray& x, int first, int last, TJobProgress& progress) {
    constexpr int Digits = 10;
    const size_t n = size_t(last - first + 1);
    std::vector<TSortItem> items(n), other(n);
    std::vector<std::array<size_t, 256>> counts(Digits);
    for (auto& c : counts)
        c.fill(0);
    for (size_t start = 0; start < n; start += SortBlock) {
        if (progress.Cancelled()) return {};
        const size_t end = std::min(n, start + SortBlock);
        for (size_t i = start; i < end; ++i) {
            items[i] = TSortItem(x[first + qsizetype(i)], uint32_t(first + i));
            for (int d = 0; d < Digits; ++d)
                ++counts[d][items[i].Byte(d)];
        }
        progress.Advance(int64_t(end - start));
    }
    for (int d = 0; d < Digits; ++d) {
        std::array<size_t, 256>& count = counts[d];
        if (std::find(count.cbegin(), count.cend(), n) != count.cend()) {
            progress.Advance(int64_t(n));
            continue;
        }
        size_t sum = 0;
        for (size_t& c : count)
            sum += std::exchange(c, sum);
        for (size_t start = 0; start < n; start += SortBlock) {
            if (progress.Cancelled()) return {};
            const size_t end = std::min(n, start + SortBlock);
            for (size_t i = start; i < end; ++i)
                other[count[items[i].Byte(d)]++] = items[i];
            progress.Advance(int64_t(end - start));
        }
        items.swap(other);
    }
    return items;
}

// The new values of the unsorted runs into change, from the columns as they were; false when
// cancelled.
bool SortRuns(const TDoubleArray2& columns, const QList<TRun>& runs, TChange& change,
              TJobProgress& progress) {
    int64_t total = 0;
    for (const TRun& run : runs)
        total += int64_t(run.Last - run.First + 1) * SortPasses;
    progress.SetTotal(total);
    const TDoubleArray& x = columns[0];
    for (const TRun& run : runs) {
        if (std::is_sorted(x.cbegin() + run.First, x.cbegin() + run.Last + 1)) {
            progress.Advance(int64_t(run.Last - run.First + 1) * SortPasses);
            continue;
        }
        const std::vector<TSortItem> order = SortedByValue(x, run.First, run.Last, progress);
        if (order.empty()) return false;
        const qsizetype start = change.Rows.size();
        const qsizetype n = qsizetype(order.size());
        change.Resize(start + n);
        int* rows = change.Rows.data() + start;
        Extended* xs = change.Values[0].data() + start;
        for (qsizetype i = 0; i < n; ++i) {
            rows[i] = run.First + int(i);
            xs[i] = order[i].Value();
        }
        // The other columns follow their rows from all over the table: fetched ahead, copied as bits.
        constexpr qsizetype Ahead = 16;
        for (qsizetype blockStart = 0; blockStart < n; blockStart += qsizetype(SortBlock)) {
            if (progress.Cancelled()) return false;
            const qsizetype blockEnd = std::min(n, blockStart + qsizetype(SortBlock));
            for (int c = 1; c < int(columns.size()); ++c) {
                const Extended* from = columns[c].constData();
                Extended* to = change.Values[c].data() + start;
                for (qsizetype i = blockStart; i < blockEnd; ++i) {
                    if (i + Ahead < n) __builtin_prefetch(from + order[i + Ahead].Row);
                    std::memcpy(to + i, from + order[i].Row, sizeof(Extended));
                }
            }
            progress.Advance(blockEnd - blockStart);
        }
    }
    return true;
}

void Move(TTableData& data, bool up) {
    if (!data.HasRows()) return;
    const TGroup group(data);
    TChange change(data);
    TBoolArray flags = SelectionFlags(data);
    for (const TRun& run : Runs(data)) {
        if (up && run.First > 0) {
            // Rows s-1 .. e-1 take s .. e, row e takes s-1.
            for (int r = run.First - 1; r < run.Last; ++r)
                change.Take(r, r + 1, CellMark::All);
            change.Take(run.Last, run.First - 1, data.Marks(run.First - 1));
            flags[run.First - 1] = 1;
            flags[run.Last] = 0;
        } else if (!up && run.Last < data.RowCount() - 1) {
            // Row s takes e+1, rows s+1 .. e+1 take s .. e.
            change.Take(run.First, run.Last + 1, data.Marks(run.Last + 1));
            for (int r = run.First + 1; r <= run.Last + 1; ++r)
                change.Take(r, r - 1, CellMark::All);
            flags[run.Last + 1] = 1;
            flags[run.First] = 0;
        }
    }
    if (!change.Apply(data)) return;
    data.SetSelection(flags);
    if (up && data.CurrentRow > 0) --data.CurrentRow;
    if (!up && data.CurrentRow < data.RowCount() - 1) ++data.CurrentRow;
}

// Deletes the selected rows that are not kept; the kept rows become the selection.
void DeleteAllBut(TTableData& data, const TBoolArray& kept) {
    TIntArray doomed;
    for (int r = 0; r < data.RowCount(); ++r)
        if (data.IsSelected(r) && !kept[r]) doomed.append(r);
    if (doomed.isEmpty()) {
        data.SetSelection(kept);
        return;
    }
    TBoolArray after;
    after.reserve(data.RowCount() - doomed.size());
    qsizetype next = 0;
    for (int r = 0; r < data.RowCount(); ++r) {
        if (next < doomed.size() && doomed[next] == r)
            ++next;
        else
            after.append(kept[r]);
    }
    if (data.DeleteRows(doomed)) data.SetSelection(after);
}

bool IsSeparator(QChar c, bool semicolon) {
    switch (c.unicode()) {
    case u'\t':
    case u' ':
    case u'|':
    case u'\u00A6': // the bytes 0xA6, 0xB3 and 0xBA of code page 1251
    case u'\u0456':
    case u'\u0454':
        return true;
    case u';':
        return semicolon;
    default:
        return false;
    }
}

// The numbers of one line; false when a piece is not a number.
bool ReadLine(const QString& line, bool semicolon, TDoubleArray& numbers) {
    numbers.clear();
    qsizetype i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsSeparator(line[i], semicolon))
            ++i;
        if (i == line.size()) break;
        const qsizetype start = i;
        while (i < line.size() && !IsSeparator(line[i], semicolon))
            ++i;
        const QByteArray piece = line.mid(start, i - start).toLatin1();
        Extended v = 0;
        const char* stop = nullptr;
        if (!numparse::ParseExtended(piece.constBegin(), piece.constEnd(), v, &stop,
                                     numparse::kCommaIsPoint) ||
            stop != piece.constEnd())
            return false;
        numbers.append(v);
    }
    return true;
}

// The graphs a search condition is evaluated over.
TMFData SearchGraph(const TTableData& data, bool rowNumbers) {
    TMFData g;
    g.X = data.Column(0);
    if (rowNumbers) {
        g.Y.resize(data.RowCount());
        for (int r = 0; r < data.RowCount(); ++r)
            g.Y[r] = r + 1;
    } else {
        g.Y = data.Column(1);
    }
    return g;
}

TFindOutcome Search(TTableData& data, const QString& formula, const TMFDataArr& graphs,
                    const mathfuncs::TEvalSettings& settings, bool forward, bool wrap) {
    data.SearchResult = mathfuncs::EvaluateExpression(formula, graphs, settings);
    const TMFData& result = data.SearchResult;
    if (result.Code != 0 || result.X.isEmpty() || result.Y.size() != data.RowCount()) {
        data.ClearSearch();
        return TFindOutcome::BadCondition;
    }
    const int n = data.RowCount();
    const int current = std::min(data.CurrentRow, n - 1);
    int found = -1;
    if (forward) {
        for (int r = current + 1; r < n && found < 0; ++r)
            if (result.Y[r] != 0) found = r;
        for (int r = 0; wrap && r <= current && found < 0; ++r)
            if (result.Y[r] != 0) found = r;
    } else {
        for (int r = current - 1; r >= 0 && found < 0; --r)
            if (result.Y[r] != 0) found = r;
        for (int r = n - 1; wrap && r >= current && found < 0; --r)
            if (result.Y[r] != 0) found = r;
    }
    if (found < 0) {
        data.ClearSearch();
        return TFindOutcome::NotFound;
    }
    data.GoToRow(found);
    return TFindOutcome::Found;
}
} // namespace

void MoveUp(TTableData& data) {
    Move(data, true);
}

void MoveDown(TTableData& data) {
    Move(data, false);
}

bool SortByArgument(TTableData& data, const TJobRun& run) {
    if (!data.HasRows()) return true;
    const QList<TRun> runs = Runs(data);
    // The job reads its own shares of the columns; the table changes only once it is done.
    const TDoubleArray2 columns = data.Columns();
    TChange change(data);
    bool sorted = false;
    const TJobWork work = [&](TJobProgress& progress) { sorted = SortRuns(columns, runs, change, progress); };
    const QString text = QStringLiteral("Сортировка аргумента…");
    if (!(data.RowCount() < SortJobRows ? RunJobInline(text, work) : run(text, work)) || !sorted)
        return false;
    const TGroup group(data);
    change.Apply(data);
    return true;
}

void InterpolateArgument(TTableData& data) {
    if (!data.HasRows()) return;
    const TGroup group(data);
    TChange change(data);
    for (const TRun& run : Runs(data)) {
        if (run.First == 0 || run.Last == data.RowCount() - 1) continue;
        const Extended a = data.Value(run.First - 1, 0);
        const Extended b = data.Value(run.Last + 1, 0);
        const int n = run.Last - run.First + 1;
        for (int k = 0; k < n; ++k) {
            change.Take(run.First + k, run.First + k, CellMark::X);
            change.Values[0].last() = a + (b - a) / (n + 1) * (k + 1);
        }
    }
    change.Apply(data);
}

void InterpolateValues(TTableData& data) {
    if (!data.HasRows()) return;
    const TGroup group(data);
    TChange change(data);
    for (const TRun& run : Runs(data)) {
        if (run.First == 0 || run.Last == data.RowCount() - 1) continue;
        const Extended x1 = data.Value(run.First - 1, 0);
        const Extended x2 = data.Value(run.Last + 1, 0);
        for (int r = run.First; r <= run.Last; ++r) {
            change.Take(r, r, CellMark::Y | CellMark::Z);
            for (int c = 1; c < data.ColumnCount(); ++c) {
                const Extended v1 = data.Value(run.First - 1, c);
                const Extended v2 = data.Value(run.Last + 1, c);
                change.Values[c].last() =
                    x1 == x2 ? (v1 + v2) / 2 : v2 + (v2 - v1) * (data.Value(r, 0) - x2) / (x2 - x1);
            }
        }
    }
    change.Apply(data);
}

void DeleteRepeated(TTableData& data) {
    if (!data.HasRows()) return;
    TBoolArray kept(data.RowCount(), 0);
    for (int r = 0; r < data.RowCount(); ++r) {
        if (!data.IsSelected(r)) continue;
        bool repeat = r > 0 && data.IsSelected(r - 1);
        for (int c = 0; repeat && c < data.ColumnCount(); ++c)
            repeat = data.Value(r, c) == data.Value(r - 1, c);
        kept[r] = !repeat;
    }
    DeleteAllBut(data, kept);
}

void Thin(TTableData& data, int keepEvery) {
    if (!data.HasRows() || keepEvery < 1 || keepEvery > MaxThinning) return;
    TBoolArray kept(data.RowCount(), 0);
    int counted = 0;
    for (int r = 0; r < data.RowCount(); ++r)
        if (data.IsSelected(r)) kept[r] = counted++ % keepEvery == 0;
    DeleteAllBut(data, kept);
}

QString CopyText(const TTableData& data) {
    QString text;
    for (int r = 0; r < data.RowCount(); ++r) {
        if (!data.IsSelected(r)) continue;
        for (int c = 0; c < data.ColumnCount(); ++c) {
            if (c > 0) text += QLatin1Char('\t');
            text += tabletext::Full(data.Value(r, c));
        }
        text += QStringLiteral("\r\n");
    }
    return text;
}

QList<TDoubleArray> ParsePasteText(const QString& text) {
    QStringList lines = text.split(QRegularExpression(QStringLiteral("[\r\n]")), Qt::SkipEmptyParts);
    const bool semicolon = lines.size() > 1;
    // One line, such as a copied row with its line break, is split at ";" without that break.
    if (lines.size() == 1) lines = lines[0].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QList<TDoubleArray> numbers;
    TDoubleArray line;
    for (const QString& l : std::as_const(lines)) {
        if (!ReadLine(l, semicolon, line) || line.isEmpty()) continue;
        if (!numbers.isEmpty() && line.size() != numbers[0].size()) return {};
        numbers.append(line);
    }
    return numbers;
}

bool FitsNewGraph(const QList<TDoubleArray>& lines) {
    return lines.size() == 2 || (!lines.isEmpty() && lines[0].size() == 2);
}

bool Paste(TTableData& data, const QList<TDoubleArray>& lines) {
    if (!data.HasTable() || lines.isEmpty()) return false;
    const int columns = data.ColumnCount();
    TDoubleArray2 values(columns);
    if (lines[0].size() == columns) {
        for (const TDoubleArray& line : lines)
            for (int c = 0; c < columns; ++c)
                values[c].append(line[c]);
    } else if (lines.size() == columns) {
        for (int c = 0; c < columns; ++c)
            values[c] = lines[c];
    } else {
        return false;
    }
    const qsizetype count = values[0].size();
    const int start = std::clamp(data.CurrentRow, 0, data.RowCount());
    TIntArray rows(count);
    for (qsizetype i = 0; i < count; ++i)
        rows[i] = start + int(i);
    const TGroup group(data);
    return data.InsertRows(rows, values, TMarkArray(count, CellMark::All));
}

TFindOutcome GoToPoint(TTableData& data, int column, const QString& op, const QString& value) {
    if (!data.HasRows()) return TFindOutcome::NotFound;
    const QString formula = (column == 1 ? QStringLiteral("X(0)") : QStringLiteral("Y(0)")) + op + value;
    return Search(data, formula, {SearchGraph(data, column == 0)}, {}, true, true);
}

TFindOutcome FindPoint(TTableData& data, const QString& condition, bool forward, bool wrap) {
    if (!data.HasRows()) return TFindOutcome::NotFound;
    TMFData numbers = SearchGraph(data, true);
    TMFData values = SearchGraph(data, false);
    values.Code = 1;
    mathfuncs::TEvalSettings settings;
    settings.VarNames = {QStringLiteral("N"), QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("№")};
    settings.VarValues = {QStringLiteral("Y(0)"), QStringLiteral("X(0)"), QStringLiteral("Y(1)"),
                          QStringLiteral("Y(0)")};
    return Search(data, condition, {numbers, values}, settings, forward, wrap);
}

QString FindMessage(TFindOutcome outcome) {
    switch (outcome) {
    case TFindOutcome::NotFound:
        return QStringLiteral("Поиск завершён. Ничего не найдено.");
    case TFindOutcome::BadCondition:
        return QStringLiteral("Ошибка в строке условий поиска.");
    default:
        return {};
    }
}

} // namespace tableops
