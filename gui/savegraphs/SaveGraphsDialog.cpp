#include "gui/savegraphs/SaveGraphsDialog.h"

#include "export/DataExport.h"
#include "gui/jobs/JobRunner.h"
#include "model/DrawAdapter.h"
#include "model/Graph.h"
#include "window/SuperGrWindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryFile>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {
constexpr int IconSize = 14;

// A window's number in white bold letters on a grey square.
QIcon WindowIcon(int number, const QFont& treeFont) {
    QPixmap pixmap(IconSize, IconSize);
    pixmap.fill(QColor(128, 128, 128));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, IconSize - 1, IconSize - 1);
    QFont font = treeFont;
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, IconSize, IconSize), Qt::AlignCenter, QString::number(number));
    return QIcon(pixmap);
}

// The graph's colour in a small square outlined in black.
QIcon GraphIcon(TColor color, const QColor& background) {
    QPixmap pixmap(IconSize, IconSize);
    pixmap.fill(background);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.setBrush(TDrawAdapter::ToQColor(color));
    painter.drawRect(2, 2, 10, 10);
    return QIcon(pixmap);
}

Qt::CheckState ShownState(TCheckState state) {
    return state == TCheckState::Checked  ? Qt::Checked
           : state == TCheckState::Partly ? Qt::PartiallyChecked
                                          : Qt::Unchecked;
}

QTableWidget* NameGrid(const QString& nameHeader) {
    auto* grid = new QTableWidget(0, 2);
    grid->setHorizontalHeaderLabels({QStringLiteral("Название графика"), nameHeader});
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->setColumnWidth(0, 150);
    grid->setWordWrap(false);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    return grid;
}

QSpinBox* SpinBox(int low, int high) {
    auto* box = new QSpinBox;
    box->setRange(low, high);
    return box;
}

QWidget* Labelled(const QString& label, QWidget* field) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(label));
    layout->addStretch();
    layout->addWidget(field);
    return row;
}
} // namespace

// The tree: a right click opens the dialog's menu, a graph dropped on a node moves there.
class TSaveGraphsTree : public QTreeWidget {
public:
    explicit TSaveGraphsTree(TSaveGraphsDialog& dialog) : dialog_(dialog) {
        setHeaderHidden(true);
        setSelectionBehavior(QAbstractItemView::SelectRows);
        setDragDropMode(QAbstractItemView::DragDrop);
        setDefaultDropAction(Qt::MoveAction);
        setIconSize(QSize(IconSize, IconSize));
    }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override {
        const QTreeWidgetItem* item = itemAt(event->pos());
        dialog_.menuWindow_ = item ? dialog_.Position(item).first : -1;
        dialog_.treeMenu_->popup(event->globalPos() + QPoint(0, 13));
    }
    void dropEvent(QDropEvent* event) override {
        event->setDropAction(Qt::IgnoreAction); // the dialog moves the graph itself
        event->accept();
        dialog_.DropCurrentGraphOn(itemAt(event->position().toPoint()));
    }

private:
    TSaveGraphsDialog& dialog_;
};

TSaveGraphsDialog::TSaveGraphsDialog(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("Сохранение графиков"));

    // The tree of windows and graphs.
    tree_ = new TSaveGraphsTree(*this);
    treeMenu_ = new QMenu(this);
    connect(treeMenu_->addAction(QStringLiteral("Выбрать всё")), &QAction::triggered, this,
            [this] { ApplyMenu(TTreeMenuAction::CheckAll); });
    connect(treeMenu_->addAction(QStringLiteral("Отменить всё")), &QAction::triggered, this,
            [this] { ApplyMenu(TTreeMenuAction::UncheckAll); });
    connect(treeMenu_->addAction(QStringLiteral("Инвертировать")), &QAction::triggered, this,
            [this] { ApplyMenu(TTreeMenuAction::Invert); });
    connect(tree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
        if (updating_) return;
        const auto [window, graph] = Position(item);
        model_.ClickCheck(window, graph);
        ShowStates();
        Refresh();
    });
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Выберите сохраняемые графики")));
    left->addWidget(tree_);

    // Direction and arguments.
    auto* direction = new QGroupBox(QStringLiteral(" Направление вывода данных "));
    vertical_ = new QRadioButton(QStringLiteral("вертикально"));
    horizontal_ = new QRadioButton(QStringLiteral("горизонтально"));
    auto* directionLayout = new QVBoxLayout(direction);
    directionLayout->addWidget(vertical_);
    directionLayout->addWidget(horizontal_);
    ownArgument_ = new QCheckBox(QStringLiteral("сохранять каждый график со своим аргументом"));
    commonArgument_ = new QCheckBox(QStringLiteral("привести все графики к одному аргументу"));
    interp_ = new QComboBox;
    interp_->addItems({QStringLiteral("ступенчатая (левым значением)"),
                       QStringLiteral("ступенчатая (правым значением)"), QStringLiteral("линейная"),
                       QStringLiteral("параболическая (слева)"), QStringLiteral("параболическая (справа)"),
                       QStringLiteral("сплайн"), QStringLiteral("бипараболическая")});
    extrap_ = new QComboBox;
    extrap_->addItems({QStringLiteral("отсутствует"), QStringLiteral("нулевым значением"),
                       QStringLiteral("крайним значением"), QStringLiteral("линейная")});
    format_ = new QComboBox;
    format_->addItems({QStringLiteral("Текстовый файл"), QStringLiteral("Файл данных Matlab"),
                       QStringLiteral("Таблица Microsoft Excel")});

    // The text panel.
    auto* numbers = new QGroupBox(QStringLiteral(" Формат вывода чисел "));
    byMask_ = new QRadioButton(QStringLiteral("задать вручную"));
    mask_ = new QLineEdit;
    floating_ = new QRadioButton(QStringLiteral("с плавающей запятой"));
    floatDecimals_ = SpinBox(1, 17);
    exponentDigits_ = SpinBox(1, 4);
    fixed_ = new QRadioButton(QStringLiteral("с фиксированной запятой"));
    fixedDecimals_ = SpinBox(0, 18);
    auto* numbersLayout = new QVBoxLayout(numbers);
    numbersLayout->addWidget(byMask_);
    numbersLayout->addWidget(Labelled(QStringLiteral("маска формата вывода:"), mask_));
    numbersLayout->addWidget(floating_);
    numbersLayout->addWidget(Labelled(QStringLiteral("число знаков после запятой (1...17)"), floatDecimals_));
    numbersLayout->addWidget(Labelled(QStringLiteral("число знаков экспоненты (1...4)"), exponentDigits_));
    numbersLayout->addWidget(fixed_);
    numbersLayout->addWidget(Labelled(QStringLiteral("число знаков после запятой (0...18)"), fixedDecimals_));
    pad_ = new QCheckBox(QStringLiteral("дополнять слева пробелами до ширины"));
    padWidth_ = SpinBox(0, 99);
    auto* padRow = new QHBoxLayout;
    padRow->addWidget(pad_);
    padRow->addStretch();
    padRow->addWidget(padWidth_);
    auto* separator = new QGroupBox(QStringLiteral(" Символ, разделяющий числа "));
    blank_ = new QRadioButton(QStringLiteral("пробел"));
    tab_ = new QRadioButton(QStringLiteral("табуляция"));
    other_ = new QRadioButton(QStringLiteral("другой"));
    otherSeparator_ = new QLineEdit;
    otherSeparator_->setMaxLength(1);
    otherSeparator_->setMaximumWidth(30);
    auto* separatorLayout = new QHBoxLayout(separator);
    for (QWidget* w : std::initializer_list<QWidget*>{blank_, tab_, other_, otherSeparator_})
        separatorLayout->addWidget(w);
    separatorLayout->addStretch();
    auto* textPanel = new QWidget;
    auto* textLayout = new QVBoxLayout(textPanel);
    textLayout->setContentsMargins(0, 0, 0, 0);
    textLayout->addWidget(numbers);
    textLayout->addLayout(padRow);
    textLayout->addWidget(separator);
    textLayout->addStretch();

    // The MAT panel.
    auto* version = new QGroupBox(QStringLiteral(" Версия mat-файла "));
    matPlain_ = new QRadioButton(QStringLiteral("совместимость с Matlab 6.0"));
    matCompressed_ = new QRadioButton(QStringLiteral("использовать сжатие (Matlab 7.0 и выше)"));
    auto* versionLayout = new QVBoxLayout(version);
    versionLayout->addWidget(matPlain_);
    versionLayout->addWidget(matCompressed_);
    auto* varNames = new QGroupBox(QStringLiteral(" Имена переменных mat-файла "));
    varGrid_ = NameGrid(QStringLiteral("Имя переменной"));
    (new QVBoxLayout(varNames))->addWidget(varGrid_);
    auto* matPanel = new QWidget;
    auto* matLayout = new QVBoxLayout(matPanel);
    matLayout->setContentsMargins(0, 0, 0, 0);
    matLayout->addWidget(version);
    matLayout->addWidget(varNames);

    // The workbook panel.
    showWorkbook_ = new QCheckBox(QStringLiteral("показать окно Excel вместо сохранения"));
    auto* sheetNames = new QGroupBox(QStringLiteral(" Названия книг xls-файла "));
    sheetGrid_ = NameGrid(QStringLiteral("Название книги"));
    (new QVBoxLayout(sheetNames))->addWidget(sheetGrid_);
    auto* bookPanel = new QWidget;
    auto* bookLayout = new QVBoxLayout(bookPanel);
    bookLayout->setContentsMargins(0, 0, 0, 0);
    bookLayout->addWidget(showWorkbook_);
    bookLayout->addWidget(sheetNames);

    panels_ = new QStackedWidget;
    panels_->addWidget(textPanel);
    panels_->addWidget(matPanel);
    panels_->addWidget(bookPanel);

    auto* right = new QVBoxLayout;
    right->addWidget(direction);
    right->addWidget(ownArgument_);
    right->addWidget(commonArgument_);
    right->addWidget(new QLabel(QStringLiteral("Интерполяция внутренних точек графиков")));
    right->addWidget(interp_);
    right->addWidget(new QLabel(QStringLiteral("Экстраполяция внешних точек графиков")));
    right->addWidget(extrap_);
    right->addWidget(new QLabel(QStringLiteral("Формат файла")));
    right->addWidget(format_);
    right->addWidget(panels_, 1);

    save_ = new QPushButton(QStringLiteral("Сохранить"));
    auto* cancel = new QPushButton(QStringLiteral("Отмена"));
    connect(save_, &QPushButton::clicked, this, &TSaveGraphsDialog::Save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save_);
    buttons->addWidget(cancel);

    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 2);
    columns->addLayout(right, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addLayout(buttons);
    resize(760, 560);

    ShowOptions();
    // Every option goes into the model as it changes; the two argument boxes stay opposite.
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
             vertical_, horizontal_, byMask_, floating_, fixed_, pad_, blank_, tab_, other_, matPlain_,
             matCompressed_, showWorkbook_})
        connect(b, &QAbstractButton::toggled, this, &TSaveGraphsDialog::TakeOptions);
    for (QSpinBox* s : {floatDecimals_, exponentDigits_, fixedDecimals_, padWidth_})
        connect(s, &QSpinBox::valueChanged, this, &TSaveGraphsDialog::TakeOptions);
    for (QLineEdit* e : {mask_, otherSeparator_})
        connect(e, &QLineEdit::textChanged, this, &TSaveGraphsDialog::TakeOptions);
    for (QComboBox* c : {interp_, extrap_, format_})
        connect(c, &QComboBox::currentIndexChanged, this, &TSaveGraphsDialog::TakeOptions);
    connect(ownArgument_, &QCheckBox::clicked, this, [this](bool own) {
        commonArgument_->setChecked(!own);
        TakeOptions();
        model_.SetCommonArgument(!own);
        ShowNames();
    });
    connect(commonArgument_, &QCheckBox::clicked, this, [this](bool common) {
        ownArgument_->setChecked(!common);
        TakeOptions();
        model_.SetCommonArgument(common);
        ShowNames();
    });
    for (QTableWidget* grid : {varGrid_, sheetGrid_})
        connect(grid, &QTableWidget::cellChanged, this,
                [this, grid](int row, int column) { NameEdited(grid, row, column); });
}

bool TSaveGraphsDialog::DropCurrentGraphOn(const QTreeWidgetItem* target) {
    const QTreeWidgetItem* moved = tree_->currentItem();
    if (!target || !moved || !moved->parent()) return false;
    const auto [fromWindow, fromGraph] = Position(moved);
    const auto [toWindow, toGraph] = Position(target);
    if (!model_.MoveGraph(fromWindow, fromGraph, toWindow, toGraph)) return false;
    // The tree is built again once the drag has ended.
    QTimer::singleShot(0, this, [this] {
        BuildTree();
        Refresh();
    });
    return true;
}

QTreeWidget* TSaveGraphsDialog::Tree() const {
    return tree_;
}

void TSaveGraphsDialog::Prepare(TSuperGrWindow& window, const QString& fallbackName) {
    model_.Clear();
    model_.AddWindow(&window, fallbackName);
    BuildTree();
}

bool TSaveGraphsDialog::Execute() {
    const bool saved = exec() == QDialog::Accepted;
    // The graphs need not outlive the dialog; the options and the common names stay.
    model_.Clear();
    BuildTree();
    return saved;
}

void TSaveGraphsDialog::showEvent(QShowEvent* event) {
    tree_->expandAll();
    ShowOptions();
    Refresh();
    QDialog::showEvent(event);
}

std::pair<int, int> TSaveGraphsDialog::Position(const QTreeWidgetItem* item) const {
    if (!item) return {-1, -1};
    if (!item->parent()) return {tree_->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item)), -1};
    return {tree_->indexOfTopLevelItem(item->parent()),
            item->parent()->indexOfChild(const_cast<QTreeWidgetItem*>(item))};
}

void TSaveGraphsDialog::BuildTree() {
    updating_ = true;
    tree_->clear();
    const QColor background = tree_->palette().color(QPalette::Base);
    const Qt::ItemFlags common =
        Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsDropEnabled;
    for (int w = 0; w < model_.Windows().size(); ++w) {
        const TWindowNode& node = model_.Windows()[w];
        auto* windowItem = new QTreeWidgetItem(tree_, {node.Text});
        windowItem->setIcon(0, WindowIcon(w + 1, tree_->font()));
        windowItem->setFlags(common);
        for (const TGraphNode& g : node.Graphs) {
            auto* graphItem = new QTreeWidgetItem(windowItem, {g.Graph->Name()});
            graphItem->setIcon(0, GraphIcon(g.Graph->Color(), background));
            graphItem->setFlags(common | Qt::ItemIsDragEnabled);
        }
    }
    tree_->expandAll();
    if (!tree_->currentItem() && tree_->topLevelItemCount() > 0)
        tree_->setCurrentItem(tree_->topLevelItem(0)->childCount() > 0 ? tree_->topLevelItem(0)->child(0)
                                                                       : tree_->topLevelItem(0));
    updating_ = false;
    ShowStates();
}

void TSaveGraphsDialog::ShowStates() {
    updating_ = true;
    for (int w = 0; w < model_.Windows().size() && w < tree_->topLevelItemCount(); ++w) {
        const TWindowNode& node = model_.Windows()[w];
        QTreeWidgetItem* windowItem = tree_->topLevelItem(w);
        windowItem->setCheckState(0, ShownState(node.State));
        for (int g = 0; g < node.Graphs.size() && g < windowItem->childCount(); ++g)
            windowItem->child(g)->setCheckState(0, ShownState(node.Graphs[g].State));
    }
    updating_ = false;
}

void TSaveGraphsDialog::ApplyMenu(TTreeMenuAction action) {
    model_.ApplyMenu(action, menuWindow_);
    menuWindow_ = -1;
    ShowStates();
    Refresh();
}

void TSaveGraphsDialog::Refresh() {
    model_.RebuildNames();
    ShowNames();
    save_->setEnabled(model_.AnyChecked());
}

void TSaveGraphsDialog::ShowNames() {
    updating_ = true;
    const QColor background = varGrid_->palette().color(QPalette::Base);
    for (QTableWidget* grid : {varGrid_, sheetGrid_}) {
        const QList<TNameRow>& rows = model_.NameRows();
        grid->setRowCount(int(rows.size()));
        for (int r = 0; r < rows.size(); ++r) {
            auto* label = new QTableWidgetItem(rows[r].Label);
            label->setFlags(Qt::ItemIsEnabled);
            if (rows[r].Graph) label->setIcon(GraphIcon(rows[r].Graph->Color(), background));
            grid->setItem(r, 0, label);
            grid->setItem(r, 1, new QTableWidgetItem(grid == varGrid_ ? rows[r].VarName : rows[r].SheetName));
        }
    }
    updating_ = false;
}

void TSaveGraphsDialog::NameEdited(QTableWidget* grid, int row, int column) {
    if (updating_ || column != 1) return;
    const QString text = grid->item(row, 1)->text();
    if (grid == varGrid_) {
        model_.SetVarName(row, text);
        model_.CommitVarName(row);
    } else {
        model_.SetSheetName(row, text);
        model_.CommitSheetName(row);
    }
    if (row == 0 && model_.Options.CommonArgument) {
        model_.CommonVarName = model_.NameRows()[0].VarName;
        model_.CommonBookName = model_.NameRows()[0].SheetName;
    }
    ShowNames();
}

void TSaveGraphsDialog::ShowOptions() {
    const TSaveGraphsOptions& o = model_.Options;
    const bool wasUpdating = updating_;
    updating_ = true;
    (o.Vertical ? vertical_ : horizontal_)->setChecked(true);
    ownArgument_->setChecked(!o.CommonArgument);
    commonArgument_->setChecked(o.CommonArgument);
    interp_->setCurrentIndex(int(std::find(std::begin(TSaveGraphsModel::kInterpKindOfItem),
                                           std::end(TSaveGraphsModel::kInterpKindOfItem), o.InterpKind) -
                                 std::begin(TSaveGraphsModel::kInterpKindOfItem)));
    extrap_->setCurrentIndex(o.ExtrapKind);
    format_->setCurrentIndex(int(o.Format));
    (o.NumberStyle == TNumberStyle::Mask       ? byMask_
     : o.NumberStyle == TNumberStyle::Floating ? floating_
                                               : fixed_)
        ->setChecked(true);
    mask_->setText(o.Mask);
    floatDecimals_->setValue(o.FloatDecimals);
    exponentDigits_->setValue(o.ExponentDigits);
    fixedDecimals_->setValue(o.FixedDecimals);
    pad_->setChecked(o.Pad);
    padWidth_->setValue(o.PadWidth);
    (o.Separator == TSeparatorKind::Blank ? blank_
     : o.Separator == TSeparatorKind::Tab ? tab_
                                          : other_)
        ->setChecked(true);
    otherSeparator_->setText(o.OtherSeparator);
    (o.CompressedMat ? matCompressed_ : matPlain_)->setChecked(true);
    showWorkbook_->setChecked(o.ShowWorkbook);
    interp_->setEnabled(o.CommonArgument);
    extrap_->setEnabled(o.CommonArgument);
    panels_->setCurrentIndex(int(o.Format));
    updating_ = wasUpdating;
}

void TSaveGraphsDialog::TakeOptions() {
    if (updating_) return;
    TSaveGraphsOptions& o = model_.Options;
    o.Vertical = vertical_->isChecked();
    o.CommonArgument = commonArgument_->isChecked();
    o.InterpKind = TSaveGraphsModel::kInterpKindOfItem[std::clamp(interp_->currentIndex(), 0, 6)];
    o.ExtrapKind = std::max(0, extrap_->currentIndex());
    o.Format = TExportFormat(std::max(0, format_->currentIndex()));
    o.NumberStyle = byMask_->isChecked()     ? TNumberStyle::Mask
                    : floating_->isChecked() ? TNumberStyle::Floating
                                             : TNumberStyle::Fixed;
    o.Mask = mask_->text();
    o.FloatDecimals = floatDecimals_->value();
    o.ExponentDigits = exponentDigits_->value();
    o.FixedDecimals = fixedDecimals_->value();
    o.Pad = pad_->isChecked();
    o.PadWidth = padWidth_->value();
    o.Separator = blank_->isChecked() ? TSeparatorKind::Blank
                  : tab_->isChecked() ? TSeparatorKind::Tab
                                      : TSeparatorKind::Other;
    o.OtherSeparator = otherSeparator_->text();
    o.CompressedMat = matCompressed_->isChecked();
    o.ShowWorkbook = showWorkbook_->isChecked();
    interp_->setEnabled(o.CommonArgument);
    extrap_->setEnabled(o.CommonArgument);
    panels_->setCurrentIndex(int(o.Format));
}

void TSaveGraphsDialog::Save() {
    const auto tell = [this](const QString& text) {
        if (ShowMessage)
            ShowMessage(text);
        else
            QMessageBox::warning(this, windowTitle(), text);
    };
    const auto choose = [this](const QString& filter, const QString& suffix) {
        if (ChooseFile) return ChooseFile(filter, suffix);
        QFileDialog dialog(this);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(filter);
        dialog.setDefaultSuffix(suffix);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
    QList<TExportBlock> blocks;
    QString message;
    if (!model_.BuildBlocks(blocks, message)) {
        tell(message);
        return;
    }
    const TExportFormat format = model_.Options.Format;
    if (format == TExportFormat::Workbook) {
        if (const QString limit = dataexport::SheetLimitMessage(blocks, model_.Options.Vertical);
            !limit.isEmpty()) {
            tell(limit);
            return;
        }
    }
    QString fileName;
    bool show = false;
    if (format == TExportFormat::Workbook && model_.Options.ShowWorkbook) {
        // The desktop's spreadsheet program opens a workbook in the temporary folder, which stays.
        QTemporaryFile file(QDir::temp().filePath(QStringLiteral("Tarvelo-XXXXXX.xlsx")));
        file.setAutoRemove(false);
        if (!file.open()) {
            tell(QStringLiteral("Не удалось записать файл ") + file.fileTemplate() + u'!');
            return;
        }
        fileName = file.fileName();
        show = true;
    } else {
        fileName =
            format == TExportFormat::Text
                ? choose(QStringLiteral("Текстовые файлы (*.txt);;Все файлы (*)"), QStringLiteral("txt"))
            : format == TExportFormat::Mat
                ? choose(QStringLiteral("Файлы данных Matlab (*.mat);;Все файлы (*)"), QStringLiteral("mat"))
                : choose(QStringLiteral("Файлы Microsoft Excel (*.xlsx);;Все файлы (*)"),
                         QStringLiteral("xlsx"));
        if (fileName.isEmpty()) return; // cancelled: nothing is written and the choices stay
    }
    if (!TJobRunner::Instance().Write(
            this, QStringLiteral("Сохранение данных…"),
            [&](QString& error) { return dataexport::WriteBlocks(model_, format, fileName, blocks, error); },
            message)) {
        if (!message.isEmpty()) tell(message); // a cancel says nothing and keeps the old file
        return;
    }
    if (show) {
        const bool opened =
            OpenFile ? OpenFile(fileName) : QDesktopServices::openUrl(QUrl::fromLocalFile(fileName));
        if (!opened)
            tell(QStringLiteral("Не найдена программа для просмотра таблиц. Книга сохранена в файле \"") +
                 QDir::toNativeSeparators(fileName) + QStringLiteral("\"."));
    }
    accept();
}
