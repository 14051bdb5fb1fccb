#include "gui/addgraphs/AddGraphsDialog.h"

#include "gui/graphwindow/GraphWindowWidget.h"
#include "gui/jobs/JobRunner.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimeEdit>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

enum Page { FilePage, ArrayPage, SeriesPage };
constexpr int kIconSize = 16;
constexpr qint64 kMsPerDay = 86400000;

// Dates are kept as days since 30 December 1899; the pickers only show them.
const QDate& DayZero() {
    static const QDate zero(1899, 12, 30);
    return zero;
}

void SplitDays(Extended days, QDate& date, QTime& time) {
    const Extended whole = std::floor(days);
    qint64 ms = std::llround((days - whole) * kMsPerDay);
    date = DayZero().addDays(qint64(whole));
    if (ms >= kMsPerDay) {
        ms = 0;
        date = date.addDays(1);
    }
    time = QTime(0, 0).addMSecs(int(ms));
}

Extended JoinDays(const QDate& date, const QTime& time) {
    return Extended(DayZero().daysTo(date)) + Extended(time.msecsSinceStartOfDay()) / kMsPerDay;
}

// The icons of the tree, drawn at run time so they stay sharp on any screen.
QIcon DrawnIcon(void (*paint)(QPainter&)) {
    QPixmap pixmap(kIconSize, kIconSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter);
    return QIcon(pixmap);
}

// An empty check box: a variable not plotted.
void PaintBox(QPainter& p) {
    p.setPen(QPen(QColor(0x55, 0x5D, 0x66), 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 2, 2);
}

// A page with a dog-ear and lines of text.
void PaintFile(QPainter& p) {
    QPainterPath page;
    page.moveTo(3.5, 1.5);
    page.lineTo(10, 1.5);
    page.lineTo(13.5, 5);
    page.lineTo(13.5, 14.5);
    page.lineTo(3.5, 14.5);
    page.closeSubpath();
    p.setPen(QPen(QColor(0x55, 0x5D, 0x66), 1));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setPen(QPen(QColor(0x8A, 0x93, 0x9C), 1));
    for (int y = 7; y <= 12; y += 2)
        p.drawLine(QPointF(5.5, y + 0.5), QPointF(11.5, y + 0.5));
}

// A table of three by three cells.
void PaintArray(QPainter& p) {
    p.setPen(QPen(QColor(0x2F, 0x5F, 0xA8), 1));
    p.setBrush(QColor(0xE4, 0xEE, 0xFA));
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.drawLine(QPointF(1.5, 6.5), QPointF(14.5, 6.5));
    p.drawLine(QPointF(1.5, 10), QPointF(14.5, 10));
    p.drawLine(QPointF(6, 2.5), QPointF(6, 13.5));
    p.drawLine(QPointF(10.5, 2.5), QPointF(10.5, 13.5));
}

// A box with a cross: the argument.
void PaintArgument(QPainter& p) {
    PaintBox(p);
    p.setPen(QPen(QColor(0x1F, 0x4F, 0xC8), 2));
    p.drawLine(QPointF(5, 5), QPointF(11, 11));
    p.drawLine(QPointF(11, 5), QPointF(5, 11));
}

// A box with a tick: a plotted variable.
void PaintPlotted(QPainter& p) {
    PaintBox(p);
    p.setPen(QPen(QColor(0x1C, 0x8C, 0x3A), 2));
    p.drawPolyline(QPolygonF({QPointF(3.5, 9), QPointF(6.5, 11.5), QPointF(12.5, 4.5)}));
}

} // namespace

TAddGraphsDialog::TAddGraphsDialog(TSuperGrWindow& target, QWidget* parent)
    : QDialog(parent),
      model_(std::make_unique<TAddGraphsModel>(target, static_cast<TAddGraphsAsker&>(*this))),
      fileIcon_(DrawnIcon(PaintFile)), arrayIcon_(DrawnIcon(PaintArray)),
      argumentIcon_(DrawnIcon(PaintArgument)), plottedIcon_(DrawnIcon(PaintPlotted)),
      notPlottedIcon_(DrawnIcon(PaintBox)) {
    setWindowTitle(TAddGraphsModel::Caption());
    setSizeGripEnabled(true);
    // Files are read off the GUI thread; before the dialog shows, the progress goes over its parent.
    model_->RunJob = [this](const QString& text, const TJobWork& work) {
        return TJobRunner::Instance().Run(isVisible() ? this : parentWidget(), text, work);
    };
    BuildUi();
    RefreshTree();
}

TAddGraphsDialog::~TAddGraphsDialog() {
    // The preview widget refers to the model's preview window: it goes first.
    delete previewWidget_;
}

QString TAddGraphsDialog::FileFilter() {
    return QStringLiteral("All data files (*.mat *.txt *.csv *.tsv *.dat);;Mat files (*.mat);;Txt files "
                          "(*.txt);;CSV files (*.csv *.tsv);;All files (*)");
}

QStringList TAddGraphsDialog::AskDataFiles(QWidget* parent) {
    QFileDialog dialog(parent);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilter(FileFilter());
    dialog.setDefaultSuffix(QStringLiteral("mat"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList{};
}

bool TAddGraphsDialog::AskYesNo(const QString& caption, const QString& text) {
    return QMessageBox::question(this, caption, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TAddGraphsDialog::ShowMessage(const QString& text) {
    QMessageBox::information(this, QString(), text);
}

// ---------------------------------------------------------------------------------------------
// Building the controls

void TAddGraphsDialog::BuildUi() {
    tree_ = new QTreeWidget;
    tree_->setHeaderHidden(true);
    tree_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tree_->setIconSize(QSize(kIconSize, kIconSize));
    tree_->setUniformRowHeights(true);
    tree_->setContextMenuPolicy(Qt::ActionsContextMenu);
    tree_->viewport()->installEventFilter(this);
    connect(tree_, &QTreeWidget::itemSelectionChanged, this, &TAddGraphsDialog::OnTreeSelectionChanged);

    auto* toolBar = new QToolBar;
    toolBar->setIconSize(QSize(kIconSize, kIconSize));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);

    // How text sources are split into fields; the choice rereads them and stays while the program runs.
    separator_ = new QComboBox;
    separator_->addItems(TAddGraphsModel::SeparatorCaptions());
    connect(separator_, &QComboBox::activated, this, [this](int index) {
        model_->SetFieldSeparator(TFieldSeparator(index));
        // A cancelled rereading keeps the old separator.
        separator_->setCurrentIndex(int(model_->FieldSeparator()));
        RefreshTree();
    });
    auto* separatorLabel = new QLabel(Text("Разделитель:"));
    separatorLabel->setBuddy(separator_);
    auto* separatorRow = new QHBoxLayout;
    separatorRow->addWidget(separatorLabel);
    separatorRow->addWidget(separator_, 1);

    auto* left = new QWidget;
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(toolBar);
    leftLayout->addWidget(tree_);
    leftLayout->addLayout(separatorRow);

    pages_ = new QStackedWidget;
    pages_->addWidget(BuildFilePage());
    pages_->addWidget(BuildArrayPage());
    pages_->addWidget(BuildSeriesPage());
    dataGroup_ = new QGroupBox;
    auto* groupLayout = new QVBoxLayout(dataGroup_);
    groupLayout->addWidget(pages_);

    previewWidget_ = new TGraphWindowWidget(model_->Preview());
    previewWidget_->setMinimumHeight(200);

    auto* right = new QWidget;
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(dataGroup_, 0);
    rightLayout->addWidget(previewWidget_, 1);

    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    splitter->setSizes({380, 580});

    auto* addToList = new QPushButton(Text("Добавить в список"));
    auto* clearList = new QPushButton(Text("Очистить список"));
    progress_ = new QProgressBar;
    progress_->setRange(0, 100);
    progress_->setVisible(false);
    buildButton_ = new QPushButton(Text("Добавить"));
    buildButton_->setDefault(true);
    auto* close = new QPushButton(Text("Закрыть"));
    connect(addToList, &QPushButton::clicked, this, &TAddGraphsDialog::OnAddToList);
    connect(clearList, &QPushButton::clicked, this, &TAddGraphsDialog::OnClearList);
    connect(buildButton_, &QPushButton::clicked, this, &TAddGraphsDialog::OnBuild);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(addToList);
    buttons->addWidget(clearList);
    status_ = new QLabel;
    buttons->addWidget(progress_, 1);
    buttons->addWidget(status_, 1);
    buttons->addWidget(buildButton_);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);

    BuildActions(toolBar);
    resize(980, 700);
}

void TAddGraphsDialog::BuildActions(QToolBar* toolBar) {
    struct Item {
        const char* caption;
        const char* withArgumentsCaption;
        void (TAddGraphsModel::*change)(bool);
    };
    const Item items[] = {
        {"Выбрать всё", "Выбрать всё, включая аргументы", &TAddGraphsModel::SelectAllSeries},
        {"Отменить всё", "Отменить всё, включая аргументы", &TAddGraphsModel::DeselectAllSeries},
        {"Инвертировать", "Инвертировать, включая аргументы", &TAddGraphsModel::InvertSeries},
    };
    auto makeAction = [this](const char* caption, void (TAddGraphsModel::*change)(bool), bool withArguments) {
        auto* action = new QAction(Text(caption), this);
        connect(action, &QAction::triggered, this,
                [this, change, withArguments] { ChangeStates([&] { ((*model_).*change)(withArguments); }); });
        return action;
    };
    QList<QAction*> withArguments;
    for (const Item& item : items) {
        QAction* plain = makeAction(item.caption, item.change, false);
        QAction* including = makeAction(item.withArgumentsCaption, item.change, true);
        tree_->addAction(plain);
        withArguments.append(including);
        // The tool button runs the plain command; its arrow offers the one with the arguments.
        auto* button = new QToolButton;
        button->setDefaultAction(plain);
        button->setPopupMode(QToolButton::MenuButtonPopup);
        auto* menu = new QMenu(button);
        menu->addAction(including);
        button->setMenu(menu);
        toolBar->addWidget(button);
    }
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    tree_->addAction(separator);
    tree_->addActions(withArguments);
}

QWidget* TAddGraphsDialog::BuildFilePage() {
    auto* page = new QWidget;
    arrayGrid_ = new QTableWidget(0, 2);
    arrayGrid_->setHorizontalHeaderLabels({Text("Массив"), Text("[столбец x строка]")});
    arrayGrid_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    arrayGrid_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    arrayGrid_->verticalHeader()->setVisible(false);
    arrayGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    arrayGrid_->setSelectionMode(QAbstractItemView::NoSelection);
    arrayGrid_->setMaximumHeight(200);
    summaryLabel_ = new QLabel;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(arrayGrid_);
    layout->addWidget(summaryLabel_);
    return page;
}

QWidget* TAddGraphsDialog::BuildArrayPage() {
    auto* page = new QWidget;
    sizeLabel_ = new QLabel;

    auto* direction = new QGroupBox(Text("Данные располагаются"));
    inColumns_ = new QRadioButton(Text("в столбцах"));
    inRows_ = new QRadioButton(Text("в строках"));
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(inColumns_);
    directionLayout->addWidget(inRows_);
    directionLayout->addStretch();
    auto switchTo = [this](bool inColumns) {
        model_->SetSeriesInColumns(inColumns);
        RefreshTree(); // new series nodes, or the old choice back after a "No"
    };
    connect(inColumns_, &QRadioButton::clicked, this, [switchTo] { switchTo(true); });
    connect(inRows_, &QRadioButton::clicked, this, [switchTo] { switchTo(false); });

    strategy_ = new QComboBox;
    strategy_->addItems(TAddGraphsModel::StrategyCaptions());
    connect(strategy_, &QComboBox::activated, this,
            [this](int index) { ChangeStates([&] { model_->SetStrategy(index); }); });
    commonArg_ = new QComboBox;
    connect(commonArg_, &QComboBox::activated, this,
            [this](int index) { ChangeStates([&] { model_->SetCommonArg(index - 1); }); });
    header_ = new QPlainTextEdit;
    header_->setReadOnly(true);
    header_->setLineWrapMode(QPlainTextEdit::NoWrap);
    header_->setMaximumHeight(120);

    auto* form = new QGridLayout;
    form->addWidget(new QLabel(Text("Стратегия аргументов")), 0, 0);
    form->addWidget(strategy_, 0, 1);
    form->addWidget(new QLabel(Text("Общий аргумент")), 1, 0);
    form->addWidget(commonArg_, 1, 1);
    form->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(sizeLabel_);
    layout->addWidget(direction);
    layout->addLayout(form);
    layout->addWidget(new QLabel(Text("Шапка переменной")));
    layout->addWidget(header_, 1);
    return page;
}

QWidget* TAddGraphsDialog::BuildSeriesPage() {
    auto* page = new QWidget;
    argument_ = new QComboBox;
    connect(argument_, &QComboBox::activated, this, [this](int index) { model_->SetArgMode(index - 2); });

    scale_ = new QLineEdit;
    offset_ = new QLineEdit;
    connect(scale_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_->SetArgScaleText(text); });
    connect(offset_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_->SetArgOffsetText(text); });

    relative_ = new QCheckBox(Text("относительный аргумент"));
    connect(relative_, &QCheckBox::clicked, this, [this](bool on) { model_->SetRelativeArg(on); });

    dateTime_ = new QCheckBox(Text("Интерпретировать аргумент как дату/время"));
    connect(dateTime_, &QCheckBox::clicked, this, [this](bool on) {
        model_->SetArgIsDateTime(on);
        RefreshPanels();
    });
    unit_ = new QComboBox;
    unit_->addItems(TAddGraphsModel::UnitCaptions());
    unitSeconds_ = new QLineEdit;
    unitSeconds_->setMaximumWidth(90);
    connect(unit_, &QComboBox::activated, this, [this](int unit) {
        model_->SetArgUnit(unit, unitSeconds_->text());
        RefreshPanels();
    });
    connect(unitSeconds_, &QLineEdit::editingFinished, this, [this] {
        if (unit_->currentIndex() != TAddGraphsModel::UnitOther || !unitSeconds_->isModified()) return;
        unitSeconds_->setModified(false);
        model_->SetArgUnit(TAddGraphsModel::UnitOther, unitSeconds_->text());
        RefreshPanels();
    });

    useStartDate_ = new QCheckBox(Text("начальная дата"));
    connect(useStartDate_, &QCheckBox::clicked, this, [this](bool on) {
        model_->SetUseStartDate(on);
        RefreshPanels();
    });
    startDate_ = new QDateEdit;
    startDate_->setCalendarPopup(true);
    startDate_->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    startTime_ = new QTimeEdit;
    startTime_->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    connect(startDate_, &QDateEdit::dateChanged, this, &TAddGraphsDialog::ApplyStartDate);
    connect(startTime_, &QTimeEdit::timeChanged, this, &TAddGraphsDialog::ApplyStartDate);

    targets_ = new QComboBox;
    connect(targets_, &QComboBox::activated, this, [this](int index) { model_->SetTargetGraph(index - 1); });
    equalScale_ = new QCheckBox(Text("Равный масштаб"));
    connect(equalScale_, &QCheckBox::clicked, this, [this](bool on) { model_->SetEqualScale(on); });

    auto* argumentGroup = new QGroupBox(Text("Аргумент"));
    auto* grid = new QGridLayout(argumentGroup);
    grid->addWidget(argument_, 0, 0, 1, 4);
    grid->addWidget(new QLabel(Text("масштаб")), 1, 0);
    grid->addWidget(scale_, 1, 1);
    grid->addWidget(new QLabel(Text("смещение")), 1, 2);
    grid->addWidget(offset_, 1, 3);
    grid->addWidget(relative_, 2, 0, 1, 4);
    grid->addWidget(dateTime_, 3, 0, 1, 4);
    auto* unitRow = new QHBoxLayout;
    unitRow->addWidget(new QLabel(Text("Аргумент задан")));
    unitRow->addWidget(unit_, 1);
    unitRow->addWidget(unitSeconds_);
    grid->addLayout(unitRow, 4, 0, 1, 4);
    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(useStartDate_);
    dateRow->addWidget(startDate_);
    dateRow->addWidget(startTime_);
    dateRow->addStretch();
    grid->addLayout(dateRow, 5, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto* targetRow = new QHBoxLayout;
    targetRow->addWidget(new QLabel(Text("Добавить в")));
    targetRow->addWidget(targets_, 1);
    targetRow->addWidget(equalScale_);

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(argumentGroup);
    layout->addLayout(targetRow);
    layout->addStretch();
    return page;
}

// ---------------------------------------------------------------------------------------------
// Showing the model

TNodeRef TAddGraphsDialog::RefOf(const QTreeWidgetItem* item) const {
    if (!item) return {};
    return {item->data(0, Qt::UserRole).toInt(), item->data(0, Qt::UserRole + 1).toInt(),
            item->data(0, Qt::UserRole + 2).toInt()};
}

QIcon TAddGraphsDialog::StateIcon(int state) const {
    return state == ssArgument ? argumentIcon_ : state == ssPlotted ? plottedIcon_ : notPlottedIcon_;
}

void TAddGraphsDialog::RefreshTree() {
    {
        const QSignalBlocker blocker(tree_);
        tree_->clear();
        auto makeItem = [](QTreeWidgetItem* item, const QString& caption, const QIcon& icon,
                           const TNodeRef& ref) {
            item->setText(0, caption);
            item->setIcon(0, icon);
            item->setData(0, Qt::UserRole, ref.File);
            item->setData(0, Qt::UserRole + 1, ref.Array);
            item->setData(0, Qt::UserRole + 2, ref.Series);
        };
        const QList<TFileNode>& files = model_->Files();
        for (int f = 0; f < files.size(); ++f) {
            auto* fileItem = new QTreeWidgetItem(tree_);
            makeItem(fileItem, files[f].Caption, fileIcon_, {f, -1, -1});
            for (int a = 0; a < files[f].Arrays.size(); ++a) {
                const TArrayNode& array = files[f].Arrays[a];
                auto* arrayItem = new QTreeWidgetItem(fileItem);
                makeItem(arrayItem, array.Caption, arrayIcon_, {f, a, -1});
                for (int s = 0; s < array.Series.size(); ++s) {
                    const TSeriesNode& series = array.Series[s];
                    makeItem(new QTreeWidgetItem(arrayItem), series.Caption, StateIcon(series.State),
                             {f, a, s});
                }
            }
        }
        tree_->expandAll();

        auto itemOf = [this](const TNodeRef& ref) -> QTreeWidgetItem* {
            QTreeWidgetItem* item = tree_->topLevelItem(ref.File);
            if (item && ref.Array >= 0) item = item->child(ref.Array);
            if (item && ref.Series >= 0) item = item->child(ref.Series);
            return item;
        };
        if (QTreeWidgetItem* focused = itemOf(model_->Focused()))
            tree_->setCurrentItem(focused, 0, QItemSelectionModel::NoUpdate);
        for (const TNodeRef& ref : model_->Selection())
            if (QTreeWidgetItem* item = itemOf(ref)) item->setSelected(true);
    }
    RefreshPanels();
}

void TAddGraphsDialog::RefreshStateIcons() {
    for (int f = 0; f < tree_->topLevelItemCount(); ++f) {
        QTreeWidgetItem* fileItem = tree_->topLevelItem(f);
        for (int a = 0; a < fileItem->childCount(); ++a) {
            QTreeWidgetItem* arrayItem = fileItem->child(a);
            for (int s = 0; s < arrayItem->childCount(); ++s) {
                QTreeWidgetItem* item = arrayItem->child(s);
                if (const TSeriesNode* series = model_->SeriesOf(RefOf(item)))
                    item->setIcon(0, StateIcon(series->State));
            }
        }
    }
}

template <typename Change> void TAddGraphsDialog::ChangeStates(Change change) {
    change();
    RefreshStateIcons();
    RefreshPanels();
}

void TAddGraphsDialog::RefreshPanels() {
    buildButton_->setEnabled(!model_->IsEmpty());
    const TNodeRef focused = model_->Focused();
    if (model_->IsEmpty() || focused.Level() < 0) {
        dataGroup_->setTitle(model_->IsEmpty() ? TAddGraphsModel::NoDataCaption() : QString());
        pages_->setVisible(false);
        return;
    }
    pages_->setVisible(true);
    const int page = focused.Level() == 0 ? FilePage : focused.Level() == 1 ? ArrayPage : SeriesPage;
    // The group takes the height of the page shown, not of the tallest page, so the preview keeps
    // the rest.
    for (int i = 0; i < pages_->count(); ++i)
        pages_->widget(i)->setSizePolicy(QSizePolicy::Preferred,
                                         i == page ? QSizePolicy::Preferred : QSizePolicy::Ignored);
    switch (focused.Level()) {
    case 0:
        dataGroup_->setTitle(Text("Файл"));
        ShowFile(model_->Files()[focused.File]);
        break;
    case 1:
        dataGroup_->setTitle(Text("Массив"));
        ShowArray(*model_->ArrayOf(focused));
        break;
    default:
        dataGroup_->setTitle(Text("Построение"));
        ShowSeries(*model_->ArrayOf(focused), *model_->SeriesOf(focused));
        break;
    }
    pages_->setCurrentIndex(page);
    pages_->adjustSize();
}

void TAddGraphsDialog::ShowFile(const TFileNode& file) {
    arrayGrid_->setRowCount(int(file.Arrays.size()));
    for (int a = 0; a < file.Arrays.size(); ++a) {
        arrayGrid_->setItem(a, 0, new QTableWidgetItem(file.Arrays[a].Caption));
        arrayGrid_->setItem(a, 1, new QTableWidgetItem(TAddGraphsModel::SizeText(file.Arrays[a].Data)));
    }
    summaryLabel_->setText(TAddGraphsModel::SummaryText(int(file.Arrays.size())));
}

void TAddGraphsDialog::ShowArray(const TArrayNode& array) {
    const TArrayNodeData& arrayData = array.Data;
    sizeLabel_->setText(Text("Размер [столбец x строка]: ") + TAddGraphsModel::SizeText(arrayData));
    const QSignalBlocker b1(inColumns_), b2(inRows_), b3(strategy_), b4(commonArg_);
    inColumns_->setChecked(arrayData.SeriesInColumns);
    inRows_->setChecked(!arrayData.SeriesInColumns);
    strategy_->setCurrentIndex(arrayData.Strategy);
    commonArg_->clear();
    commonArg_->addItems(TAddGraphsModel::CommonArgItems(arrayData));
    commonArg_->setCurrentIndex(arrayData.CommonArg + 1);
    header_->setPlainText(arrayData.Header.join(QLatin1Char('\n')));
}

void TAddGraphsDialog::ShowSeries(const TArrayNode& array, const TSeriesNode& series) {
    const TSeriesNodeData& seriesData = series.Data;
    const QSignalBlocker b1(argument_), b2(scale_), b3(offset_), b4(relative_), b5(dateTime_), b6(unit_),
        b7(unitSeconds_), b8(useStartDate_), b9(startDate_), b10(startTime_), b11(targets_), b12(equalScale_);
    argument_->clear();
    argument_->addItems(model_->ArgumentItems(array));
    argument_->setCurrentIndex(seriesData.ArgMode + 2);
    // A field being typed in keeps the user's text.
    if (!scale_->hasFocus()) scale_->setText(TAddGraphsModel::NumberText(seriesData.ArgScale));
    if (!offset_->hasFocus()) offset_->setText(TAddGraphsModel::NumberText(seriesData.ArgOffset));
    relative_->setChecked(seriesData.RelativeArg);
    dateTime_->setChecked(seriesData.ArgIsDateTime);
    const int unit = TAddGraphsModel::UnitIndex(seriesData);
    unit_->setCurrentIndex(unit);
    unitSeconds_->setText(TAddGraphsModel::NumberText(seriesData.ArgUnitDays * 86400));
    useStartDate_->setChecked(seriesData.UseStartDate);
    QDate date;
    QTime time;
    SplitDays(seriesData.StartDate, date, time);
    startDate_->setDate(date);
    startTime_->setTime(time);
    unit_->setEnabled(seriesData.ArgIsDateTime);
    unitSeconds_->setEnabled(seriesData.ArgIsDateTime && unit == TAddGraphsModel::UnitOther);
    useStartDate_->setEnabled(seriesData.ArgIsDateTime);
    startDate_->setEnabled(seriesData.ArgIsDateTime && seriesData.UseStartDate);
    startTime_->setEnabled(seriesData.ArgIsDateTime && seriesData.UseStartDate);
    targets_->clear();
    targets_->addItems(model_->TargetItems());
    targets_->setCurrentIndex(seriesData.TargetGraph + 1);
    equalScale_->setChecked(seriesData.EqualScale);
}

// ---------------------------------------------------------------------------------------------
// The user's actions

void TAddGraphsDialog::OnTreeSelectionChanged() {
    QList<QTreeWidgetItem*> selected = tree_->selectedItems();
    QTreeWidgetItem* anchor = tree_->currentItem();
    if ((!anchor || !anchor->isSelected()) && !selected.isEmpty()) anchor = selected.first();
    // Only siblings of the anchor stay selected: one kind of settings at a time.
    if (anchor) {
        const QSignalBlocker blocker(tree_);
        for (QTreeWidgetItem* item : selected)
            if (item->parent() != anchor->parent()) item->setSelected(false);
    }
    QList<TNodeRef> refs;
    for (QTreeWidgetItem* item : tree_->selectedItems())
        refs.append(RefOf(item));
    model_->SetSelection(refs);
    RefreshPanels();
}

bool TAddGraphsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tree_->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        QTreeWidgetItem* item = tree_->itemAt(mouse->position().toPoint());
        const TNodeRef ref = RefOf(item);
        if (mouse->button() == Qt::LeftButton && ref.Level() == 2) {
            const QRect rect = tree_->visualItemRect(item);
            // A click on the state image switches the series; the click still selects the row.
            if (mouse->position().x() < rect.left() + kIconSize + 6) {
                model_->ToggleState(ref);
                item->setIcon(0, StateIcon(model_->SeriesOf(ref)->State));
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TAddGraphsDialog::ApplyStartDate() {
    model_->SetStartDate(JoinDays(startDate_->date(), startTime_->time()));
}

void TAddGraphsDialog::ClearAll() {
    model_->Clear();
    status_->clear();
    RefreshTree();
}

void TAddGraphsDialog::LoadSources(const QStringList& names) {
    model_->LoadSources(names);
    status_->clear();
    RefreshTree();
}

int TAddGraphsDialog::ExecFor(const QStringList& names) {
    ClearAll();
    LoadSources(names);
    return exec();
}

void TAddGraphsDialog::OnAddToList() {
    const QStringList names = AskDataFiles(this);
    if (!names.isEmpty()) LoadSources(names);
}

void TAddGraphsDialog::OnClearList() {
    ClearAll();
}

void TAddGraphsDialog::OnBuild() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    progress_->setValue(0);
    progress_->setVisible(true);
    model_->OnBuildProgress = [this](int percent) {
        progress_->setValue(percent);
        progress_->repaint();
    };
    const int built = model_->Build();
    model_->OnBuildProgress = nullptr;
    status_->setText(Text("Добавлено графиков: ") + QString::number(built) + QLatin1Char('.'));
    progress_->setVisible(false);
    QApplication::restoreOverrideCursor();
    RefreshPanels(); // the target list has the new graphs
}
