// The calculator window "Вычисление математических функций": the input line with its keypad, undo
// and redo, argument hint, completion list and bracket marks; the calculation parameters, the common
// argument, where results go, the input history and the tree of the registered windows' graphs. The
// logic lives in TCalcMath and the input-line models; this window shows them.
#pragma once

#include "tools/CalcMath.h"
#include "tools/CalculatorModel.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TBracketOverlay;

class TCalculatorWindow : public QWidget {
    Q_OBJECT
public:
    // timer: the bracket marks' timer (none: a Qt timer).
    explicit TCalculatorWindow(std::unique_ptr<TWindowTimer> timer = nullptr);
    ~TCalculatorWindow() override;

    TCalcMath& Calc() { return calc_; }
    // Sets the parameter lists from the settings and shows the window, or brings it to the front.
    void ShowCalculator();
    // "Вычислить".
    void Calculate();
    QLineEdit* Input() const { return input_; }
    // A calculation running longer than this shows the busy cursor and can be cancelled with Esc.
    int BusyAfterMs = 500;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    friend class TBracketOverlay;
    QWidget* BuildKeypad();
    QWidget* BuildParameters();
    QWidget* BuildResults();
    QWidget* BuildHistory();
    QWidget* BuildGraphTree();

    // The input line.
    void SetInput(const TInputState& s);
    TInputState InputState() const;
    void InputTextChanged();
    void UndoInput();
    void RedoInput();
    void TypeSign(const QString& caption);
    void TypeFunction(const QString& name);
    bool InputKey(QKeyEvent* event);
    // The name field or one of the common argument's fields: these keep their own typing.
    bool SideFieldHasFocus() const;
    void AfterCharacter(QChar typed);
    void PasteIntoInput();
    void RestoreCursor();
    void InsertHistoryEntry();
    void FromHistory(bool previous);

    // The pop-ups.
    void ShowHint();
    void HideHint();
    void ShowCompletion(const calcinput::TCompletion& c);
    void HideCompletion();
    void ApplyCompletion();
    void HidePopups();
    QPoint BelowCaret() const;
    int CharacterX(int pos) const;

    // The model's changes.
    void ShowSettings();
    void ShowGraphs();
    void ShowTargets();
    void ShowGraphButtons();
    void GraphNodeChosen();
    void ShowHistory();
    void ShowResultMode();

    TCalcMath calc_;
    TInputUndo undo_;
    TBracketMarks marks_;
    calcinput::TCompletion completion_;
    bool applyingUndo_ = false;
    bool fillingControls_ = false;
    bool busy_ = false;       // a calculation runs
    bool busyCursor_ = false; // and has run long enough to show the busy cursor

    QLineEdit* input_;
    TBracketOverlay* overlay_;
    QToolButton* undoButton_;
    QToolButton* redoButton_;
    QToolButton* graphButtons_[3]; // y, x, xrel
    QComboBox* interp_;
    QComboBox* extrap_;
    QComboBox* diff_;
    QCheckBox* ignoreErrors_;
    QCheckBox* commonArg_;
    QLineEdit* argFields_[3];
    QRadioButton* newGraph_;
    QRadioButton* overwrite_;
    QLineEdit* newName_;
    QComboBox* targets_;
    QTreeWidget* history_;
    QTreeWidgetItem* historyTop_;
    QTreeWidget* graphTree_;
    QCheckBox* closeAfter_;
    QCheckBox* stayOnTop_;
    QLabel* hint_;
    QListWidget* completionList_;
};
