// The table view's grid model over the table's data, without a copy of its own: column 0 holds the
// row numbers, columns 1.. X, Y and Z, and one empty row after the data takes new values. Numbers
// are shown rounded to the chosen significant digits; in decimal-point alignment they are padded
// so that the points of the visible rows line up under right placement with a fixed-pitch font.
#pragma once

#include "tools/TableModel.h"

#include <QAbstractTableModel>

class TTableItemModel : public QAbstractTableModel, private TTableData::TObserver {
public:
    explicit TTableItemModel(TTableData& data, QObject* parent = nullptr);
    ~TTableItemModel() override;

    TDigitAlign DigitAlign() const { return align_; }
    void SetDigitAlign(TDigitAlign align);
    int SignificantDigits() const { return digits_; }
    // A count outside 2..18 is ignored.
    void SetSignificantDigits(int digits);
    // Rounding off: 15 significant digits.
    void SetRoundDigits(bool on);
    // While the rows change, the views' current cells move by themselves.
    bool ChangingRows() const { return changingRows_; }
    // The data rows on the screen, against which the points are lined up.
    void SetVisibleRows(int first, int last);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void RowsAboutToChange(const TTableData::TRowChange& change) override;
    void RowsChanged(const TTableData::TRowChange& change) override;
    void CellsChanged() override;
    // The text a data cell shows (col 0 X, 1 Y, 2 Z).
    QString CellText(int row, int col) const;
    QString RoundedText(int row, int col) const;
    // The most digits after the point in a column over the visible rows and one row either side.
    int DotDigits(int col) const;
    void Refresh();

    TTableData& data_;
    TDigitAlign align_ = daRight;
    int digits_ = 8;
    bool roundDigits_ = true;
    int firstVisible_ = 0, lastVisible_ = -1;
    bool changingRows_ = false;
    mutable QList<int> dotDigits_; // per column, -2 until computed for the visible rows
};
