#include "gui/symboleditor/SymbolLibraryDialog.h"

#include "model/Colors.h"
#include "model/DrawAdapter.h"
#include "model/Symbol.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
constexpr int kCellWidth = 72, kCellHeight = 48;
}

// The cells: symbols in rows, each fitted with a 2-pixel inset, the selected one highlighted.
class TSymbolGrid : public QWidget {
public:
    TSymbolGrid(TSymbolLibraryModel& model, QScrollArea& scroll) : FModel(model), FScroll(scroll) {}
    std::function<void()> OnSelect, OnPick;

    int Columns() const { return TSymbolLibraryModel::ColumnCount(FScroll.width(), kCellWidth); }
    void Relayout() {
        const int columns = Columns();
        const int rows = std::max<int>(1, int((FModel.Symbols().size() + columns - 1) / columns));
        setFixedSize(columns * (kCellWidth + 1), rows * (kCellHeight + 1));
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().base());
        const int columns = Columns();
        TDrawAdapter dc(painter);
        for (int i = 0; i < FModel.Symbols().size(); ++i) {
            const QRect cell((i % columns) * (kCellWidth + 1), (i / columns) * (kCellHeight + 1), kCellWidth,
                             kCellHeight);
            const bool selected = i == FModel.Selected();
            painter.fillRect(cell, selected ? palette().highlight() : palette().base());
            painter.setPen(palette().mid().color());
            painter.drawRect(cell.adjusted(0, 0, -1, -1));
            const QColor text = selected ? palette().highlightedText().color() : palette().text().color();
            DrawSymbol(dc, {cell.left() + 2, cell.top() + 2, cell.right() - 1, cell.bottom() - 1},
                       FModel.Symbols()[i], 0, true,
                       TColor(text.red() | text.green() << 8 | text.blue() << 16));
        }
    }
    int IndexAt(const QPoint& p) const {
        const int column = p.x() / (kCellWidth + 1), row = p.y() / (kCellHeight + 1);
        return column < Columns() ? row * Columns() + column : -1;
    }
    void mousePressEvent(QMouseEvent* e) override {
        FModel.Select(IndexAt(e->position().toPoint()));
        update();
        OnSelect();
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        FModel.Select(IndexAt(e->position().toPoint()));
        if (FModel.CanPick()) OnPick();
    }

private:
    TSymbolLibraryModel& FModel;
    QScrollArea& FScroll;
};

TSymbolLibraryDialog::TSymbolLibraryDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Библиотека символов"));
    FScroll = new QScrollArea;
    FGrid = new TSymbolGrid(FModel, *FScroll);
    FScroll->setWidget(FGrid);
    FScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FScroll->setMinimumSize(4 * (kCellWidth + 1) + 24, 4 * (kCellHeight + 1) + 4);
    auto* load = new QPushButton(QStringLiteral("Загрузить"));
    auto* save = new QPushButton(QStringLiteral("Сохранить"));
    auto* remove = new QPushButton(QStringLiteral("Удалить"));
    auto* add = new QPushButton(QStringLiteral("Добавить текущий"));
    auto* buttons = new QDialogButtonBox;
    FOk = buttons->addButton(QStringLiteral("ОК"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    auto* row = new QHBoxLayout;
    for (QPushButton* b : {load, save, remove, add})
        row->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(FScroll, 1);
    layout->addWidget(buttons);
    connect(load, &QPushButton::clicked, this, &TSymbolLibraryDialog::Load);
    connect(save, &QPushButton::clicked, this, &TSymbolLibraryDialog::Save);
    connect(remove, &QPushButton::clicked, this, [this] {
        FModel.DeleteSelected();
        Refresh();
    });
    connect(add, &QPushButton::clicked, this, [this] {
        if (FWorking) AddSymbol(*FWorking, *FFromLibrary);
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    FGrid->OnSelect = [this] { FOk->setEnabled(FModel.CanPick()); };
    FGrid->OnPick = [this] { accept(); };
}

void TSymbolLibraryDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FGrid->Relayout();
}

void TSymbolLibraryDialog::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    FGrid->Relayout();
}

void TSymbolLibraryDialog::Refresh() {
    FGrid->Relayout();
    FOk->setEnabled(FModel.CanPick());
}

void TSymbolLibraryDialog::AddSymbol(const TSymbol& working, bool& fromLibrary) {
    bool replace = false;
    if (FModel.WouldReplace(fromLibrary))
        replace = QMessageBox::question(this, QStringLiteral("Внимание"),
                                        QStringLiteral("Заменить имеющийся в библиотеке символ?")) ==
                  QMessageBox::Yes;
    FModel.Add(working, replace);
    fromLibrary = true;
    Refresh();
}

void TSymbolLibraryDialog::Load() {
    const QString file = QFileDialog::getOpenFileName(
        this, QString(), QString(),
        QStringLiteral("Все файлы с символами (*.bsl *.bsf);;Файлы в формате Ostrel 2.0  (*.bsl);;Файлы в "
                       "формате Ostrel 1.0  (*.bsf);;Все файлы (*)"));
    if (file.isEmpty()) return;
    QString error;
    if (!FModel.Load(file, error)) QMessageBox::warning(this, windowTitle(), error);
    Refresh();
}

void TSymbolLibraryDialog::Save() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(
        {QStringLiteral("Файлы в формате Ostrel 2.0  (*.bsl)"), QStringLiteral("Все файлы (*)")});
    dialog.setDefaultSuffix(QStringLiteral("bsl"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    QString error;
    if (!FModel.Save(dialog.selectedFiles().first(), error)) QMessageBox::warning(this, windowTitle(), error);
}

bool TSymbolLibraryDialog::Pick(TSymbol& working, bool& fromLibrary) {
    FWorking = &working;
    FFromLibrary = &fromLibrary;
    Refresh();
    const bool picked = exec() == QDialog::Accepted && FModel.CanPick();
    FWorking = nullptr;
    FFromLibrary = nullptr;
    if (!picked) return false;
    working = FModel.Symbols()[FModel.Selected()];
    fromLibrary = true;
    return true;
}
