#include "gui/legend/LegendDialog.h"

#include "gui/widgets/StoredTextGuard.h"
#include "model/DrawAdapter.h"
#include "model/FontMetrics.h"
#include "model/Graph.h"
#include "tools/LegendModel.h"
#include "window/SuperGrWindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kRowHeight = 16;
constexpr int kCustomColour = -1;

struct TNamedColour {
    const char* Name;
    TColor Color;
};

// Standard, extended and system colours with their names; a custom colour follows them.
const TNamedColour kColours[] = {
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clWindow", clWindow},
    {"clWindowText", clWindowText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clBtnText", clBtnText},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clInfoBk", clInfoBk},
    {"clInfoText", clInfoText},
    {"clBackground", clBackground},
    {"clScrollBar", clScrollBar},
    {"clHotLight", clHotLight},
};

QIcon Swatch(TColor color) {
    QPixmap pixmap(16, 12);
    pixmap.fill(TDrawAdapter::ToQColor(color));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 15, 11);
    return QIcon(pixmap);
}

// A frame with a block at the position's corner, edge or centre.
QIcon PositionIcon(int position) {
    QPixmap pixmap(22, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::darkGray);
    painter.drawRect(0, 0, 21, 15);
    const int column = position % 3, row = position / 3;
    painter.fillRect(2 + column * 6, 2 + row * 4, 6, 4, Qt::black);
    return QIcon(pixmap);
}

// Whether the graph is listed, and at 18 … 30 pixels a swatch of its colour.
QIcon ListedIcon(bool listed, TColor color) {
    QPixmap pixmap(2 * kRowHeight, kRowHeight);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(listed ? Qt::darkGreen : Qt::gray, 2));
    painter.drawRect(3, 3, 10, 10);
    if (listed) painter.drawPolyline(QPolygon({QPoint(5, 8), QPoint(8, 11), QPoint(12, 4)}));
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::black);
    painter.setBrush(TDrawAdapter::ToQColor(color));
    painter.drawRect(18, 2, 12, 12);
    return QIcon(pixmap);
}

// Column 0 shows its picture from the cell's own corner, as its swatch's place is measured from there.
class TListedDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
        painter->drawPixmap(option.rect.topLeft(), icon.pixmap(2 * kRowHeight, kRowHeight));
    }
};

void ShowColour(QComboBox* list, TColor color) {
    const int known = list->findData(int(color));
    if (known >= 0 && known < list->count() - 1) {
        list->setCurrentIndex(known);
        return;
    }
    const int custom = list->count() - 1;
    list->setItemIcon(custom, Swatch(color));
    list->setItemData(custom, int(color), Qt::UserRole + 1);
    list->setCurrentIndex(custom);
}

} // namespace

TLegendDialog::TLegendDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Легенда"));
    setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(this);

    show_ = new QCheckBox(QStringLiteral("Показывать легенду"));
    layout->addWidget(show_);
    connect(show_, &QCheckBox::toggled, this, [this](bool on) {
        if (!loading_) window_->SetShowLegend(on);
    });

    auto* top = new QHBoxLayout;
    auto* positionBox = new QGroupBox(QStringLiteral("Положение"));
    auto* positions = new QGridLayout(positionBox);
    position_ = new QButtonGroup(this);
    for (int p = 0; p < 9; ++p) {
        auto* button = new QToolButton;
        button->setCheckable(true);
        button->setIcon(PositionIcon(p));
        button->setIconSize({22, 16});
        position_->addButton(button, p);
        positions->addWidget(button, p / 3, p % 3);
    }
    connect(position_, &QButtonGroup::idClicked, this, [this](int p) {
        if (loading_) return;
        loading_ = true;
        offsetX_->setValue(0);
        offsetY_->setValue(0);
        loading_ = false;
        legend::ChoosePosition(*window_, p);
    });
    top->addWidget(positionBox);

    auto* offsetBox = new QGroupBox(QStringLiteral("Смещение"));
    auto* offsets = new QGridLayout(offsetBox);
    auto offsetField = [this](bool vertical) {
        auto* box = new QSpinBox;
        box->setRange(-legend::MaxOffset, legend::MaxOffset);
        // The box stores only whole numbers: a lone "-" or an empty box waits for the rest.
        connect(box, &QSpinBox::valueChanged, this, [this, vertical](int v) {
            if (!loading_) legend::ApplyOffsetText(*window_, vertical, QString::number(v));
        });
        connect(box, &QSpinBox::editingFinished, this, [this, vertical, box] {
            const QSignalBlocker quiet(box);
            box->setValue(legend::ShownOffset(*window_, vertical));
        });
        return box;
    };
    offsetX_ = offsetField(false);
    offsetY_ = offsetField(true);
    offsets->addWidget(new QLabel(QStringLiteral("по горизонтали")), 0, 0);
    offsets->addWidget(offsetX_, 0, 1);
    offsets->addWidget(new QLabel(QStringLiteral("по вертикали")), 1, 0);
    offsets->addWidget(offsetY_, 1, 1);
    fixed_ = new QCheckBox(QStringLiteral("Зафиксировать"));
    connect(fixed_, &QCheckBox::toggled, this, [this](bool on) {
        if (!loading_) window_->LegendFixed = on;
    });
    offsets->addWidget(fixed_, 2, 0, 1, 2);
    top->addWidget(offsetBox);

    auto* lookBox = new QGroupBox(QStringLiteral("Вид"));
    auto* look = new QGridLayout(lookBox);
    background_ = new QCheckBox(QStringLiteral("фон"));
    connect(background_, &QCheckBox::toggled, this, [this](bool on) {
        if (!loading_) window_->SetLegendBackground(on);
    });
    frame_ = new QCheckBox(QStringLiteral("рамка"));
    connect(frame_, &QCheckBox::toggled, this, [this](bool on) {
        if (!loading_) window_->SetLegendFrame(on);
    });
    backgroundColour_ = ColourList(TColorScheme::LegendBackgrnd);
    frameColour_ = ColourList(TColorScheme::LegendBorder);
    textColour_ = ColourList(TColorScheme::LegendText);
    borderWidth_ = new QSpinBox;
    borderWidth_->setRange(legend::MinBorderWidth, legend::MaxBorderWidth);
    borderWidth_->findChild<QLineEdit*>()->setReadOnly(true);
    connect(borderWidth_, &QSpinBox::valueChanged, this, [this](int v) {
        if (!loading_) window_->SetLegendBorderWidth(v);
    });
    columns_ = new QSpinBox;
    columns_->findChild<QLineEdit*>()->setReadOnly(true);
    connect(columns_, &QSpinBox::valueChanged, this, [this](int v) {
        if (!loading_) legend::SetColumns(*window_, v);
    });
    auto* font = new QPushButton(QStringLiteral("Шрифт"));
    connect(font, &QPushButton::clicked, this, &TLegendDialog::ChooseFont);
    look->addWidget(background_, 0, 0);
    look->addWidget(backgroundColour_, 0, 1);
    look->addWidget(frame_, 1, 0);
    look->addWidget(frameColour_, 1, 1);
    look->addWidget(font, 2, 0);
    look->addWidget(textColour_, 2, 1);
    look->addWidget(new QLabel(QStringLiteral("толщина рамки")), 0, 2);
    look->addWidget(borderWidth_, 0, 3);
    look->addWidget(new QLabel(QStringLiteral("число столбцов")), 1, 2);
    look->addWidget(columns_, 1, 3);
    top->addWidget(lookBox, 1);
    layout->addLayout(top);

    auto* graphsBox = new QGroupBox(QStringLiteral(" Графики, отображаемые в легенде "));
    auto* graphs = new QVBoxLayout(graphsBox);
    auto* tools = new QHBoxLayout;
    const std::pair<const char*, const char*> buttons[] = {
        {"все", "Выбрать все графики"},
        {"ни одного", "Отменить все графики"},
        {"обратить", "Изменить выбор"},
        {"нечётные", "Выбрать все нечётные графики"},
        {"чётные", "Выбрать все чётные графики"},
        {"1-я половина", "Выбрать первую половину графиков"},
        {"2-я половина", "Выбрать вторую половину графиков"}};
    for (int i = 0; i < int(std::size(buttons)); ++i) {
        auto* button = new QToolButton;
        button->setText(QString::fromUtf8(buttons[i].first));
        button->setToolTip(QString::fromUtf8(buttons[i].second));
        button->setAutoRaise(true);
        connect(button, &QToolButton::clicked, this, [this, i] {
            legend::Select(*window_, legend::TSelection(i));
            FillTable();
        });
        tools->addWidget(button);
    }
    tools->addStretch();
    graphs->addLayout(tools);
    table_ = new QTableWidget(0, 3);
    table_->setHorizontalHeaderLabels(
        {QString(), QStringLiteral("Имя"), QStringLiteral("Подпись в легенде")});
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(kRowHeight);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->setItemDelegateForColumn(0, new TListedDelegate(table_));
    table_->setItemDelegateForColumn(1, new TStoredTextDelegate(table_));
    table_->setItemDelegateForColumn(2, new TStoredTextDelegate(table_));
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(table_, &QTableWidget::cellClicked, this, [this](int row, int column) {
        if (column != 0) return;
        TGraph* graph = window_->GraphByIndex(row);
        if (!graph) return;
        graph->SetInLegend(!graph->InLegend());
        FillRow(row);
    });
    connect(table_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (loading_ || item->column() == 0) return;
        TGraph* graph = window_->GraphByIndex(item->row());
        if (!graph) return;
        if (item->column() == 1)
            graph->SetName(item->text());
        else
            graph->SetLegendText(item->text());
        FillRow(item->row()); // a name the window refuses or changes shows as kept
    });
    graphs->addWidget(table_);
    layout->addWidget(graphsBox, 1);

    auto* close = new QPushButton(QStringLiteral("Закрыть"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(close);
    layout->addLayout(bottom);
    resize(640, 480);
}

QComboBox* TLegendDialog::ColourList(int field) {
    auto* list = new QComboBox;
    for (const TNamedColour& c : kColours)
        list->addItem(Swatch(c.Color), QString::fromLatin1(c.Name), int(c.Color));
    list->addItem(Swatch(clWhite), QStringLiteral("Другой..."), kCustomColour);
    connect(list, &QComboBox::activated, this, [this, list, field](int index) {
        TColor color = TColor(list->itemData(index).toInt());
        if (index == list->count() - 1) {
            const TColor was = window_->Colors.Get(TColorScheme::Field(field));
            const QColor chosen = QColorDialog::getColor(TDrawAdapter::ToQColor(was), this);
            color = chosen.isValid() ? MakeColor(chosen.red(), chosen.green(), chosen.blue()) : was;
        }
        window_->Colors.Set(TColorScheme::Field(field), color);
        ShowColour(list, color);
    });
    return list;
}

void TLegendDialog::ExecForWindow(TSuperGrWindow& window) {
    Load(window);
    exec();
}

void TLegendDialog::Load(TSuperGrWindow& window) {
    window_ = &window;
    FillTable();
    table_->setCurrentCell(0, 1);
    loading_ = true;
    show_->setChecked(window.ShowLegend());
    background_->setChecked(window.LegendBackground());
    frame_->setChecked(window.LegendFrame());
    fixed_->setChecked(window.LegendFixed);
    ShowColour(backgroundColour_, window.Colors.Get(TColorScheme::LegendBackgrnd));
    ShowColour(frameColour_, window.Colors.Get(TColorScheme::LegendBorder));
    ShowColour(textColour_, window.Colors.Get(TColorScheme::LegendText));
    borderWidth_->setValue(window.LegendBorderWidth());
    columns_->setRange(1, legend::MaxColumns(window));
    columns_->setValue(window.LegendColumns());
    offsetX_->setValue(legend::ShownOffset(window, false));
    offsetY_->setValue(legend::ShownOffset(window, true));
    if (QAbstractButton* button = position_->button(window.LegendPosition())) button->setChecked(true);
    loading_ = false;
}

void TLegendDialog::FillTable() {
    const bool was = loading_;
    loading_ = true;
    table_->setRowCount(window_->GraphCount());
    for (int row = 0; row < table_->rowCount(); ++row)
        FillRow(row);
    loading_ = was;
    FitColumns();
}

void TLegendDialog::FillRow(int row) {
    const TGraph* graph = window_->GraphByIndex(row);
    if (!graph) return;
    const bool was = loading_;
    loading_ = true;
    const QColor text =
        palette().color(graph->Visible() ? QPalette::Active : QPalette::Disabled, QPalette::Text);
    // Items are refilled in place: an edited cell's item is still in use while its edit is stored.
    auto cell = [this, row](int column) {
        if (!table_->item(row, column)) table_->setItem(row, column, new QTableWidgetItem);
        return table_->item(row, column);
    };
    QTableWidgetItem* listed = cell(0);
    listed->setIcon(ListedIcon(graph->InLegend(), graph->Color()));
    listed->setFlags(Qt::ItemIsEnabled);
    const QString texts[] = {graph->Name(), graph->LegendText()};
    for (int column = 1; column <= 2; ++column) {
        QTableWidgetItem* item = cell(column);
        item->setText(texts[column - 1]);
        item->setForeground(text);
    }
    loading_ = was;
}

void TLegendDialog::FitColumns() {
    const QSize area = table_->size();
    const legend::TColumnWidths widths =
        legend::ColumnWidths(area.width(), area.height(), kRowHeight, table_->rowCount() + 1,
                             style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    table_->setColumnWidth(0, widths.Check);
    table_->setColumnWidth(1, widths.Name);
    table_->setColumnWidth(2, widths.Text);
}

void TLegendDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (window_) FitColumns();
}

void TLegendDialog::ChooseFont() {
    const TFontRec was = window_->LegendFont();
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, ToQFont(was), this, QStringLiteral("Шрифт"));
    if (ok)
        legend::ApplyFont(*window_, FromQFont(chosen, was), window_->Colors.Get(TColorScheme::LegendText));
}
