// The compact list of all graphs' properties: a borderless pop-up with one row of small controls per
// graph (TGraphListModel), the column menus above, following the window's changes while it is shown.
#pragma once

#include "gui/widgets/CompactRows.h"
#include "tools/GraphListModel.h"

#include <QList>
#include <QWidget>
#include <functional>
#include <vector>

class QCheckBox;
class QLineEdit;
class QMenu;
class QScrollArea;
class QToolButton;
class QVBoxLayout;
class TGraphListRow;
class TSuperGrWindow;

class TGraphListWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int RowHeight = compactrows::RowHeight;
    static constexpr int ListWidth = 377;
    static constexpr int VisibleRows = 16;

    // The window must outlive the list.
    explicit TGraphListWindow(TSuperGrWindow& window, QWidget* parent = nullptr);

    TGraphListModel& Model() { return FModel; }
    // Opens the properties dialog for a graph (the list stays, shining through).
    std::function<void(int graphIndex)> EditGraph;
    // Hides when another window of the program becomes active.
    bool AutoHide = true;

    // Builds one row per graph and shows the list with its top-left corner at the point (kept on the
    // screen); nothing without graphs.
    void ShowAt(const QPoint& globalTopLeft);
    // Rows from scratch, or every row's controls from its graph (storing nothing).
    void RebuildRows();
    void RefreshRows();
    // While the properties dialog is open the list shows through it.
    void SetShiningThrough(bool on);
    TGraphListRow* Row(int index) const { return FRows.value(index); }

    // Menus shared by the rows and the header.
    QMenu* WidthMenu(const std::function<void(int32_t)>& choose);
    QMenu* StyleMenu(const std::function<void(int32_t)>& choose);
    QMenu* MarkerMenu(const std::function<void(TMarkerChoice)>& choose);
    // A colour chooser that does not count as leaving the list; invalid when closed.
    QColor ChooseColor(TColor initial);
    // Runs a menu at the mouse without the list hiding meanwhile.
    void PopUp(QMenu* menu);

protected:
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* CreateHeader();
    // The row widgets for the model's rows.
    void BuildRows();
    // After the window's changes: at most once per turn of the event loop, and only while shown.
    void FollowWindow();

    TSuperGrWindow& FWindow;
    TGraphListModel FModel;
    QList<TGraphListRow*> FRows;
    std::vector<TEventConnection> FWindowConnections;
    QWidget* FHeader = nullptr;
    QScrollArea* FScroll = nullptr;
    QWidget* FRowsHost = nullptr;
    QVBoxLayout* FRowsLayout = nullptr;
    bool FFollowPending = false;
};

// One row: the row's selection picture, the four check boxes, layer, name, colour, width, style,
// marker symbol and colour, and the button that opens the properties dialog.
class TGraphListRow : public QWidget {
    Q_OBJECT
public:
    TGraphListRow(TGraphListWindow& list, int index);
    void Refresh();
    // The controls, for the tests: the check boxes, the name and the marker sample.
    QList<QCheckBox*> Boxes;
    QLineEdit* NameEdit = nullptr;
    QToolButton* MarkerSample() const { return FMarker; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TGraphListWindow& FList;
    int FIndex;
    QToolButton* FState = nullptr;
    QToolButton* FLayer = nullptr;
    QToolButton* FColor = nullptr;
    QToolButton* FWidth = nullptr;
    QToolButton* FStyle = nullptr;
    QToolButton* FMarker = nullptr;
    QToolButton* FMarkerColor = nullptr;
};
