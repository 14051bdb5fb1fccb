// The margins of the sheet in the current unit, with margin sets saved by name.
#pragma once

#include "gui/print/NameRequestDialog.h"
#include "tools/PrintLayout.h"

class QComboBox;
class QLineEdit;
class QPushButton;

class TPrintMarginsForm : public TStripDialog {
    Q_OBJECT
public:
    TPrintMarginsForm(TPrintLayout& layout, TNameRequestForm& names, QWidget* parent = nullptr);
    // Opens on the layout's margins; the entered ones when confirmed. Margins inside the printer's
    // unprintable ones (tenths of a millimetre) are confirmed only after a question.
    std::optional<TPaperMargins> Execute(const QMarginsF& unprintable);

    TAskUser Ask;
    QLineEdit* Box(int side) const { return FBoxes[side]; } // left, right, top, bottom
    QComboBox* SavedList() const { return FSaved; }
    QPushButton* OkButton() const { return FOk; }
    QPushButton* SaveButton() const { return FSave; }
    QPushButton* DeleteButton() const { return FDelete; }

    void accept() override;

private:
    std::optional<TPaperMargins> Entered() const;
    void BoxesChanged();
    void ChooseSet(int index);
    void SaveSet();
    void DeleteSet();
    void FillSavedList(int chosen);

    TPrintLayout& FLayout;
    TNameRequestForm& FNames;
    QMarginsF FUnprintable;
    QLineEdit* FBoxes[4];
    QComboBox* FSaved;
    QPushButton* FOk;
    QPushButton* FSave;
    QPushButton* FDelete;
};
