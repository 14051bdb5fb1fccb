// In-place editing of the figure's captions: a memo laid over the top or the bottom edge of the graph
// window, loaded with that caption, and the small floating tool bar "Подписи к рисунку" with the
// caption's font, alignment, clearing and the switch between top and bottom. Closing the tool bar (in
// any way, Esc in the memo too) writes the memo's lines into the caption.
#pragma once

#include "gui/print/NameRequestDialog.h"
#include "tools/CaptionEditModel.h"

class QButtonGroup;
class QTextEdit;
class QToolButton;

class TCaptionToolBar : public TStripDialog {
    Q_OBJECT
public:
    // The memo becomes a hidden child of the graph widget, which shows the window.
    TCaptionToolBar(TSuperGrWindow& window, QWidget* graphWidget, QWidget* parent = nullptr);

    // Loads the memo with the edited caption, lays it over its edge and shows both.
    void Open();
    // Closes the editor as "Закрыть" does, the memo's lines going into the caption; nothing when it
    // is closed. Runs before the figure is replaced, so the text never lands in another figure.
    void Finish();

    TCaptionEditModel& Model() { return FModel; }
    QTextEdit* Memo() const { return FMemo; }
    QButtonGroup* AlignButtons() const { return FAlign; }
    QToolButton* SwitchButton() const { return FSwitch; }
    QToolButton* ClearButton() const { return FClear; }

    void done(int result) override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStringList MemoLines() const;
    void PlaceMemo();
    void ShowAlign(TCaptionAlign align);
    void ChooseFont();
    // The keyboard stays in the memo whatever is clicked on the tool bar.
    void GiveMemoTheKeyboard();

    TSuperGrWindow& FWindow;
    QWidget* FGraphWidget;
    TCaptionEditModel FModel;
    QTextEdit* FMemo;
    QButtonGroup* FAlign;
    QToolButton* FSwitch;
    QToolButton* FClear;
    int FLineHeight = 0; // of "W" in the caption's font, taken when the memo is loaded
    bool FShownOnce = false;
};
