#include "gui/bindingwizard/BindingWizardDialog.h"

#include "gui/graphproperties/GraphPropertiesDialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QLabel* Heading(const QString& text) {
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}
} // namespace

TBindingWizardDialog::TBindingWizardDialog(TSuperGrWindow& window, QWidget* parent)
    : QDialog(parent), model_(window) {
    setWindowTitle(QStringLiteral("Мастер привязки графиков"));
    steps_ = new QStackedWidget;
    steps_->addWidget(CreateGraphsPage());
    steps_->addWidget(CreateWaysPage());
    back_ = new QPushButton(QStringLiteral("< &Назад"));
    next_ = new QPushButton(QStringLiteral("&Далее >"));
    bind_ = new QPushButton(QStringLiteral("Привязать"));
    auto* close = new QPushButton(QStringLiteral("Закрыть"));
    auto* help = new QPushButton(QStringLiteral("Справка"));
    connect(back_, &QPushButton::clicked, this, [this] { ShowStep(0); });
    connect(next_, &QPushButton::clicked, this, [this] { ShowStep(1); });
    connect(bind_, &QPushButton::clicked, this, &TBindingWizardDialog::Bind);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(help);
    buttons->addStretch(1);
    for (QPushButton* button : {back_, next_, bind_, close})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(steps_, 1);
    layout->addLayout(buttons);
    resize(460, 400);
}

QWidget* TBindingWizardDialog::CreateGraphsPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading(QStringLiteral("Выберите нужные графики")));
    auto* tools = new QHBoxLayout;
    const std::pair<const char*, TRowChoice> choices[] = {
        {"Выбрать все графики", TRowChoice::All},
        {"Отменить все графики", TRowChoice::Clear},
        {"Изменить выбор", TRowChoice::Invert},
        {"Выбрать все нечётные графики", TRowChoice::Odd},
        {"Выбрать все чётные графики", TRowChoice::Even},
        {"Выбрать первую половину графиков", TRowChoice::FirstHalf},
        {"Выбрать вторую половину графиков", TRowChoice::SecondHalf}};
    const char* faces[] = {"✔", "✘", "⇄", "1,3", "2,4", "½↑", "½↓"};
    for (size_t i = 0; i < std::size(choices); ++i) {
        auto* button = new QToolButton;
        button->setText(QString::fromUtf8(faces[i]));
        button->setToolTip(QString::fromUtf8(choices[i].first));
        tools->addWidget(button);
        connect(button, &QToolButton::clicked, this, [this, choice = choices[i].second] {
            model_.Graphs().ChooseRows(choice);
            ShowGraphs();
        });
    }
    tools->addStretch(1);
    layout->addLayout(tools);
    graphs_ = new QListWidget;
    graphs_->setIconSize(QSize(40, 12));
    connect(graphs_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        model_.Tick(graphs_->row(item), item->checkState() == Qt::Checked);
    });
    layout->addWidget(graphs_, 1);
    return page;
}

QWidget* TBindingWizardDialog::CreateWaysPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading(QStringLiteral("Для выбранных графиков укажите способ привязки")));
    const char* captions[BindBoxCount] = {
        "Полная синхронизация (X и Y)", "Объединить оси X",        "Объединить оси Y",
        "Выровнять масштабы по Х",      "Выровнять смещения по Х", "Выровнять масштабы по Y",
        "Выровнять смещения по Y"};
    for (int b = 0; b < BindBoxCount; ++b) {
        boxes_[size_t(b)] = new QCheckBox(QString::fromUtf8(captions[b]));
        notices_[size_t(b)] = new QLabel;
        // The kinds stand indented under their axis.
        const int indent = b == int(TBindBox::Full) ? 0 : b <= int(TBindBox::AxesY) ? 16 : 32;
        for (QWidget* w :
             {static_cast<QWidget*>(boxes_[size_t(b)]), static_cast<QWidget*>(notices_[size_t(b)])}) {
            auto* line = new QHBoxLayout;
            line->addSpacing(w == notices_[size_t(b)] ? indent + 20 : indent); // notices under the captions
            line->addWidget(w, 1);
            layout->addLayout(line);
        }
        connect(boxes_[size_t(b)], &QCheckBox::toggled, this, [this, b](bool on) {
            model_.Check(TBindBox(b), on);
            ShowBoxes();
        });
    }
    layout->addStretch(1);
    closeAfter_ = new QCheckBox(QStringLiteral("Закрыть это окно после привязки"));
    layout->addWidget(closeAfter_);
    return page;
}

void TBindingWizardDialog::Open() {
    model_.Open();
    for (int b = 0; b < BindBoxCount; ++b) {
        boxes_[size_t(b)]->setVisible(model_.Shown(TBindBox(b)));
        const QString notice = model_.Notice(TBindBox(b));
        notices_[size_t(b)]->setText(notice);
        notices_[size_t(b)]->setVisible(!notice.isEmpty());
    }
    graphs_->clear();
    const TGraphListModel& rows = model_.Graphs();
    const QColor disabled = palette().color(QPalette::Disabled, QPalette::Text);
    for (int row = 0; row < rows.RowCount(); ++row) {
        const TGraph* g = rows.Graph(row);
        auto* item = new QListWidgetItem(QIcon(ColorSwatchPicture(g->Color(), QSize(40, 12))), g->Name());
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        if (!g->Visible()) item->setForeground(disabled);
        const QSignalBlocker quiet(graphs_);
        graphs_->addItem(item);
    }
    ShowGraphs();
    ShowBoxes();
    ShowStep(0);
}

void TBindingWizardDialog::ShowStep(int step) {
    steps_->setCurrentIndex(step);
    back_->setEnabled(step == 1);
    next_->setEnabled(step == 0);
}

void TBindingWizardDialog::ShowGraphs() {
    const QSignalBlocker quiet(graphs_);
    for (int row = 0; row < graphs_->count(); ++row)
        graphs_->item(row)->setCheckState(model_.Graphs().RowSelected(row) ? Qt::Checked : Qt::Unchecked);
}

void TBindingWizardDialog::ShowBoxes() {
    for (int b = 0; b < BindBoxCount; ++b) {
        const QSignalBlocker quiet(boxes_[size_t(b)]);
        boxes_[size_t(b)]->setChecked(model_.Checked(TBindBox(b)));
    }
}

void TBindingWizardDialog::Bind() {
    model_.Bind();
    if (closeAfter_->isChecked()) accept();
}
