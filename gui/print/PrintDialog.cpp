#include "gui/print/PrintDialog.h"

#include "export/PictureExport.h"
#include "gui/print/PrintMarginsDialog.h"
#include "window/FigurePaint.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QRect ToQRect(const TRect& r) {
    return {r.Left, r.Top, r.Width(), r.Height()};
}

// An outline along the inside of the rectangle, as the preview's frames are drawn.
void Outline(QPainter& painter, const TRect& r) {
    painter.drawRect(ToQRect(r).adjusted(0, 0, -1, -1));
}

Qt::CursorShape CursorFor(TAreaDrag kind) {
    switch (kind) {
    case TAreaDrag::TopLeft:
    case TAreaDrag::BottomRight:
        return Qt::SizeFDiagCursor;
    case TAreaDrag::TopRight:
    case TAreaDrag::BottomLeft:
        return Qt::SizeBDiagCursor;
    case TAreaDrag::Left:
    case TAreaDrag::Right:
        return Qt::SizeHorCursor;
    case TAreaDrag::Top:
    case TAreaDrag::Bottom:
        return Qt::SizeVerCursor;
    case TAreaDrag::Move:
        return Qt::OpenHandCursor;
    case TAreaDrag::None:
        break;
    }
    return Qt::ArrowCursor;
}

QGridLayout* GroupGrid(const QString& title, QGroupBox*& box) {
    box = new QGroupBox(title);
    return new QGridLayout(box);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The preview.

TPrintPreview::TPrintPreview(TPrintPreviewForm& form) : FForm(form) {
    setMouseTracking(true);
    setMinimumSize(330, 420);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TPrintPreview::Refresh() {
    FGeometry = FForm.Layout().Preview({0, 0, width(), height()}, FForm.WindowAspect());
    update();
}

void TPrintPreview::resizeEvent(QResizeEvent*) {
    Refresh();
}

void TPrintPreview::paintEvent(QPaintEvent*) {
    const TPrintLayout& layout = FForm.Layout();
    FGeometry = layout.Preview({0, 0, width(), height()}, FForm.WindowAspect());
    const TPreviewGeometry& g = FGeometry;
    QPainter painter(this);
    painter.setPen(QColor(0xC0, 0xC0, 0xC0));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (!g.Valid) {
        if (!layout.PaperUsable() && FForm.PrinterList()->currentIndex() >= 0) {
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(rect().adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap,
                             layout.PrintProblem());
        }
        return;
    }
    const QRect sheet = ToQRect(g.Sheet);
    painter.fillRect(sheet.translated(3, 3), QColor(0x40, 0x40, 0x40));
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    Outline(painter, g.Sheet);
    painter.setBrush(Qt::NoBrush);

    QFont font(u"Times New Roman"_s);
    font.setPixelSize(10);
    painter.setFont(font);
    const QString unit = u" "_s + PrintUnitInfo(layout.Unit).Abbreviation + u" "_s;
    const int textHeight = painter.fontMetrics().height();
    painter.drawText(QRect(sheet.left(), sheet.top() - textHeight, sheet.width(), textHeight),
                     Qt::AlignHCenter | Qt::AlignBottom,
                     u" "_s + FormatLength(layout.PaperWidth(), layout.Unit) + unit);
    painter.save();
    painter.translate(sheet.left(), sheet.center().y());
    painter.rotate(-90);
    painter.drawText(QRect(-sheet.height() / 2, -textHeight, sheet.height(), textHeight),
                     Qt::AlignHCenter | Qt::AlignBottom,
                     u" "_s + FormatLength(layout.PaperHeight(), layout.Unit) + unit);
    painter.restore();

    if (FForm.ShowsFigure() && FForm.Window() && g.Figure.Width() > 0 && g.Figure.Height() > 0) {
        painter.save();
        painter.setClipRect(ToQRect(g.Inside));
        PaintFigureOutput(*FForm.Window(), painter, g.Figure, FForm.Scheme());
        painter.restore();
    }
    if (FForm.ShowsMargins()) {
        painter.setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 0, Qt::DashLine));
        Outline(painter, g.MarginsRect);
    }
    if (FForm.ShowsBorder()) {
        painter.setPen(QPen(Qt::black, 0, Qt::DotLine));
        Outline(painter, g.Area);
    }
}

void TPrintPreview::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) FForm.Layout().BeginDrag(FGeometry, {p.x(), p.y()});
}

void TPrintPreview::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    TPrintLayout& layout = FForm.Layout();
    if (layout.Dragging() == TAreaDrag::None) {
        setCursor(FGeometry.Valid ? CursorFor(TPrintLayout::DragAt(FGeometry.DragRect, {p.x(), p.y()}))
                                  : Qt::ArrowCursor);
        return;
    }
    if (!layout.DragTo(FGeometry, {p.x(), p.y()})) return;
    Refresh();
    emit AreaDragged();
}

void TPrintPreview::mouseReleaseEvent(QMouseEvent*) {
    FForm.Layout().EndDrag();
}

// ---------------------------------------------------------------------------------------------
// The dialog.

TPrintPreviewForm::TPrintPreviewForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      Ask(MessageBoxAsker(this)) {
    setWindowTitle(u"Печать графиков"_s);
    ShowMessage = [this](const QString& text) { QMessageBox::warning(this, u"Внимание"_s, text); };
    ChoosePdfFile = [this] {
        QFileDialog dialog(this, PdfPrinterName(), QString(), u"PDF Document (*.pdf)"_s);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(u"pdf"_s);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
    FNames = new TNameRequestForm(this);
    AskName = [this](const QString& prompt) { return FNames->Ask(prompt); };
    FMargins = new TPrintMarginsForm(FLayout, *FNames, this);

    QGroupBox* printerBox;
    QGridLayout* printer = GroupGrid(u" Принтер "_s, printerBox);
    FPrinterList = new QComboBox;
    FPrinterList->setMinimumWidth(220);
    FProperties = new QPushButton(u"Свойства..."_s);
    FType = new QLabel;
    FPort = new QLabel;
    FDescription = new QLabel;
    printer->addWidget(new QLabel(u"Имя:"_s), 0, 0);
    printer->addWidget(FPrinterList, 0, 1);
    printer->addWidget(FProperties, 0, 2);
    const std::pair<const char16_t*, QLabel*> details[] = {
        {u"Тип:", FType}, {u"Порт:", FPort}, {u"Описание:", FDescription}};
    for (int row = 0; row < 3; ++row) {
        printer->addWidget(new QLabel(QString::fromUtf16(details[row].first)), row + 1, 0);
        printer->addWidget(details[row].second, row + 1, 1, 1, 2);
    }
    printer->setColumnStretch(1, 1);

    QGroupBox* pageBox;
    QGridLayout* page = GroupGrid(u" Параметры страницы "_s, pageBox);
    FPaperList = new QComboBox;
    FFeedList = new QComboBox;
    FPortrait = new QRadioButton(u"Книжная"_s);
    FLandscape = new QRadioButton(u"Альбомная"_s);
    FPortrait->setChecked(true);
    auto* marginsButton = new QPushButton(u"Поля..."_s);
    page->addWidget(new QLabel(u"Размер:"_s), 0, 0);
    page->addWidget(FPaperList, 0, 1, 1, 3);
    page->addWidget(new QLabel(u"Подача:"_s), 1, 0);
    page->addWidget(FFeedList, 1, 1, 1, 3);
    page->addWidget(FPortrait, 2, 1);
    page->addWidget(FLandscape, 2, 2);
    page->addWidget(marginsButton, 2, 3);
    page->setColumnStretch(1, 1);

    const QString areaCaptions[] = {u"Слева:"_s, u"Сверху:"_s, u"Ширина:"_s, u"Высота:"_s};
    QGroupBox* positionBox;
    QGroupBox* sizeBox;
    QGridLayout* position = GroupGrid(u"Положение графика на листе"_s, positionBox);
    QGridLayout* size = GroupGrid(u"Размер области графика"_s, sizeBox);
    for (int field = 0; field < 4; ++field) {
        FAreaBoxes[field] = new QLineEdit;
        FAreaBoxes[field]->setMaximumWidth(90);
        QGridLayout* grid = field < 2 ? position : size;
        grid->addWidget(new QLabel(areaCaptions[field]), field % 2, 0);
        grid->addWidget(FAreaBoxes[field], field % 2, 1);
        connect(FAreaBoxes[field], &QLineEdit::textEdited, this,
                [this, field](const QString& text) { AreaTyped(TAreaField(field), text); });
    }
    FKeep = new QCheckBox(u"Сохранять пропорции окна"_s);
    FKeep->setChecked(true);
    size->addWidget(FKeep, 2, 0, 1, 2);
    position->setRowStretch(2, 1);

    FUnitList = new QComboBox;
    for (TPrintUnit unit : {TPrintUnit::Millimetres, TPrintUnit::Centimetres, TPrintUnit::Inches})
        FUnitList->addItem(PrintUnitInfo(unit).Name);
    auto* units = new QHBoxLayout;
    units->addWidget(new QLabel(u"Единицы измерения:"_s));
    units->addWidget(FUnitList);
    units->addStretch(1);

    QGroupBox* colorsBox;
    QGridLayout* colors = GroupGrid(u"Цвета"_s, colorsBox);
    FSchemes = new QButtonGroup(this);
    const QString schemes[] = {u"Как есть"_s, u"Белый фон"_s, u"Белый фон с затемнением цветов"_s,
                               u"Чёрно-белый"_s};
    for (int scheme = 0; scheme < 4; ++scheme) {
        auto* button = new QRadioButton(schemes[scheme]);
        FSchemes->addButton(button, scheme);
        colors->addWidget(button, scheme, 0);
    }
    colors->setRowStretch(4, 1);
    FSchemes->button(0)->setChecked(true);

    QGroupBox* presetBox;
    QGridLayout* presets = GroupGrid(u"Относительное положение на листе"_s, presetBox);
    FPresetList = new QListWidget;
    FPresetList->setMinimumWidth(290);
    FSavePreset = new QPushButton(u"Сохранить..."_s);
    FDeletePreset = new QPushButton(u"Удалить"_s);
    presets->addWidget(FPresetList, 0, 0, 1, 3);
    presets->addWidget(FSavePreset, 1, 1);
    presets->addWidget(FDeletePreset, 1, 2);
    presets->setColumnStretch(0, 1);

    FPreview = new TPrintPreview(*this);
    FShowFigure = new QCheckBox(u"Предварительный просмотр"_s);
    FShowBorder = new QCheckBox(u"Граница"_s);
    FShowMargins = new QCheckBox(u"Поля"_s);
    auto* previewChecks = new QHBoxLayout;
    for (QCheckBox* check : {FShowFigure, FShowBorder, FShowMargins}) {
        check->setChecked(true);
        previewChecks->addWidget(check);
        connect(check, &QCheckBox::toggled, FPreview, &TPrintPreview::Refresh);
    }
    previewChecks->addStretch(1);

    FPrint = new QPushButton(u"Печать"_s);
    auto* cancel = new QPushButton(u"Отмена"_s);
    FPrint->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(FPrint);
    buttons->addWidget(cancel);

    auto* area = new QHBoxLayout;
    area->addWidget(positionBox);
    area->addWidget(sizeBox);
    auto* lower = new QHBoxLayout;
    lower->addWidget(colorsBox);
    lower->addWidget(presetBox, 1);
    auto* left = new QVBoxLayout;
    left->addWidget(printerBox);
    left->addWidget(pageBox);
    left->addLayout(area);
    left->addLayout(units);
    left->addLayout(lower, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(FPreview, 1);
    right->addLayout(previewChecks);
    right->addLayout(buttons);
    auto* columns = new QHBoxLayout(this);
    columns->addLayout(left);
    columns->addLayout(right, 1);

    FPrinters = ListPrinters();
    for (const TPrinterInfo& info : FPrinters)
        FPrinterList->addItem(info.Name);
    FPrinterList->setCurrentIndex(DefaultPrinterIndex(FPrinters));
    for (const TGraphPreset& preset : FLayout.Presets())
        FPresetList->addItem(preset.Name);

    connect(FPrinterList, &QComboBox::currentIndexChanged, this, [this] {
        if (!FLoading) ChoosePrinter();
    });
    connect(FPaperList, &QComboBox::activated, this, &TPrintPreviewForm::ChoosePrinter);
    connect(FFeedList, &QComboBox::activated, this, &TPrintPreviewForm::ChoosePrinter);
    connect(FPortrait, &QRadioButton::clicked, this, &TPrintPreviewForm::ChoosePrinter);
    connect(FLandscape, &QRadioButton::clicked, this, &TPrintPreviewForm::ChoosePrinter);
    connect(FProperties, &QPushButton::clicked, this, &TPrintPreviewForm::PrinterProperties);
    connect(marginsButton, &QPushButton::clicked, this, &TPrintPreviewForm::EditMargins);
    connect(FKeep, &QCheckBox::clicked, this, [this](bool keep) {
        FLayout.SetKeepProportions(keep);
        ShowPresetChoice();
        FPreview->Refresh();
    });
    connect(FUnitList, &QComboBox::currentIndexChanged, this, [this](int unit) {
        FLayout.Unit = TPrintUnit(unit);
        ShowArea();
        FPreview->Refresh();
    });
    connect(FSchemes, &QButtonGroup::idClicked, this, [this] {
        ChooseScheme();
        FPreview->Refresh();
    });
    connect(FPresetList, &QListWidget::currentRowChanged, this, &TPrintPreviewForm::PresetChosen);
    connect(FSavePreset, &QPushButton::clicked, this, &TPrintPreviewForm::SavePreset);
    connect(FDeletePreset, &QPushButton::clicked, this, &TPrintPreviewForm::DeletePreset);
    connect(FPreview, &TPrintPreview::AreaDragged, this, [this] {
        ShowArea();
        ShowPresetChoice();
    });
    connect(FPrint, &QPushButton::clicked, this, &TPrintPreviewForm::Print);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

TPrintPreviewForm::~TPrintPreviewForm() = default;

bool TPrintPreviewForm::ShowsFigure() const {
    return FShowFigure->isChecked();
}
bool TPrintPreviewForm::ShowsBorder() const {
    return FShowBorder->isChecked();
}
bool TPrintPreviewForm::ShowsMargins() const {
    return FShowMargins->isChecked();
}

double TPrintPreviewForm::WindowAspect() const {
    if (!FWindow) return 0;
    const TRect client = FWindow->ClientRect();
    return client.Height() > 0 ? double(client.Width()) / client.Height() : 0;
}

TPrinterInfo* TPrintPreviewForm::ChosenPrinter() {
    const int index = FPrinterList->currentIndex();
    return index >= 0 && index < int(FPrinters.size()) ? &FPrinters[index] : nullptr;
}

void TPrintPreviewForm::ChoosePrinter() {
    TPrinterInfo* printer = ChosenPrinter();
    FLoading = true;
    FProperties->setEnabled(printer);
    FPrint->setEnabled(printer);
    if (!printer) {
        for (QLabel* label : {FType, FPort, FDescription})
            label->clear();
        FPaperList->clear();
        FFeedList->clear();
        FLayout.SetPaper(0, 0, FLandscape->isChecked());
    } else {
        FType->setText(printer->Type);
        FPort->setText(printer->Port);
        FDescription->setText(printer->Description);
        // The printer takes what the dialog shows where it can; the dialog then shows what it took.
        QPrinter& settings = *printer->Settings;
        settings.setPageOrientation(FLandscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait);
        for (const TPrintForm& form : printer->Forms)
            if (form.Name == FPaperList->currentText()) {
                settings.setPageSize(form.Size);
                break;
            }
        if (FFeedList->currentIndex() >= 0)
            settings.setPaperSource(QPrinter::PaperSource(FFeedList->currentData().toInt()));
        ReadBackSettings(*printer);
    }
    FLoading = false;
    ShowArea();
    ShowPresetChoice();
    FPreview->Refresh();
}

void TPrintPreviewForm::ReadBackSettings(TPrinterInfo& printer) {
    const QPrinter& settings = *printer.Settings;
    // A size chosen in the page setup dialog that the list does not have yet joins it.
    const QPageSize current = settings.pageLayout().pageSize();
    if (CurrentFormIndex(printer) < 0 && current.isValid()) printer.Forms.append(PrintFormFor(current));
    const bool landscape = settings.pageLayout().orientation() == QPageLayout::Landscape;
    (landscape ? FLandscape : FPortrait)->setChecked(true);
    FPaperList->clear();
    for (const TPrintForm& form : printer.Forms)
        FPaperList->addItem(form.Name);
    const int form = CurrentFormIndex(printer);
    FPaperList->setCurrentIndex(form);
    FFeedList->clear();
    for (const TPrintBin& bin : printer.Bins)
        FFeedList->addItem(bin.Name, int(bin.Number));
    FFeedList->setCurrentIndex(std::max(0, FFeedList->findData(int(settings.paperSource()))));
    if (form >= 0)
        FLayout.SetPaper(printer.Forms[form].Width, printer.Forms[form].Height, landscape);
    else
        FLayout.SetPaper(0, 0, landscape);
}

void TPrintPreviewForm::PrinterProperties() {
    TPrinterInfo* printer = ChosenPrinter();
    if (!printer) return;
    QPageSetupDialog dialog(printer->Settings.get(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    FLoading = true;
    ReadBackSettings(*printer);
    FLoading = false;
    FLayout.ApplyPreset();
    ShowArea();
    ShowPresetChoice();
    FPreview->Refresh();
}

void TPrintPreviewForm::ChooseScheme() {
    if (FWindow) MakeExportScheme(*FWindow, FSchemes->checkedId(), FScheme);
}

void TPrintPreviewForm::ShowArea() {
    for (int field = 0; field < 4; ++field)
        FAreaBoxes[field]->setText(FLayout.AreaText(TAreaField(field)));
}

void TPrintPreviewForm::ShowPresetChoice() {
    FLoading = true;
    FPresetList->setCurrentRow(FLayout.ChosenPreset());
    if (FLayout.ChosenPreset() < 0) FPresetList->clearSelection();
    FLoading = false;
    FKeep->setChecked(FLayout.KeepProportions());
    FSavePreset->setEnabled(FLayout.CanSavePreset());
    FDeletePreset->setEnabled(FLayout.CanDeletePreset());
}

void TPrintPreviewForm::AreaTyped(TAreaField field, const QString& text) {
    if (!FLayout.SetAreaText(field, text)) return;
    ShowPresetChoice();
    FPreview->Refresh();
}

void TPrintPreviewForm::PresetChosen(int row) {
    if (FLoading) return;
    FLayout.ChoosePreset(row);
    ShowArea();
    ShowPresetChoice();
    FPreview->Refresh();
}

void TPrintPreviewForm::SavePreset() {
    for (;;) {
        const std::optional<QString> name = AskName(u"Введите имя для данного относительного положения:"_s);
        if (!name) return;
        if (FLayout.FindPreset(*name) >= 0) {
            const QMessageBox::StandardButton answer =
                Ask(u"Внимание"_s, printmsg::ReplaceEntry(*name),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            if (answer == QMessageBox::Cancel) continue;
            if (answer != QMessageBox::Yes) return;
        }
        const std::optional<TGraphPreset> preset = FLayout.PresetFromArea(*name);
        if (!preset) {
            ShowMessage(printmsg::NoRoomForPreset());
            return;
        }
        FLayout.SavePreset(*preset);
        FLoading = true;
        if (FPresetList->count() < FLayout.Presets().size()) FPresetList->addItem(preset->Name);
        FLoading = false;
        ShowPresetChoice();
        return;
    }
}

void TPrintPreviewForm::DeletePreset() {
    const int index = FLayout.ChosenPreset();
    if (!FLayout.CanDeletePreset() ||
        Ask(u"Предупреждение"_s, printmsg::DeletePreset(FLayout.Presets()[index].Name),
            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    FLayout.DeletePreset(index);
    FLoading = true;
    delete FPresetList->takeItem(index);
    FLoading = false;
    ShowPresetChoice();
}

void TPrintPreviewForm::EditMargins() {
    TPrinterInfo* printer = ChosenPrinter();
    const std::optional<TPaperMargins> margins =
        FMargins->Execute(printer ? UnprintableMargins(*printer->Settings) : QMarginsF());
    if (!margins) return;
    FLayout.SetMargins(*margins);
    ShowArea();
    ShowPresetChoice();
    FPreview->Refresh();
}

bool TPrintPreviewForm::Print() {
    TPrinterInfo* printer = ChosenPrinter();
    if (!printer || !FWindow) return false;
    if (const QString problem = FLayout.PrintProblem(); !problem.isEmpty()) {
        ShowMessage(problem);
        return false;
    }
    const TPrintQuestion ask = [this](const QString& text) {
        return Ask(u"Внимание"_s, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    QString error;
    bool printed = false;
    if (printer->IsPdf) {
        const QString fileName = ChoosePdfFile();
        if (fileName.isEmpty()) return false;
        printed = PrintFigureToPdf(*printer->Settings, fileName, *FWindow, FLayout, FScheme, ask, &error);
    } else {
        printed = PrintFigure(*printer->Settings, *FWindow, FLayout, FScheme, ask, &error);
    }
    if (!printed) {
        if (!error.isEmpty()) ShowMessage(error);
        return false;
    }
    accept();
    return true;
}

void TPrintPreviewForm::OpenFor(TSuperGrWindow& window) {
    FWindow = &window;
    ChooseScheme();
    ChoosePrinter();
}

bool TPrintPreviewForm::ExecFor(TSuperGrWindow& window) {
    OpenFor(window);
    const bool printed = exec() == QDialog::Accepted;
    FWindow = nullptr;
    return printed;
}

// ---------------------------------------------------------------------------------------------

TPrintPreviewForm& TSuperPrintDialog::Form() {
    if (!FForm) FForm = new TPrintPreviewForm(FParent);
    return *FForm;
}

bool TSuperPrintDialog::Execute(TSuperGrWindow* window) {
    if (!window) return false;
    const TRect client = window->ClientRect();
    if (client.Width() <= 0 || client.Height() <= 0) return false;
    return Form().ExecFor(*window);
}
