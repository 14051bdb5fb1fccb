#include "tools/TableItemModel.h"

#include <QBrush>
#include <QFont>
#include <QGuiApplication>
#include <QPalette>

namespace {
constexpr int Unknown = -2;

// Characters after the decimal point, -1 without a point or in exponent form.
int DigitsAfterPoint(const QString& text) {
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point < 0 || text.contains(QLatin1Char('E'))) return -1;
    return int(text.size() - point - 1);
}
} // namespace

TTableItemModel::TTableItemModel(TTableData& data, QObject* parent)
    : QAbstractTableModel(parent), data_(data) {
    data_.Observer = this;
}

TTableItemModel::~TTableItemModel() {
    if (data_.Observer == this) data_.Observer = nullptr;
}

void TTableItemModel::SetDigitAlign(TDigitAlign align) {
    align_ = align;
    Refresh();
}

void TTableItemModel::SetSignificantDigits(int digits) {
    if (digits < 2 || digits > 18) return;
    digits_ = digits;
    Refresh();
}

void TTableItemModel::SetRoundDigits(bool on) {
    roundDigits_ = on;
    Refresh();
}

void TTableItemModel::SetVisibleRows(int first, int last) {
    if (first == firstVisible_ && last == lastVisible_) return;
    firstVisible_ = first;
    lastVisible_ = last;
    dotDigits_.clear();
}

void TTableItemModel::Refresh() {
    dotDigits_.clear();
    CellsChanged();
}

QString TTableItemModel::RoundedText(int row, int col) const {
    const Extended v = data_.Value(row, col);
    return roundDigits_ ? tabletext::Rounded(v, digits_) : tabletext::Full(v);
}

int TTableItemModel::DotDigits(int col) const {
    if (dotDigits_.isEmpty()) dotDigits_ = QList<int>(data_.ColumnCount(), Unknown);
    int& most = dotDigits_[col];
    if (most == Unknown) {
        most = 0;
        const int first = std::max(firstVisible_ - 1, 0);
        const int last = std::min(lastVisible_ + 1, data_.RowCount() - 1);
        for (int r = first; r <= last; ++r)
            most = std::max(most, DigitsAfterPoint(RoundedText(r, col)));
    }
    return most;
}

QString TTableItemModel::CellText(int row, int col) const {
    QString text = RoundedText(row, col);
    if (align_ == daDot && !text.contains(QLatin1Char('E'))) {
        const int pad = DotDigits(col) - DigitsAfterPoint(text);
        if (pad > 0) text += QString(pad, QLatin1Char(' '));
    }
    return text;
}

int TTableItemModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !data_.HasTable() ? 0 : data_.RowCount() + 1;
}

int TTableItemModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !data_.HasTable() ? 0 : data_.ColumnCount() + 1;
}

QVariant TTableItemModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int row = index.row();
    const int col = index.column() - 1;
    const bool dataRow = row < data_.RowCount();
    const QPalette palette = QGuiApplication::palette();
    switch (role) {
    case Qt::DisplayRole:
        if (!dataRow) return QString();
        return col < 0 ? QString::number(row + 1) : CellText(row, col);
    case Qt::EditRole:
        return dataRow && col >= 0 ? tabletext::Full(data_.Value(row, col)) : QString();
    case Qt::TextAlignmentRole:
        return int((col >= 0 && align_ == daLeft ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
    case Qt::FontRole:
        if (col < 0 && dataRow && data_.IsFound(row)) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::BackgroundRole:
        if (!dataRow) return {};
        if (col < 0)
            return data_.IsFound(row) ? palette.brush(QPalette::Highlight) : palette.brush(QPalette::Button);
        if (data_.IsSelected(row)) return palette.brush(QPalette::Highlight);
        if (data_.IsChanged(row, col)) return palette.brush(QPalette::ToolTipBase);
        return {};
    case Qt::ForegroundRole:
        if (!dataRow) return {};
        if (col < 0)
            return data_.IsFound(row) ? palette.brush(QPalette::HighlightedText)
                                      : palette.brush(QPalette::ButtonText);
        if (data_.IsSelected(row)) return palette.brush(QPalette::HighlightedText);
        if (data_.IsChanged(row, col)) return palette.brush(QPalette::ToolTipText);
        return {};
    default:
        return {};
    }
}

bool TTableItemModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || index.column() < 1) return false;
    data_.EditCell(index.row(), index.column() - 1, value.toString());
    return true;
}

Qt::ItemFlags TTableItemModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return index.column() == 0 ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

QVariant TTableItemModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal) {
        static const char* const names[] = {"№", "X", "Y", "Z"};
        if (section >= 0 && section < 4) return QString::fromUtf8(names[section]);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

void TTableItemModel::RowsAboutToChange(const TTableData::TRowChange& change) {
    changingRows_ = true;
    switch (change.Kind) {
    case TTableData::TRowChange::Insert:
        beginInsertRows({}, change.First, change.Last);
        break;
    case TTableData::TRowChange::Remove:
        beginRemoveRows({}, change.First, change.Last);
        break;
    case TTableData::TRowChange::Reset:
        beginResetModel();
        break;
    }
}

void TTableItemModel::RowsChanged(const TTableData::TRowChange& change) {
    dotDigits_.clear();
    switch (change.Kind) {
    case TTableData::TRowChange::Insert:
        endInsertRows();
        break;
    case TTableData::TRowChange::Remove:
        endRemoveRows();
        break;
    case TTableData::TRowChange::Reset:
        endResetModel();
        break;
    }
    changingRows_ = false;
    // The rows after the block show other numbers and marks.
    CellsChanged();
}

void TTableItemModel::CellsChanged() {
    dotDigits_.clear();
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}
