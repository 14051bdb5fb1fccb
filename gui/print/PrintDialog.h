// Printing a figure: the dialog "Печать графиков" chooses the printer, the paper, its source and
// orientation, the margins and the place and size of the graph area on the sheet (by numbers or with
// the mouse on the preview), the colours, and prints through the figure's paint routine.
#pragma once

#include "gui/print/NameRequestDialog.h"
#include "gui/print/Printers.h"
#include "tools/PrintLayout.h"
#include "window/SuperGrWindow.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class TPrintMarginsForm;
class TPrintPreviewForm;

// The sheet with the figure drawn on it by the paint routine; the graph area is moved and sized with
// the mouse.
class TPrintPreview : public QWidget {
    Q_OBJECT
public:
    explicit TPrintPreview(TPrintPreviewForm& form);
    // The geometry of the last painting (the mouse works on it).
    const TPreviewGeometry& Geometry() const { return FGeometry; }
    // Recomputes the geometry for the current size and layout and repaints.
    void Refresh();

signals:
    void AreaDragged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TPrintPreviewForm& FForm;
    TPreviewGeometry FGeometry;
};

class TPrintPreviewForm : public QDialog {
    Q_OBJECT
public:
    explicit TPrintPreviewForm(QWidget* parent = nullptr);
    ~TPrintPreviewForm() override;

    // Shows the dialog for the window; true when it closed by printing.
    bool ExecFor(TSuperGrWindow& window);
    // What every opening does: the printer choice, the preset and the colours applied again.
    void OpenFor(TSuperGrWindow& window);

    TPrintLayout& Layout() { return FLayout; }
    TSuperGrWindow* Window() const { return FWindow; }
    const TColorStruct& Scheme() const { return FScheme; }
    std::vector<TPrinterInfo>& Printers() { return FPrinters; }
    bool ShowsFigure() const;
    bool ShowsBorder() const;
    bool ShowsMargins() const;
    // The width-to-height aspect of the window's client area.
    double WindowAspect() const;

    // The user's answers; tests replace them.
    TAskUser Ask;
    std::function<void(const QString& text)> ShowMessage;
    std::function<QString()> ChoosePdfFile;
    std::function<std::optional<QString>(const QString& prompt)> AskName;

    // Controls, for tests.
    QComboBox* PrinterList() const { return FPrinterList; }
    QComboBox* PaperList() const { return FPaperList; }
    QComboBox* UnitList() const { return FUnitList; }
    QLineEdit* AreaBox(TAreaField field) const { return FAreaBoxes[int(field)]; }
    QListWidget* PresetList() const { return FPresetList; }
    QRadioButton* LandscapeButton() const { return FLandscape; }
    QCheckBox* KeepProportionsBox() const { return FKeep; }
    QPushButton* PrintButton() const { return FPrint; }
    QPushButton* SavePresetButton() const { return FSavePreset; }
    QPushButton* DeletePresetButton() const { return FDeletePreset; }
    TPrintPreview* Preview() const { return FPreview; }
    TPrintMarginsForm& MarginsForm() { return *FMargins; }
    TNameRequestForm& NameForm() { return *FNames; }
    // Prints as the dialog is set; true when printed (the dialog then closes).
    bool Print();

private:
    void BuildPrinterBox(QLayout* into);
    void ChoosePrinter();
    void ReadBackSettings(TPrinterInfo& printer);
    void PrinterProperties();
    void ChooseScheme();
    void ShowArea();
    void ShowPresetChoice();
    void AreaTyped(TAreaField field, const QString& text);
    void PresetChosen(int row);
    void SavePreset();
    void DeletePreset();
    void EditMargins();
    void LayoutChanged();
    TPrinterInfo* ChosenPrinter();

    TSuperGrWindow* FWindow = nullptr;
    TPrintLayout FLayout;
    TColorStruct FScheme{nullptr};
    std::vector<TPrinterInfo> FPrinters;
    bool FLoading = false; // controls are being filled: their handlers stay out

    QComboBox* FPrinterList;
    QLabel* FType;
    QLabel* FPort;
    QLabel* FDescription;
    QPushButton* FProperties;
    QComboBox* FPaperList;
    QComboBox* FFeedList;
    QRadioButton* FPortrait;
    QRadioButton* FLandscape;
    QLineEdit* FAreaBoxes[4];
    QCheckBox* FKeep;
    QComboBox* FUnitList;
    QButtonGroup* FSchemes;
    QListWidget* FPresetList;
    QPushButton* FSavePreset;
    QPushButton* FDeletePreset;
    TPrintPreview* FPreview;
    QCheckBox* FShowFigure;
    QCheckBox* FShowBorder;
    QCheckBox* FShowMargins;
    QPushButton* FPrint;
    TNameRequestForm* FNames;
    TPrintMarginsForm* FMargins;
};

// What the main window keeps: the print dialog, made on first use and kept with everything set in it.
class TSuperPrintDialog : public QObject {
    Q_OBJECT
public:
    explicit TSuperPrintDialog(QWidget* parent) : QObject(parent), FParent(parent) {}
    // False for a missing window or one whose client area is empty; else the dialog's result.
    bool Execute(TSuperGrWindow* window);
    TPrintPreviewForm& Form();

private:
    QWidget* FParent;
    TPrintPreviewForm* FForm = nullptr;
};
