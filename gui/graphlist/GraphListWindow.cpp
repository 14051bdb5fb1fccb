#include "gui/graphlist/GraphListWindow.h"

#include "gui/graphproperties/GraphPropertiesDialog.h"
#include "gui/widgets/StoredTextGuard.h"
#include "model/Colors.h"
#include "model/DrawAdapter.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QCursor>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWidgetAction>
#include <algorithm>

namespace {
using namespace compactrows;

using P = TGraphProperties;

constexpr int Spacing = 5;
constexpr int NameWidth = 128;
constexpr int StyleWidth = 40;
constexpr int MarkerWidth = 20;
constexpr int MarkerColorSize = 8;
constexpr TColor SelectedRowColor = 0xF8E6D6;
constexpr int LineWidths = 9;
constexpr int LineStyles = 6;
constexpr int MarkerSymbols = 13;

TColor FromQColor(const QColor& c) {
    return TColor(c.red() | c.green() << 8 | c.blue() << 16);
}

QIcon MarkerColorPicture(TColor color) {
    QPixmap pixmap(MarkerColorSize + 1, MarkerColorSize + 1);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.setBrush(ToQColor(color));
    painter.drawRoundedRect(0, 0, MarkerColorSize, MarkerColorSize, 2, 2);
    return QIcon(pixmap);
}
} // namespace

// ---------------------------------------------------------------------------------------------
// The list.

TGraphListWindow::TGraphListWindow(TSuperGrWindow& window, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint), FWindow(window), FModel(window) {
    FHeader = CreateHeader();
    const TRowsFrame frame = BuildRowsFrame(*this, QStringLiteral("Свойства графиков"), FHeader);
    FScroll = frame.Scroll;
    FRowsHost = frame.RowsHost;
    FRowsLayout = frame.RowsLayout;
    FScroll->viewport()->installEventFilter(this);
    FScroll->verticalScrollBar()->setSingleStep(RowHeight);

    TWindowEvents& ev = FWindow.Events;
    const auto follow = [this](auto...) { FollowWindow(); };
    FWindowConnections.push_back(ev.OnGraphsListChanged.Listen(follow));
    FWindowConnections.push_back(ev.OnChangeGraphStyle.Listen(follow));
    FWindowConnections.push_back(ev.OnUndoRedoOp.Listen(follow));
}

QWidget* TGraphListWindow::CreateHeader() {
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(1, 1, 0, 1);
    row->setSpacing(Spacing - 2);
    const auto menuButton = [this, row](int width, const QString& text, const QString& tip, QMenu* menu) {
        QToolButton* button = SmallButton(width + 2, text);
        button->setToolTip(tip);
        row->addWidget(button);
        connect(button, &QToolButton::pressed, this, [this, button, menu] {
            button->setDown(false);
            PopUp(menu);
        });
        return button;
    };
    const auto choices = [this](std::initializer_list<std::pair<const char*, std::function<void()>>> items) {
        auto* menu = new QMenu(this);
        for (const auto& item : items)
            connect(menu->addAction(QString::fromUtf8(item.first)), &QAction::triggered, this,
                    [this, run = item.second] {
                        run();
                        RefreshRows();
                    });
        return menu;
    };
    menuButton(13, QStringLiteral("≡"), QStringLiteral("Выбор строк"),
               choices({{"Выбрать всё", [this] { FModel.ChooseRows(TRowChoice::All); }},
                        {"Очистить всё", [this] { FModel.ChooseRows(TRowChoice::Clear); }},
                        {"Инвертировать", [this] { FModel.ChooseRows(TRowChoice::Invert); }},
                        {"Нечётные", [this] { FModel.ChooseRows(TRowChoice::Odd); }},
                        {"Чётные", [this] { FModel.ChooseRows(TRowChoice::Even); }},
                        {"Первая половина", [this] { FModel.ChooseRows(TRowChoice::FirstHalf); }},
                        {"Вторая половина", [this] { FModel.ChooseRows(TRowChoice::SecondHalf); }}}));
    const QString columns[] = {QStringLiteral("в"), QStringLiteral("о"), QStringLiteral("м"),
                               QStringLiteral("у")};
    const QString columnTips[] = {QStringLiteral("Выбор графиков"), QStringLiteral("Отображение графиков"),
                                  QStringLiteral("Отображение маркеров"),
                                  QStringLiteral("Отображение узлов")};
    for (int c = 0; c < 4; ++c)
        menuButton(13, columns[c], columnTips[c],
                   choices({{"Выбрать всё", [this, c] { FModel.ChooseBoxes(c, TBoxChoice::All); }},
                            {"Очистить всё", [this, c] { FModel.ChooseBoxes(c, TBoxChoice::Clear); }},
                            {"Инвертировать", [this, c] { FModel.ChooseBoxes(c, TBoxChoice::Invert); }}}));
    menuButton(13, QStringLiteral("#"), QStringLiteral("Слои"),
               choices({{"Восстановить слои", [this] { FModel.RestoreLayers(); }}}));
    auto* name = new QLabel(QStringLiteral("Наименование"));
    name->setFont(SmallFont());
    name->setFixedWidth(NameWidth);
    row->addWidget(name);
    QToolButton* color = SmallButton(15, QStringLiteral("■"));
    color->setToolTip(QStringLiteral("Цвет всех графиков"));
    row->addWidget(color);
    connect(color, &QToolButton::clicked, this, [this] {
        const TGraph* first = FModel.Graph(0);
        const QColor chosen = first ? ChooseColor(first->Color()) : QColor();
        if (chosen.isValid()) FModel.SetAll(P::Color, FromQColor(chosen));
        RefreshRows();
    });
    menuButton(13, QStringLiteral("T"), QStringLiteral("Толщина линий"),
               WidthMenu([this](int32_t w) { FModel.SetAll(P::LineWidth, w); }));
    menuButton(StyleWidth, QStringLiteral("стиль"), QStringLiteral("Стиль линий"),
               StyleMenu([this](int32_t s) { FModel.SetAll(P::LineStyle, s); }));
    menuButton(MarkerWidth, QStringLiteral("◆"), QStringLiteral("Маркеры"),
               MarkerMenu([this](TMarkerChoice choice) { FModel.SetAllMarkers(choice); }));
    QToolButton* markerColor = SmallButton(13, QStringLiteral("●"));
    markerColor->setToolTip(QStringLiteral("Цвет маркеров всех графиков"));
    row->addWidget(markerColor);
    connect(markerColor, &QToolButton::clicked, this, [this] {
        const TGraph* first = FModel.Graph(0);
        const QColor chosen = first ? ChooseColor(first->MarkerColor()) : QColor();
        if (chosen.isValid()) FModel.SetAll(P::MarkerColor, FromQColor(chosen));
        RefreshRows();
    });
    row->addStretch(1);
    return header;
}

QMenu* TGraphListWindow::WidthMenu(const std::function<void(int32_t)>& choose) {
    auto* menu = new QMenu(this);
    for (int32_t w = 0; w < LineWidths; ++w)
        connect(menu->addAction(w == 0 ? QStringLiteral("T") : QString::number(w)), &QAction::triggered, this,
                [this, choose, w] {
                    choose(w);
                    RefreshRows();
                });
    return menu;
}

QMenu* TGraphListWindow::StyleMenu(const std::function<void(int32_t)>& choose) {
    auto* menu = new QMenu(this);
    for (int32_t s = 0; s < LineStyles; ++s) {
        QAction* item = menu->addAction(
            QIcon(LineStylePicture(s, QSize(40, 18), palette().text().color(), palette().base().color())),
            QString::number(s));
        connect(item, &QAction::triggered, this, [this, choose, s] {
            choose(s);
            RefreshRows();
        });
    }
    return menu;
}

namespace {
// A sub-menu's own entry that also does something when clicked or entered, as the plain entries do;
// it still opens its sub-menu.
class TActingSubmenuEntry : public QObject {
public:
    TActingSubmenuEntry(QMenu* menu, QAction* entry, std::function<void()> act)
        : QObject(menu), FMenu(menu), FEntry(entry), FAct(std::move(act)) {
        menu->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool clicked =
            event->type() == QEvent::MouseButtonRelease && FMenu->actionAt(mouse->pos()) == FEntry;
        const bool entered = event->type() == QEvent::KeyPress && FMenu->activeAction() == FEntry &&
                             (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter);
        if (clicked || entered) FAct();
        return false;
    }

private:
    QMenu* FMenu;
    QAction* FEntry;
    std::function<void()> FAct;
};
} // namespace

QMenu* TGraphListWindow::MarkerMenu(const std::function<void(TMarkerChoice)>& choose) {
    auto* menu = new QMenu(this);
    const auto add = [this, choose](QMenu* target, const QIcon& icon, const QString& caption,
                                    TMarkerChoice choice) {
        connect(target->addAction(icon, caption), &QAction::triggered, this, [this, choose, choice] {
            choose(choice);
            RefreshRows();
        });
    };
    QMenu* text = menu->addMenu(QStringLiteral("0"));
    // "0" by itself sets the text marker, its text as it is.
    new TActingSubmenuEntry(menu, text->menuAction(), [this, choose] {
        choose({0, TMarkerChoice::AsIs});
        RefreshRows();
    });
    add(text, {}, QStringLiteral("Текст маркера как есть"), {0, TMarkerChoice::AsIs});
    add(text, {}, QStringLiteral("Подставить имя"), {0, TMarkerChoice::Name});
    add(text, {}, QStringLiteral("Подставить номер слоя"), {0, TMarkerChoice::Layer});
    add(text, {}, QStringLiteral("Автоподстановка"), {0, TMarkerChoice::Automatic});
    for (int s = 1; s <= MarkerSymbols; ++s)
        add(menu,
            QIcon(MarkerSymbolPicture(s, QSize(24, 18), palette().text().color(), palette().base().color())),
            QString::number(s), {s});
    return menu;
}

QColor TGraphListWindow::ChooseColor(TColor initial) {
    const bool autoHide = std::exchange(AutoHide, false);
    const QColor chosen = QColorDialog::getColor(ToQColor(initial), this);
    AutoHide = autoHide;
    activateWindow();
    return chosen;
}

void TGraphListWindow::PopUp(QMenu* menu) {
    const bool autoHide = std::exchange(AutoHide, false);
    menu->exec(QCursor::pos());
    AutoHide = autoHide;
}

void TGraphListWindow::RebuildRows() {
    FModel.Rebuild();
    BuildRows();
}

void TGraphListWindow::BuildRows() {
    // A row may be rebuilt from inside its own handler (the dialog it opened changed the graphs).
    for (TGraphListRow* row : FRows) {
        FRowsLayout->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    FRows.clear();
    for (int i = 0; i < FModel.RowCount(); ++i) {
        auto* row = new TGraphListRow(*this, i);
        FRowsLayout->insertWidget(i, row);
        FRows.append(row);
    }
    RefreshRows();
    const int rows = std::min<int>(FModel.RowCount(), VisibleRows);
    const bool scrolls = FModel.RowCount() > VisibleRows;
    const int scrollBar = scrolls ? style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
    FScroll->setVerticalScrollBarPolicy(scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    FScroll->setFixedHeight(rows * RowHeight);
    setFixedSize(ListWidth + scrollBar, 13 + FHeader->sizeHint().height() + rows * RowHeight + 2);
    FScroll->verticalScrollBar()->setValue(0);
}

void TGraphListWindow::RefreshRows() {
    for (TGraphListRow* row : FRows)
        row->Refresh();
}

void TGraphListWindow::FollowWindow() {
    if (FFollowPending || !isVisible()) return;
    FFollowPending = true;
    QTimer::singleShot(0, this, [this] {
        FFollowPending = false;
        if (!FModel.Follow())
            RefreshRows();
        else if (FModel.RowCount() == 0)
            hide();
        else
            BuildRows();
    });
}

void TGraphListWindow::ShowAt(const QPoint& globalTopLeft) {
    if (FWindow.GraphCount() == 0) return;
    RebuildRows();
    const QScreen* screen = QApplication::screenAt(globalTopLeft);
    const QRect desktop = (screen ? screen : QApplication::primaryScreen())->availableGeometry();
    move(std::clamp(globalTopLeft.x(), desktop.left(), std::max(desktop.left(), desktop.right() - width())),
         std::clamp(globalTopLeft.y(), desktop.top(), std::max(desktop.top(), desktop.bottom() - height())));
    show();
    raise();
    activateWindow();
    if (!FRows.isEmpty()) FRows.first()->Boxes.first()->setFocus();
}

void TGraphListWindow::SetShiningThrough(bool on) {
    setWindowOpacity(on ? 150.0 / 255 : 1.0);
}

void TGraphListWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && AutoHide) hide();
}

bool TGraphListWindow::eventFilter(QObject* watched, QEvent* event) {
    // The wheel moves the rows by one row per notch.
    if (watched == FScroll->viewport() && event->type() == QEvent::Wheel) {
        QScrollBar* bar = FScroll->verticalScrollBar();
        bar->setValue(bar->value() - static_cast<QWheelEvent*>(event)->angleDelta().y() / 120 * RowHeight);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TGraphListWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------------------
// A row.

TGraphListRow::TGraphListRow(TGraphListWindow& list, int index) : FList(list), FIndex(index) {
    setFixedHeight(TGraphListWindow::RowHeight);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(1, 0, 0, 0);
    layout->setSpacing(Spacing - 2);
    TGraphListModel& model = list.Model();

    FState = SmallButton(13);
    FState->setIconSize(QSize(9, 9));
    layout->addWidget(FState);
    connect(FState, &QToolButton::pressed, this, [this, &model] {
        FState->setDown(false);
        const Qt::KeyboardModifiers keys = QApplication::keyboardModifiers();
        model.ClickRow(FIndex, keys & Qt::ControlModifier, keys & Qt::ShiftModifier);
        FList.RefreshRows();
    });
    for (int c = 0; c < int(GraphListBoxColumns.size()); ++c) {
        auto* box = new QCheckBox;
        box->setFixedSize(15, 15);
        layout->addWidget(box);
        Boxes.append(box);
        connect(box, &QCheckBox::toggled, this, [this, &model, c](bool on) {
            model.SetBox(FIndex, c, on);
            FList.RefreshRows();
        });
    }
    FLayer = SmallButton(15);
    layout->addWidget(FLayer);
    connect(FLayer, &QToolButton::pressed, this, [this, &model] {
        FLayer->setDown(false);
        QMenu menu;
        for (int layer = 0; layer < model.RowCount(); ++layer)
            connect(menu.addAction(QString::number(layer)), &QAction::triggered, this,
                    [&model, this, layer] { model.SetLayer(FIndex, layer); });
        FList.PopUp(&menu);
        FList.RefreshRows();
    });
    NameEdit = new QLineEdit;
    GuardStoredText(NameEdit);
    NameEdit->setFrame(false);
    NameEdit->setStyleSheet(QStringLiteral("background: transparent"));
    NameEdit->setFont(SmallFont());
    NameEdit->setFixedSize(NameWidth, TGraphListWindow::RowHeight - 2);
    layout->addWidget(NameEdit);
    connect(NameEdit, &QLineEdit::textEdited, this,
            [this, &model](const QString& text) { model.Set(FIndex, P::Name, text, TPassOn::RowOnly); });
    FColor = SmallButton(15);
    FColor->setIconSize(QSize(13, 13));
    layout->addWidget(FColor);
    connect(FColor, &QToolButton::clicked, this, [this, &model] {
        const TGraph* g = model.Graph(FIndex);
        const QColor chosen = g ? FList.ChooseColor(g->Color()) : QColor();
        if (chosen.isValid()) model.Set(FIndex, P::Color, FromQColor(chosen), TPassOn::Grouped);
        FList.RefreshRows();
    });
    FWidth = SmallButton(15);
    layout->addWidget(FWidth);
    QMenu* widths = list.WidthMenu(
        [this, &model](int32_t w) { model.Set(FIndex, P::LineWidth, w, TPassOn::StepByStep); });
    connect(FWidth, &QToolButton::pressed, this, [this, widths] {
        FWidth->setDown(false);
        FList.PopUp(widths);
    });
    FStyle = SmallButton(StyleWidth);
    FStyle->setIconSize(QSize(StyleWidth - 4, 14));
    layout->addWidget(FStyle);
    QMenu* styles = list.StyleMenu(
        [this, &model](int32_t s) { model.Set(FIndex, P::LineStyle, s, TPassOn::StepByStep); });
    connect(FStyle, &QToolButton::pressed, this, [this, styles] {
        FStyle->setDown(false);
        FList.PopUp(styles);
    });
    FMarker = SmallButton(MarkerWidth);
    FMarker->setIconSize(QSize(MarkerWidth - 2, 14));
    layout->addWidget(FMarker);
    QMenu* markers =
        list.MarkerMenu([this, &model](TMarkerChoice choice) { model.SetMarker(FIndex, choice); });
    connect(FMarker, &QToolButton::pressed, this, [this, markers] {
        FMarker->setDown(false);
        FList.PopUp(markers);
    });
    FMarkerColor = SmallButton(MarkerColorSize + 4);
    FMarkerColor->setIconSize(QSize(MarkerColorSize + 1, MarkerColorSize + 1));
    layout->addWidget(FMarkerColor);
    connect(FMarkerColor, &QToolButton::pressed, this, [this, &model] {
        FMarkerColor->setDown(false);
        const TGraph* g = model.Graph(FIndex);
        const QColor chosen = g ? FList.ChooseColor(g->MarkerColor()) : QColor();
        if (chosen.isValid()) model.Set(FIndex, P::MarkerColor, FromQColor(chosen), TPassOn::Grouped);
        FList.RefreshRows();
    });
    QToolButton* edit = SmallButton(15, QStringLiteral("..."));
    edit->setFont(SmallFont(true));
    layout->addWidget(edit);
    connect(edit, &QToolButton::clicked, this, [this] {
        if (FList.EditGraph && FList.Model().Graph(FIndex)) FList.EditGraph(FIndex);
    });
    layout->addStretch(1);
}

void TGraphListRow::Refresh() {
    const TGraph* g = FList.Model().Graph(FIndex);
    if (!g) return;
    FState->setIcon(StatePicture(FList.Model().RowSelected(FIndex)));
    for (int c = 0; c < Boxes.size(); ++c) {
        const QSignalBlocker quiet(Boxes[c]);
        Boxes[c]->setChecked(GraphListBoxColumns[c]->Get(*g));
    }
    FLayer->setText(QString::number(g->Layer()));
    if (NameEdit->text() != g->Name()) {
        const QSignalBlocker quiet(NameEdit);
        NameEdit->setText(g->Name());
    }
    FColor->setIcon(QIcon(ColorSwatchPicture(g->Color(), QSize(13, 13))));
    FWidth->setText(g->LineWidth() == 0 ? QStringLiteral("T") : QString::number(g->LineWidth()));
    const QColor text = palette().text().color(), back = palette().window().color();
    FStyle->setIcon(QIcon(
        LineStylePicture(std::min(g->LineStyle(), LineStyles - 1), QSize(StyleWidth - 4, 14), text, back)));
    FMarker->setIcon(QIcon(MarkerSymbolPicture(g->MarkerSymbol(), QSize(MarkerWidth - 2, 14), text, back)));
    FMarkerColor->setIcon(MarkerColorPicture(g->MarkerColor()));
    update();
}

void TGraphListRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor window = palette().window().color();
    const TColor windowColor = FromQColor(window);
    const bool selected = FList.Model().RowSelected(FIndex);
    const TColor color = selected ? SelectedRowColor : FIndex % 2 == 1 ? windowColor : RowShade(windowColor);
    painter.fillRect(rect(), ToQColor(color));
    if (FIndex + 1 < FList.Model().RowCount()) {
        painter.setPen(ToQColor(RowShade(color)));
        painter.drawLine(0, height() - 1, width(), height() - 1);
    }
}
