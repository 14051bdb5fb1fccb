// The table view's data: a working copy of one graph's nodes (two columns X, Y or three with Z),
// the row selection, the marks of the cells changed since loading, the search result and the
// history of row operations with its own undo and redo. The copy shares the graph's arrays until
// the first change, so even a graph of millions of nodes opens at once. Every change of the
// values goes through the three primitives SetValues, InsertRows and DeleteRows, each of which
// records its inverse.
#pragma once

#include "model/ost2_Types.h"

#include <QList>
#include <QString>

#include <functional>

class TGraph;

// Bits of a row's cell marks: which of its cells count as changed.
namespace CellMark {
enum : uint8_t { X = 1, Y = 2, Z = 4, All = 7 };
}
using TMarkArray = QList<uint8_t>;

// One recorded table operation: the inverse of a change, applied by undo (or redo).
struct TTableOp {
    enum Kind : uint8_t { DeleteRows = 0, InsertRows = 1, SetValues = 2 };
    uint8_t OpKind = SetValues;
    TDoubleArray2 Values; // one array per column, one value per row (InsertRows, SetValues)
    TIntArray Rows;       // 0-based, ascending
    TMarkArray Marks;     // one per row (InsertRows, SetValues)
    bool GroupEnd = false;
};

// Two stacks of operations. A group is a run of records on one stack whose last record carries
// GroupEnd; one undo or redo applies one group. Inserting and deleting rows are groups by
// themselves; value changes join the open group, and while a group holds a value change of
// some rows, later changes of the same rows are not kept: a stretch of typing into one cell is
// undone in one step to the value before it.
class TTableHistory {
public:
    using TApply = std::function<void(const TTableOp&)>;

    void Clear();
    // Opens a group for an operation made of several changes; the group typing left open is
    // closed first, so that one undo never mixes the two.
    void BeginGroup();
    void EndGroup();
    void Record(TTableOp op);
    // Apply calls the primitives, which record the inverses on the other stack.
    void Undo(const TApply& apply);
    void Redo(const TApply& apply);
    int UndoCount() const { return int(undo_.size()); }
    int RedoCount() const { return int(redo_.size()); }

private:
    QList<TTableOp>& Receiving() { return replaying_ ? redo_ : undo_; }
    // Moves the top group of `from` through apply; the records pushed onto `to` become one group.
    void Replay(QList<TTableOp>& from, QList<TTableOp>& to, const TApply& apply);

    QList<TTableOp> undo_, redo_;
    bool replaying_ = false; // records go to the redo stack
    bool redoing_ = false;   // records keep the redo stack
    int groupStart_ = -1;    // fill level of the receiving stack when an explicit group began
};

// The table's texts and its state rules.
namespace tabletext {
// The 15-digit general form the cell editor, the clipboard and the comparisons use.
QString Full(Extended value);
// The general form with `digits` significant digits and an exponent of at least two digits.
QString Rounded(Extended value, int digits);
// A typed cell value: one number with the point as decimal separator, blanks around it allowed.
bool ParseCell(const QString& text, Extended& value);
} // namespace tabletext

class TTableData {
public:
    // How the rows change: one block inserted or removed (First..Last), or everything anew.
    struct TRowChange {
        enum TKind { Reset, Insert, Remove };
        TKind Kind = Reset;
        int First = 0, Last = -1;
    };
    // What the table shows changed: its rows, or only values and marks.
    struct TObserver {
        virtual ~TObserver() = default;
        virtual void RowsAboutToChange(const TRowChange& change) = 0;
        virtual void RowsChanged(const TRowChange& change) = 0;
        virtual void CellsChanged() = 0;
    };
    TObserver* Observer = nullptr;

    // ---- Loading ----
    // Shares the graph's real values (three columns when it has a third array); a graph whose
    // arrays differ in length loads no table, as nullptr does (no graph shown).
    void Load(const TGraph* graph);
    void Load(const TDoubleArray& x, const TDoubleArray& y, const TDoubleArray& z = {});
    void Unload();

    // ---- What is shown ----
    bool HasTable() const { return !columns_.isEmpty(); }
    bool HasRows() const { return RowCount() > 0; }
    int ColumnCount() const { return int(columns_.size()); }
    int RowCount() const { return columns_.isEmpty() ? 0 : int(columns_[0].size()); }
    const TDoubleArray& Column(int c) const { return columns_[c]; }
    const TDoubleArray2& Columns() const { return columns_; }
    Extended Value(int row, int col) const { return columns_[col][row]; }

    // ---- Selection and the current row (a data index, RowCount() for the empty last row) ----
    bool IsSelected(int row) const { return selected_[row] != 0; }
    int SelectedCount() const { return selectedCount_; }
    TIntArray SelectedRows() const;
    int CurrentRow = 0;
    int AnchorRow = 0;
    // Moving the current cell to `row`: closes the history's group, then selects as a click does
    // (Ctrl adds to the selection, Shift selects from the anchor).
    void SelectCell(int row, bool ctrl, bool shift);
    void SelectAll();
    // Exactly these rows (the flags of every row).
    void SetSelection(const TBoolArray& flags);
    void SelectFound();
    // The row becomes the current and only selected row.
    void GoToRow(int row);

    // ---- Changed cells ----
    bool IsChanged(int row, int col) const;
    uint8_t Marks(int row) const { return marks_.isEmpty() ? 0 : marks_[row]; }
    int ChangedCellCount() const { return markedCells_; }
    bool RowsModified() const { return rowsModified_; }
    // The shown graph changed elsewhere and the table keeps its data: every row counts as changed.
    bool SourceChanged() const { return sourceChanged_; }
    void KeepDataOverSource();
    bool HasChanges() const { return markedCells_ > 0 || rowsModified_ || sourceChanged_; }
    // After saving, or when the changes are given up.
    void ForgetChanges();

    // ---- The primitives ----
    // Row rows[i] gets values[c][i] in every column c; a cell whose value changes gets its mark
    // from marks[i]. False, and nothing changed or recorded, for arguments that do not fit.
    bool SetValues(const TIntArray& rows, const TDoubleArray2& values, const TMarkArray& marks);
    // Rows at the positions `rows` (ascending, numbered after the insertion); they become the
    // selection.
    bool InsertRows(const TIntArray& rows, const TDoubleArray2& values, const TMarkArray& marks);
    bool DeleteRows(const TIntArray& rows);

    // ---- Commands ----
    // The typed text of a cell (col 0 X, 1 Y, 2 Z) of a data row or the empty last row; a text
    // that is not a number changes nothing.
    void EditCell(int row, int col, const QString& text);
    // A zero row before the current row (appended on the empty last row).
    void InsertRowAtCurrent();
    void DeleteSelectedRows();

    TTableHistory History;
    void Undo();
    void Redo();

    // ---- The last search: Y non-zero for a matching row ----
    TMFData SearchResult;
    bool HasFound() const { return !SearchResult.X.isEmpty(); }
    bool IsFound(int row) const;
    void ClearSearch();

private:
    void Apply(const TTableOp& op);
    void Reset(TDoubleArray2 columns);
    void SetMark(int row, int col, bool on);
    void NotifyCells();

    TDoubleArray2 columns_;
    TBoolArray selected_;
    int selectedCount_ = 0;
    TMarkArray marks_; // empty until the first mark
    int markedCells_ = 0;
    bool rowsModified_ = false;
    bool sourceChanged_ = false;
};

// Which table commands are enabled.
struct TTableCommandState {
    bool RowActions = false; // delete, cut, copy, move, sort, interpolate, thin, delete repeated
    bool InsertRow = false;  // and select all: a graph is shown
    bool SelectFound = false;
    bool Undo = false, Redo = false;
    bool CancelAll = false;
    bool Find = false;
    QString DeleteCaption;
};
TTableCommandState CommandState(const TTableData& data);
