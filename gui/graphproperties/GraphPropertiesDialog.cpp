#include "gui/graphproperties/GraphPropertiesDialog.h"

#include "gui/symboleditor/SymbolEditorDialog.h"
#include "gui/widgets/StoredTextGuard.h"
#include "model/Colors.h"
#include "model/DrawAdapter.h"
#include "model/GraphDraw.h"
#include "model/Symbol.h"
#include "window/SuperGrWindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QCursor>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace {
using P = TGraphProperties;

constexpr int MarkerSymbols = 13;
constexpr int LineWidths = 9;
constexpr int LineStyles = 6;
constexpr int PositionRange = 2000;

QColor ToQColor(TColor c) {
    return TDrawAdapter::ToQColor(ColorToRGB(c));
}

TColor FromQColor(const QColor& c) {
    return TColor(c.red() | c.green() << 8 | c.blue() << 16);
}

// A designation's symbol, fitted into the whole box: black while enabled, silver while not. A click
// while enabled opens the symbol editor.
class TSymbolPreview : public QWidget {
public:
    TSymbol Symbol;
    std::function<void()> OnClick;
    TSymbolPreview() {
        setMinimumSize(120, 40);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().base());
        painter.setPen(palette().mid().color());
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        TDrawAdapter dc(painter);
        DrawSymbol(dc, {2, 2, width() - 2, height() - 2}, Symbol, 0, true, isEnabled() ? clBlack : clSilver);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && OnClick) OnClick();
    }
};
} // namespace

QPixmap ColorSwatchPicture(TColor color, QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(ToQColor(color));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, size.width() - 1, size.height() - 1);
    return pixmap;
}

QPixmap MarkerSymbolPicture(int symbol, QSize size, const QColor& pen, const QColor& background) {
    QPixmap pixmap(size);
    pixmap.fill(background);
    QPainter painter(&pixmap);
    TDrawAdapter dc(painter);
    TMarkerGlyphStyle style;
    style.PenColor = style.Fill = style.TextColor = FromQColor(pen);
    style.Hollow = FromQColor(background);
    style.Font = painter.font();
    DrawMarkerGlyph(dc, size.width() / 2, size.height() / 2, symbol, QStringLiteral("N"), style);
    return pixmap;
}

QPixmap LineStylePicture(int style, QSize size, const QColor& pen, const QColor& background) {
    QPixmap pixmap(size);
    pixmap.fill(background);
    QPainter painter(&pixmap);
    const int middle = size.height() / 2 - 1;
    if (style < 5) {
        static const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                              Qt::DashDotDotLine};
        painter.setPen(QPen(pen, 1, styles[style]));
        painter.drawLine(3, middle, size.width() - 4, middle);
    } else {
        painter.setPen(pen);
        painter.setBrush(pen);
        for (int i = 0; i < 6; ++i)
            painter.drawRect(3 + i * (size.width() - 8) / 5 - 1, middle - 1, 2, 2);
    }
    return pixmap;
}

TGraphPropertiesDialog::TGraphPropertiesDialog(TSuperGrWindow& window, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint), FWindow(window),
      FModel(window) {
    setWindowTitle(QStringLiteral(" Свойства графика "));

    FChooser = new QComboBox;
    FChooser->setIconSize(QSize(40, 12));
    FChooser->setMinimumWidth(260);
    FPrevious = new QToolButton;
    FPrevious->setArrowType(Qt::LeftArrow);
    FNext = new QToolButton;
    FNext->setArrowType(Qt::RightArrow);
    FInfo = new QPushButton(QStringLiteral("i"));
    FInfo->setFixedWidth(28);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("График")));
    top->addWidget(FChooser, 1);
    top->addWidget(FPrevious);
    top->addWidget(FNext);
    top->addWidget(FInfo);

    FPages = new QTabWidget;
    FPages->addTab(CreateViewPage(), QStringLiteral("Вид"));
    FPages->addTab(CreateScalePage(), QStringLiteral("Масштаб и смещение"));
    FPages->addTab(CreateDesignationPage(0), QStringLiteral("Обозначения по оси X"));
    FPages->addTab(CreateDesignationPage(1), QStringLiteral("Обозначения по оси Y"));

    auto* apply = new QPushButton(QStringLiteral("Применить"));
    auto* cancel = new QPushButton(QStringLiteral("Отмена"));
    apply->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(apply);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(FPages);
    layout->addLayout(buttons);

    connect(FChooser, &QComboBox::activated, this, [this](int index) {
        FModel.Choose(index);
        LoadFromGraph();
    });
    connect(FPrevious, &QToolButton::clicked, this, [this] {
        FModel.Step(-1);
        LoadFromGraph();
    });
    connect(FNext, &QToolButton::clicked, this, [this] {
        FModel.Step(1);
        LoadFromGraph();
    });
    connect(FInfo, &QPushButton::clicked, this,
            [this] { LeaveFor([this, index = FModel.GraphIndex()] { ShowStatistics(index); }); });
    connect(apply, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::accepted, this, [this] { FModel.Apply(); });
    // Cancel undoes the visit, unless the dialog was left with its changes kept.
    connect(this, &QDialog::rejected, this, [this] {
        if (!FLeft) FModel.Cancel();
    });
}

QWidget* TGraphPropertiesDialog::CreateViewPage() {
    auto* page = new QWidget;
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(QStringLiteral("Имя")));
    nameRow->addWidget(BoundText(P::Name));

    auto* markers = new QGroupBox(QStringLiteral(" маркеры "));
    auto* m = new QGridLayout(markers);
    m->addWidget(new QLabel(QStringLiteral("цвет")), 0, 0);
    m->addWidget(ColorButton(P::MarkerColor), 0, 1);
    m->addWidget(BoundCheck(QStringLiteral("сохранять цвет графика"), P::MarkerKeepColor), 0, 2, 1, 2);
    FMarkerKind = new QButtonGroup(this);
    auto* text = new QRadioButton(QStringLiteral("текст"));
    auto* symbol = new QRadioButton(QStringLiteral("символ"));
    FMarkerKind->addButton(text, 0);
    FMarkerKind->addButton(symbol, 1);
    FMarkerText = BoundText(P::MarkerText);
    FMarkerTextMenu = new QToolButton;
    FMarkerTextMenu->setText(QStringLiteral("..."));
    FSymbols = new QComboBox;
    FSymbols->setIconSize(QSize(20, 16));
    for (int s = 1; s <= MarkerSymbols; ++s)
        FSymbols->addItem(
            QIcon(MarkerSymbolPicture(s, QSize(20, 16), palette().text().color(), palette().base().color())),
            QString::number(s));
    m->addWidget(text, 1, 0);
    m->addWidget(FMarkerText, 1, 1, 1, 2);
    m->addWidget(FMarkerTextMenu, 1, 3);
    m->addWidget(symbol, 2, 0);
    m->addWidget(FSymbols, 2, 1, 1, 2);
    m->addWidget(BoundCheck(QStringLiteral("отображать"), P::MarkersVisible), 3, 0, 1, 2);
    FPlace = new QPushButton(QStringLiteral("Расставить маркеры..."));
    auto* remove = new QPushButton(QStringLiteral("Удалить все маркеры"));
    m->addWidget(FPlace, 4, 0, 1, 2);
    m->addWidget(remove, 4, 2, 1, 2);

    auto* graph = new QGroupBox(QStringLiteral(" график "));
    auto* g = new QGridLayout(graph);
    FLayer = new QComboBox;
    FWidth = new QComboBox;
    FWidth->addItem(QStringLiteral("T"));
    for (int w = 1; w < LineWidths; ++w)
        FWidth->addItem(QString::number(w));
    FStyle = new QComboBox;
    FStyle->setIconSize(QSize(40, 16));
    for (int s = 0; s < LineStyles; ++s)
        FStyle->addItem(
            QIcon(LineStylePicture(s, QSize(40, 16), palette().text().color(), palette().base().color())),
            QString());
    FWidthScale = new QLineEdit;
    auto* scaleUp = new QToolButton;
    scaleUp->setArrowType(Qt::UpArrow);
    auto* scaleDown = new QToolButton;
    scaleDown->setArrowType(Qt::DownArrow);
    auto* scaleRow = new QHBoxLayout;
    scaleRow->addWidget(FWidthScale);
    scaleRow->addWidget(scaleUp);
    scaleRow->addWidget(scaleDown);
    g->addWidget(new QLabel(QStringLiteral("слой")), 0, 0);
    g->addWidget(FLayer, 0, 1);
    g->addWidget(new QLabel(QStringLiteral("цвет")), 1, 0);
    g->addWidget(ColorButton(P::Color), 1, 1);
    g->addWidget(new QLabel(QStringLiteral("толщина")), 2, 0);
    g->addWidget(FWidth, 2, 1);
    g->addWidget(new QLabel(QStringLiteral("стиль")), 3, 0);
    g->addWidget(FStyle, 3, 1);
    g->addWidget(new QLabel(QStringLiteral("масштаб")), 4, 0);
    g->addLayout(scaleRow, 4, 1);
    g->addWidget(BoundCheck(QStringLiteral("отображать"), P::Visible), 0, 2);
    g->addWidget(BoundCheck(QStringLiteral("выбрать"), P::Selected), 1, 2);
    g->addWidget(BoundCheck(QStringLiteral("показать узлы"), P::ShowNodes), 2, 2);

    auto* gaps = new QGroupBox(QStringLiteral(" разрывы "));
    auto* b = new QGridLayout(gaps);
    FGap = new QCheckBox(QStringLiteral("Не отображать разрыв больше"));
    FBreakLimit = new QLineEdit;
    FGapChoice = new QButtonGroup(this);
    const QString modes[] = {QStringLiteral("По оси Y"), QStringLiteral("По оси X"),
                             QStringLiteral("По длине")};
    b->addWidget(FGap, 0, 0, 1, 2);
    b->addWidget(FBreakLimit, 0, 2);
    for (int mode = 0; mode < 3; ++mode) {
        auto* button = new QRadioButton(modes[mode]);
        FGapChoice->addButton(button, mode);
        b->addWidget(button, 1, mode);
    }

    auto* layout = new QGridLayout(page);
    layout->addLayout(nameRow, 0, 0, 1, 2);
    layout->addWidget(markers, 1, 0);
    layout->addWidget(graph, 1, 1);
    layout->addWidget(gaps, 2, 0, 1, 2);

    connect(FMarkerKind, &QButtonGroup::idClicked, this, [this](int id) {
        Change([this, id] { id == 0 ? FModel.ChooseTextMarker() : FModel.ChooseSymbolMarker(); });
    });
    connect(FSymbols, &QComboBox::activated, this,
            [this](int entry) { Change([this, entry] { FModel.ChooseSymbolEntry(entry); }); });
    auto* textMenu = new QMenu(this);
    connect(textMenu->addAction(QStringLiteral("Вставить имя графика")), &QAction::triggered, this,
            [this] { Change([this] { FModel.InsertNameAsMarkerText(); }); });
    connect(textMenu->addAction(QStringLiteral("Вставить номер слоя")), &QAction::triggered, this,
            [this] { Change([this] { FModel.InsertLayerAsMarkerText(); }); });
    connect(FMarkerTextMenu, &QToolButton::pressed, this, [this, textMenu] {
        FMarkerTextMenu->setDown(false);
        textMenu->exec(QCursor::pos());
    });
    connect(FPlace, &QPushButton::clicked, this, [this] {
        const TGraph* graphToMark = FModel.Graph();
        if (!graphToMark) return;
        const int32_t id = graphToMark->ID;
        LeaveFor([this, id, mouse = QCursor::pos()] {
            if (TGraph* marked = FWindow.GraphByID(id)) PlaceMarkers(*marked, mouse);
        });
    });
    connect(remove, &QPushButton::clicked, this, [this] { Change([this] { FModel.DeleteAllMarkers(); }); });
    connect(FLayer, &QComboBox::activated, this,
            [this](int layer) { Change([this, layer] { FModel.SetLayer(layer); }); });
    connect(FWidth, &QComboBox::activated, this,
            [this](int width) { Change([this, width] { FModel.Set(P::LineWidth, int32_t(width)); }); });
    connect(FStyle, &QComboBox::activated, this,
            [this](int style) { Change([this, style] { FModel.Set(P::LineStyle, int32_t(style)); }); });
    connect(FWidthScale, &QLineEdit::textEdited, this, [this](const QString& t) {
        if (!FLoading) FModel.SetWidthScaleText(t);
    });
    // A step shows the stored value even while the text has the focus.
    const auto step = [this](int steps) {
        Change([this, steps] { FModel.StepWidthScale(steps); });
        FWidthScale->setText(FModel.Load().WidthScaleText);
    };
    connect(scaleUp, &QToolButton::clicked, this, [step] { step(1); });
    connect(scaleDown, &QToolButton::clicked, this, [step] { step(-1); });
    connect(FGap, &QCheckBox::toggled, this,
            [this](bool on) { Change([this, on] { FModel.SetGap(on, FGapChoice->checkedId()); }); });
    connect(FGapChoice, &QButtonGroup::idClicked, this,
            [this](int mode) { Change([this, mode] { FModel.SetGap(true, mode); }); });
    connect(FBreakLimit, &QLineEdit::textEdited, this, [this](const QString& t) {
        if (!FLoading && !FModel.SetBreakLimitText(t))
            QMessageBox::warning(this, windowTitle(), QStringLiteral("Нужно ввести вещественное число!"));
    });
    return page;
}

QWidget* TGraphPropertiesDialog::CreateScalePage() {
    using TView = TGraphPropertiesView;
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* ratioRow = new QHBoxLayout;
    ratioRow->addWidget(PlainCheck(
        QStringLiteral("зафиксировать соотношение масштабов по осям X и Y (Mx/My)"),
        [this](bool on) { FModel.SetFixedRatio(on); }, [](const TView& v) { return v.FixedRatio; }));
    FRatioPicture = new QLabel(QStringLiteral("Mx/My"));
    FRatioPicture->setFrameShape(QFrame::Box);
    ratioRow->addWidget(FRatioPicture);
    ratioRow->addStretch(1);
    layout->addLayout(ratioRow);
    const struct {
        const char* Caption;
        TPermission Which;
    } permissions[] = {{"разрешить сдвиг по оси X", TPermission::ShiftX},
                       {"разрешить сдвиг по оси Y", TPermission::ShiftY},
                       {"масштабировать по оси X", TPermission::ScaleX},
                       {"масштабировать по оси Y", TPermission::ScaleY}};
    for (const auto& p : permissions)
        layout->addWidget(PlainCheck(
            QString::fromUtf8(p.Caption),
            [this, which = p.Which](bool on) { FModel.SetPermission(which, on); },
            [which = int(p.Which)](const TView& v) { return v.Permissions[which]; }));
    layout->addWidget(PlainCheck(
        QStringLiteral("логарифмический масштаб по оси X"), [this](bool on) { FModel.SetLog(TAxis::X, on); },
        [](const TView& v) { return v.LogX; }));
    layout->addWidget(PlainCheck(
        QStringLiteral("логарифмический масштаб по оси Y"), [this](bool on) { FModel.SetLog(TAxis::Y, on); },
        [](const TView& v) { return v.LogY; }));
    layout->addWidget(BoundCheck(QStringLiteral("Аргумент в формате дата/время "), P::DateTimeArg));
    FBinding =
        new QPushButton(QStringLiteral("Синхронизировать масштаб и смещение графика с другими графиками..."));
    connect(FBinding, &QPushButton::clicked, this, [this] { LeaveFor([this] { BindGraphs(); }); });
    layout->addWidget(FBinding);
    layout->addStretch(1);
    return page;
}

QWidget* TGraphPropertiesDialog::CreateDesignationPage(int axis) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    FAxisShow[axis] =
        new QCheckBox(axis == 0 ? QStringLiteral("Отображать обозначение данных и размерности по оси X")
                                : QStringLiteral("Отображать обозначение данных и размерности по оси Y"));
    layout->addWidget(FAxisShow[axis]);
    connect(FAxisShow[axis], &QCheckBox::toggled, this,
            [this, axis] { Change([this, axis] { StoreAxisDesignations(axis); }); });
    auto* groups = new QHBoxLayout;
    for (int part = 0; part < 2; ++part) {
        const TDesignation d = TDesignation(axis * 2 + part);
        TDesignationControls& c = FDesignations[d];
        c.Group = new QGroupBox(part == 0 ? QStringLiteral(" представление данных ")
                                          : QStringLiteral(" представление размерности "));
        auto* grid = new QGridLayout(c.Group);
        auto* kind = new QButtonGroup(this);
        c.Textual = new QRadioButton(QStringLiteral("текстовое"));
        c.Symbolic = new QRadioButton(QStringLiteral("символьное"));
        kind->addButton(c.Textual);
        kind->addButton(c.Symbolic);
        auto* preview = new TSymbolPreview;
        preview->OnClick = [this, d, preview] {
            if (!FSymbolEditor) FSymbolEditor = new TSymbolEditorDialog(this);
            TSymbol symbol = preview->Symbol;
            if (FSymbolEditor->Execute(symbol))
                Change([this, d, symbol] { FModel.Set(P::DesignationSymbol, symbol, d); });
        };
        c.Preview = preview;
        c.Vertical = new QSpinBox;
        c.Horizontal = new QSpinBox;
        for (QSpinBox* box : {c.Vertical, c.Horizontal})
            box->setRange(-PositionRange, PositionRange);
        grid->addWidget(c.Textual, 0, 0);
        grid->addWidget(BoundText(P::DesignationText, d), 0, 1);
        grid->addWidget(c.Symbolic, 1, 0);
        grid->addWidget(c.Preview, 1, 1);
        grid->addWidget(new QLabel(QStringLiteral("положение по вертикали")), 2, 0);
        grid->addWidget(c.Vertical, 2, 1);
        grid->addWidget(new QLabel(QStringLiteral("положение по горизонтали")), 3, 0);
        grid->addWidget(c.Horizontal, 3, 1);
        grid->addWidget(BoundFlag(QStringLiteral("Вертикально"), P::DesignationVertical, d), 4, 0, 1, 2);
        groups->addWidget(c.Group);
        connect(kind, &QButtonGroup::buttonClicked, this,
                [this, axis] { Change([this, axis] { StoreAxisDesignations(axis); }); });
        connect(c.Vertical, &QSpinBox::valueChanged, this, [this, d](int position) {
            Change([this, d, position] { FModel.SetDesignationPosition(d, false, position); });
        });
        connect(c.Horizontal, &QSpinBox::valueChanged, this, [this, d](int position) {
            Change([this, d, position] { FModel.SetDesignationPosition(d, true, position); });
        });
    }
    layout->addLayout(groups);
    layout->addStretch(1);
    return page;
}

QCheckBox* TGraphPropertiesDialog::BoundCheck(const QString& caption, const TGraphProperty<bool>& p) {
    auto* box = new QCheckBox(caption);
    FChecks.append({box, &p, 0});
    connect(box, &QCheckBox::toggled, this,
            [this, &p](bool on) { Change([this, &p, on] { FModel.Set(p, on); }); });
    return box;
}

QCheckBox* TGraphPropertiesDialog::BoundFlag(const QString& caption, const TGraphProperty<uint8_t>& p,
                                             int index) {
    auto* box = new QCheckBox(caption);
    FFlags.append({box, &p, index});
    connect(box, &QCheckBox::toggled, this, [this, &p, index](bool on) {
        Change([this, &p, index, on] { FModel.Set(p, uint8_t(on), index); });
    });
    return box;
}

QLineEdit* TGraphPropertiesDialog::BoundText(const TGraphProperty<QString>& p, int index) {
    auto* edit = new QLineEdit;
    GuardStoredText(edit);
    FTexts.append({edit, &p, index});
    connect(edit, &QLineEdit::textEdited, this, [this, &p, index](const QString& t) {
        Change([this, &p, index, t] { FModel.Set(p, t, index); });
    });
    return edit;
}

QCheckBox* TGraphPropertiesDialog::PlainCheck(const QString& caption, const std::function<void(bool)>& store,
                                              const std::function<bool(const TGraphPropertiesView&)>& shows) {
    auto* box = new QCheckBox(caption);
    FPlainChecks.append({box, shows});
    connect(box, &QCheckBox::toggled, this, [this, store](bool on) { Change([store, on] { store(on); }); });
    return box;
}

QPushButton* TGraphPropertiesDialog::ColorButton(const TGraphProperty<TColor>& p) {
    auto* button = new QPushButton;
    button->setIconSize(QSize(28, 14));
    button->setFixedWidth(44);
    FColors.append({button, &p, 0});
    connect(button, &QPushButton::clicked, this, [this, &p] { ChooseColor(p); });
    return button;
}

void TGraphPropertiesDialog::ChooseColor(const TGraphProperty<TColor>& p) {
    if (!FModel.Graph()) return;
    const QColor chosen = QColorDialog::getColor(ToQColor(FModel.Value(p)), this);
    if (!chosen.isValid()) return;
    Change([this, &p, chosen] { FModel.Set(p, FromQColor(chosen)); });
}

void TGraphPropertiesDialog::Change(const std::function<void()>& store) {
    if (FLoading) return;
    store();
    LoadFromGraph();
}

void TGraphPropertiesDialog::StoreAxisDesignations(int axis) {
    FModel.SetAxisDesignations(axis, FAxisShow[axis]->isChecked(),
                               FDesignations[axis * 2].Textual->isChecked(),
                               FDesignations[axis * 2 + 1].Textual->isChecked());
}

void TGraphPropertiesDialog::FillChooser() {
    FChooser->clear();
    for (int i = 0; i < FWindow.GraphCount(); ++i) {
        const TGraph* g = FWindow.GraphByIndex(i);
        FChooser->addItem(QIcon(ColorSwatchPicture(g->Color(), QSize(40, 12))), g->Name());
    }
}

void TGraphPropertiesDialog::LoadFromGraph() {
    if (!FModel.FollowGraphList()) { // no graph left to show
        LeaveFor(nullptr);
        return;
    }
    FLoading = true;
    const TGraphPropertiesView v = FModel.Load();
    setWindowTitle(v.Caption);
    FillChooser();
    FChooser->setCurrentIndex(v.GraphIndex);
    FPrevious->setEnabled(FModel.CanStep(-1));
    FNext->setEnabled(FModel.CanStep(1));
    for (const auto& b : FChecks)
        static_cast<QCheckBox*>(b.Control)->setChecked(FModel.Value(*b.Property, b.Index));
    for (const auto& b : FFlags)
        static_cast<QCheckBox*>(b.Control)->setChecked(FModel.Value(*b.Property, b.Index) != 0);
    for (const auto& b : FTexts) {
        auto* edit = static_cast<QLineEdit*>(b.Control);
        if (edit->text() != FModel.Value(*b.Property, b.Index))
            edit->setText(FModel.Value(*b.Property, b.Index));
    }
    for (const auto& b : FColors)
        static_cast<QPushButton*>(b.Control)->setIcon(
            ColorSwatchPicture(FModel.Value(*b.Property), QSize(28, 14)));
    for (const auto& [box, value] : FPlainChecks)
        box->setChecked(value(v));
    FMarkerKind->button(v.SymbolMarker ? 1 : 0)->setChecked(true);
    FSymbols->setCurrentIndex(v.SymbolEntry);
    FSymbols->setEnabled(v.SymbolListEnabled);
    FMarkerText->setEnabled(v.MarkerTextEnabled);
    FMarkerTextMenu->setEnabled(v.MarkerTextEnabled);
    FLayer->clear();
    for (int layer = 0; layer < v.LayerCount; ++layer)
        FLayer->addItem(QString::number(layer));
    FLayer->setCurrentIndex(v.Layer);
    FWidth->setCurrentIndex(FModel.Value(P::LineWidth));
    FStyle->setCurrentIndex(std::min(FModel.Value(P::LineStyle), LineStyles - 1));
    if (!FWidthScale->hasFocus()) FWidthScale->setText(v.WidthScaleText);
    if (!FBreakLimit->hasFocus()) FBreakLimit->setText(v.BreakLimitText);
    FGap->setChecked(v.GapOn);
    FGapChoice->button(v.GapChoice)->setChecked(true);
    FBreakLimit->setEnabled(v.GapControlsEnabled);
    for (QAbstractButton* button : FGapChoice->buttons())
        button->setEnabled(v.GapControlsEnabled);
    FRatioPicture->setVisible(v.FixedRatio);
    for (int axis = 0; axis < 2; ++axis)
        FAxisShow[axis]->setChecked(v.AxisShown[axis]);
    const TGraph* g = FModel.Graph();
    for (int d = 0; d < 4; ++d) {
        TDesignationControls& c = FDesignations[d];
        const TGrSymRecord& rec = g->Designation(TDesignation(d));
        c.Group->setEnabled(v.AxisShown[d / 2]);
        (rec.IsText ? c.Textual : c.Symbolic)->setChecked(true);
        static_cast<TSymbolPreview*>(c.Preview)->Symbol = rec.Symbol;
        c.Preview->setEnabled(v.DesignationSymbolEnabled[d]);
        c.Preview->update();
        c.Vertical->setValue(std::clamp(v.PositionY[d], -PositionRange, PositionRange));
        c.Horizontal->setValue(std::clamp(v.PositionX[d], -PositionRange, PositionRange));
    }
    for (const auto& b : FTexts)
        if (b.Property == &P::DesignationText) b.Control->setEnabled(v.DesignationTextEnabled[b.Index]);
    FLoading = false;
}

bool TGraphPropertiesDialog::ExecFor(int graphIndex) {
    if (!FModel.Open(graphIndex)) return false;
    FAfterClose = nullptr;
    FLeft = false;
    FInfo->setEnabled(bool(ShowStatistics));
    FPlace->setEnabled(bool(PlaceMarkers));
    FBinding->setEnabled(bool(BindGraphs));
    FPages->setCurrentIndex(0);
    LoadFromGraph();
    const bool applied = exec() == QDialog::Accepted;
    if (std::function<void()> then = std::exchange(FAfterClose, nullptr)) then();
    return applied;
}

void TGraphPropertiesDialog::LeaveFor(std::function<void()> then) {
    FModel.Leave();
    FLeft = true;
    FAfterClose = std::move(then);
    reject();
}

void TGraphPropertiesDialog::keyPressEvent(QKeyEvent* event) {
    // Enter applies wherever the focus is, Escape cancels.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
