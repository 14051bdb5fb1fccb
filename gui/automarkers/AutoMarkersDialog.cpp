#include "gui/automarkers/AutoMarkersDialog.h"

#include "gui/jobs/JobRunner.h"
#include "window/SuperGrWindow.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

TAutoMarkersDialog::TAutoMarkersDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("Расставить маркеры"));

    auto* placementBox = new QGroupBox(QStringLiteral("Способ расстановки"));
    auto* placementLayout = new QVBoxLayout(placementBox);
    placement_ = new QButtonGroup(this);
    const QString kinds[] = {QStringLiteral("по оси X"), QStringLiteral("по оси Y"),
                             QStringLiteral("по длине"), QStringLiteral("в узлах")};
    for (int k = 0; k < 4; ++k) {
        auto* button = new QRadioButton(kinds[k]);
        placement_->addButton(button, k);
        placementLayout->addWidget(button);
    }

    auto* countBox = new QGroupBox(QStringLiteral("Количество маркеров"));
    auto* countLayout = new QGridLayout(countBox);
    byCount_ = new QRadioButton(QStringLiteral("число"));
    byInterval_ = new QRadioButton(QStringLiteral("интервал [пикс]"));
    count_ = new QLineEdit;
    interval_ = new QLineEdit;
    countLayout->addWidget(byCount_, 0, 0);
    countLayout->addWidget(count_, 0, 1);
    countLayout->addWidget(byInterval_, 1, 0);
    countLayout->addWidget(interval_, 1, 1);
    visibleOnly_ = new QCheckBox(QStringLiteral("Расставить на видимой части графика"));

    styleBox_ = new QGroupBox(QStringLiteral("Стиль"));
    auto* styleLayout = new QGridLayout(styleBox_);
    style_ = new QButtonGroup(this);
    const QString styles[] = {QStringLiteral("текущий"), QStringLiteral("символьный"),
                              QStringLiteral("текст")};
    for (int s = 0; s < 3; ++s) {
        auto* button = new QRadioButton(styles[s]);
        style_->addButton(button, s);
        styleLayout->addWidget(button, s, 0);
    }
    textSource_ = new QComboBox;
    textSource_->addItems(
        {QStringLiteral("(как есть)"), QStringLiteral("(имя)"), QStringLiteral("(номер слоя)")});
    styleLayout->addWidget(textSource_, 2, 1);

    auto* place = new QPushButton(QStringLiteral("Расставить"));
    auto* cancel = new QPushButton(QStringLiteral("Отмена"));
    place->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(place);
    buttons->addWidget(cancel);

    auto* columns = new QHBoxLayout;
    columns->addWidget(placementBox);
    auto* right = new QVBoxLayout;
    right->addWidget(countBox);
    right->addWidget(styleBox_);
    columns->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(visibleOnly_);
    layout->addLayout(buttons);

    connect(textSource_, &QComboBox::activated, this, [this](int index) {
        model_.ChooseTextSource(TMarkerTextSource(index));
        style_->button(int(TMarkerStyle::Text))->setChecked(true);
    });
    connect(place, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TAutoMarkersDialog::ShowModel() {
    placement_->button(int(model_.Placement))->setChecked(true);
    (model_.ByCount ? byCount_ : byInterval_)->setChecked(true);
    count_->setText(model_.CountText);
    interval_->setText(model_.IntervalText);
    visibleOnly_->setChecked(model_.VisibleOnly);
    style_->button(int(model_.Style))->setChecked(true);
    textSource_->setCurrentIndex(int(model_.TextSource));
}

void TAutoMarkersDialog::TakeChoices() {
    model_.Placement = TMarkerPlacement(placement_->checkedId());
    model_.ByCount = byCount_->isChecked();
    model_.CountText = count_->text();
    model_.IntervalText = interval_->text();
    model_.VisibleOnly = visibleOnly_->isChecked();
    model_.Style = TMarkerStyle(style_->checkedId());
    model_.TextSource = TMarkerTextSource(textSource_->currentIndex());
}

bool TAutoMarkersDialog::ExecAt(const QPoint& mouse, bool forOneGraph) {
    styleBox_->setEnabled(!forOneGraph);
    ShowModel();
    adjustSize();
    const QScreen* screen = QApplication::screenAt(mouse);
    const QRect desktop = (screen ? screen : QApplication::primaryScreen())->availableGeometry();
    const TPoint corner = AutoMarkersDialogPosition(
        {mouse.x(), mouse.y()}, frameGeometry().width(), frameGeometry().height(),
        {desktop.left(), desktop.top(), desktop.right() + 1, desktop.bottom() + 1}, forOneGraph);
    move(corner.X, corner.Y);
    if (exec() != QDialog::Accepted) return false;
    TakeChoices();
    return true;
}

TJobRun TAutoMarkersDialog::JobRun() {
    // Over the dialog this one was opened from (the graph properties), which holds the input.
    QWidget* modal = QApplication::activeModalWidget();
    return TJobRunner::For(modal ? modal : parentWidget());
}

bool TAutoMarkersDialog::ExecForWindow(TSuperGrWindow& window, const QPoint& mouse) {
    model_.PrepareForWindow(window);
    if (!ExecAt(mouse, false)) return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool placed = model_.ApplyToWindow(window, JobRun());
    QApplication::restoreOverrideCursor();
    return placed;
}

bool TAutoMarkersDialog::ExecForGraph(TGraph& graph, const QPoint& mouse) {
    model_.Style = TMarkerStyle::Current; // one graph keeps its style: the disabled choice says so
    if (!ExecAt(mouse, true)) return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool placed = model_.ApplyToGraph(graph, JobRun());
    QApplication::restoreOverrideCursor();
    return placed;
}
