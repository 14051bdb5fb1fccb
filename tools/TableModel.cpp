#include "tools/TableModel.h"

#include "expr/MathFuncs2.h"
#include "files/NumberParser.h"
#include "model/Graph.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

// ---------------------------------------------------------------------------------------------
// History

void TTableHistory::Clear() {
    undo_.clear();
    redo_.clear();
    groupStart_ = -1;
}

void TTableHistory::BeginGroup() {
    QList<TTableOp>& stack = Receiving();
    if (!stack.isEmpty()) stack.last().GroupEnd = true;
    groupStart_ = int(stack.size());
}

void TTableHistory::EndGroup() {
    QList<TTableOp>& stack = Receiving();
    if (groupStart_ >= 0)
        for (qsizetype i = groupStart_; i < stack.size(); ++i)
            stack[i].GroupEnd = false;
    groupStart_ = -1;
    if (!stack.isEmpty()) stack.last().GroupEnd = true;
}

void TTableHistory::Record(TTableOp op) {
    QList<TTableOp>& stack = Receiving();
    if (op.GroupEnd && groupStart_ < 0 && !stack.isEmpty()) {
        // A group by itself: the value changes before it form their own group.
        stack.last().GroupEnd = true;
    } else if (op.OpKind == TTableOp::SetValues) {
        // The open group already keeps the values of these rows from before it.
        for (qsizetype i = stack.size() - 1; i >= 0 && !stack[i].GroupEnd; --i)
            if (stack[i].OpKind == TTableOp::SetValues && stack[i].Rows == op.Rows) return;
    }
    stack.append(std::move(op));
    if (!replaying_ && !redoing_) redo_.clear();
}

void TTableHistory::Replay(QList<TTableOp>& from, QList<TTableOp>& to, const TApply& apply) {
    if (from.isEmpty()) return;
    if (!to.isEmpty()) to.last().GroupEnd = true;
    const qsizetype base = to.size();
    qsizetype first = from.size() - 1;
    while (first > 0 && !from[first - 1].GroupEnd)
        --first;
    QList<TTableOp> group = from.mid(first);
    from.resize(first);
    groupStart_ = -1;
    for (qsizetype i = group.size() - 1; i >= 0; --i)
        apply(group[i]);
    for (qsizetype i = base; i < to.size(); ++i)
        to[i].GroupEnd = i == to.size() - 1;
}

void TTableHistory::Undo(const TApply& apply) {
    replaying_ = true;
    Replay(undo_, redo_, apply);
    replaying_ = false;
}

void TTableHistory::Redo(const TApply& apply) {
    redoing_ = true;
    Replay(redo_, undo_, apply);
    redoing_ = false;
}

// ---------------------------------------------------------------------------------------------
// Texts

namespace tabletext {
QString Full(Extended value) {
    return mathfuncs::FormatNumber(value);
}

QString Rounded(Extended value, int digits) {
    if (!std::isfinite(value)) return Full(value);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*LG", digits, value);
    QString text = QString::fromLatin1(buffer);
    // "1.5E-05" stays, "1E+20" is written "1E20".
    const qsizetype e = text.indexOf(QLatin1Char('E'));
    if (e >= 0 && text[e + 1] == QLatin1Char('+')) text.remove(e + 1, 1);
    return text;
}

bool ParseCell(const QString& text, Extended& value) {
    const QByteArray bytes = text.trimmed().toLatin1();
    if (bytes.isEmpty()) return false;
    const char* stop = nullptr;
    Extended v = 0;
    if (!numparse::ParseExtended(bytes.constBegin(), bytes.constEnd(), v, &stop) || stop != bytes.constEnd())
        return false;
    value = v;
    return true;
}
} // namespace tabletext

// ---------------------------------------------------------------------------------------------
// Loading

namespace {
// The same 80 bits (-0 and 0 differ, a NaN equals itself).
bool SameValue(Extended a, Extended b) {
    return std::memcmp(&a, &b, 10) == 0;
}
// One block of consecutive rows, or a change of everything.
TTableData::TRowChange Block(const TIntArray& rows, TTableData::TRowChange::TKind kind) {
    if (rows.isEmpty() || rows.last() - rows.first() + 1 != rows.size()) return {};
    return {kind, rows.first(), rows.last()};
}

bool StrictlyAscending(const TIntArray& rows, int limit) {
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (rows[i] < 0 || rows[i] >= limit || (i > 0 && rows[i] <= rows[i - 1])) return false;
    return true;
}
} // namespace

void TTableData::Load(const TGraph* graph) {
    if (!graph) {
        Unload();
        return;
    }
    TDoubleArray x, y, z;
    const bool ok = graph->ZCount() == 0 ? graph->GetXY(x, y) : graph->GetXYZ(x, y, z);
    if (ok)
        Load(x, y, z);
    else
        Unload();
}

void TTableData::Load(const TDoubleArray& x, const TDoubleArray& y, const TDoubleArray& z) {
    // Arrays of different lengths give no table, so that nothing can be written back from it.
    TDoubleArray2 columns;
    if (x.size() == y.size() && (z.isEmpty() || z.size() == x.size())) {
        columns = {x, y};
        if (!z.isEmpty()) columns.append(z);
    }
    SearchResult = {};
    History.Clear();
    Reset(std::move(columns));
}

void TTableData::Unload() {
    SearchResult = {};
    History.Clear();
    Reset({});
}

void TTableData::Reset(TDoubleArray2 columns) {
    if (Observer) Observer->RowsAboutToChange({});
    columns_ = std::move(columns);
    selected_ = TBoolArray(RowCount(), 0);
    selectedCount_ = 0;
    CurrentRow = AnchorRow = 0;
    marks_.clear();
    markedCells_ = 0;
    rowsModified_ = sourceChanged_ = false;
    if (Observer) Observer->RowsChanged({});
}

// ---------------------------------------------------------------------------------------------
// Selection

TIntArray TTableData::SelectedRows() const {
    TIntArray rows;
    rows.reserve(selectedCount_);
    for (int r = 0; r < RowCount(); ++r)
        if (selected_[r]) rows.append(r);
    return rows;
}

void TTableData::SelectCell(int row, bool ctrl, bool shift) {
    History.EndGroup();
    CurrentRow = row;
    if (!HasTable()) return;
    if (!ctrl) selected_.fill(0);
    const int last = RowCount() - 1;
    if (shift) {
        for (int r = std::min(AnchorRow, row); r <= std::min(std::max(AnchorRow, row), last); ++r)
            selected_[r] = 1;
    } else if (row <= last) {
        selected_[row] = 1;
        AnchorRow = row;
    }
    selectedCount_ = int(std::count(selected_.cbegin(), selected_.cend(), 1));
    NotifyCells();
}

void TTableData::SelectAll() {
    selected_.fill(1);
    selectedCount_ = RowCount();
    NotifyCells();
}

void TTableData::SetSelection(const TBoolArray& flags) {
    if (flags.size() != selected_.size()) return;
    selected_ = flags;
    selectedCount_ = 0;
    for (uint8_t& f : selected_) {
        f = f ? 1 : 0;
        selectedCount_ += f;
    }
    NotifyCells();
}

void TTableData::SelectFound() {
    TBoolArray flags(RowCount(), 0);
    for (int r = 0; r < RowCount(); ++r)
        flags[r] = IsFound(r);
    SetSelection(flags);
}

void TTableData::GoToRow(int row) {
    TBoolArray flags(RowCount(), 0);
    flags[row] = 1;
    CurrentRow = AnchorRow = row;
    SetSelection(flags);
}

bool TTableData::IsFound(int row) const {
    return HasFound() && row < SearchResult.Y.size() && SearchResult.Y[row] != 0;
}

void TTableData::ClearSearch() {
    SearchResult.X.clear();
    SearchResult.Y.clear();
}

// ---------------------------------------------------------------------------------------------
// Changed cells

bool TTableData::IsChanged(int row, int col) const {
    return sourceChanged_ || (Marks(row) >> col & 1) != 0;
}

void TTableData::SetMark(int row, int col, bool on) {
    if (marks_.isEmpty()) {
        if (!on) return;
        marks_ = TMarkArray(RowCount(), 0);
    }
    const uint8_t bit = uint8_t(1u << col);
    if (bool(marks_[row] & bit) == on) return;
    marks_[row] ^= bit;
    markedCells_ += on ? 1 : -1;
}

void TTableData::KeepDataOverSource() {
    sourceChanged_ = true;
    marks_.clear();
    markedCells_ = 0;
    NotifyCells();
}

void TTableData::ForgetChanges() {
    marks_.clear();
    markedCells_ = 0;
    rowsModified_ = sourceChanged_ = false;
    NotifyCells();
}

void TTableData::NotifyCells() {
    if (Observer) Observer->CellsChanged();
}

// ---------------------------------------------------------------------------------------------
// The primitives

bool TTableData::SetValues(const TIntArray& rows, const TDoubleArray2& values, const TMarkArray& marks) {
    if (!HasTable() || values.size() != columns_.size() || marks.size() != rows.size() ||
        !StrictlyAscending(rows, RowCount()))
        return false;
    for (const TDoubleArray& v : values)
        if (v.size() != rows.size()) return false;

    // Every row changes (ascending rows as many as the table's): the record keeps the old arrays
    // themselves and the new ones take their place, without a copy.
    const bool allRows = rows.size() == RowCount();
    TTableOp inverse;
    inverse.OpKind = TTableOp::SetValues;
    inverse.Rows = rows;
    inverse.Values.resize(columns_.size());
    for (qsizetype c = 0; c < columns_.size(); ++c) {
        TDoubleArray& old = inverse.Values[c];
        const TDoubleArray& column = columns_[c];
        if (allRows) {
            old = column;
            continue;
        }
        old.resize(rows.size());
        for (qsizetype i = 0; i < rows.size(); ++i)
            old[i] = column[rows[i]];
    }
    if (allRows && !marks_.isEmpty()) {
        inverse.Marks = marks_;
    } else {
        inverse.Marks.resize(rows.size());
        for (qsizetype i = 0; i < rows.size(); ++i)
            inverse.Marks[i] = Marks(rows[i]);
    }

    for (qsizetype c = 0; c < columns_.size(); ++c) {
        TDoubleArray& column = columns_[c];
        const TDoubleArray& fresh = values[c];
        Extended* data = nullptr; // the shared array is copied only when a value really changes
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const int r = rows[i];
            if (SameValue(column.at(r), fresh[i])) continue;
            if (!data && !allRows) data = column.data();
            if (data) data[r] = fresh[i];
            if (!sourceChanged_) SetMark(r, int(c), (marks[i] >> c & 1) != 0);
        }
        if (allRows) column = fresh;
    }
    History.Record(std::move(inverse));
    NotifyCells();
    return true;
}

bool TTableData::InsertRows(const TIntArray& rows, const TDoubleArray2& values, const TMarkArray& marks) {
    if (!HasTable() || values.size() != columns_.size() || marks.size() != rows.size() ||
        !StrictlyAscending(rows, RowCount() + int(rows.size())) ||
        qsizetype(RowCount()) + rows.size() > std::numeric_limits<int32_t>::max())
        return false;
    for (const TDoubleArray& v : values)
        if (v.size() != rows.size()) return false;

    TTableOp inverse;
    inverse.OpKind = TTableOp::DeleteRows;
    inverse.Rows = rows;
    inverse.GroupEnd = true;

    const int oldCount = RowCount();
    const int newCount = oldCount + int(rows.size());
    TDoubleArray2 columns(columns_.size());
    for (TDoubleArray& c : columns)
        c.resize(newCount);
    TMarkArray newMarks;
    const bool keepMarks =
        !sourceChanged_ &&
        (!marks_.isEmpty() || std::any_of(marks.cbegin(), marks.cend(), [](uint8_t m) { return m != 0; }));
    if (keepMarks) newMarks = TMarkArray(newCount, 0);
    int marked = 0;
    qsizetype next = 0;
    int old = 0;
    const uint8_t columnBits = uint8_t((1u << columns_.size()) - 1);
    for (int k = 0; k < newCount; ++k) {
        if (next < rows.size() && rows[next] == k) {
            for (qsizetype c = 0; c < columns_.size(); ++c)
                columns[c][k] = values[c][next];
            if (keepMarks) newMarks[k] = marks[next] & columnBits;
            ++next;
        } else {
            for (qsizetype c = 0; c < columns_.size(); ++c)
                columns[c][k] = columns_[c][old];
            if (keepMarks) newMarks[k] = Marks(old);
            ++old;
        }
        if (keepMarks) marked += std::popcount(newMarks[k]);
    }
    History.Record(std::move(inverse));

    const TRowChange rowChange = Block(rows, TRowChange::Insert);
    if (Observer) Observer->RowsAboutToChange(rowChange);
    ClearSearch();
    columns_ = std::move(columns);
    selected_ = TBoolArray(newCount, 0);
    for (const int r : rows)
        selected_[r] = 1;
    selectedCount_ = int(rows.size());
    if (keepMarks) {
        marks_ = std::move(newMarks);
        markedCells_ = marked;
    }
    if (Observer) Observer->RowsChanged(rowChange);
    return true;
}

bool TTableData::DeleteRows(const TIntArray& rows) {
    if (!HasTable() || !StrictlyAscending(rows, RowCount())) return false;
    ClearSearch();
    TTableOp inverse;
    inverse.OpKind = TTableOp::InsertRows;
    inverse.Rows = rows;
    inverse.GroupEnd = true;
    inverse.Values.resize(columns_.size());
    for (qsizetype c = 0; c < columns_.size(); ++c) {
        inverse.Values[c].resize(rows.size());
        for (qsizetype i = 0; i < rows.size(); ++i)
            inverse.Values[c][i] = columns_[c][rows[i]];
    }
    inverse.Marks.resize(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        inverse.Marks[i] = Marks(rows[i]);

    const int oldCount = RowCount();
    const int newCount = oldCount - int(rows.size());
    TDoubleArray2 columns(columns_.size());
    for (TDoubleArray& c : columns)
        c.reserve(newCount);
    TMarkArray newMarks;
    if (!marks_.isEmpty()) newMarks.reserve(newCount);
    int marked = 0;
    qsizetype next = 0;
    int current = CurrentRow;
    for (int r = 0; r < oldCount; ++r) {
        if (next < rows.size() && rows[next] == r) {
            ++next;
            if (r < CurrentRow) --current;
            continue;
        }
        for (qsizetype c = 0; c < columns_.size(); ++c)
            columns[c].append(columns_[c][r]);
        if (!marks_.isEmpty()) {
            newMarks.append(marks_[r]);
            marked += std::popcount(marks_[r]);
        }
    }
    History.Record(std::move(inverse));
    History.EndGroup();

    const TRowChange rowChange = Block(rows, TRowChange::Remove);
    if (Observer) Observer->RowsAboutToChange(rowChange);
    columns_ = std::move(columns);
    if (!marks_.isEmpty()) {
        marks_ = std::move(newMarks);
        markedCells_ = marked;
    }
    CurrentRow = std::clamp(current, 0, newCount);
    selected_ = TBoolArray(newCount, 0);
    selectedCount_ = 0;
    if (CurrentRow < newCount) {
        selected_[CurrentRow] = 1;
        selectedCount_ = 1;
        AnchorRow = CurrentRow;
    }
    rowsModified_ = true;
    if (Observer) Observer->RowsChanged(rowChange);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Commands

void TTableData::EditCell(int row, int col, const QString& text) {
    Extended value = 0;
    if (!HasTable() || col < 0 || col >= ColumnCount() || row < 0 || row > RowCount() ||
        !tabletext::ParseCell(text, value))
        return;
    if (row == RowCount()) {
        CurrentRow = row;
        InsertRowAtCurrent();
    }
    if (tabletext::Full(value) == tabletext::Full(Value(row, col))) return;
    TIntArray rows;
    constexpr int MaxFilledRows = 1024;
    if (IsSelected(row) && selectedCount_ <= MaxFilledRows)
        rows = SelectedRows();
    else
        rows = {row};
    TDoubleArray2 values(ColumnCount());
    for (int c = 0; c < ColumnCount(); ++c) {
        values[c].resize(rows.size());
        for (qsizetype i = 0; i < rows.size(); ++i)
            values[c][i] = c == col ? value : Value(rows[i], c);
    }
    // Only the cells whose value changes take the mark.
    SetValues(rows, values, TMarkArray(rows.size(), CellMark::All));
    ClearSearch();
    NotifyCells();
}

void TTableData::InsertRowAtCurrent() {
    if (!HasTable()) return;
    const int row = std::clamp(CurrentRow, 0, RowCount());
    InsertRows({row}, TDoubleArray2(ColumnCount(), TDoubleArray{0}), {CellMark::All});
}

void TTableData::DeleteSelectedRows() {
    if (selectedCount_ > 0) DeleteRows(SelectedRows());
}

void TTableData::Undo() {
    History.Undo([this](const TTableOp& op) { Apply(op); });
}

void TTableData::Redo() {
    History.Redo([this](const TTableOp& op) { Apply(op); });
}

void TTableData::Apply(const TTableOp& op) {
    switch (op.OpKind) {
    case TTableOp::DeleteRows:
        DeleteRows(op.Rows);
        break;
    case TTableOp::InsertRows:
        InsertRows(op.Rows, op.Values, op.Marks);
        break;
    default:
        SetValues(op.Rows, op.Values, op.Marks);
        break;
    }
}

TTableCommandState CommandState(const TTableData& data) {
    TTableCommandState s;
    s.RowActions = data.HasRows() && data.SelectedCount() > 0;
    s.InsertRow = data.HasTable();
    s.SelectFound = data.HasFound();
    s.Undo = data.History.UndoCount() > 0;
    s.Redo = data.History.RedoCount() > 0;
    s.CancelAll = data.HasChanges();
    s.Find = data.HasRows();
    s.DeleteCaption =
        data.SelectedCount() < 2 ? QStringLiteral("Удалить строку") : QStringLiteral("Удалить строки");
    return s;
}
