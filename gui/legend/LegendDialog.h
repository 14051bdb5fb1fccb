// The legend dialog "Легенда": every legend setting of a graph window and which graphs the legend
// lists, with what text. Each control writes at once through the window's or the graph's setters
// (so each change is an undo step of the window); there is no apply or cancel of its own.
#pragma once

#include "model/ost2_Types.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QSpinBox;
class QTableWidget;
class TSuperGrWindow;

class TLegendDialog : public QDialog {
    Q_OBJECT
public:
    explicit TLegendDialog(QWidget* parent = nullptr);

    // Shows the window's settings and its graphs, then runs modally.
    void ExecForWindow(TSuperGrWindow& window);
    // Reads every control from the window, storing nothing.
    void Load(TSuperGrWindow& window);

    QTableWidget* GraphTable() const { return table_; }
    QSpinBox* OffsetBox(bool vertical) const { return vertical ? offsetY_ : offsetX_; }
    QSpinBox* ColumnsBox() const { return columns_; }
    QButtonGroup* PositionButtons() const { return position_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QComboBox* ColourList(int field);
    void FillTable();
    void FillRow(int row);
    void FitColumns();
    void ChooseFont();

    TSuperGrWindow* window_ = nullptr;
    bool loading_ = false;
    QCheckBox* show_;
    QButtonGroup* position_;
    QSpinBox* offsetX_;
    QSpinBox* offsetY_;
    QCheckBox* fixed_;
    QCheckBox* background_;
    QCheckBox* frame_;
    QComboBox* backgroundColour_;
    QComboBox* frameColour_;
    QComboBox* textColour_;
    QSpinBox* borderWidth_;
    QSpinBox* columns_;
    QTableWidget* table_;
};
