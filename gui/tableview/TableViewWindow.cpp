#include "gui/tableview/TableViewWindow.h"

#include "gui/jobs/JobRunner.h"
#include "gui/widgets/StoredTextGuard.h"
#include "gui/widgets/TitleStrip.h"
#include "model/DrawAdapter.h"
#include "model/Graph.h"
#include "window/SuperGrWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

using namespace tableops;

namespace {
constexpr int NumberColumnWidth = 85;
constexpr int MinColumnWidth = 64;
constexpr int IconSize = 15;

struct TCommandRow {
    const char* Name;
    const char* Caption;
    const char* Keys;
    const char* Hint;
};
const TCommandRow kCommands[] = {
    {"actInsString", "Добавить строку", "Ctrl+I", "Вставка строки в позицию курсора"},
    {"actDelStrings", "Удалить строки", "Ctrl+Y", "Удаление выделенных строк"},
    {"actSelectAll", "Выделить всё", "Ctrl+A", ""},
    {"actSelFound", "Выделить найденное", "Ctrl+Q", ""},
    {"actFind", "Перейти к точке", "Ctrl+F; F7", "Поиск следующей точки с данным условием"},
    {"actUniArg", "Интерполяция аргумента", "Ctrl+K", ""},
    {"actInterp", "Интерполяция значений", "Ctrl+L", ""},
    {"actMoveUp", "Переместить вверх", "Ctrl+U", ""},
    {"actMoveDown", "Переместить вниз", "Ctrl+D", ""},
    {"actSort", "Сортировка аргумента", "Ctrl+S", ""},
    {"actCut", "Вырезать", "Ctrl+X", ""},
    {"actCopy", "Копировать", "Ctrl+C", ""},
    {"actPaste", "Вставить", "Ctrl+V", ""},
    {"actNewGraph", "Новый график", "Ctrl+N", ""},
    {"actThin", "Проредить...", "Ctrl+T", ""},
    {"actUndo", "Отменить", "Ctrl+Alt+Z; Alt+Backspace", ""},
    {"actRedo", "Восстановить", "Ctrl+Shift+Z", ""},
    {"actDelDouble", "Удалить повторные", "Ctrl+R", ""},
};
// The context menu; nullptr: a separator.
const char* const kMenu[] = {"actCut",       "actCopy",       "actPaste",     nullptr,       "actUndo",
                             "actRedo",      nullptr,         "actSelectAll", "actSelFound", nullptr,
                             "actInsString", "actDelStrings", "actDelDouble", "actThin",     nullptr,
                             "actMoveUp",    "actMoveDown",   "actSort",      "actUniArg",   "actInterp"};
// The commands that follow "Удалить строки".
const char* const kRowCommands[] = {"actDelStrings", "actCut",      "actCopy", "actUniArg", "actInterp",
                                    "actMoveUp",     "actMoveDown", "actSort", "actThin",   "actDelDouble"};

QIcon WindowIcon(int number) {
    QPixmap pixmap(IconSize, IconSize);
    pixmap.fill(QColor(128, 128, 128));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, IconSize - 1, IconSize - 1);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(11);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QString::number(number));
    return QIcon(pixmap);
}

QIcon GraphIcon(TColor color) {
    QPixmap pixmap(IconSize, IconSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.setBrush(TDrawAdapter::ToQColor(color));
    painter.drawRect(2, 2, 11, 11);
    return QIcon(pixmap);
}

// The node a tree item or a target entry stands for.
constexpr int NodeRole = Qt::UserRole;
QVariant NodeData(const TTableView::TNode& node) {
    return QVariant::fromValue(QList<qulonglong>{qulonglong(quintptr(node.Window)), qulonglong(node.ID)});
}
TTableView::TNode NodeFrom(const QVariant& v) {
    const QList<qulonglong> parts = v.value<QList<qulonglong>>();
    if (parts.size() != 2) return {};
    return {reinterpret_cast<TSuperGrWindow*>(quintptr(parts[0])), int32_t(parts[1])};
}

// A small borderless dialog with the coloured title strip.
QVBoxLayout* StripLayout(QDialog* dialog, const QString& title) {
    dialog->setWindowTitle(title);
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 6);
    auto* strip = new TTitleStrip(title, dialog);
    QObject::connect(strip, &TTitleStrip::CloseClicked, dialog, &QDialog::reject);
    layout->addWidget(strip);
    return layout;
}
} // namespace

// ---------------------------------------------------------------------------------------------
// The small dialogs

TThinDialog::TThinDialog(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    QVBoxLayout* layout = StripLayout(this, QStringLiteral("Выбор степени прореживания"));
    count_ = new QLineEdit(QStringLiteral("2"));
    // A count beyond the largest one used cannot be typed or confirmed, rather than cut down unseen.
    count_->setValidator(new QIntValidator(1, MaxThinning, count_));
    auto* row = new QHBoxLayout;
    row->setContentsMargins(12, 6, 12, 6);
    row->addWidget(new QLabel(QStringLiteral("Оставить каждую")));
    row->addWidget(count_);
    row->addWidget(new QLabel(QStringLiteral("точку")));
    layout->addLayout(row);
    thin_ = new QPushButton(QStringLiteral("Проредить"));
    thin_->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Отмена"));
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 0, 12, 0);
    buttons->addStretch();
    buttons->addWidget(thin_);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(thin_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(count_, &QLineEdit::textChanged, this,
            [this] { thin_->setEnabled(count_->hasAcceptableInput()); });
}

int TThinDialog::Ask() {
    count_->selectAll();
    count_->setFocus();
    if (exec() != QDialog::Accepted) return 0;
    return count_->hasAcceptableInput() ? count_->text().toInt() : 0;
}

TGraphNameDialog::TGraphNameDialog(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    QVBoxLayout* layout = StripLayout(this, QStringLiteral("Создание нового графика"));
    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 6, 12, 0);
    body->addWidget(new QLabel(QStringLiteral("Введите имя нового графика:")));
    name_ = new QLineEdit(QStringLiteral("Новый график"));
    GuardStoredText(name_);
    body->addWidget(name_);
    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Отмена"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    body->addLayout(buttons);
    layout->addLayout(body);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(name_, &QLineEdit::textChanged, ok,
            [ok](const QString& text) { ok->setEnabled(!text.isEmpty()); });
}

QString TGraphNameDialog::Ask() {
    name_->selectAll();
    name_->setFocus();
    return exec() == QDialog::Accepted ? name_->text() : QString();
}

TFindPointDialog::TFindPointDialog(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    QVBoxLayout* layout = StripLayout(this, QStringLiteral("Расширенный поиск точки"));
    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 6, 12, 6);
    for (const char* line :
         {"Введите строку для поиска, используя следующие обозначения:", "N или № - номер точки,",
          "X - аргумент графика,", "Y - значения графика.", "Например: N > 100 && (X < 500 | Y > 0.7)"})
        body->addWidget(new QLabel(QString::fromUtf8(line)));
    condition_ = new QLineEdit;
    body->addWidget(condition_);
    auto* direction = new QGroupBox(QStringLiteral("Направление поиска"));
    auto* directionLayout = new QHBoxLayout(direction);
    forward_ = new QRadioButton(QStringLiteral("Вперёд"));
    forward_->setChecked(true);
    directionLayout->addWidget(forward_);
    directionLayout->addWidget(new QRadioButton(QStringLiteral("Назад")));
    wrap_ = new QCheckBox(QStringLiteral("Цикличный поиск"));
    wrap_->setChecked(true);
    auto* options = new QHBoxLayout;
    options->addWidget(direction);
    options->addWidget(wrap_);
    body->addLayout(options);
    auto* next = new QPushButton(QStringLiteral("Найти далее"));
    next->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("Закрыть"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(next);
    buttons->addWidget(close);
    body->addLayout(buttons);
    layout->addLayout(body);
    connect(next, &QPushButton::clicked, this, [this] {
        if (OnFindNext) OnFindNext();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

QString TFindPointDialog::Condition() const {
    return condition_->text();
}
bool TFindPointDialog::Forward() const {
    return forward_->isChecked();
}
bool TFindPointDialog::Wrap() const {
    return wrap_->isChecked();
}

// ---------------------------------------------------------------------------------------------
// The window

TTableViewWindow::TTableViewWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Просмотр данных"));
    model_ = new TTableItemModel(view_.Data, this);
    view_.Ask = [this](const QString& text, bool withCancel) {
        QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
        if (withCancel) buttons |= QMessageBox::Cancel;
        const auto answer = QMessageBox::question(this, QStringLiteral("Внимание"), text, buttons);
        return answer == QMessageBox::Yes  ? TTableView::TAnswer::Yes
               : answer == QMessageBox::No ? TTableView::TAnswer::No
                                           : TTableView::TAnswer::Cancel;
    };
    view_.Message = [this](const QString& text) { QMessageBox::information(this, windowTitle(), text); };
    view_.OnTreeChanged = [this] { RebuildTree(); };

    tree_ = new QTreeWidget;
    tree_->setHeaderHidden(true);
    tree_->setIconSize(QSize(IconSize, IconSize));
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { TreeSelectionChanged(item); });

    title_ = new QLabel;
    grid_ = new QTableView;
    grid_->setModel(model_);
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    grid_->verticalHeader()->hide();
    grid_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 4);
    grid_->horizontalHeader()->setHighlightSections(false);
    grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    grid_->setContextMenuPolicy(Qt::CustomContextMenu);
    grid_->installEventFilter(this);
    grid_->viewport()->installEventFilter(this);
    connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { CurrentCellChanged(current); });
    connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { UpdateVisibleRows(); });
    connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (!CellEditorOpen()) menu_->popup(grid_->viewport()->mapToGlobal(pos));
    });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        FitColumns();
        ShowCurrentRow();
    });
    connect(model_, &QAbstractItemModel::dataChanged, this, [this] { UpdateStates(); });

    auto* right = new QWidget;
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(title_);
    rightLayout->addWidget(grid_, 1);

    auto* splitter = new QSplitter;
    splitter->addWidget(tree_);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 430});

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addWidget(CreateSidePanel());

    CreateActions();
    thinDialog_ = new TThinDialog(this);
    findDialog_ = new TFindPointDialog(this);
    nameDialog_ = new TGraphNameDialog(this);
    findDialog_->OnFindNext = [this] { FindNext(); };
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { UpdateStates(); });
    resize(940, 520);
    UpdateStates();
}

TTableViewWindow::~TTableViewWindow() {
    view_.OnTreeChanged = nullptr;
    view_.ReleaseWindows();
}

QWidget* TTableViewWindow::CreateSidePanel() {
    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);

    save_ = new QPushButton(QStringLiteral("Сохранить данные в график"));
    targets_ = new QComboBox;
    targets_->setIconSize(QSize(32, 12));
    cancelAll_ = new QPushButton(QStringLiteral("Отменить все"));
    auto* close = new QPushButton(QStringLiteral("Закрыть"));
    connect(save_, &QPushButton::clicked, this, [this] { SaveIntoTarget(); });
    connect(targets_, &QComboBox::activated, this,
            [this] { save_->setEnabled(NodeFrom(targets_->currentData(NodeRole)).IsGraph()); });
    connect(cancelAll_, &QPushButton::clicked, this, [this] {
        view_.CancelAll();
        UpdateStates();
    });
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* search = new QGroupBox(QStringLiteral("Поиск"));
    auto* searchLayout = new QGridLayout(search);
    searchColumn_ = new QComboBox;
    searchColumn_->addItems({QStringLiteral("№"), QStringLiteral("X"), QStringLiteral("Y")});
    searchOp_ = new QComboBox;
    searchOp_->addItems({QStringLiteral("="), QStringLiteral(">"), QStringLiteral("<"), QStringLiteral(">="),
                         QStringLiteral("<="), QStringLiteral("~=")});
    searchValue_ = new QLineEdit(QStringLiteral("1"));
    find_ = new QPushButton(QStringLiteral("Перейти к точке"));
    extendedFind_ = new QPushButton(QStringLiteral("Расширенный поиск точки..."));
    searchLayout->addWidget(searchColumn_, 0, 0);
    searchLayout->addWidget(searchOp_, 0, 1);
    searchLayout->addWidget(searchValue_, 0, 2);
    searchLayout->addWidget(find_, 1, 0, 1, 3);
    searchLayout->addWidget(extendedFind_, 2, 0, 1, 3);
    connect(find_, &QPushButton::clicked, this, [this] { Find(); });
    connect(extendedFind_, &QPushButton::clicked, this, [this] {
        findDialog_->show();
        findDialog_->raise();
    });

    auto* align = new QGroupBox(QStringLiteral("Выравнивание:"));
    auto* alignLayout = new QVBoxLayout(align);
    alignLeft_ = new QRadioButton(QStringLiteral("Влево"));
    alignRight_ = new QRadioButton(QStringLiteral("Вправо"));
    alignDot_ = new QRadioButton(QStringLiteral("По точке"));
    alignDot_->setChecked(true);
    for (QRadioButton* button : {alignLeft_, alignRight_, alignDot_}) {
        alignLayout->addWidget(button);
        connect(button, &QRadioButton::toggled, this, [this](bool on) {
            if (on) ApplyAlignment();
        });
    }
    roundDigits_ = new QCheckBox(QStringLiteral("Число значащих цифр:"));
    roundDigits_->setChecked(true);
    digits_ = new QSpinBox;
    digits_->setRange(2, 18);
    digits_->setValue(8);
    connect(roundDigits_, &QCheckBox::toggled, this, [this](bool on) {
        model_->SetRoundDigits(on);
        digits_->setEnabled(on);
    });
    connect(digits_, &QSpinBox::valueChanged, this, [this](int n) { model_->SetSignificantDigits(n); });
    auto* digitsRow = new QHBoxLayout;
    digitsRow->addWidget(roundDigits_);
    digitsRow->addWidget(digits_);
    onTop_ = new QCheckBox(QStringLiteral("Поверх других окон"));
    connect(onTop_, &QCheckBox::toggled, this, [this](bool on) {
        setWindowFlag(Qt::WindowStaysOnTopHint, on);
        show();
    });

    layout->addWidget(save_);
    layout->addWidget(targets_);
    layout->addWidget(cancelAll_);
    layout->addWidget(search);
    layout->addWidget(align);
    layout->addLayout(digitsRow);
    layout->addWidget(onTop_);
    layout->addStretch();
    layout->addWidget(close);
    return panel;
}

void TTableViewWindow::CreateActions() {
    for (const TCommandRow& row : kCommands) {
        auto* action = new QAction(QString::fromUtf8(row.Caption), this);
        action->setObjectName(QString::fromLatin1(row.Name));
        action->setShortcuts(QKeySequence::listFromString(QString::fromUtf8(row.Keys)));
        action->setShortcutContext(Qt::WindowShortcut);
        if (*row.Hint) action->setToolTip(QString::fromUtf8(row.Hint));
        addAction(action);
        actions_.insert(QByteArray(row.Name), action);
    }
    TTableData& table = view_.Data;
    const auto bind = [this](const char* name, const std::function<void()>& command) {
        connect(Action(name), &QAction::triggered, this, [this, command] { Run(command); });
    };
    bind("actInsString", [&table] { table.InsertRowAtCurrent(); });
    bind("actDelStrings", [this, &table] {
        if (!CellEditorOpen()) table.DeleteSelectedRows();
    });
    bind("actSelectAll", [&table] { table.SelectAll(); });
    bind("actSelFound", [&table] { table.SelectFound(); });
    bind("actUniArg", [&table] { InterpolateArgument(table); });
    bind("actInterp", [&table] { InterpolateValues(table); });
    bind("actMoveUp", [&table] { MoveUp(table); });
    bind("actMoveDown", [&table] { MoveDown(table); });
    bind("actSort", [this, &table] { SortByArgument(table, TJobRunner::For(this)); });
    bind("actDelDouble", [&table] { DeleteRepeated(table); });
    bind("actUndo", [&table] { table.Undo(); });
    bind("actRedo", [&table] { table.Redo(); });
    bind("actThin", [this] { Thin(); });
    bind("actCut", [this] { Cut(); });
    bind("actPaste", [this] { Paste(); });
    connect(Action("actCopy"), &QAction::triggered, this, [this] { Copy(); });
    connect(Action("actFind"), &QAction::triggered, this, [this] {
        if (find_->isEnabled()) Find();
    });
    connect(Action("actNewGraph"), &QAction::triggered, this, [this] { NewGraph(); });

    menu_ = new QMenu(this);
    for (const char* name : kMenu)
        if (name)
            menu_->addAction(Action(name));
        else
            menu_->addSeparator();
}

// ---------------------------------------------------------------------------------------------
// Windows and the tree

void TTableViewWindow::AddWindow(TSuperGrWindow& window) {
    view_.AddWindow(window);
}

bool TTableViewWindow::SelectGraph(const TGraph* graph) {
    const bool ok = view_.SelectGraph(graph);
    RebuildTree();
    Loaded();
    return ok;
}

void TTableViewWindow::SetDigitAlign(TDigitAlign align) {
    (align == daLeft ? alignLeft_ : align == daRight ? alignRight_ : alignDot_)->setChecked(true);
    ApplyAlignment();
}

void TTableViewWindow::ApplyAlignment() {
    const TDigitAlign align = alignLeft_->isChecked() ? daLeft : alignRight_->isChecked() ? daRight : daDot;
    grid_->setFont(align == daDot ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QFont());
    model_->SetDigitAlign(align);
    UpdateVisibleRows();
}

void TTableViewWindow::ShowTable() {
    if (!isVisible()) {
        view_.Show();
        RebuildTree();
    }
    show();
    raise();
    activateWindow();
    grid_->setFocus();
}

void TTableViewWindow::RebuildTree() {
    filling_ = true;
    tree_->clear();
    targets_->clear();
    const TTableView::TNode selection = view_.Selection();
    QTreeWidgetItem* current = nullptr;
    for (int w = 0; w < view_.WindowCount(); ++w) {
        TSuperGrWindow& window = view_.Window(w);
        auto* root = new QTreeWidgetItem(tree_, {view_.WindowText(w)});
        root->setIcon(0, WindowIcon(w + 1));
        root->setData(0, NodeRole, NodeData({&window, -1}));
        if (selection == TTableView::TNode{&window, -1}) current = root;
        for (int g = 0; g < window.GraphCount(); ++g) {
            const TGraph* graph = window.GraphByIndex(g);
            const TTableView::TNode node{&window, graph->ID};
            auto* item = new QTreeWidgetItem(root, {graph->Name()});
            item->setIcon(0, GraphIcon(graph->Color()));
            item->setData(0, NodeRole, NodeData(node));
            if (node == selection) current = item;
            const QString prefix = view_.WindowCount() > 1 ? QStringLiteral("%1: ").arg(w + 1) : QString();
            targets_->addItem(GraphIcon(graph->Color()), prefix + graph->Name(), NodeData(node));
            if (node == selection) targets_->setCurrentIndex(targets_->count() - 1);
        }
    }
    tree_->expandAll();
    tree_->setCurrentItem(current);
    filling_ = false;
    Loaded();
}

void TTableViewWindow::TreeSelectionChanged(QTreeWidgetItem* item) {
    if (filling_) return;
    const TTableView::TNode node = item ? NodeFrom(item->data(0, NodeRole)) : TTableView::TNode{};
    view_.Select(node);
    // A refusal puts the tree back on the shown graph; the tree is rebuilt once its signal is over.
    QMetaObject::invokeMethod(
        this, [this] { RebuildTree(); }, Qt::QueuedConnection);
}

void TTableViewWindow::Loaded() {
    const TGraph* graph = view_.Selection().Graph();
    title_->setText(graph && view_.Data.HasTable() ? graph->Name() : QString());
    grid_->setVisible(view_.Data.HasTable());
    save_->setEnabled(view_.Data.HasTable() && NodeFrom(targets_->currentData(NodeRole)).IsGraph());
    targets_->setEnabled(save_->isEnabled());
    UpdateStates();
}

void TTableViewWindow::UpdateStates() {
    const TTableCommandState state = CommandState(view_.Data);
    for (const char* name : kRowCommands)
        Action(name)->setEnabled(state.RowActions);
    Action("actDelStrings")->setText(state.DeleteCaption);
    Action("actInsString")->setEnabled(state.InsertRow);
    Action("actSelectAll")->setEnabled(state.InsertRow);
    Action("actSelFound")->setEnabled(state.SelectFound);
    Action("actUndo")->setEnabled(state.Undo);
    Action("actRedo")->setEnabled(state.Redo);
    Action("actNewGraph")->setEnabled(tree_->topLevelItemCount() > 0);
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    Action("actPaste")
        ->setEnabled(tree_->topLevelItemCount() > 0 && clip && clip->hasText() && !clip->text().isEmpty());
    Action("actFind")->setEnabled(state.Find);
    cancelAll_->setEnabled(state.CancelAll);
    find_->setEnabled(state.Find);
    extendedFind_->setEnabled(state.Find);
}

// ---------------------------------------------------------------------------------------------
// The grid

void TTableViewWindow::FitColumns() {
    const int columns = view_.Data.ColumnCount();
    grid_->setColumnWidth(0, NumberColumnWidth - 4);
    for (int c = 1; c <= columns; ++c)
        grid_->setColumnWidth(
            c, std::max(MinColumnWidth,
                        (grid_->viewport()->width() - NumberColumnWidth) / std::max(columns, 1) - 1));
    UpdateVisibleRows();
}

void TTableViewWindow::UpdateVisibleRows() {
    const int first = std::max(grid_->rowAt(0), 0);
    int last = grid_->rowAt(grid_->viewport()->height() - 1);
    if (last < 0) last = view_.Data.RowCount() - 1;
    model_->SetVisibleRows(first, last);
    if (model_->DigitAlign() == daDot) grid_->viewport()->update();
}

void TTableViewWindow::ShowCurrentRow() {
    if (!view_.Data.HasTable()) return;
    filling_ = true;
    const int column = std::max(grid_->currentIndex().column(), 1);
    const QModelIndex index =
        model_->index(std::clamp(view_.Data.CurrentRow, 0, view_.Data.RowCount()), column);
    grid_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    grid_->scrollTo(index);
    filling_ = false;
}

bool TTableViewWindow::CellEditorOpen() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus && focus != grid_ && grid_->isAncestorOf(focus);
}

void TTableViewWindow::CurrentCellChanged(const QModelIndex& current) {
    if (filling_ || model_->ChangingRows() || !current.isValid()) return;
    view_.Data.SelectCell(current.row(), inputModifiers_ & Qt::ControlModifier,
                          inputModifiers_ & Qt::ShiftModifier);
    UpdateStates();
}

bool TTableViewWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_->viewport() && event->type() == QEvent::Resize) FitColumns();
    // The wheel scrolls by one row.
    if (watched == grid_->viewport() && event->type() == QEvent::Wheel) {
        const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
        QScrollBar* bar = grid_->verticalScrollBar();
        if (delta != 0) bar->setValue(bar->value() + (delta > 0 ? -1 : 1));
        return true;
    }
    // The click or key that moves the current cell says how the selection follows.
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
        inputModifiers_ = static_cast<QInputEvent*>(event)->modifiers();
        break;
    case QEvent::KeyRelease:
    case QEvent::MouseButtonRelease:
        inputModifiers_ = {};
        break;
    default:
        break;
    }
    if (watched == grid_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers();
        QAction* action = nullptr;
        if (key->key() == Qt::Key_Insert)
            action = mods & Qt::ControlModifier ? Action("actCopy")
                     : mods & Qt::ShiftModifier ? Action("actPaste")
                                                : Action("actInsString");
        else if (key->key() == Qt::Key_Delete)
            action = mods & Qt::ShiftModifier ? Action("actCut") : Action("actDelStrings");
        if (action) {
            // A disabled command does nothing; Ctrl+Insert never adds a row.
            if (action->isEnabled()) action->trigger();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// Esc reaches the window when no cell editor took it.
void TTableViewWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

void TTableViewWindow::closeEvent(QCloseEvent* event) {
    if (!view_.Hide()) {
        event->ignore();
        return;
    }
    thinDialog_->hide();
    findDialog_->hide();
    event->accept();
}

// ---------------------------------------------------------------------------------------------
// Commands

void TTableViewWindow::Run(const std::function<void()>& command) {
    command();
    Done();
}

void TTableViewWindow::Done() {
    ShowCurrentRow();
    UpdateStates();
    grid_->setFocus();
    grid_->viewport()->update();
}

void TTableViewWindow::Copy() {
    if (QWidget* focus = QApplication::focusWidget(); auto* edit = qobject_cast<QLineEdit*>(focus)) {
        edit->copy();
        return;
    }
    QGuiApplication::clipboard()->setText(CopyText(view_.Data));
}

void TTableViewWindow::Cut() {
    if (auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget())) {
        edit->cut();
        return;
    }
    Copy();
    view_.Data.DeleteSelectedRows();
}

void TTableViewWindow::Paste() {
    if (auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget())) {
        edit->paste();
        return;
    }
    view_.PasteText(QGuiApplication::clipboard()->text());
}

void TTableViewWindow::NewGraph() {
    if (const QString name = nameDialog_->Ask(); !name.isEmpty()) view_.NewGraph(name);
    Done();
}

void TTableViewWindow::Thin() {
    if (const int n = thinDialog_->Ask(); n > 0) tableops::Thin(view_.Data, n);
}

void TTableViewWindow::Find() {
    const TFindOutcome outcome =
        GoToPoint(view_.Data, searchColumn_->currentIndex(), searchOp_->currentText(), searchValue_->text());
    Done();
    ShowFindOutcome(outcome, this);
}

void TTableViewWindow::FindNext() {
    const TFindOutcome outcome =
        FindPoint(view_.Data, findDialog_->Condition(), findDialog_->Forward(), findDialog_->Wrap());
    Done();
    ShowFindOutcome(outcome, findDialog_);
}

void TTableViewWindow::ShowFindOutcome(TFindOutcome outcome, QWidget* parent) {
    if (outcome != TFindOutcome::Found) QMessageBox::information(parent, windowTitle(), FindMessage(outcome));
}

void TTableViewWindow::SaveIntoTarget() {
    view_.SaveToGraph(NodeFrom(targets_->currentData(NodeRole)).Graph());
    UpdateStates();
}
