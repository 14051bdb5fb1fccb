// The panel "Масштабы и привязка графиков": a borderless pop-up with one row per graph
// (TScalesPanelModel) showing its visible data window, permissions, fixed ratio and binding groups,
// following the window's pans and zooms while it is shown.
#pragma once

#include "gui/widgets/CompactRows.h"
#include "tools/ScalesPanelModel.h"

#include <QList>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QMenu;
class QScrollArea;
class QToolButton;
class QVBoxLayout;
class TScalesPanelRow;

class TScalesPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int RowHeight = compactrows::RowHeight;
    static constexpr int VisibleRowsHeight = 288;

    // The window must outlive the panel; the panel refreshes after each paint of `plot`.
    TScalesPanel(TSuperGrWindow& window, QWidget* plot, QWidget* parent = nullptr);
    ~TScalesPanel() override;

    TScalesPanelModel& Model() { return FModel; }
    // Rows from scratch, one per graph; sizes the panel.
    void FillPanel();
    // Shows the filled panel with its top-left corner at the point (kept on the screen).
    void ShowAt(const QPoint& globalTopLeft);
    // Every row's texts and pictures from its graph; only what changed is written.
    void RefreshPanel();
    TScalesPanelRow* Row(int index) const { return FRows.value(index); }
    // The group menu of a column ("Нет", a1 … a8); runs `choose` with the group.
    void PopUpGroups(TBindColumn column, const std::function<void(int32_t)>& choose);
    void PopUp(QMenu* menu);

protected:
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* CreateHeader();
    void FollowWindow();

    TSuperGrWindow& FWindow;
    QWidget* FPlot;
    TScalesPanelModel FModel;
    QList<TScalesPanelRow*> FRows;
    std::vector<TEventConnection> FWindowConnections;
    QWidget* FHeader = nullptr;
    QScrollArea* FScroll = nullptr;
    QWidget* FRowsHost = nullptr;
    QVBoxLayout* FRowsLayout = nullptr;
    bool FFollowPending = false;
    bool FAutoHide = true;
};

// One row: selection mark, colour swatch, name, the six view boxes, the binding pictures with the
// fixed-ratio mark, and the all-permissions picture.
class TScalesPanelRow : public QWidget {
    Q_OBJECT
public:
    TScalesPanelRow(TScalesPanel& panel, int index);
    void Refresh();
    std::array<QLineEdit*, ViewBoxCount> Boxes{};

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TScalesPanel& FPanel;
    int FIndex;
    QToolButton* FState = nullptr;
    QLabel* FSwatch = nullptr;
    QLabel* FName = nullptr;
    std::array<QToolButton*, BindColumnCount> FBindings{};
    QToolButton* FRatio = nullptr;
    std::optional<bool> FShownSelected;
    std::optional<TColor> FShownColor;
};
