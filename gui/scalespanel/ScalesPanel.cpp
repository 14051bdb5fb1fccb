#include "gui/scalespanel/ScalesPanel.h"

#include "gui/graphproperties/GraphPropertiesDialog.h"
#include "model/Colors.h"
#include "model/DrawAdapter.h"

#include <QApplication>
#include <QCursor>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

namespace {
using namespace compactrows;

constexpr int Spacing = 3;
constexpr int NameWidth = 90;
// Wide enough for the twenty-odd digits of an extended value.
constexpr int BoxWidth = 118;
constexpr int BindingWidth = 22;
constexpr TColor SelectedRowColor = 0xF8E6D6;
// The binding columns as they stand: X scale, the fixed-ratio mark, Y scale, X and Y position.
constexpr TBindColumn ColumnOrder[BindColumnCount] = {TBindColumn::ScaleX, TBindColumn::ScaleY,
                                                      TBindColumn::PosX, TBindColumn::PosY};
const char* const BindingTips[BindColumnCount] = {"Масштаб по X", "Масштаб по Y", "Смещение по X",
                                                  "Смещение по Y"};

// A binding picture: the group's name, struck through, grey and on a shaded face while the permission
// is off, so that even the dash of no group reads differently in the two states.
void ShowBinding(QToolButton* button, TBindColumn column, int32_t group, bool allowed) {
    const QString text = group < 0 ? QStringLiteral("–") : GroupCaption(column, group);
    if (button->text() != text) button->setText(text);
    QFont font = SmallFont();
    font.setStrikeOut(!allowed);
    font.setBold(group >= 0);
    if (button->font() != font) button->setFont(font);
    const QString look =
        allowed ? QString()
                : QStringLiteral("color: gray; background-color: #d0d0d0; border: 1px solid #a0a0a0");
    if (button->styleSheet() != look) button->setStyleSheet(look);
}

// Runs `left` on a left click and `right` on a right click of the button.
void OnClicks(QToolButton* button, QObject* context, std::function<void()> left,
              std::function<void()> right) {
    QObject::connect(button, &QToolButton::clicked, context, std::move(left));
    button->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(button, &QWidget::customContextMenuRequested, context,
                     [right](const QPoint&) { right(); });
}
} // namespace

// ---------------------------------------------------------------------------------------------
// The panel.

TScalesPanel::TScalesPanel(TSuperGrWindow& window, QWidget* plot, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint), FWindow(window), FPlot(plot), FModel(window) {
    FHeader = CreateHeader();
    const TRowsFrame frame = BuildRowsFrame(*this, QStringLiteral("Масштабы и привязка графиков"), FHeader);
    FScroll = frame.Scroll;
    FRowsHost = frame.RowsHost;
    FRowsLayout = frame.RowsLayout;
    FScroll->viewport()->installEventFilter(this);
    if (FPlot) FPlot->installEventFilter(this);

    TWindowEvents& ev = FWindow.Events;
    const auto follow = [this](auto...) { FollowWindow(); };
    FWindowConnections.push_back(ev.OnGraphsListChanged.Listen(follow));
    FWindowConnections.push_back(ev.OnChangeGraphStyle.Listen(follow));
    FWindowConnections.push_back(ev.OnUndoRedoOp.Listen(follow));
}

TScalesPanel::~TScalesPanel() {
    // The boxes lose the focus while the widgets go, after the model: they must not refresh then.
    for (TScalesPanelRow* row : FRows)
        for (QLineEdit* box : row->Boxes)
            box->disconnect(row);
}

QWidget* TScalesPanel::CreateHeader() {
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(1, 1, 0, 1);
    row->setSpacing(Spacing);
    QToolButton* rows = SmallButton(13, QStringLiteral("≡"));
    rows->setToolTip(QStringLiteral("Выбор строк"));
    row->addWidget(rows);
    connect(rows, &QToolButton::clicked, this, [this] {
        QMenu menu;
        const std::pair<const char*, TRowChoice> choices[] = {{"Выбрать всё", TRowChoice::All},
                                                              {"Очистить всё", TRowChoice::Clear},
                                                              {"Инвертировать", TRowChoice::Invert},
                                                              {"Нечётные", TRowChoice::Odd},
                                                              {"Чётные", TRowChoice::Even},
                                                              {"Первая половина", TRowChoice::FirstHalf},
                                                              {"Вторая половина", TRowChoice::SecondHalf}};
        for (const auto& [caption, choice] : choices)
            connect(menu.addAction(QString::fromUtf8(caption)), &QAction::triggered, this,
                    [this, choice = choice] { FModel.Rows().ChooseRows(choice); });
        PopUp(&menu);
        RefreshPanel();
    });
    const auto caption = [row](const QString& text, int width, Qt::Alignment align) {
        auto* label = new QLabel(text);
        label->setFont(SmallFont());
        label->setFixedWidth(width);
        label->setAlignment(align);
        row->addWidget(label);
    };
    caption(QString(), 16, Qt::AlignLeft);
    caption(QStringLiteral("Наименование"), NameWidth, Qt::AlignLeft);
    for (const char* box : {"Слева", "Снизу", "Справа", "Сверху", "Ширина", "Высота"})
        caption(QString::fromUtf8(box), BoxWidth, Qt::AlignRight | Qt::AlignVCenter);
    for (int i = 0; i < BindColumnCount; ++i) {
        const TBindColumn column = ColumnOrder[i];
        QToolButton* button = SmallButton(BindingWidth, GroupCaption(column, 1).left(1));
        button->setToolTip(QString::fromUtf8(BindingTips[i]));
        row->addWidget(button);
        if (i == 0) caption(QStringLiteral("="), 8, Qt::AlignCenter);
        OnClicks(
            button, this,
            [this, column] {
                QMenu menu;
                const std::pair<const char*, TBoxChoice> choices[] = {{"Разрешить всем", TBoxChoice::All},
                                                                      {"Запретить всем", TBoxChoice::Clear},
                                                                      {"Инвертировать", TBoxChoice::Invert}};
                for (const auto& [text, choice] : choices)
                    connect(menu.addAction(QString::fromUtf8(text)), &QAction::triggered, this,
                            [this, column, choice = choice] { FModel.ChoosePermissions(column, choice); });
                PopUp(&menu);
                RefreshPanel();
            },
            [this, column] {
                PopUpGroups(column, [this, column](int32_t g) { FModel.SetEveryGroup(column, g); });
            });
    }
    caption(QString(), 18, Qt::AlignLeft);
    row->addStretch(1);
    return header;
}

void TScalesPanel::PopUpGroups(TBindColumn column, const std::function<void(int32_t)>& choose) {
    if (FModel.SingleGroup(column)) return;
    QMenu menu;
    for (int32_t g = NoGroup; g <= MaxGroup; ++g) {
        if (g == 0) continue;
        connect(menu.addAction(GroupCaption(column, g)), &QAction::triggered, this,
                [choose, g] { choose(g); });
    }
    PopUp(&menu);
    RefreshPanel();
}

void TScalesPanel::PopUp(QMenu* menu) {
    const bool autoHide = std::exchange(FAutoHide, false);
    menu->exec(QCursor::pos());
    FAutoHide = autoHide;
}

void TScalesPanel::FillPanel() {
    for (TScalesPanelRow* row : FRows) {
        FRowsLayout->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    FRows.clear();
    FModel.Rows().Rebuild();
    for (int i = 0; i < FModel.Rows().RowCount(); ++i) {
        auto* row = new TScalesPanelRow(*this, i);
        FRowsLayout->insertWidget(i, row);
        FRows.append(row);
    }
    RefreshPanel();
    const int rowsHeight = FModel.Rows().RowCount() * RowHeight;
    const bool scrolls = rowsHeight > VisibleRowsHeight;
    const int scrollBar = scrolls ? style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
    FScroll->setVerticalScrollBarPolicy(scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    FScroll->setFixedHeight(std::min(rowsHeight, VisibleRowsHeight) + 2);
    setFixedSize(FHeader->sizeHint().width() + scrollBar,
                 13 + FHeader->sizeHint().height() + FScroll->height());
    FScroll->verticalScrollBar()->setValue(0);
}

void TScalesPanel::RefreshPanel() {
    for (TScalesPanelRow* row : FRows)
        row->Refresh();
}

void TScalesPanel::FollowWindow() {
    if (FFollowPending || !isVisible()) return;
    FFollowPending = true;
    QTimer::singleShot(0, this, [this] {
        FFollowPending = false;
        if (!FModel.Rows().Follow())
            RefreshPanel();
        else if (FModel.Rows().RowCount() == 0)
            hide();
        else
            FillPanel();
    });
}

void TScalesPanel::ShowAt(const QPoint& globalTopLeft) {
    if (FWindow.GraphCount() == 0) return;
    const QScreen* screen = QApplication::screenAt(globalTopLeft);
    const QRect desktop = (screen ? screen : QApplication::primaryScreen())->availableGeometry();
    move(std::clamp(globalTopLeft.x(), desktop.left(), std::max(desktop.left(), desktop.right() - width())),
         std::clamp(globalTopLeft.y(), desktop.top(), std::max(desktop.top(), desktop.bottom() - height())));
    show();
    raise();
    activateWindow();
}

void TScalesPanel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && FAutoHide) hide();
}

bool TScalesPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FScroll->viewport() && event->type() == QEvent::Wheel) {
        QScrollBar* bar = FScroll->verticalScrollBar();
        bar->setValue(bar->value() - static_cast<QWheelEvent*>(event)->angleDelta().y() / 120 * RowHeight);
        return true;
    }
    // Each frame of a pan or zoom paints the plot: the boxes follow it.
    if (watched == FPlot && event->type() == QEvent::Paint) FollowWindow();
    return QWidget::eventFilter(watched, event);
}

void TScalesPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        if (FPlot) FPlot->setFocus();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------------------
// A row.

TScalesPanelRow::TScalesPanelRow(TScalesPanel& panel, int index) : FPanel(panel), FIndex(index) {
    setFixedHeight(TScalesPanel::RowHeight);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(1, 0, 0, 0);
    layout->setSpacing(Spacing);
    TScalesPanelModel& model = panel.Model();

    FState = SmallButton(13);
    FState->setIconSize(QSize(9, 9));
    layout->addWidget(FState);
    connect(FState, &QToolButton::pressed, this, [this, &model] {
        FState->setDown(false);
        const Qt::KeyboardModifiers keys = QApplication::keyboardModifiers();
        model.Rows().ClickRow(FIndex, keys & Qt::ControlModifier, keys & Qt::ShiftModifier);
        FPanel.RefreshPanel();
    });
    FSwatch = new QLabel;
    FSwatch->setFixedSize(16, 12);
    layout->addWidget(FSwatch);
    FName = new QLabel;
    FName->setFont(SmallFont());
    FName->setFixedWidth(NameWidth);
    layout->addWidget(FName);
    for (int b = 0; b < ViewBoxCount; ++b) {
        auto* box = new QLineEdit;
        box->setFrame(false);
        box->setFont(SmallFont());
        box->setAlignment(Qt::AlignRight);
        box->setFixedSize(BoxWidth, TScalesPanel::RowHeight - 2);
        layout->addWidget(box);
        Boxes[size_t(b)] = box;
        connect(box, &QLineEdit::returnPressed, this, [this, &model, box, b] {
            model.TypeView(FIndex, TViewBox(b), box->text());
            box->setModified(false);
            FPanel.RefreshPanel();
        });
        // Leaving without Enter shows the graph's value again.
        connect(box, &QLineEdit::editingFinished, this, [this, box] {
            box->setModified(false);
            FPanel.RefreshPanel();
        });
    }
    for (int i = 0; i < BindColumnCount; ++i) {
        const TBindColumn column = ColumnOrder[i];
        QToolButton* button = SmallButton(BindingWidth);
        button->setToolTip(QString::fromUtf8(BindingTips[i]));
        layout->addWidget(button);
        FBindings[size_t(i)] = button;
        OnClicks(
            button, this,
            [this, &model, column] {
                model.SwitchPermission(FIndex, column);
                FPanel.RefreshPanel();
            },
            [this, &model, column] {
                FPanel.PopUpGroups(column,
                                   [this, &model, column](int32_t g) { model.SetGroup(FIndex, column, g); });
            });
        if (i == 0) {
            FRatio = SmallButton(8);
            FRatio->setToolTip(QStringLiteral("Фиксированное соотношение масштабов X и Y"));
            layout->addWidget(FRatio);
            connect(FRatio, &QToolButton::clicked, this, [this, &model] {
                model.SwitchFixedRatio(FIndex);
                FPanel.RefreshPanel();
            });
        }
    }
    QToolButton* all = SmallButton(18, QStringLiteral("±"));
    all->setToolTip(QStringLiteral("Левая кнопка - разрешить всё для графика, правая - запретить всё."));
    layout->addWidget(all);
    OnClicks(
        all, this,
        [this, &model] {
            model.SetAllPermissions(FIndex, true);
            FPanel.RefreshPanel();
        },
        [this, &model] {
            model.SetAllPermissions(FIndex, false);
            FPanel.RefreshPanel();
        });
    layout->addStretch(1);
}

void TScalesPanelRow::Refresh() {
    const TScalesPanelModel& model = FPanel.Model();
    const TGraph* g = model.Rows().Graph(FIndex);
    if (!g) return;
    // Pictures are made only when they change: a pan refreshes every row each frame.
    const bool selected = model.Rows().RowSelected(FIndex);
    if (!FShownSelected || *FShownSelected != selected) {
        FState->setIcon(StatePicture(selected));
        FShownSelected = selected;
        update();
    }
    if (!FShownColor || *FShownColor != g->Color()) {
        FSwatch->setPixmap(ColorSwatchPicture(g->Color(), QSize(16, 12)));
        FShownColor = g->Color();
    }
    if (FName->text() != g->Name()) FName->setText(g->Name());
    const TScalesPanelModel::TViewTexts texts = model.ViewTexts(FIndex);
    for (int b = 0; b < ViewBoxCount; ++b) {
        QLineEdit* box = Boxes[size_t(b)];
        // A box the user is typing into keeps the text; unchanged texts are not written again.
        if ((box->hasFocus() && box->isModified()) || box->text() == texts[size_t(b)]) continue;
        box->setText(texts[size_t(b)]);
        box->setCursorPosition(0); // the leading digits stay in sight
    }
    for (int i = 0; i < BindColumnCount; ++i)
        ShowBinding(FBindings[size_t(i)], ColumnOrder[i], model.Group(FIndex, ColumnOrder[i]),
                    model.Allowed(FIndex, ColumnOrder[i]));
    const QString ratio = g->FixedRatio() ? QStringLiteral("=") : QString();
    if (FRatio->text() != ratio) FRatio->setText(ratio);
}

void TScalesPanelRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor window = palette().window().color();
    const TColor windowColor = TColor(window.red() | window.green() << 8 | window.blue() << 16);
    const bool selected = FPanel.Model().Rows().RowSelected(FIndex);
    const TColor color = selected ? SelectedRowColor : FIndex % 2 == 1 ? windowColor : RowShade(windowColor);
    painter.fillRect(rect(), ToQColor(color));
}
