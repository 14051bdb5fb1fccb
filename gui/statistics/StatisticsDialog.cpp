#include "gui/statistics/StatisticsDialog.h"

#include "gui/widgets/GraphComboBox.h"
#include "model/DrawAdapter.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
constexpr int ColumnWidths[] = {189, 187, 37};

QLineEdit* FigureField() {
    auto* field = new QLineEdit(QStringLiteral("0"));
    field->setReadOnly(true);
    // Wide enough for 15 digits, a sign and an exponent.
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("-8.88888888888888E-4888")) +
                           12);
    return field;
}

QGroupBox* PairBox(const QString& title, const QString& first, QLineEdit* firstField, const QString& second,
                   QLineEdit* secondField) {
    auto* box = new QGroupBox(title);
    auto* form = new QFormLayout(box);
    form->addRow(first, firstField);
    form->addRow(second, secondField);
    return box;
}
} // namespace

TStatisticsDialog::TStatisticsDialog(TSuperGrWindow& window, QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      window_(window) {
    setWindowTitle(QStringLiteral("Информация по графикам"));

    oneGraph_ = new QRadioButton(QStringLiteral("по графику"));
    selectedGraphs_ = new QRadioButton(QStringLiteral("по выбранным графикам"));
    allGraphs_ = new QRadioButton(QStringLiteral("по всем графикам"));
    // Each entry carries its graph's colour.
    graphs_ = new TGraphComboBox(
        [](const QVariant& colour) { return std::optional(TDrawAdapter::ToQColor(TColor(colour.toInt()))); });
    graphs_->setMinimumContentsLength(24);
    auto* choice = new QGroupBox(QStringLiteral("Показать информацию "));
    auto* choiceLayout = new QVBoxLayout(choice);
    auto* oneRow = new QHBoxLayout;
    oneRow->addWidget(oneGraph_);
    oneRow->addWidget(graphs_, 1);
    choiceLayout->addLayout(oneRow);
    choiceLayout->addWidget(selectedGraphs_);
    choiceLayout->addWidget(allGraphs_);

    nodes_ = FigureField();
    yMax_ = FigureField();
    yMin_ = FigureField();
    stepMax_ = FigureField();
    stepMin_ = FigureField();
    auto* nodesRow = new QHBoxLayout;
    nodesRow->addWidget(new QLabel(QStringLiteral("Общее число узлов")));
    nodesRow->addWidget(nodes_, 1);
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(PairBox(QStringLiteral(" Значения функции "), QStringLiteral("максимальное"), yMax_,
                             QStringLiteral("минимальное"), yMin_));
    boxes->addWidget(PairBox(QStringLiteral(" Шаг аргумента "), QStringLiteral("максимум"), stepMax_,
                             QStringLiteral("минимум"), stepMin_));

    steps_ = new QTableWidget(0, 3);
    steps_->verticalHeader()->hide();
    for (int c = 0; c < 3; ++c)
        steps_->setColumnWidth(c, ColumnWidths[c]);
    steps_->setHorizontalHeaderLabels(
        {QStringLiteral("Значение"), QStringLiteral("Частота [Гц]"), QStringLiteral("%")});
    steps_->setMinimumWidth(ColumnWidths[0] + ColumnWidths[1] + ColumnWidths[2] + 4);

    auto* update = new QPushButton(QStringLiteral("Обновить"));
    auto* close = new QPushButton(QStringLiteral("Закрыть"));
    update->setDefault(true); // Enter updates the figures
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(update);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(choice);
    layout->addLayout(nodesRow);
    layout->addLayout(boxes);
    layout->addWidget(steps_, 1);
    layout->addLayout(buttons);

    connect(oneGraph_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) Choose(TStatScope::OneGraph, graphs_->currentIndex());
    });
    connect(selectedGraphs_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) Choose(TStatScope::SelectedGraphs, graphs_->currentIndex());
    });
    connect(allGraphs_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) Choose(TStatScope::AllGraphs, graphs_->currentIndex());
    });
    connect(graphs_, &QComboBox::currentIndexChanged, this, [this](int index) { model_.GraphIndex = index; });
    connect(update, &QPushButton::clicked, this, &TStatisticsDialog::Update);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    Choose(model_.Scope, model_.GraphIndex);
    ShowTexts();
}

void TStatisticsDialog::Refill() {
    model_.Refill(window_);
    const QSignalBlocker quiet(graphs_);
    graphs_->clear();
    for (const TStatisticsModel::TGraphEntry& g : model_.Graphs())
        graphs_->addItem(g.Name, int(g.Color));
    graphs_->setCurrentIndex(model_.GraphIndex);
}

void TStatisticsDialog::Choose(TStatScope scope, int graphIndex) {
    model_.Scope = scope;
    model_.GraphIndex = graphIndex;
    {
        const QSignalBlocker quiet(graphs_);
        graphs_->setCurrentIndex(graphIndex);
    }
    graphs_->setEnabled(model_.GraphChoiceEnabled());
    QRadioButton* button = scope == TStatScope::OneGraph         ? oneGraph_
                           : scope == TStatScope::SelectedGraphs ? selectedGraphs_
                                                                 : allGraphs_;
    if (!button->isChecked()) button->setChecked(true);
}

void TStatisticsDialog::Update() {
    model_.Update(window_);
    ShowTexts();
}

void TStatisticsDialog::ShowTexts() {
    const TStatisticsTexts& t = model_.Texts();
    nodes_->setText(t.Nodes);
    yMax_->setText(t.YMax);
    yMin_->setText(t.YMin);
    stepMax_->setText(t.StepMax);
    stepMin_->setText(t.StepMin);
    // The first row is the heading the table shows above its cells.
    const qsizetype rows = std::max<qsizetype>(t.Rows.size() - 1, 0);
    steps_->setRowCount(int(rows));
    for (qsizetype r = 0; r < rows; ++r)
        for (int c = 0; c < 3; ++c)
            steps_->setItem(int(r), c, new QTableWidgetItem(t.Rows[r + 1].value(c)));
}
