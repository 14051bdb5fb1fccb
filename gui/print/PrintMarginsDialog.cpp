#include "gui/print/PrintMarginsDialog.h"

#include "gui/widgets/TitleStrip.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TPrintMarginsForm::TPrintMarginsForm(TPrintLayout& layout, TNameRequestForm& names, QWidget* parent)
    : TStripDialog(u"Поля"_s, parent), Ask(MessageBoxAsker(this)), FLayout(layout), FNames(names) {
    auto* grid = new QGridLayout;
    const QString captions[] = {u"Левое:"_s, u"Правое:"_s, u"Верхнее:"_s, u"Нижнее:"_s};
    for (int side = 0; side < 4; ++side) {
        FBoxes[side] = new QLineEdit;
        FBoxes[side]->setMaximumWidth(90);
        grid->addWidget(new QLabel(captions[side]), side / 2, (side % 2) * 3);
        grid->addWidget(FBoxes[side], side / 2, (side % 2) * 3 + 1);
        connect(FBoxes[side], &QLineEdit::textChanged, this, &TPrintMarginsForm::BoxesChanged);
    }
    grid->setColumnMinimumWidth(2, 16);
    grid->setColumnStretch(5, 1);
    FSaved = new QComboBox;
    FSaved->setMinimumWidth(220);
    FSave = new QPushButton(u"Сохранить..."_s);
    FDelete = new QPushButton(u"Удалить"_s);
    auto* saved = new QHBoxLayout;
    saved->addWidget(new QLabel(u"Сохранённые:"_s));
    saved->addWidget(FSaved, 1);
    FOk = new QPushButton(u"ОК"_s);
    auto* cancel = new QPushButton(u"Отмена"_s);
    FOk->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(FSave);
    buttons->addWidget(FDelete);
    buttons->addStretch(1);
    buttons->addWidget(FOk);
    buttons->addWidget(cancel);
    Body()->addLayout(grid);
    Body()->addLayout(saved);
    Body()->addLayout(buttons);

    connect(FSaved, &QComboBox::activated, this, &TPrintMarginsForm::ChooseSet);
    connect(FSave, &QPushButton::clicked, this, &TPrintMarginsForm::SaveSet);
    connect(FDelete, &QPushButton::clicked, this, &TPrintMarginsForm::DeleteSet);
    connect(FOk, &QPushButton::clicked, this, &TPrintMarginsForm::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<TPaperMargins> TPrintMarginsForm::Entered() const {
    TPaperMargins margins;
    double* sides[] = {&margins.Left, &margins.Right, &margins.Top, &margins.Bottom};
    for (int side = 0; side < 4; ++side) {
        const std::optional<double> value = ParseLength(FBoxes[side]->text(), FLayout.Unit);
        if (!value) return std::nullopt;
        *sides[side] = *value;
    }
    return margins;
}

void TPrintMarginsForm::BoxesChanged() {
    const bool readable = Entered().has_value();
    FOk->setEnabled(readable);
    FSave->setEnabled(readable);
}

void TPrintMarginsForm::FillSavedList(int chosen) {
    FSaved->clear();
    for (const TPaperMargins& set : FLayout.MarginSets)
        FSaved->addItem(set.Name);
    FSaved->setCurrentIndex(chosen);
    FDelete->setEnabled(chosen >= 0);
}

void TPrintMarginsForm::ChooseSet(int index) {
    if (index < 0 || index >= FLayout.MarginSets.size()) return;
    const TPaperMargins& set = FLayout.MarginSets[index];
    const double sides[] = {set.Left, set.Right, set.Top, set.Bottom};
    for (int side = 0; side < 4; ++side)
        FBoxes[side]->setText(FormatLength(sides[side], FLayout.Unit));
    FDelete->setEnabled(true);
}

void TPrintMarginsForm::SaveSet() {
    const std::optional<TPaperMargins> entered = Entered();
    if (!entered) return;
    for (;;) {
        const std::optional<QString> name = FNames.Ask(u"Введите имя для данной комбинации полей:"_s);
        if (!name) return;
        if (FLayout.FindMarginSet(*name) >= 0) {
            const QMessageBox::StandardButton answer =
                Ask(u"Внимание"_s, printmsg::ReplaceEntry(*name),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            if (answer == QMessageBox::Cancel) continue;
            if (answer != QMessageBox::Yes) return;
        }
        TPaperMargins set = *entered;
        set.Name = *name;
        FillSavedList(FLayout.SaveMarginSet(set));
        return;
    }
}

void TPrintMarginsForm::DeleteSet() {
    const int index = FSaved->currentIndex();
    if (index < 0) return;
    if (Ask(u"Предупреждение"_s, printmsg::DeleteMargins(FLayout.MarginSets[index].Name),
            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    FLayout.MarginSets.removeAt(index);
    FillSavedList(-1);
}

void TPrintMarginsForm::accept() {
    const std::optional<TPaperMargins> entered = Entered();
    if (!entered) return;
    const bool outside = entered->Left < FUnprintable.left() || entered->Right < FUnprintable.right() ||
                         entered->Top < FUnprintable.top() || entered->Bottom < FUnprintable.bottom();
    if (outside && Ask(u"Внимание"_s, printmsg::MarginsOutsidePrintable(),
                       QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    QDialog::accept();
}

std::optional<TPaperMargins> TPrintMarginsForm::Execute(const QMarginsF& unprintable) {
    FUnprintable = unprintable;
    Strip()->SetTitle(u"Поля ("_s + PrintUnitInfo(FLayout.Unit).Name + u")"_s);
    const TPaperMargins& m = FLayout.Margins();
    const double sides[] = {m.Left, m.Right, m.Top, m.Bottom};
    for (int side = 0; side < 4; ++side)
        FBoxes[side]->setText(FormatLength(sides[side], FLayout.Unit));
    FillSavedList(-1);
    BoxesChanged();
    if (exec() != QDialog::Accepted) return std::nullopt;
    return Entered();
}
