#include "gui/mainwindow/MainWindow.h"

#include "gui/addgraphs/AddGraphsDialog.h"
#include "model/Colors.h"
#include "window/FigurePaint.h"
#include "gui/graphwindow/GraphWindowWidget.h"
#include "export/PictureExport.h"

#include <QAbstractSpinBox>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHelpEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <cerrno>

using namespace mainstate;

namespace {
const QString kLaterTip = QStringLiteral("Эта команда появится в одной из следующих версий.");

QColor ToQColor(TColor c) {
    const TColor rgb = ColorToRGB(c);
    return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

// Messages keep the classic line break "\r"; dialogs here break lines at "\n".
QString ForDisplay(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

void DrawArrow(QPainter& p, QPointF from, QPointF to, bool bothHeads, qreal headSize) {
    p.drawLine(from, to);
    auto head = [&p, headSize](QPointF tip, QPointF back) {
        const QPointF d = tip - back;
        const qreal len = std::hypot(d.x(), d.y());
        if (len <= 0) return;
        const QPointF u = d / len, n(-u.y(), u.x());
        const qreal s = headSize;
        QPolygonF tri;
        tri << tip << tip - u * s + n * s << tip - u * s - n * s;
        p.drawPolygon(tri);
    };
    head(to, from);
    if (bothHeads) head(from, to);
}

// One state icon of the status bar (also the alignment buttons' images).
void DrawStateIcon(QPainter& p, const QRectF& r, const TIconLook& look, bool enabled) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor all = enabled ? QColor(0x20, 0x40, 0x90) : QColor(0x90, 0x90, 0x90);
    const QColor some = QColor(0x90, 0xA8, 0xD8);
    auto colorOf = [&](TAxisState s) { return s == TAxisState::All ? all : some; };
    const qreal m = r.width() * 0.08;
    const QRectF in = r.adjusted(m, m, -m, -m);
    const QPointF c = in.center();
    if (look.Kind == TIconLook::TKind::Axes) {
        // Grouped axes: one line; separate axes: two parallel lines.
        const QColor line = enabled ? QColor(0x30, 0x30, 0x30) : QColor(0x90, 0x90, 0x90);
        p.setPen(QPen(line, 1.2));
        p.drawLine(QPointF(in.left(), in.top()), QPointF(in.left(), in.bottom()));
        p.drawLine(QPointF(in.left(), in.bottom()), QPointF(in.right(), in.bottom()));
        if (look.Y == TAxisState::None) {
            p.drawLine(QPointF(in.left() + in.width() * 0.25, in.top()),
                       QPointF(in.left() + in.width() * 0.25, in.bottom() - in.height() * 0.25));
        }
        if (look.X == TAxisState::None) {
            p.drawLine(QPointF(in.left() + in.width() * 0.25, in.bottom() - in.height() * 0.25),
                       QPointF(in.right(), in.bottom() - in.height() * 0.25));
        }
        p.restore();
        return;
    }
    // Scaling: arrows pointing out of a frame; offset: arrows through a grip point.
    const bool scale = look.Kind == TIconLook::TKind::Scale;
    const qreal half = in.width() * 0.26;
    const qreal head = std::max<qreal>(2.0, r.width() * 0.12);
    const qreal pen = std::max<qreal>(1.0, r.width() * 0.06);
    if (scale) {
        p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(c.x() - half, c.y() - half, 2 * half, 2 * half));
    }
    if (look.X != TAxisState::None) {
        p.setPen(QPen(colorOf(look.X), pen));
        p.setBrush(colorOf(look.X));
        if (scale) {
            DrawArrow(p, QPointF(c.x() - half, c.y()), QPointF(in.left(), c.y()), false, head);
            DrawArrow(p, QPointF(c.x() + half, c.y()), QPointF(in.right(), c.y()), false, head);
        } else {
            DrawArrow(p, QPointF(in.left(), c.y()), QPointF(in.right(), c.y()), true, head);
        }
    }
    if (look.Y != TAxisState::None) {
        p.setPen(QPen(colorOf(look.Y), pen));
        p.setBrush(colorOf(look.Y));
        if (scale) {
            DrawArrow(p, QPointF(c.x(), c.y() - half), QPointF(c.x(), in.top()), false, head);
            DrawArrow(p, QPointF(c.x(), c.y() + half), QPointF(c.x(), in.bottom()), false, head);
        } else {
            DrawArrow(p, QPointF(c.x(), in.bottom()), QPointF(c.x(), in.top()), true, head);
        }
    }
    if (!scale && (look.X != TAxisState::None || look.Y != TAxisState::None)) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x30, 0x30, 0x30));
        p.drawEllipse(c, 1.8, 1.8);
    }
    if (look.X == TAxisState::None && look.Y == TAxisState::None) {
        p.setPen(QPen(QColor(0xC0, 0x30, 0x30), 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(in.adjusted(1, 1, -1, -1));
        p.drawLine(in.topLeft() + QPointF(2.5, 2.5), in.bottomRight() - QPointF(2.5, 2.5));
    }
    p.restore();
}

QIcon StateIcon(const TIconLook& look) {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    DrawStateIcon(p, QRectF(0, 0, 24, 24), look, true);
    return QIcon(pixmap);
}

// A theme icon where the desktop has one, else the program's own picture.
QIcon ThemedIcon(const QString& name) {
    const QIcon own(QStringLiteral(":/icons/%1.svg").arg(name));
    return QIcon::fromTheme(name, own);
}
} // namespace

// ---------------------------------------------------------------------------------------------
// The figure flows' questions and dialogs.

class TMainWindow::TFileUi : public TFigureFileUi {
public:
    explicit TFileUi(TMainWindow& owner) : FOwner(owner) {}

    TAnswer Ask(const QString& text) override {
        switch (FOwner.AskUser(text)) {
        case mainstate::TAnswer::Yes:
            return TAnswer::Yes;
        case mainstate::TAnswer::No:
            return TAnswer::No;
        case mainstate::TAnswer::Cancel:
            break;
        }
        return TAnswer::Cancel;
    }
    void ShowMessage(const QString& text) override { FOwner.TellUser(text); }
    QString ChooseOpenFile() override {
        if (FOwner.ChooseOpenFile) return FOwner.ChooseOpenFile();
        return QFileDialog::getOpenFileName(&FOwner, QString(), QString(), QtFilter());
    }
    QString ChooseSaveFile(const QString& preset) override {
        const QString name = preset.isEmpty() ? FOwner.FPresetFileName : preset;
        if (FOwner.ChooseSaveFile) return FOwner.ChooseSaveFile(name);
        QFileDialog dialog(&FOwner);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(QtFilter());
        dialog.setDefaultSuffix(figurefile::DefaultSuffix());
        dialog.selectFile(name);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    }
    void OpenAsDataFiles(const QStringList& files) override { FOwner.OpenDataFiles(files); }
    TWindowBounds MainWindowBounds() override {
        const QRect g = FOwner.geometry();
        return {g.left(), g.top(), g.width(), g.height()};
    }
    void SetMainWindowBounds(const TWindowBounds& b) override {
        if (b.Width <= 0 || b.Height <= 0) return;
        // Keep the window reachable: a file written on a larger desktop must not hide it.
        QRect wanted(b.Left, b.Top, b.Width, b.Height);
        if (const QScreen* screen = FOwner.screen()) {
            const QRect desk = screen->availableGeometry();
            wanted.setSize(wanted.size().boundedTo(desk.size()));
            if (!desk.intersects(wanted)) wanted.moveTopLeft(desk.topLeft());
        }
        FOwner.setGeometry(wanted);
        // The file's placement wins over the design size of the first show.
        FOwner.FPlotSized = true;
    }
    void SetTitle(const QString& title) override {
        FOwner.SetTitle(title);
        FOwner.FPresetFileName = FOwner.FDocument->FileName();
    }
    void FigureOpened() override { FOwner.UpdateGraphActions(); }

private:
    // "Tarvelo figure files (*.tvq)|*.tvq|All files (*.*)|*.*" in Qt's notation.
    static QString QtFilter() { return QStringLiteral("Tarvelo figure files (*.tvq);;All files (*)"); }
    TMainWindow& FOwner;
};

// ---------------------------------------------------------------------------------------------
// Status bar.

TStatusPanels::TStatusPanels(TMainWindow& owner) : QStatusBar(&owner), FOwner(owner) {
    setSizeGripEnabled(false);
    setMouseTracking(true);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(12);
    setFont(f);
}

QSize TStatusPanels::sizeHint() const {
    return {600, 22};
}

void TStatusPanels::SetText(int panel, const QString& text) {
    if (panel < 0 || panel >= 5 || FTexts[panel] == text) return;
    FTexts[panel] = text;
    update();
}

TRect TStatusPanels::PanelRect(int panel) const {
    return PanelRects(width(), height()).value(panel);
}

void TStatusPanels::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const QList<TRect> rects = PanelRects(width(), height());
    for (int i = 0; i < rects.size(); ++i) {
        const TRect& r = rects[i];
        const QRect box(r.Left, r.Top + 1, r.Width() - 2, r.Height() - 2);
        p.setPen(palette().mid().color());
        p.drawLine(box.topRight(), box.bottomRight());
        if (i < 5) {
            p.setPen(QColor(0x50, 0x50, 0x50));
            p.drawText(box.adjusted(3, 0, -3, 0), Qt::AlignVCenter | Qt::AlignLeft, FTexts[i]);
        } else if (i == 5) {
            PaintSwatches(p, r);
        } else {
            PaintIcons(p, r);
        }
    }
}

void TStatusPanels::PaintSwatches(QPainter& p, const TRect& panel) {
    TSuperGrWindow& w = FOwner.Figure();
    const QList<int> order = GraphsInLayerOrder(w);
    const QList<TRect> rects = SwatchRects(panel, int(order.size()));
    p.save();
    p.setClipRect(QRect(panel.Left, panel.Top, panel.Width(), panel.Height()));
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int i = 0; i < rects.size(); ++i) {
        const TGraph* g = w.GraphByIndex(order[i]);
        const TRect& r = rects[i];
        const QRectF box(r.Left + 0.5, r.Top + 0.5, r.Width() - 1, r.Height() - 1);
        const QColor graphColor = ToQColor(g->Color());
        QLinearGradient gradient(box.topLeft(), box.bottomRight());
        gradient.setColorAt(0, palette().window().color());
        gradient.setColorAt(1, graphColor);
        p.setBrush(gradient);
        p.setPen(graphColor.darker(130));
        p.drawRoundedRect(box, 3, 3);
        if (g->Selected()) {
            const bool black = DarkSelectionDot(ColorToRGB(g->Color()));
            const QPointF c = box.center();
            p.fillRect(QRectF(c.x() - 2, c.y() - 2, 4, 4), black ? Qt::black : Qt::white);
        }
    }
    p.restore();
}

void TStatusPanels::PaintIcons(QPainter& p, const TRect& panel) {
    const QList<TRect> rects = IconRects(panel);
    const int icons[3] = {FOwner.ScaleIcon(), FOwner.MoveIcon(), FOwner.AxesIcon()};
    for (int i = 0; i < 3; ++i) {
        const TRect& r = rects[i];
        const bool enabled = i == 2 || FOwner.StatusIconsEnabled();
        DrawStateIcon(p, QRectF(r.Left, r.Top, r.Width(), r.Height()), IconLook(icons[i]), enabled);
    }
}

void TStatusPanels::mousePressEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    const QPoint global = e->globalPosition().toPoint();
    const TRect swatches = PanelRect(5);
    const int graph = SwatchGraphAt(FOwner.Figure(), swatches, pos.x(), pos.y());
    if (graph >= 0) {
        if (OnClick) OnClick(5, graph, e->button(), global);
        return;
    }
    const int icon = IconAt(PanelRect(6), pos.x(), pos.y());
    if (icon >= 0 && OnClick) OnClick(6, icon, e->button(), global);
}

bool TStatusPanels::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const int graph = SwatchGraphAt(FOwner.Figure(), PanelRect(5), help->pos().x(), help->pos().y());
        if (graph >= 0)
            QToolTip::showText(help->globalPos(), FOwner.Figure().GraphByIndex(graph)->Name(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QStatusBar::event(e);
}

// ---------------------------------------------------------------------------------------------
// Construction.

TMainWindow::TMainWindow(QWidget* parent)
    : QMainWindow(parent), FFigure(std::make_unique<TSuperGrWindow>()),
      FFileUi(std::make_unique<TFileUi>(*this)),
      FDocument(std::make_unique<TFigureDocument>(*FFigure, *FFileUi)) {
    Q_INIT_RESOURCE(mainwindow);
    // Desktops without an icon theme still get the standard pictures where they are installed.
    if (QIcon::fallbackThemeName().isEmpty() || QIcon::fallbackThemeName() == QLatin1String("hicolor"))
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));

    // 1. The graph window fills the client area.
    FFigure->ApplyDefaultLook();
    FGraphWidget = new TGraphWindowWidget(*FFigure, this);
    FGraphWidget->resize(850, 500);
    setCentralWidget(FGraphWidget);
    CreateActions();
    CreateMenus();
    CreateContextMenus();
    CreateToolBars();
    FStatus = new TStatusPanels(*this);
    setStatusBar(FStatus);
    FStatus->OnClick = [this](int panel, int item, Qt::MouseButton button, const QPoint& global) {
        StatusClicked(panel, item, button, global);
    };
    connect(FGraphWidget, &TGraphWindowWidget::ContextMenuWanted, this, &TMainWindow::ShowWindowMenu);
    FGraphWidget->installEventFilter(this);

    // 2. The window's events.
    WireEvents();

    // 3. The plot gets 850 × 500 pixels.
    const int bars =
        menuBar()->sizeHint().height() + FMainBar->sizeHint().height() + FStatus->sizeHint().height();
    resize(850, 500 + bars);

    // 4. Status icons.
    FScaleIcon = 10;
    FMoveIcon = 1;
    FAxesIcon = 18;

    // 5. Focus the graph window.
    FGraphWidget->setFocus();

    // 6. The window's own state.
    FCurrentGraph = -1;
    FPresetFileName = DefaultFileName();
    SetTitle(figurefile::TitleFor(FPresetFileName));
    UpdateGraphActions();

    // 8. Centred on the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desk = screen->availableGeometry();
        move(desk.left() + (desk.width() - width()) / 2, desk.top() + (desk.height() - height()) / 2);
    }

    // 9. The hidden caption editor on the graph window.
    FCaptionMemo = new QPlainTextEdit(FGraphWidget);
    FCaptionMemo->setFrameShape(QFrame::Box);
    FCaptionMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FCaptionMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette memoPalette = FCaptionMemo->palette();
    memoPalette.setColor(QPalette::Base, ToQColor(FFigure->Colors.Get(TColorStruct::Inside)));
    FCaptionMemo->setPalette(memoPalette);
    FCaptionMemo->hide();
}

TMainWindow::~TMainWindow() {
    qApp->removeEventFilter(this);
    // The graph window's events point here; nothing may call back while the widgets go.
    FFigure->Events = TWindowEvents{};
    delete FAddGraphs;
    FAddGraphs = nullptr;
    delete FGraphWidget;
    FGraphWidget = nullptr;
}

QAction* TMainWindow::Action(const QString& name) const {
    return findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

QAction* TMainWindow::MakeAction(const QString& name, const QString& caption, const QString& icon) {
    auto* a = new QAction(caption, this);
    a->setObjectName(name);
    a->setStatusTip(QString());
    if (!icon.isEmpty()) a->setIcon(ThemedIcon(icon));
    addAction(a);
    return a;
}

void TMainWindow::MarkUnavailable(const QString& name, const QString& why) {
    QAction* a = Action(name);
    a->setEnabled(false);
    a->setToolTip(a->text() + QStringLiteral(" — ") + why);
    FUnavailable.append(name);
}

QAction* TMainWindow::Alias(QAction* source, const QString& caption, std::function<void()> before) {
    const bool ownCaption = !caption.isEmpty();
    auto* alias = new QAction(source->icon(), ownCaption ? caption : source->text(), this);
    alias->setEnabled(source->isEnabled());
    alias->setToolTip(source->toolTip());
    connect(alias, &QAction::triggered, source, [source, before] {
        if (before)
            before();
        else
            source->trigger();
    });
    connect(source, &QAction::changed, alias, [alias, source, ownCaption] {
        alias->setEnabled(source->isEnabled());
        alias->setVisible(source->isVisible());
        if (!ownCaption) alias->setText(source->text());
    });
    return alias;
}

void TMainWindow::CreateActions() {
    auto shortcut = [](QAction* a, std::initializer_list<QKeySequence> keys) {
        a->setShortcuts(QList<QKeySequence>(keys));
    };

    QAction* a = MakeAction(QStringLiteral("NewFigure"), QStringLiteral("Новый рисунок"),
                            QStringLiteral("document-new"));
    shortcut(a, {QKeySequence(Qt::CTRL | Qt::Key_N)});
    connect(a, &QAction::triggered, this, &TMainWindow::NewFigure);

    a = MakeAction(QStringLiteral("OpenFigure"), QStringLiteral("Открыть рисунок"),
                   QStringLiteral("document-open"));
    shortcut(a, {QKeySequence(Qt::CTRL | Qt::Key_O)});
    connect(a, &QAction::triggered, this, [this] { FDocument->OpenFigure(); });

    a = MakeAction(QStringLiteral("SaveFigure"), QStringLiteral("Сохранить рисунок"),
                   QStringLiteral("document-save"));
    shortcut(a, {QKeySequence(Qt::CTRL | Qt::Key_S)});
    connect(a, &QAction::triggered, this, [this] { FDocument->SaveFigure(); });

    a = MakeAction(QStringLiteral("SaveAs"), QStringLiteral("Сохранить как"),
                   QStringLiteral("document-save-as"));
    shortcut(a, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)});
    connect(a, &QAction::triggered, this, [this] { FDocument->SaveAs(); });

    a = MakeAction(QStringLiteral("AddGraph"), QStringLiteral("Добавить график"), QStringLiteral("list-add"));
    shortcut(a, {QKeySequence(Qt::CTRL | Qt::Key_A)});
    connect(a, &QAction::triggered, this, &TMainWindow::AddGraphFromFiles);

    a = MakeAction(QStringLiteral("EmptyGraph"), QStringLiteral("Добавить пустой график"));
    connect(a, &QAction::triggered, this, &TMainWindow::EmptyGraph);

    a = MakeAction(QStringLiteral("DelGraph"), QStringLiteral("Удалить график"),
                   QStringLiteral("list-remove"));
    FDeleteMenu = new QMenu(this);
    connect(FDeleteMenu, &QMenu::aboutToShow, this, &TMainWindow::RebuildDeleteMenu);
    a->setMenu(FDeleteMenu);

    a = MakeAction(QStringLiteral("SaveGraphs"), QStringLiteral("SaveGraphs"),
                   QStringLiteral("document-export"));
    a->setToolTip(QStringLiteral("Сохранить графики"));
    MakeAction(QStringLiteral("SaveGraph"), QStringLiteral("Сохранить график"),
               QStringLiteral("document-save"));

    a = MakeAction(QStringLiteral("Print"), QStringLiteral("Распечатать..."),
                   QStringLiteral("document-print"));
    shortcut(a, {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_P)});

    a = MakeAction(QStringLiteral("CopyToClipBoard"), QStringLiteral("Скопировать в буфер обмена"),
                   QStringLiteral("edit-copy"));
    shortcut(a, {QKeySequence(Qt::CTRL | Qt::Key_C)});
    connect(a, &QAction::triggered, this, &TMainWindow::CopyToClipboard);

    a = MakeAction(QStringLiteral("SavePicture"), QStringLiteral("Сохранить изображение"),
                   QStringLiteral("image-x-generic"));
    connect(a, &QAction::triggered, this, &TMainWindow::SavePicture);

    a = MakeAction(QStringLiteral("Undo"), QStringLiteral("Отменить"), QStringLiteral("edit-undo"));
    shortcut(a, {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    connect(a, &QAction::triggered, this, [this] { FFigure->Undo(); });

    a = MakeAction(QStringLiteral("Redo"), QStringLiteral("Восстановить"), QStringLiteral("edit-redo"));
    shortcut(a, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Backspace)});
    connect(a, &QAction::triggered, this, [this] { FFigure->Redo(); });

    a = MakeAction(QStringLiteral("RefreshScales"), QStringLiteral("Автомасштаб"),
                   QStringLiteral("zoom-fit-best"));
    shortcut(a, {QKeySequence(Qt::CTRL | Qt::Key_R)});
    connect(a, &QAction::triggered, this, [this] { FFigure->AutoScale(); });

    const struct {
        const char* name;
        const char* caption;
        Qt::Key key;
        const char* icon;
    } zooms[] = {{"WindowScale", "Оконный масштаб", Qt::Key_W, "zoom-window"},
                 {"XAxisScale", "Растянуть по оси X", Qt::Key_X, "zoom-x"},
                 {"YAxisScale", "Растянуть по оси Y", Qt::Key_Y, "zoom-y"}};
    for (const auto& z : zooms) {
        a = MakeAction(QString::fromUtf8(z.name), QString::fromUtf8(z.caption), QString::fromUtf8(z.icon));
        shortcut(a, {QKeySequence(Qt::CTRL | Qt::ALT | z.key)});
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, a](bool checked) { ZoomCommand(a, checked); });
    }

    a = MakeAction(QStringLiteral("FitVertically"), QStringLiteral("Разместить по вертикали"),
                   QStringLiteral("fit-vertically"));
    connect(a, &QAction::triggered, this, [this] { FFigure->ArrangeVertically(); });
    a = MakeAction(QStringLiteral("FitHorizontally"), QStringLiteral("Разместить по горизонтали"),
                   QStringLiteral("fit-horizontally"));
    connect(a, &QAction::triggered, this, [this] { FFigure->ArrangeHorizontally(); });
    a = MakeAction(QStringLiteral("SaveAxes"), QStringLiteral("Сохранить параметры осей"));
    connect(a, &QAction::triggered, this, [this] { FFigure->SaveAxes(); });
    a = MakeAction(QStringLiteral("RestoreAxes"), QStringLiteral("Восстановить параметры осей"));
    a->setEnabled(false);
    connect(a, &QAction::triggered, this, [this] { FFigure->RestoreAxes(); });

    MakeAction(QStringLiteral("GraphProperties"), QStringLiteral("Свойства графиков"),
               QStringLiteral("document-properties"));
    MakeAction(QStringLiteral("CurGraphProps"), QStringLiteral("Свойства"));
    MakeAction(QStringLiteral("ScaleSnap"), QStringLiteral("Масштаб и привязка"),
               QStringLiteral("scale-snap"));
    MakeAction(QStringLiteral("GraphBinding"), QStringLiteral("Мастер привязки графиков"));
    a = MakeAction(QStringLiteral("CancelBinding"), QStringLiteral("Отменить привязку"));
    connect(a, &QAction::triggered, this, &TMainWindow::CancelBinding);

    a = MakeAction(QStringLiteral("GoNodeEdit"), QStringLiteral("Работа с узлами"),
                   QStringLiteral("node-edit"));
    a->setCheckable(true);
    connect(a, &QAction::triggered, this, &TMainWindow::ToggleNodeWork);

    const struct {
        const char* name;
        const char* caption;
        TEditMode mode;
        const char* icon;
    } edits[] = {{"SelectNodes", "Выбрать узлы", emSelect, "nodes-select"},
                 {"MoveNodes", "Смещение узлов", emMove, "nodes-move"},
                 {"InsertNodes", "Добавление узлов", emInsert, "nodes-insert"},
                 {"DeleteNodes", "Удаление узлов", emDelete, "nodes-delete"}};
    for (const auto& e : edits) {
        a = MakeAction(QString::fromUtf8(e.name), QString::fromUtf8(e.caption), QString::fromUtf8(e.icon));
        a->setCheckable(true);
        const TEditMode mode = e.mode;
        connect(a, &QAction::triggered, this, [this, mode] { FFigure->SetEditMode(mode); });
    }
    a = MakeAction(QStringLiteral("UnSelectNodes"), QStringLiteral("Снять выделение узлов"),
                   QStringLiteral("nodes-unselect"));
    connect(a, &QAction::triggered, this, [this] { FFigure->UnselectNodes(); });
    a = MakeAction(QStringLiteral("CutSelectedNodes"), QStringLiteral("Удалить выбранные узлы"),
                   QStringLiteral("nodes-cut"));
    connect(a, &QAction::triggered, this, [this] { FFigure->CutSelectedNodes(); });

    auto* curves = new QActionGroup(this);
    curves->setExclusive(true);
    const struct {
        const char* name;
        const char* caption;
        int preset; // 0: none, -1: the user's curve
    } shifts[] = {{"DoNotUseCurve", "Параллельно", 0}, {"LinearCurve", "Линейная", 1},
                  {"Curve_1", "Кривая 1", 2},          {"Curve_2", "Кривая 2", 3},
                  {"Curve_3", "Кривая 3", 4},          {"UserCurve", "Задать кривую...", -1}};
    for (const auto& s : shifts) {
        a = MakeAction(QString::fromUtf8(s.name), QString::fromUtf8(s.caption));
        a->setCheckable(true);
        curves->addAction(a);
        const int preset = s.preset;
        if (preset == 0) {
            a->setChecked(true);
            connect(a, &QAction::triggered, this, [this] { FFigure->ClearShiftCurve(); });
        } else if (preset > 0) {
            connect(a, &QAction::triggered, this, [this, preset] { FFigure->LoadShiftCurvePreset(preset); });
        }
    }

    MakeAction(QStringLiteral("Automarkers"), QStringLiteral("Расставить маркеры"));
    a = MakeAction(QStringLiteral("DelMarkers"), QStringLiteral("Удалить все маркеры"));
    connect(a, &QAction::triggered, this, &TMainWindow::DeleteAllMarkers);
    MakeAction(QStringLiteral("Equation"), QStringLiteral("Калькулятор"),
               QStringLiteral("accessories-calculator"));
    MakeAction(QStringLiteral("Filtration"), QStringLiteral("Фильтрация"), QStringLiteral("filtration"));
    MakeAction(QStringLiteral("TableDataView"), QStringLiteral("Табличный просмотр"),
               QStringLiteral("x-office-spreadsheet"));
    MakeAction(QStringLiteral("StatInfo"), QStringLiteral("i"), QStringLiteral("dialog-information"));
    a = MakeAction(QStringLiteral("LegendProps"), LegendActionCaption(false));
    connect(a, &QAction::triggered, this, [this] { ToggleLegend(false); });
    MakeAction(QStringLiteral("CaptionProps"), QStringLiteral("Подписи к рисунку"));
    MakeAction(QStringLiteral("ShowSettings"), QStringLiteral("Парметры программы"),
               QStringLiteral("preferences-system"));
    MakeAction(QStringLiteral("ReadFileSettings"), QStringLiteral("Загрузить настройки из файла"));
    MakeAction(QStringLiteral("WriteFileSettings"), QStringLiteral("Сохранить настройки в файле"));
    MakeAction(QStringLiteral("loadfromfile"), QStringLiteral("Загрузить настройки из файла"));
    MakeAction(QStringLiteral("settofile"), QStringLiteral("Сохранить настройки в файле"));

    a = MakeAction(QStringLiteral("Paste"), QStringLiteral("Paste"), QStringLiteral("edit-paste"));
    shortcut(a, {QKeySequence(Qt::CTRL | Qt::Key_V)});
    connect(a, &QAction::triggered, this, &TMainWindow::Paste);

    a = MakeAction(QStringLiteral("CloseForm"), QStringLiteral("Закрыть Tarvelo"),
                   QStringLiteral("application-exit"));
    shortcut(a, {QKeySequence(Qt::ALT | Qt::Key_X)});
    connect(a, &QAction::triggered, this, &QWidget::close);

    // Commands whose dialogs are not part of this version yet.
    const QString later = kLaterTip;
    for (const char* name :
         {"SaveGraphs", "SaveGraph", "Print", "GraphProperties", "CurGraphProps", "ScaleSnap", "GraphBinding",
          "Automarkers", "Equation", "Filtration", "TableDataView", "StatInfo", "CaptionProps",
          "ShowSettings", "ReadFileSettings", "WriteFileSettings", "loadfromfile", "settofile", "UserCurve"})
        MarkUnavailable(QString::fromUtf8(name), later);

    for (QAction* each : actions())
        if (each->toolTip() == each->text() && each->shortcut() != QKeySequence())
            each->setToolTip(each->text() + QStringLiteral(" (") +
                             each->shortcut().toString(QKeySequence::NativeText) + QLatin1Char(')'));
}

void TMainWindow::CreateMenus() {
    QMenuBar* bar = menuBar();
    auto act = [this](const char* name) { return Action(QString::fromUtf8(name)); };

    QMenu* file = bar->addMenu(QStringLiteral("Файл "));
    file->addAction(act("NewFigure"));
    file->addAction(act("OpenFigure"));
    file->addAction(act("SaveFigure"));
    file->addAction(act("SaveAs"));
    file->addSeparator();
    file->addAction(act("AddGraph"));
    file->addAction(act("EmptyGraph"));
    file->addAction(act("DelGraph"));
    QAction* deleteAll = file->addAction(QStringLiteral("Удалить все графики"));
    deleteAll->setObjectName(QStringLiteral("DeleteAllGraphsItem"));
    connect(deleteAll, &QAction::triggered, this, &TMainWindow::DeleteAllGraphsCommand);
    file->addSeparator();
    file->addAction(Alias(act("SaveGraphs"), QStringLiteral("Экспорт данных")));
    file->addAction(act("Print"));
    file->addSeparator();
    file->addAction(act("CloseForm"));

    QMenu* edit = bar->addMenu(QStringLiteral("Редактирование  "));
    edit->addAction(act("Undo"));
    edit->addAction(act("Redo"));
    edit->addSeparator();
    edit->addAction(act("CopyToClipBoard"));

    QMenu* view = bar->addMenu(QStringLiteral("Вид "));
    for (const char* name :
         {"RefreshScales", "WindowScale", "XAxisScale", "YAxisScale", "FitVertically", "FitHorizontally"})
        view->addAction(act(name));
    view->addSeparator();
    view->addAction(act("CaptionProps"));
    view->addAction(act("LegendProps"));

    QMenu* tools = bar->addMenu(QStringLiteral("Инструменты "));
    tools->addAction(act("Filtration"));
    tools->addAction(act("Equation"));
    tools->addAction(act("GoNodeEdit"));
    tools->addAction(act("TableDataView"));
    tools->addAction(Alias(act("StatInfo"), QStringLiteral("Информация по графикам")));
    tools->addSeparator();
    tools->addAction(act("Automarkers"));
    tools->addAction(act("DelMarkers"));
    tools->addSeparator();
    tools->addAction(act("GraphBinding"));
    tools->addAction(act("CancelBinding"));

    QMenu* settings = bar->addMenu(QStringLiteral("Параметры "));
    settings->addAction(act("ShowSettings"));
    settings->addAction(act("settofile"));
    settings->addAction(act("loadfromfile"));

    QMenu* help = bar->addMenu(QStringLiteral("Справка "));
    help->addAction(QStringLiteral("Содержание"));
    QAction* about = help->addAction(QStringLiteral("О программе..."));
    connect(about, &QAction::triggered, this, &TMainWindow::ShowAbout);
}

void TMainWindow::AddPermissionMenus(QMenu* parent, const QString& caption,
                                     const std::function<void(TPermissionSet)>& apply) {
    QMenu* menu = parent->addMenu(caption);
    QMenu* group = nullptr;
    QString groupName;
    for (const TPermissionItem& item : PermissionItems()) {
        QMenu* target = menu;
        if (!item.Group.isEmpty()) {
            if (item.Group != groupName) {
                groupName = item.Group;
                group = menu->addMenu(item.Group);
            }
            target = group;
        } else {
            menu->addSeparator();
        }
        const TPermissionSet flags = item.Flags;
        QAction* a = target->addAction(item.Caption);
        connect(a, &QAction::triggered, this, [apply, flags] { apply(flags); });
    }
}

void TMainWindow::CreateContextMenus() {
    auto act = [this](const char* name) { return Action(QString::fromUtf8(name)); };
    TDrawPolicy& policy = FFigure->DrawPolicy;

    // Window context menu.
    FWindowMenu = new QMenu(this);
    for (const char* name :
         {"WindowScale", "XAxisScale", "YAxisScale", "RefreshScales", "FitVertically", "FitHorizontally"})
        FWindowMenu->addAction(act(name));
    FWindowMenu->addSeparator();
    FWindowMenu->addAction(Alias(act("AddGraph"), QStringLiteral("Добавить график из файла")));
    FWindowMenu->addAction(act("DelGraph"));
    FWindowMenu->addAction(act("GraphBinding"));
    FWindowMenu->addAction(Alias(act("LegendProps"), {}, [this] { ShowLegendAtContextPoint(); }));
    FWindowMenu->addSeparator();
    FWindowMenu->addAction(act("GoNodeEdit"));
    FWindowMenu->addSeparator();
    AddPermissionMenus(
        FWindowMenu, QStringLiteral("Разрешить всем графикам..."),
        [&policy](TPermissionSet f) { policy.SetAllowAll(f.ShiftX, f.ShiftY, f.ScaleX, f.ScaleY); });
    AddPermissionMenus(
        FWindowMenu, QStringLiteral("Разрешить выбранным графикам..."),
        [&policy](TPermissionSet f) { policy.SetAllowSelected(f.ShiftX, f.ShiftY, f.ScaleX, f.ScaleY); });
    FWindowMenu->addAction(act("SaveAxes"));
    FWindowMenu->addAction(act("RestoreAxes"));
    FWindowMenu->addSeparator();
    FWindowMenu->addAction(Alias(act("ShowSettings"), QStringLiteral("Параметры...")));

    // Graph context menu: acts on CurrentGraph.
    FGraphMenu = new QMenu(this);
    auto current = [this] { return FFigure->GraphByIndex(FCurrentGraph); };
    FGraphSelectItem = FGraphMenu->addAction(QStringLiteral("Выбрать график"));
    FGraphSelectItem->setCheckable(true);
    connect(FGraphSelectItem, &QAction::triggered, this, [current] {
        if (TGraph* g = current()) g->SetSelected(!g->Selected());
    });
    FGraphNodesItem = FGraphMenu->addAction(QStringLiteral("Отображать узлы"));
    FGraphNodesItem->setCheckable(true);
    connect(FGraphNodesItem, &QAction::triggered, this, [current] {
        if (TGraph* g = current()) g->SetShowNodes(!g->ShowNodes());
    });
    QMenu* layers = FGraphMenu->addMenu(QStringLiteral("Изменить слой"));
    const std::pair<const char*, TLayerMove> moves[] = {{"На передний план", TLayerMove::ToTop},
                                                        {"На задний план", TLayerMove::ToBottom},
                                                        {"Переместить вперёд", TLayerMove::Up},
                                                        {"Переместить назад", TLayerMove::Down}};
    for (const auto& [caption, move] : moves) {
        const TLayerMove m = move;
        connect(layers->addAction(QString::fromUtf8(caption)), &QAction::triggered, this,
                [this, m] { MoveLayer(*FFigure, FCurrentGraph, m); });
    }
    QMenu* markers = FGraphMenu->addMenu(QStringLiteral("Маркеры..."));
    QAction* place = markers->addAction(QStringLiteral("Расставить маркеры..."));
    place->setEnabled(false);
    place->setToolTip(kLaterTip);
    connect(markers->addAction(QStringLiteral("Удалить все маркеры")), &QAction::triggered, this, [current] {
        if (TGraph* g = current()) g->ClearMarkers();
    });
    QAction* table = FGraphMenu->addAction(QStringLiteral("Табличный просмотр"));
    table->setEnabled(false);
    table->setToolTip(kLaterTip);
    FGraphMenu->addAction(act("SaveGraph"));
    connect(FGraphMenu->addAction(QStringLiteral("Клонировать")), &QAction::triggered, this, [this, current] {
        if (TGraph* g = current()) FFigure->DuplicateGraph(*g);
    });
    connect(FGraphMenu->addAction(QStringLiteral("Удалить")), &QAction::triggered, this,
            [this] { FFigure->DeleteGraph(FCurrentGraph); });
    FGraphMenu->addSeparator();
    AddPermissionMenus(FGraphMenu, QStringLiteral("Разрешить этому графику..."), [current](TPermissionSet f) {
        if (TGraph* g = current()) g->SetPermissions(f.ShiftX, f.ShiftY, f.ScaleX, f.ScaleY);
    });
    AddPermissionMenus(FGraphMenu, QStringLiteral("Разрешить только этому графику..."),
                       [current](TPermissionSet f) {
                           if (TGraph* g = current())
                               g->SetPermissionsExclusive(f.ShiftX, f.ShiftY, f.ScaleX, f.ScaleY);
                       });
    FGraphMenu->addSeparator();
    FGraphMenu->addAction(act("CurGraphProps"));

    // Node context menu (node work).
    FNodeMenu = new QMenu(this);
    for (const char* name :
         {"SelectNodes", "UnSelectNodes", "MoveNodes", "InsertNodes", "DeleteNodes", "CutSelectedNodes"})
        FNodeMenu->addAction(act(name));
    FShiftCurveMenu = FNodeMenu->addMenu(QStringLiteral("Настройка смещения улзов"));
    for (const char* name : {"DoNotUseCurve", "LinearCurve", "Curve_1", "Curve_2", "Curve_3", "UserCurve"})
        FShiftCurveMenu->addAction(act(name));
    connect(FShiftCurveMenu, &QMenu::aboutToShow, this, [this] {
        if (FFigure->EditMode() == emDelete || FFigure->EditMode() == emInsert)
            FFigure->SetEditMode(emNothing);
    });
    FNodeMenu->addSeparator();
    for (const char* name : {"GoNodeEdit", "Undo", "Redo", "WindowScale", "XAxisScale", "YAxisScale"})
        FNodeMenu->addAction(act(name));

    // Menus of the status icons.
    TSuperGrWindow& w = *FFigure;
    FScaleIconMenu = new QMenu(this);
    FMoveIconMenu = new QMenu(this);
    FAxesIconMenu = new QMenu(this);
    const std::pair<bool, bool> pairs[] = {{true, true}, {true, false}, {false, true}, {false, false}};
    const char* scaleCaptions[] = {"Масштабирование по X и Y", "Масштабирование по X", "Масштабирование по Y",
                                   "Не масштабировать графики"};
    const char* moveCaptions[] = {"Смещение по X и Y", "Смещение по X", "Смещение по Y",
                                  "Не смещать графики"};
    const char* axesCaptions[] = {"Группировать оси по Х и Y", "Группировать оси по Х",
                                  "Группировать оси по Y", "Не группировать оси"};
    for (int i = 0; i < 4; ++i) {
        // Plain variables: clang before 16 cannot capture a structured binding.
        const bool x = pairs[i].first;
        const bool y = pairs[i].second;
        connect(FScaleIconMenu->addAction(QString::fromUtf8(scaleCaptions[i])), &QAction::triggered, this,
                [this, &w, x, y] {
                    w.DrawPolicy.SetAllowScale(x, y);
                    FStatus->update();
                });
        connect(FMoveIconMenu->addAction(QString::fromUtf8(moveCaptions[i])), &QAction::triggered, this,
                [this, &w, x, y] {
                    w.DrawPolicy.SetAllowPos(x, y);
                    FStatus->update();
                });
        connect(FAxesIconMenu->addAction(QString::fromUtf8(axesCaptions[i])), &QAction::triggered, this,
                [&w, x, y] { w.SetCombineAxes(x, y); });
    }
}

void TMainWindow::CreateToolBars() {
    auto act = [this](const char* name) { return Action(QString::fromUtf8(name)); };
    FMainBar = addToolBar(QStringLiteral("Главная панель"));
    FMainBar->setObjectName(QStringLiteral("MainToolBar"));
    FMainBar->setMovable(false);
    FMainBar->setIconSize(QSize(18, 18));
    auto add = [&](std::initializer_list<const char*> names) {
        for (const char* name : names)
            FMainBar->addAction(act(name));
    };
    add({"NewFigure", "OpenFigure", "SaveFigure"});
    FMainBar->addSeparator();
    add({"AddGraph", "DelGraph"});
    if (auto* button = qobject_cast<QToolButton*>(FMainBar->widgetForAction(act("DelGraph"))))
        button->setPopupMode(QToolButton::InstantPopup);
    FMainBar->addSeparator();
    add({"SaveGraphs", "Print", "CopyToClipBoard", "SavePicture"});
    FMainBar->addSeparator();
    add({"Undo", "Redo", "RefreshScales", "WindowScale", "XAxisScale", "YAxisScale"});
    FMainBar->addSeparator();

    // Alignment of scales and of offsets: four choices each.
    TDrawPolicy& policy = FFigure->DrawPolicy;
    const std::pair<bool, bool> pairs[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    const char* scaleCaptions[] = {"Не выравнивать масштабы", "Выровнять масштабы по X",
                                   "Выровнять масштабы по Y", "Выровнять масштабы по X и Y"};
    const char* posCaptions[] = {"Не выравнивать смещение", "Выровнять смещение по X",
                                 "Выровнять смещение по Y", "Выровнять смещение по X и Y"};
    auto makeAlign = [&](const QString& name, const QString& tip, const char* const* captions, bool scales) {
        auto* button = new QToolButton(FMainBar);
        button->setObjectName(name);
        button->setToolTip(tip);
        button->setPopupMode(QToolButton::InstantPopup);
        auto* menu = new QMenu(button);
        for (int i = 0; i < 4; ++i) {
            // Plain variables: clang before 16 cannot capture a structured binding.
            const bool x = pairs[i].first;
            const bool y = pairs[i].second;
            TIconLook look;
            look.Kind = scales ? TIconLook::TKind::Scale : TIconLook::TKind::Move;
            look.X = x ? TAxisState::All : TAxisState::None;
            look.Y = y ? TAxisState::All : TAxisState::None;
            QAction* item = menu->addAction(StateIcon(look), QString::fromUtf8(captions[i]));
            connect(item, &QAction::triggered, this, [&policy, scales, x, y] {
                if (scales)
                    policy.AlignScales(x, y);
                else
                    policy.AlignPositions(x, y);
            });
        }
        button->setMenu(menu);
        FMainBar->addWidget(button);
        return button;
    };
    FScaleAlignButton = makeAlign(QStringLiteral("AlignScalesButton"), QStringLiteral("Выровнять масштабы"),
                                  scaleCaptions, true);
    FPosAlignButton = makeAlign(QStringLiteral("AlignPositionsButton"), QStringLiteral("Выровнять смещение"),
                                posCaptions, false);
    add({"ScaleSnap"});
    FMainBar->addSeparator();
    add({"Equation", "Filtration", "TableDataView", "GoNodeEdit"});
    FMainBar->addSeparator();
    add({"GraphProperties", "ShowSettings"});
    QAction* help =
        FMainBar->addAction(ThemedIcon(QStringLiteral("help-contents")), QStringLiteral("Справка"));
    help->setObjectName(QStringLiteral("HelpButton"));
    add({"CloseForm"});
    UpdateAlignButtons();

    // Node tool bar: right edge, vertical, shown only in node work.
    FNodeBar = new QToolBar(QStringLiteral("Узлы"), this);
    FNodeBar->setObjectName(QStringLiteral("NodeToolBar"));
    FNodeBar->setOrientation(Qt::Vertical);
    FNodeBar->setMovable(false);
    FNodeBar->setIconSize(QSize(18, 18));
    addToolBar(Qt::RightToolBarArea, FNodeBar);
    for (const char* name :
         {"SelectNodes", "UnSelectNodes", "MoveNodes", "InsertNodes", "DeleteNodes", "CutSelectedNodes"})
        FNodeBar->addAction(act(name));
    auto* curveButton = new QToolButton(FNodeBar);
    curveButton->setObjectName(QStringLiteral("ShiftCurveButton"));
    curveButton->setIcon(ThemedIcon(QStringLiteral("shift-curve")));
    curveButton->setToolTip(QStringLiteral("Настройка смещения узлов"));
    curveButton->setPopupMode(QToolButton::InstantPopup);
    curveButton->setMenu(FShiftCurveMenu);
    FNodeBar->addWidget(curveButton);
    FNodeBar->hide();
}

void TMainWindow::RebuildDeleteMenu() {
    FDeleteMenu->clear();
    for (int i = 0; i < FFigure->GraphCount(); ++i) {
        const int32_t id = FFigure->GraphByIndex(i)->ID;
        connect(FDeleteMenu->addAction(FFigure->GraphByIndex(i)->Name()), &QAction::triggered, this,
                [this, id] { FFigure->DeleteGraph(FFigure->IndexOfGraphID(id)); });
    }
    FDeleteMenu->addSeparator();
    connect(FDeleteMenu->addAction(QStringLiteral("Удалить все графики")), &QAction::triggered, this,
            [this] { FFigure->DeleteAllGraphs(); });
    connect(FDeleteMenu->addAction(QStringLiteral("Удалить выбранные графики")), &QAction::triggered, this,
            [this] { FFigure->DeleteSelectedGraphs(); });
}

// ---------------------------------------------------------------------------------------------
// Events of the graph window.

void TMainWindow::WireEvents() {
    TWindowEvents& ev = FFigure->Events;
    // Each handler keeps the one it replaces, so earlier listeners still hear the event.
    auto chain = [](auto& slot, auto handler) {
        auto previous = slot;
        slot = [previous, handler](auto... args) {
            handler(args...);
            if (previous) previous(args...);
        };
    };
    chain(ev.OnAddGraph, [this](TComponent*, int) { UpdateGraphActions(); });
    chain(ev.OnDelGraph, [this](TComponent*, int) {
        FCurrentGraph = std::min(FCurrentGraph, FFigure->GraphCount() - 1);
        UpdateGraphActions();
    });
    chain(ev.OnUndoRedoOp, [this](TComponent*, int, bool, bool) { UpdateGraphActions(); });
    chain(ev.OnGraphsListChanged, [this](TComponent*, const QStringList&) {
        if (FFigure->GraphCount() == 0) ShowStatusText(0, QString());
        FStatus->update();
    });
    chain(ev.OnChangeGraphStyle, [this](TComponent*, int, int, int) { FStatus->update(); });
    chain(ev.OnChangeSelectedCnt, [this](TComponent*, int) { FStatus->update(); });
    chain(ev.OnChangeGraphState, [this](TComponent*, int, int, bool) { UpdateStatusIcons(); });
    chain(ev.OnChangeCombineAxis, [this](TComponent*, bool x, bool y) {
        FAxesIcon = AxesIconFor(x, y);
        FStatus->update();
    });
    chain(ev.OnNewCoords,
          [this](TComponent*, int x, int y) { ShowStatusText(0, CoordinatesText(*FFigure, x, y)); });
    chain(ev.OnChangeEditStatus,
          [this](TComponent*) { ShowStatusText(1, ModifiedText(FFigure->Modified())); });
    chain(ev.OnToolModeChange, [this](TComponent*, TToolMode, TToolMode mode) {
        const bool edit = mode == tmEdit;
        if (mode == tmNothing) FFigure->SetEditMode(emNothing);
        if (edit) FFigure->SetZoomMode(zmNone);
        Action(QStringLiteral("GoNodeEdit"))->setChecked(edit);
        FNodeBar->setVisible(edit);
        ShowStatusText(3, ToolModeText(mode));
    });
    chain(ev.OnZoomModeChange, [this](TComponent*, TZoomMode, TZoomMode mode) {
        const QString checked = CheckedZoomAction(mode);
        for (const char* name : {"WindowScale", "XAxisScale", "YAxisScale"})
            Action(QString::fromUtf8(name))->setChecked(checked == QLatin1String(name));
        const bool nodes = NodeActionsEnabled(FFigure->ToolMode(), mode);
        for (const QString& name : NodeActions())
            Action(name)->setEnabled(nodes);
    });
    chain(ev.OnEditModeChange, [this](TComponent*, TEditMode, TEditMode mode) {
        ShowStatusText(4, EditModeText(mode));
        const std::pair<const char*, TEditMode> modes[] = {{"SelectNodes", emSelect},
                                                           {"MoveNodes", emMove},
                                                           {"InsertNodes", emInsert},
                                                           {"DeleteNodes", emDelete}};
        for (const auto& [name, m] : modes)
            Action(QString::fromUtf8(name))->setChecked(mode == m);
    });
    chain(ev.OnLegendChange, [this](TComponent*) {
        Action(QStringLiteral("LegendProps"))->setText(LegendActionCaption(FFigure->ShowLegend()));
    });
    chain(ev.OnGraphClick, [this](TComponent*, int index, TShiftState shift, int x, int y) {
        FCurrentGraph = index;
        if ((shift & ssRight) && !(shift & (ssShift | ssCtrl)))
            ShowGraphMenu(index, FGraphWidget->mapToGlobal(QPoint(x, y)));
    });
    chain(ev.OnGraphDblClick, [this](TComponent*, int index, TShiftState, int, int) {
        FCurrentGraph = index;
        if (ApplyDoubleClick(*FFigure, index, DblClickAction) == TDblClickResult::ShowProperties)
            Action(QStringLiteral("CurGraphProps"))->trigger();
    });
    chain(ev.OnAxesSaved,
          [this](TComponent*, bool saved) { Action(QStringLiteral("RestoreAxes"))->setEnabled(saved); });
    // Hints are switched off while the view animates: a tooltip would stall the frames.
    chain(ev.OnStartAnimation, [this](TComponent*) {
        if (FHintsEnabled) qApp->installEventFilter(this);
        FHintsEnabled = false;
    });
    chain(ev.OnStopAnimation, [this](TComponent*) {
        qApp->removeEventFilter(this);
        FHintsEnabled = true;
    });
}

void TMainWindow::UpdateGraphActions() {
    const bool graphs = FFigure->GraphCount() > 0;
    for (const QString& name : GraphDependentActions())
        Action(name)->setEnabled(graphs && !FUnavailable.contains(name));
    FIconsEnabled = graphs;
    Action(QStringLiteral("Undo"))->setEnabled(FFigure->HaveUndo());
    Action(QStringLiteral("Redo"))->setEnabled(FFigure->HaveRedo());
    if (FStatus) FStatus->update();
}

void TMainWindow::UpdateStatusIcons() {
    const TPermissionCounts c = CountPermissions(*FFigure);
    FScaleIcon = ScaleIconFor(c.Graphs, c.ScaleX, c.ScaleY);
    FMoveIcon = MoveIconFor(c.Graphs, c.ShiftX, c.ShiftY);
    UpdateAlignButtons();
    if (FStatus) FStatus->update();
}

void TMainWindow::UpdateAlignButtons() {
    if (!FScaleAlignButton) return;
    const TDrawPolicy& p = FFigure->DrawPolicy;
    auto state = [](bool on) { return on ? TAxisState::All : TAxisState::None; };
    FScaleAlignButton->setIcon(
        StateIcon({TIconLook::TKind::Scale, state(p.SingleScaleX()), state(p.SingleScaleY())}));
    FPosAlignButton->setIcon(
        StateIcon({TIconLook::TKind::Move, state(p.SinglePosX()), state(p.SinglePosY())}));
}

void TMainWindow::SetTitle(const QString& title) {
    setWindowTitle(title);
    FFigure->Caption = FileName();
}

QString TMainWindow::FileName() const {
    return FDocument->FileName().isEmpty() ? FPresetFileName : FDocument->FileName();
}

void TMainWindow::ShowStatusText(int panel, const QString& text) {
    if (FStatus) FStatus->SetText(panel, text);
}

QString TMainWindow::PanelText(int panel) const {
    return FStatus->Text(panel);
}

bool TMainWindow::TextFieldHasFocus() const {
    QWidget* focus = QApplication::focusWidget();
    return qobject_cast<QLineEdit*>(focus) || qobject_cast<QTextEdit*>(focus) ||
           qobject_cast<QPlainTextEdit*>(focus) || qobject_cast<QAbstractSpinBox*>(focus);
}

TAnswer TMainWindow::AskUser(const QString& text, bool withCancel) {
    if (Ask) return Ask(text);
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel) buttons |= QMessageBox::Cancel;
    const auto button = QMessageBox::question(this, QStringLiteral("Внимание"), ForDisplay(text), buttons);
    if (button == QMessageBox::Yes) return TAnswer::Yes;
    if (button == QMessageBox::No) return TAnswer::No;
    return TAnswer::Cancel;
}

void TMainWindow::TellUser(const QString& text) {
    if (ShowMessage) return ShowMessage(text);
    QMessageBox::warning(this, QStringLiteral("Tarvelo"), ForDisplay(text));
}

// ---------------------------------------------------------------------------------------------
// Commands.

bool TMainWindow::OpenFromCommandLine(const QString& argument) {
    return FDocument->OpenFromCommandLine(argument);
}

void TMainWindow::NewFigure() {
    if (AskUser(NewFigureQuestion(), false) != TAnswer::Yes) return;
    FDocument = std::make_unique<TFigureDocument>(*FFigure, *FFileUi);
    FPresetFileName = DefaultFileName();
    SetTitle(figurefile::TitleFor(FPresetFileName));
    FFigure->ResetFigure();
    FCurrentGraph = -1;
    UpdateGraphActions();
}

TAddGraphsDialog& TMainWindow::AddGraphsDialog() {
    if (!FAddGraphs) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        FAddGraphs = new TAddGraphsDialog(*FFigure, this);
        QApplication::restoreOverrideCursor();
    }
    FAddGraphs->Model().AutoSelectNewGraphs = AutoSelectNewGraphs;
    return *FAddGraphs;
}

void TMainWindow::OpenDataFiles(const QStringList& files) {
    if (files.isEmpty()) return;
    FGraphWidget->setFocus();
    AddGraphsDialog().ExecFor(files);
    FFigure->RefreshAll();
}

void TMainWindow::AddGraphFromFiles() {
    const QStringList files = ChooseDataFiles ? ChooseDataFiles() : TAddGraphsDialog::AskDataFiles(this);
    OpenDataFiles(files);
}

void TMainWindow::EmptyGraph() {
    FFigure->AddGraph(QStringLiteral("Noname"), false, {}, {}, {});
    FFigure->Repaint();
}

void TMainWindow::DeleteAllGraphsCommand() {
    FFigure->DeleteAllGraphs();
    ShowStatusText(0, QString());
    // The figure keeps its name but the next save asks for a file again.
    const QString name = FileName();
    FDocument = std::make_unique<TFigureDocument>(*FFigure, *FFileUi);
    FPresetFileName = name;
}

namespace {
// A picture written by the export into a temporary folder, read back; empty when it cannot be made.
QByteArray ExportedPicture(TSuperGrWindow& figure, const QTemporaryDir& dir, const QString& name,
                           TPictureFormat format, const TPictureOptions& options) {
    const QString path = dir.filePath(name);
    QString error;
    if (!ExportPicture(figure, path, format, options, &error)) return {};
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

std::unique_ptr<QMimeData> TMainWindow::FigurePictures(TSuperGrWindow& figure, int scheme, int* errorCode) {
    errno = 0;
    auto fail = [errorCode]() -> std::unique_ptr<QMimeData> {
        if (errorCode) *errorCode = errno; // the failed file operation's reason
        return nullptr;
    };
    // Every program takes the bitmap; it has the bitmap export's scale. The vector pictures have the
    // metafile export's scale.
    TPictureOptions bitmap;
    bitmap.Scale = figure.BmpExportScale;
    bitmap.Scheme = scheme;
    const QImage image = RenderBitmap(figure, bitmap);
    if (image.isNull()) return fail();
    auto data = std::make_unique<QMimeData>();
    data->setImageData(image);

    TPictureOptions vector = bitmap;
    vector.Scale = figure.EmfExportScale;
    QTemporaryDir dir;
    // With bitmap export off the copy is the enhanced metafile, under the names the programs of
    // this platform look for.
    if (!figure.BitmapExport) {
        const QByteArray emf = dir.isValid() ? ExportedPicture(figure, dir, QStringLiteral("figure.emf"),
                                                               TPictureFormat::Emf, vector)
                                             : QByteArray();
        if (emf.isEmpty()) return fail();
        data->setData(QStringLiteral("image/emf"), emf);
        data->setData(QStringLiteral("image/x-emf"), emf);
    }
    // SVG beside them for the programs that take it; the copy does not depend on it.
    if (dir.isValid()) {
        const QByteArray svg =
            ExportedPicture(figure, dir, QStringLiteral("figure.svg"), TPictureFormat::Svg, vector);
        if (!svg.isEmpty()) data->setData(QStringLiteral("image/svg+xml"), svg);
    }
    return data;
}

void TMainWindow::CopyToClipboard() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    int code = 0;
    std::unique_ptr<QMimeData> pictures =
        clipboard ? FigurePictures(*FFigure, ExportColorScheme, &code) : nullptr;
    if (!pictures) {
        TellUser(QStringLiteral("Системная ошибка №") + QString::number(code) + QStringLiteral("."));
        return;
    }
    clipboard->setMimeData(pictures.release());
}

void TMainWindow::SavePicture() {
    QString fileName;
    if (ChoosePictureFile) {
        fileName = ChoosePictureFile();
    } else {
        QFileDialog dialog(this);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters({QStringLiteral("All (*.png *.jpg *.bmp *.svg *.pdf *.emf)"),
                               QStringLiteral("PNG Image File (*.png)"),
                               QStringLiteral("JPEG Image File (*.jpg)"), QStringLiteral("Bitmaps (*.bmp)"),
                               QStringLiteral("SVG Drawing (*.svg)"), QStringLiteral("PDF Document (*.pdf)"),
                               QStringLiteral("Enhanced Metafiles (*.emf)")});
        dialog.setDefaultSuffix(QStringLiteral("jpg"));
        if (dialog.exec() == QDialog::Accepted) fileName = dialog.selectedFiles().value(0);
    }
    if (fileName.isEmpty()) return;
    const std::optional<TPictureFormat> format = PictureFormatFor(fileName);
    if (!format) {
        TellUser(QStringLiteral("Неизвестный формат изображения: ") + QFileInfo(fileName).suffix());
        return;
    }
    // The export scale follows the kind of picture; the user's bitmap-export setting stays as it is.
    const bool bitmap =
        *format == TPictureFormat::Png || *format == TPictureFormat::Jpg || *format == TPictureFormat::Bmp;
    TPictureOptions options;
    options.Scale = bitmap ? FFigure->BmpExportScale : FFigure->EmfExportScale;
    options.Scheme = ExportColorScheme;
    QString error;
    if (!ExportPicture(*FFigure, fileName, *format, options, &error)) TellUser(error);
}

void TMainWindow::ZoomCommand(QAction* action, bool checked) {
    FFigure->SetZoomMode(checked ? ZoomModeForAction(action->objectName()) : zmNone);
}

void TMainWindow::ToggleNodeWork() {
    if (FFigure->ToolMode() == tmNothing)
        FFigure->SetToolMode(tmEdit);
    else if (FFigure->ToolMode() == tmEdit)
        FFigure->SetToolMode(tmNothing);
    Action(QStringLiteral("GoNodeEdit"))->setChecked(FFigure->ToolMode() == tmEdit);
}

void TMainWindow::ShowLegendAtContextPoint() {
    ToggleLegend(true);
}

void TMainWindow::ToggleLegend(bool atContextPoint) {
    if (FFigure->ShowLegend()) {
        FFigure->SetShowLegend(false);
        return;
    }
    // Showing and placing are one undo step.
    const bool grouping = FFigure->UndoGrouping();
    FFigure->SetUndoGrouping(true);
    FFigure->SetShowLegend(true);
    if (atContextPoint) {
        // The legend's size is known only after it was laid out once: measure it off screen.
        const TRect client = FFigure->ClientRect();
        if (client.Width() > 0 && client.Height() > 0) {
            QImage scratch(client.Width(), client.Height(), QImage::Format_ARGB32_Premultiplied);
            QPainter painter(&scratch);
            PaintFigure(*FFigure, painter, client);
        }
        const TPoint offsets = LegendOffsetsForPoint(*FFigure, FContextPoint.x(), FContextPoint.y());
        FFigure->SetLegendOffsetX(offsets.X);
        FFigure->SetLegendOffsetY(offsets.Y);
    }
    FFigure->SetUndoGrouping(grouping);
    // The legend dialog for an empty legend comes with a later version.
}

void TMainWindow::CancelBinding() {
    const bool grouping = FFigure->UndoGrouping();
    FFigure->SetUndoGrouping(true);
    for (int i = 0; i < FFigure->GraphCount(); ++i) {
        TGraph* g = FFigure->GraphByIndex(i);
        g->SetPosGroupX(-1);
        g->SetPosGroupY(-1);
        g->SetScaleGroupX(-1);
        g->SetScaleGroupY(-1);
    }
    FFigure->SetUndoGrouping(grouping);
    FFigure->Repaint();
}

void TMainWindow::DeleteAllMarkers() {
    const bool grouping = FFigure->UndoGrouping();
    FFigure->SetUndoGrouping(true);
    for (int i = 0; i < FFigure->GraphCount(); ++i)
        FFigure->GraphByIndex(i)->ClearMarkers();
    FFigure->SetUndoGrouping(grouping);
    FFigure->Repaint();
}

void TMainWindow::Paste() {
    if (auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget())) {
        edit->paste();
        return;
    }
    OpenDataFiles({QStringLiteral("<Clipboard>")});
}

void TMainWindow::ShowAbout() {
    QMessageBox::about(
        this, QStringLiteral("О программе"),
        QStringLiteral("<b>Tarvelo</b><br>Просмотр и редактирование двумерных графиков.<br>Версия ") +
            QCoreApplication::applicationVersion());
}

void TMainWindow::ShowWindowMenu(const QPoint& globalPos) {
    FContextPoint = FGraphWidget->mapFromGlobal(globalPos);
    if (FFigure->ToolMode() == tmEdit)
        FNodeMenu->popup(globalPos);
    else
        FWindowMenu->popup(globalPos);
}

void TMainWindow::PrepareGraphMenu() {
    const TGraph* g = FFigure->GraphByIndex(FCurrentGraph);
    FGraphSelectItem->setChecked(g && g->Selected());
    FGraphNodesItem->setChecked(g && g->ShowNodes());
}

void TMainWindow::ShowGraphMenu(int index, const QPoint& globalPos) {
    FCurrentGraph = index;
    PrepareGraphMenu();
    FGraphMenu->popup(globalPos);
}

void TMainWindow::StatusClicked(int panel, int item, Qt::MouseButton button, const QPoint& globalPos) {
    if (panel == 5) {
        TGraph* g = FFigure->GraphByIndex(item);
        if (!g) return;
        if (button == Qt::LeftButton)
            g->SetSelected(!g->Selected());
        else if (button == Qt::RightButton)
            ShowGraphMenu(item, globalPos);
        FStatus->update();
        return;
    }
    if (button != Qt::LeftButton) return;
    if (item == 2)
        FAxesIconMenu->popup(globalPos);
    else if (FIconsEnabled)
        (item == 0 ? FScaleIconMenu : FMoveIconMenu)->popup(globalPos);
}

// ---------------------------------------------------------------------------------------------
// Keys and closing.

void TMainWindow::keyPressEvent(QKeyEvent* event) {
    const bool ctrlOrAlt = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    int key = event->key();
    if (key == Qt::Key_Escape) key = 27;
    const TKeyDecision decision = DecideKey(key, event->modifiers() & Qt::ShiftModifier, ctrlOrAlt,
                                            TextFieldHasFocus(), FFigure->ZoomMode(), FFigure->EditMode());
    if (decision.Action == TKeyAction::None) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    ApplyKey(*FFigure, decision);
    event->accept();
}

bool TMainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && !FHintsEnabled) return true;
    if (watched == FGraphWidget && event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return event->isAccepted();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (FPlotSized) return;
    // The bars' heights are known only now: the plot gets exactly its design size.
    FPlotSized = true;
    resize(size() + QSize(850, 500) - FGraphWidget->size());
    if (const QScreen* screen = this->screen()) {
        const QRect desk = screen->availableGeometry();
        move(desk.left() + (desk.width() - width()) / 2, desk.top() + (desk.height() - height()) / 2);
    }
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    const bool close = MayClose(
        FFigure->Modified(), AskBeforeExit, [this](const QString& q) { return AskUser(q); },
        [this] {
            FDocument->SaveFigure();
            return !FFigure->Modified();
        });
    if (close)
        event->accept();
    else
        event->ignore();
}
