#include "gui/filtration/FiltrationDialog.h"

#include "gui/graphwindow/GraphWindowWidget.h"
#include "gui/help/HelpWindow.h"
#include "gui/jobs/JobRunner.h"
#include "gui/widgets/GraphComboBox.h"
#include "model/Colors.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

constexpr int kGraphIdRole = Qt::UserRole;

QColor ToQColor(TColor c) {
    const TColor rgb = ColorToRGB(c);
    return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

// The graph lists carry graph IDs; the colours are looked up in the target window as they are drawn.
TGraphComboBox* GraphBox(const TFiltrationModel& model, QWidget* parent) {
    return new TGraphComboBox(
        [&model](const QVariant& id) -> std::optional<QColor> {
            const TGraph* g =
                model.Target() && id.toInt() >= 0 ? model.Target()->GraphByID(id.toInt()) : nullptr;
            if (!g) return std::nullopt;
            return ToQColor(g->Color());
        },
        parent);
}

void FillGraphBox(QComboBox* box, const QList<TGraphItem>& items, int index) {
    const QSignalBlocker quiet(box);
    box->clear();
    for (const TGraphItem& item : items)
        box->addItem(item.Text, item.GraphID);
    box->setCurrentIndex(index);
}

QLabel* Label(const char* text, QWidget* parent = nullptr) {
    return new QLabel(Text(text), parent);
}

} // namespace

// ---------------------------------------------------------------------------------------------

TFiltrationDialog::TFiltrationDialog(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      model_(static_cast<TFiltrationAsker&>(*this)) {
    setWindowTitle(TFiltrationModel::Caption());
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    BuildUi();
    model_.OnReadOut = [this] { ShowReadOut(); };
    model_.RunJob = TJobRunner::For(this);
    LoadFields();
    RefreshStates();
}

TFiltrationDialog::~TFiltrationDialog() {
    // The preview widget lets go of the model's preview window, which goes before the child widgets.
    delete preview_;
    model_.OnReadOut = nullptr;
}

void TFiltrationDialog::ShowMessage(const QString& text) {
    QMessageBox::information(this, QString(), text);
}

template <typename Sender, typename Signal, typename Setter>
void TFiltrationDialog::Forward(Sender* sender, Signal signal, Setter setter) {
    connect(sender, signal, this, [this, setter](auto... value) {
        if (loading_) return;
        setter(value...);
        RefreshStates();
    });
}

void TFiltrationDialog::BuildUi() {
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    layout->addLayout(left);

    left->addWidget(Label("Частота дискретизации исходного сигнала (Гц)"));
    sampleRate_ = new QLineEdit;
    left->addWidget(sampleRate_);
    Forward(sampleRate_, &QLineEdit::textEdited, [this](const QString& t) { model_.SetSampleRateText(t); });

    auto* typeRow = new QHBoxLayout;
    filterType_ = new QComboBox;
    filterType_->addItems(TFiltrationModel::FilterTypeItems());
    typeRow->addWidget(filterType_, 1);
    compute_ = new QPushButton(Text("Рассчитать фильтр"));
    typeRow->addWidget(compute_);
    left->addLayout(typeRow);
    connect(filterType_, &QComboBox::activated, this, &TFiltrationDialog::OnFilterTypeChosen);
    connect(compute_, &QPushButton::clicked, this, [this] {
        model_.ComputeFilter();
        RefreshStates();
    });

    panels_ = new QStackedWidget;
    // In the order of TFilterPanel.
    panels_->addWidget(BuildDesignPanel());
    panels_->addWidget(BuildUserPanel());
    panels_->addWidget(BuildAveragePanel());
    panels_->addWidget(BuildSmoothingPanel());
    left->addWidget(panels_);

    auto* realizationGroup = new QGroupBox(Text(" Реализация фильтра "));
    auto* realizationLayout = new QVBoxLayout(realizationGroup);
    realization_ = new QComboBox;
    realization_->addItems(TFiltrationModel::RealizationItems());
    realizationLayout->addWidget(realization_);
    left->addWidget(realizationGroup);
    Forward(realization_, &QComboBox::activated, [this](int i) { model_.Realization = i; });

    onlySource_ = new QCheckBox(Text("вывести результат только в "));
    onlySourceLabel_ = Label("узлах исходного графика");
    auto* onlySourceRow = new QHBoxLayout;
    onlySourceRow->setSpacing(0);
    onlySourceRow->addWidget(onlySource_);
    onlySourceRow->addWidget(onlySourceLabel_);
    onlySourceRow->addStretch(1);
    left->addLayout(onlySourceRow);
    Forward(onlySource_, &QCheckBox::toggled, [this](bool on) { model_.OnlySourceNodes = on; });

    left->addWidget(Label("Поместить результат в"));
    output_ = GraphBox(model_, this);
    left->addWidget(output_);
    Forward(output_, &QComboBox::activated, [this](int i) { model_.OutputIndex = i; });

    auto* scopeGroup = new QGroupBox(Text(" Применить фильтр "));
    auto* scopeLayout = new QVBoxLayout(scopeGroup);
    allGraphs_ = new QRadioButton(Text("ко всем графикам"));
    selectedGraphs_ = new QRadioButton(Text("к выбранным графикам"));
    oneGraph_ = new QRadioButton(Text("к графику"));
    graph_ = GraphBox(model_, this);
    for (QRadioButton* r : {allGraphs_, selectedGraphs_, oneGraph_})
        scopeLayout->addWidget(r);
    scopeLayout->addWidget(graph_);
    left->addWidget(scopeGroup);
    const std::pair<QRadioButton*, int> scopes[] = {
        {allGraphs_, fsAllGraphs}, {selectedGraphs_, fsSelectedGraphs}, {oneGraph_, fsOneGraph}};
    for (const auto& [button, scope] : scopes) {
        const int chosen = scope;
        Forward(button, &QRadioButton::toggled, [this, chosen](bool on) {
            if (!on) return;
            model_.SetScope(chosen);
            FillGraphBox(output_, model_.OutputItems(), model_.OutputIndex);
        });
    }
    Forward(graph_, &QComboBox::activated, [this](int i) { model_.GraphIndex = i; });

    closeAfter_ = new QCheckBox(Text("Закрывать окно после вычисления"));
    left->addWidget(closeAfter_);
    Forward(closeAfter_, &QCheckBox::toggled, [this](bool on) { model_.CloseAfterApply = on; });

    auto* buttons = new QHBoxLayout;
    apply_ = new QPushButton(Text("Применить"));
    auto* close = new QPushButton(Text("Закрыть"));
    auto* help = new QPushButton(Text("Помощь"));
    connect(help, &QPushButton::clicked, this, [this] { help::ShowWindowHelp(this); });
    statistics_ = new QPushButton(Text("i"));
    statistics_->setFixedWidth(statistics_->sizeHint().height());
    for (QPushButton* b : {apply_, close, help, statistics_}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    left->addLayout(buttons);
    left->addStretch(1);
    connect(apply_, &QPushButton::clicked, this, &TFiltrationDialog::OnApply);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(statistics_, &QPushButton::clicked, this, &TFiltrationDialog::OnStatistics);

    auto* right = new QVBoxLayout;
    right->addWidget(BuildPreviewGroup());
    right->addStretch(1);
    layout->addLayout(right);
}

QWidget* TFiltrationDialog::BuildDesignPanel() {
    auto* panel = new QWidget;
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    order_ = new QSpinBox;
    order_->setRange(TFiltrationModel::MinOrder, TFiltrationModel::MaxOrder);
    order_->setSingleStep(TFiltrationModel::OrderStep);
    cutoff_ = new QLineEdit;
    rippleLabel_ = Label("коэфф. пульсаций");
    ripple_ = new QLineEdit;
    lowPass_ = new QRadioButton(Text("НЧ"));
    highPass_ = new QRadioButton(Text("ВЧ"));
    auto* kind = new QHBoxLayout;
    kind->addWidget(lowPass_);
    kind->addWidget(highPass_);
    kind->addStretch(1);
    grid->addWidget(Label("порядок фильтра"), 0, 0);
    grid->addWidget(order_, 0, 1);
    grid->addWidget(Label("частота среза (Гц)"), 1, 0);
    grid->addWidget(cutoff_, 1, 1);
    grid->addWidget(rippleLabel_, 2, 0);
    grid->addWidget(ripple_, 2, 1);
    grid->addWidget(Label("тип фильтра"), 3, 0);
    grid->addLayout(kind, 3, 1);
    Forward(order_, &QSpinBox::valueChanged, [this](int v) { model_.SetOrder(v); });
    Forward(cutoff_, &QLineEdit::textEdited, [this](const QString& t) { model_.SetCutoffText(t); });
    Forward(ripple_, &QLineEdit::textEdited, [this](const QString& t) {
        const QString kept = model_.SetRippleText(t);
        if (kept != t) {
            const QSignalBlocker quiet(ripple_);
            ripple_->setText(kept);
        }
    });
    Forward(highPass_, &QRadioButton::toggled, [this](bool on) { model_.SetHighPass(on); });
    return panel;
}

QWidget* TFiltrationDialog::BuildUserPanel() {
    auto* panel = new QWidget;
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    numerator_ = new QLineEdit;
    denominator_ = new QLineEdit;
    grid->addWidget(Label("числитель (a0, a1, a2, ...)"), 0, 0);
    grid->addWidget(numerator_, 1, 0);
    grid->addWidget(Label("знаменатель (b0, b1, b2, ...)"), 2, 0);
    grid->addWidget(denominator_, 3, 0);
    grid->setRowStretch(4, 1);
    Forward(numerator_, &QLineEdit::textEdited, [this](const QString& t) { model_.SetNumeratorText(t); });
    Forward(denominator_, &QLineEdit::textEdited, [this](const QString& t) { model_.SetDenominatorText(t); });
    return panel;
}

QWidget* TFiltrationDialog::BuildAveragePanel() {
    auto* panel = new QWidget;
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    interval_ = new QLineEdit;
    averaging_ = new QComboBox;
    averaging_->addItems(TFiltrationModel::AveragingItems());
    grid->addWidget(Label("интервал осреднения"), 0, 0);
    grid->addWidget(interval_, 0, 1);
    grid->addWidget(Label("тип осреднения:"), 1, 0);
    grid->addWidget(averaging_, 1, 1);
    grid->setRowStretch(2, 1);
    Forward(interval_, &QLineEdit::textEdited, [this](const QString& t) { model_.IntervalText = t; });
    Forward(averaging_, &QComboBox::activated, [this](int i) { model_.AveragingKind = i; });
    return panel;
}

QWidget* TFiltrationDialog::BuildSmoothingPanel() {
    auto* panel = new QWidget;
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    window_ = new QLineEdit;
    smoothingOrder_ = new QLineEdit;
    grid->addWidget(Label("интервал:"), 0, 0);
    grid->addWidget(window_, 0, 1);
    grid->addWidget(Label("порядок:"), 1, 0);
    grid->addWidget(smoothingOrder_, 1, 1);
    grid->addWidget(Label("1. интервал - нечётное число"), 2, 0, 1, 2);
    grid->addWidget(Label("2. порядок < ширины окна"), 3, 0, 1, 2);
    grid->addWidget(Label("3. порядок = 0 - медианный фильтр"), 4, 0, 1, 2);
    grid->setRowStretch(5, 1);
    Forward(window_, &QLineEdit::textEdited, [this](const QString& t) { model_.WindowText = t; });
    Forward(smoothingOrder_, &QLineEdit::textEdited,
            [this](const QString& t) { model_.SmoothingOrderText = t; });
    return panel;
}

QGroupBox* TFiltrationDialog::BuildPreviewGroup() {
    auto* group = new QGroupBox(Text(" Амплитудная и фазовая характеристики фильтра "));
    auto* layout = new QVBoxLayout(group);
    preview_ = new TGraphWindowWidget(model_.Preview());
    preview_->setFixedSize(334, 207);
    preview_->setCursor(Qt::ArrowCursor);
    layout->addWidget(preview_);
    connect(preview_, &TGraphWindowWidget::ContextMenuWanted, this, &TFiltrationDialog::ShowPreviewMenu);

    auto* readOut = new QGridLayout;
    readOut->setHorizontalSpacing(2);
    frequency_ = new QLabel;
    amplitude_ = new QLabel;
    phase_ = new QLabel;
    readOut->addWidget(Label(" f ="), 0, 0);
    readOut->addWidget(frequency_, 0, 1);
    readOut->addWidget(Label(" A ="), 1, 0);
    readOut->addWidget(amplitude_, 1, 1);
    readOut->addWidget(Label(" φ = "), 2, 0);
    readOut->addWidget(phase_, 2, 1);
    readOut->setColumnStretch(1, 1);
    layout->addLayout(readOut);
    ShowReadOut();
    return group;
}

void TFiltrationDialog::ShowPreviewMenu(const QPoint& globalPos) {
    QMenu menu(this);
    connect(menu.addAction(Text("Автомасштаб")), &QAction::triggered, this,
            [this] { model_.Preview().AutoScale(); });
    connect(menu.addAction(Text("Разместить по вертикали")), &QAction::triggered, this,
            [this] { model_.Preview().ArrangeVertically(); });
    menu.exec(globalPos);
}

// ---------------------------------------------------------------------------------------------

void TFiltrationDialog::LoadFields() {
    loading_ = true;
    sampleRate_->setText(model_.SampleRateText());
    filterType_->setCurrentIndex(model_.FilterType());
    order_->setValue(model_.Order());
    cutoff_->setText(model_.CutoffText());
    ripple_->setText(model_.RippleText());
    (model_.HighPass() ? highPass_ : lowPass_)->setChecked(true);
    numerator_->setText(model_.NumeratorText());
    denominator_->setText(model_.DenominatorText());
    interval_->setText(model_.IntervalText);
    averaging_->setCurrentIndex(model_.AveragingKind);
    window_->setText(model_.WindowText);
    smoothingOrder_->setText(model_.SmoothingOrderText);
    realization_->setCurrentIndex(model_.Realization);
    onlySource_->setChecked(model_.OnlySourceNodes);
    QRadioButton* const scopes[] = {allGraphs_, selectedGraphs_, oneGraph_};
    scopes[model_.Scope()]->setChecked(true);
    closeAfter_->setChecked(model_.CloseAfterApply);
    loading_ = false;
    LoadGraphLists();
}

void TFiltrationDialog::LoadGraphLists() {
    FillGraphBox(output_, model_.OutputItems(), model_.OutputIndex);
    FillGraphBox(graph_, model_.GraphItems(), model_.GraphIndex);
}

void TFiltrationDialog::RefreshStates() {
    const TFilterTypeControls controls = TFiltrationModel::ControlsFor(model_.FilterType());
    panels_->setCurrentIndex(controls.Panel);
    if (!controls.KeepsRippleState) {
        rippleLabel_->setEnabled(controls.RippleEnabled);
        ripple_->setEnabled(controls.RippleEnabled);
    }
    onlySource_->setEnabled(controls.RealizationEnabled);
    onlySourceLabel_->setEnabled(controls.RealizationEnabled);
    realization_->setEnabled(controls.RealizationEnabled);
    compute_->setEnabled(controls.ComputeEnabled);
    apply_->setEnabled(model_.ApplyEnabled());
    statistics_->setEnabled(model_.StatisticsEnabled() && StatisticsOpener);
}

void TFiltrationDialog::ShowReadOut() {
    const TFiltrationModel::TReadOut& r = model_.ReadOut();
    frequency_->setText(r.Frequency);
    amplitude_->setText(r.Amplitude);
    phase_->setText(r.Phase);
}

void TFiltrationDialog::OnFilterTypeChosen(int type) {
    model_.SetFilterType(type);
    RefreshStates();
}

void TFiltrationDialog::OnApply() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool close = model_.Apply();
    QApplication::restoreOverrideCursor();
    // The lists keep their entries; names may have changed.
    for (QComboBox* box : {output_, graph_})
        for (int i = 0; i < box->count(); ++i)
            if (const TGraph* g = model_.Target()->GraphByID(box->itemData(i, kGraphIdRole).toInt()))
                box->setItemText(i, g->Name());
    RefreshStates();
    if (close) accept();
}

void TFiltrationDialog::OnStatistics() {
    if (StatisticsOpener && model_.Target())
        StatisticsOpener(*model_.Target(), model_.Scope(), model_.GraphIndex, this);
}

void TFiltrationDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        // The focus goes back to the figure the dialog works on.
        if (parentWidget() && model_.Target())
            for (TGraphWindowWidget* w : parentWidget()->findChildren<TGraphWindowWidget*>())
                if (&w->Model() == model_.Target()) w->setFocus();
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFiltrationDialog::Prepare(TSuperGrWindow& target) {
    model_.Open(target);
    LoadFields();
    RefreshStates();
}

int TFiltrationDialog::ExecFor(TSuperGrWindow& target) {
    Prepare(target);
    return exec();
}

void ShowFiltrationDialog(TSuperGrWindow& window, QWidget* parent, TFiltrationStatisticsOpener statistics) {
    static QPointer<TFiltrationDialog> dialog;
    if (!dialog) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        dialog = new TFiltrationDialog(parent);
        QApplication::restoreOverrideCursor();
    }
    dialog->StatisticsOpener = std::move(statistics);
    dialog->ExecFor(window);
}
