// The graph properties dialog: shows TGraphPropertiesModel for one graph of the window at a time;
// every control stores its value at once, apply keeps the visit's changes, cancel undoes them.
#pragma once

#include "tools/GraphPropertiesModel.h"

#include <QDialog>
#include <QList>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QToolButton;
class TSuperGrWindow;
class TSymbolEditorDialog;

// Pictures the dialog and the graphs list share.
QPixmap ColorSwatchPicture(TColor color, QSize size);
// A marker symbol 1 … 13 with unit 1, centred, in the pen colour (hollow ones filled with the
// background); 0 draws the letter "N".
QPixmap MarkerSymbolPicture(int symbol, QSize size, const QColor& pen, const QColor& background);
// A line style 0 … 4 as a line across the picture, 5 as six small squares.
QPixmap LineStylePicture(int style, QSize size, const QColor& pen, const QColor& background);

class TGraphPropertiesDialog : public QDialog {
    Q_OBJECT
public:
    // The window must outlive the dialog.
    explicit TGraphPropertiesDialog(TSuperGrWindow& window, QWidget* parent = nullptr);

    TGraphPropertiesModel& Model() { return FModel; }
    // What the dialog's buttons open; the dialog is closed (its changes kept) before they run.
    std::function<void(int graphIndex)> ShowStatistics;
    std::function<void(TGraph& graph, const QPoint& mouse)> PlaceMarkers;
    // The binding wizard, opened after the dialog closes with its changes kept.
    std::function<void()> BindGraphs;

    // Opens modally for the graph at the index; nothing without graphs. True when applied.
    bool ExecFor(int graphIndex);
    // Sets every control from the edited graph without storing anything.
    void LoadFromGraph();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    template <typename T> struct TBinding {
        QWidget* Control;
        const TGraphProperty<T>* Property;
        int Index;
    };
    QWidget* CreateViewPage();
    QWidget* CreateScalePage();
    QWidget* CreateDesignationPage(int axis);
    QCheckBox* BoundCheck(const QString& caption, const TGraphProperty<bool>& p);
    QCheckBox* BoundFlag(const QString& caption, const TGraphProperty<uint8_t>& p, int index);
    QLineEdit* BoundText(const TGraphProperty<QString>& p, int index = 0);
    // A check box of a value without a declaration: how it is stored and where the view shows it.
    QCheckBox* PlainCheck(const QString& caption, const std::function<void(bool)>& store,
                          const std::function<bool(const TGraphPropertiesView&)>& shows);
    QPushButton* ColorButton(const TGraphProperty<TColor>& p);
    // Runs a control's change and shows the graph again; nothing while loading.
    void Change(const std::function<void()>& store);
    void StoreAxisDesignations(int axis);
    void ChooseColor(const TGraphProperty<TColor>& p);
    void FillChooser();
    // Leaves the dialog, its changes kept, to run what a button opens (if anything).
    void LeaveFor(std::function<void()> then);

    TSuperGrWindow& FWindow;
    TGraphPropertiesModel FModel;
    bool FLoading = false;
    bool FLeft = false; // closed with the changes kept
    std::function<void()> FAfterClose;

    QList<TBinding<bool>> FChecks;
    QList<TBinding<uint8_t>> FFlags;
    QList<TBinding<QString>> FTexts;
    QList<TBinding<TColor>> FColors;
    QList<std::pair<QCheckBox*, std::function<bool(const TGraphPropertiesView&)>>> FPlainChecks;

    QComboBox* FChooser = nullptr;
    QPushButton* FInfo = nullptr;
    QPushButton* FPlace = nullptr;
    QPushButton* FBinding = nullptr;
    QToolButton* FPrevious = nullptr;
    QToolButton* FNext = nullptr;
    QTabWidget* FPages = nullptr;
    QButtonGroup* FMarkerKind = nullptr;
    QComboBox* FSymbols = nullptr;
    QLineEdit* FMarkerText = nullptr;
    QToolButton* FMarkerTextMenu = nullptr;
    QComboBox* FLayer = nullptr;
    QComboBox* FWidth = nullptr;
    QComboBox* FStyle = nullptr;
    QLineEdit* FWidthScale = nullptr;
    QCheckBox* FGap = nullptr;
    QLineEdit* FBreakLimit = nullptr;
    QButtonGroup* FGapChoice = nullptr;
    QLabel* FRatioPicture = nullptr;
    struct TDesignationControls {
        QGroupBox* Group = nullptr;
        QRadioButton* Textual = nullptr;
        QRadioButton* Symbolic = nullptr;
        QWidget* Preview = nullptr;
        QSpinBox* Vertical = nullptr;
        QSpinBox* Horizontal = nullptr;
    };
    TDesignationControls FDesignations[4];
    QCheckBox* FAxisShow[2] = {};
    TSymbolEditorDialog* FSymbolEditor = nullptr; // created on the first click on a preview
};
