#include "gui/settings/SettingsDialog.h"

#include "app/FileAssociation.h"
#include "app/IniFile.h"
#include "app/Settings.h"
#include "gui/help/HelpWindow.h"
#include "model/DrawAdapter.h"
#include "window/SuperGrWindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

using settings::TRange;

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// A button that shows a colour and picks another in the colour dialog.
class TColorButton : public QToolButton {
public:
    std::function<void(TColor)> Changed;
    explicit TColorButton(QWidget* parent = nullptr) : QToolButton(parent) {
        setFixedSize(44, 22);
        connect(this, &QToolButton::clicked, this, [this] {
            const QColor chosen = QColorDialog::getColor(TDrawAdapter::ToQColor(FColor), this);
            if (!chosen.isValid()) return;
            SetColor(MakeColor(chosen.red(), chosen.green(), chosen.blue()));
            if (Changed) Changed(FColor);
        });
    }
    TColor Color() const { return FColor; }
    void SetColor(TColor c) {
        FColor = c;
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QToolButton::paintEvent(event);
        QPainter painter(this);
        painter.setPen(Qt::black);
        painter.setBrush(TDrawAdapter::ToQColor(FColor));
        painter.drawRect(rect().adjusted(4, 4, -5, -5));
    }

private:
    TColor FColor = clBlack;
};

QGroupBox* Group(const QString& title, QLayout* layout) {
    auto* box = new QGroupBox(title);
    box->setLayout(layout);
    return box;
}

QLabel* Label(const char* text) {
    return new QLabel(S(text));
}

// The five pen styles of the line-style boxes, drawn as a line across the entry.
QIcon StyleIcon(int style) {
    static const Qt::PenStyle kStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                           Qt::DashDotDotLine};
    QPixmap pixmap(60, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QPen(Qt::black, 1, kStyles[style]));
    painter.drawLine(3, 6, 57, 6);
    return QIcon(pixmap);
}

} // namespace

TSettingsDialog::TSettingsDialog(TSuperGrWindow& figure, THost host, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), W(figure),
      H(std::move(host)) {
    setWindowTitle(S("Настройки программы"));
    setFont(QFont(S("Arial"), font().pointSize()));
    FFontNames = settings::FontNameList(QFontDatabase::families(QFontDatabase::Cyrillic),
                                        QFontDatabase::families(QFontDatabase::Symbol));

    auto* pages = new QTabWidget;
    pages->addTab(GeneralPage(), S("Общие"));
    pages->addTab(ViewPage(), S("Вид"));
    pages->addTab(GridPage(), S("Координатная сетка"));
    pages->addTab(NewGraphPage(), S("Новый график"));
    pages->addTab(MorePage(), S("Дополнительно"));

    // Tighter than the style's spacing, so that the pages keep to the dialog's design size.
    for (QLayout* inner : pages->findChildren<QLayout*>()) {
        inner->setSpacing(2);
        const bool framesAWidget = inner->parentWidget() && inner->parentWidget()->layout() == inner;
        if (framesAWidget) inner->setContentsMargins(6, 2, 6, 2);
    }

    auto* help = new QPushButton(S("Помощь"));
    connect(help, &QPushButton::clicked, this, [this] { help::ShowWindowHelp(this); });
    FRemember = new QCheckBox(S("Запомнить настройки"));
    auto* close = new QPushButton(S("Закрыть"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &TSettingsDialog::CloseAndMaybeRemember);
    auto* strip = new QHBoxLayout;
    strip->addWidget(help);
    strip->addStretch();
    strip->addWidget(FRemember);
    strip->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages);
    layout->addLayout(strip);
    resize(585, 505);
}

TSettingsDialog::~TSettingsDialog() = default;

void TSettingsDialog::Refill() {
    FFilling = true;
    for (const auto& fill : FFillers)
        fill();
    FFilling = false;
}

void TSettingsDialog::CloseAndMaybeRemember() {
    if (FRemember->isChecked()) {
        FRemember->setChecked(false);
        if (H.Remember) H.Remember();
    }
    accept();
}

void TSettingsDialog::OnFill(std::function<void()> fill) {
    FFillers.append(std::move(fill));
}

QCheckBox* TSettingsDialog::Check(const QString& text, std::function<bool()> get,
                                  std::function<void(bool)> set) {
    auto* box = new QCheckBox(text);
    OnFill([box, get] { box->setChecked(get()); });
    connect(box, &QCheckBox::toggled, this, [this, set](bool on) {
        if (!Filling()) set(on);
    });
    return box;
}

QWidget* TSettingsDialog::Spin(int min, int max, std::function<int()> get, std::function<void(int)> set,
                               int step) {
    auto* spin = new QSpinBox;
    spin->setRange(min, max);
    spin->setSingleStep(step);
    spin->setMaximumWidth(80);
    OnFill([spin, get] { spin->setValue(get()); });
    connect(spin, &QSpinBox::valueChanged, this, [this, set](int v) {
        if (!Filling()) set(v);
    });
    return spin;
}

QWidget* TSettingsDialog::ColorBox(std::function<TColor()> get, std::function<void(TColor)> set) {
    auto* button = new TColorButton;
    OnFill([button, get] { button->SetColor(get()); });
    button->Changed = std::move(set);
    return button;
}

// A value the settings could not keep would be lost at the next start: it is ignored as well.
QWidget* TSettingsDialog::RealField(long double min, long double max, std::function<long double()> get,
                                    std::function<void(long double)> set) {
    auto* field = new QLineEdit;
    field->setMaximumWidth(70);
    OnFill([field, get] { field->setText(ini::FromReal(get())); });
    connect(field, &QLineEdit::textEdited, this, [min, max, set](const QString& text) {
        if (const std::optional<long double> v = ini::ToReal(text); v && *v >= min && *v <= max) set(*v);
    });
    return field;
}

// The spin arrows step by 0.01 from the current value.
QWidget* TSettingsDialog::LineScaleField(std::function<long double()> get,
                                         std::function<void(long double)> set) {
    auto* spin = new QDoubleSpinBox;
    spin->setRange(double(settings::kLineScaleMin), double(settings::kLineScaleMax));
    spin->setDecimals(3);
    spin->setSingleStep(0.01);
    spin->setMaximumWidth(90);
    OnFill([spin, get] { spin->setValue(double(get())); });
    connect(spin, &QDoubleSpinBox::valueChanged, this, [this, set](double v) {
        if (!Filling()) set(v);
    });
    return spin;
}

QWidget* TSettingsDialog::StyleBox(std::function<int()> get, std::function<void(int)> set) {
    auto* box = new QComboBox;
    box->setIconSize({60, 12});
    for (int style = settings::kLineStyle.Min; style <= settings::kLineStyle.Max; ++style)
        box->addItem(StyleIcon(style), QString());
    OnFill([box, get] { box->setCurrentIndex(get()); });
    connect(box, &QComboBox::currentIndexChanged, this, [this, set](int index) {
        if (!Filling() && index >= 0) set(index);
    });
    return box;
}

QWidget* TSettingsDialog::FontRow(std::function<TFontRec()> get, std::function<void(const TFontRec&)> set,
                                  std::function<void(TColor)> setColor) {
    auto* names = new QComboBox;
    names->setMaximumWidth(170);
    const QStringList symbolFonts = QFontDatabase::families(QFontDatabase::Symbol);
    for (const QString& name : FFontNames) {
        names->addItem(name);
        // Each name in its own typeface; the symbol fonts in the box's.
        if (!symbolFonts.contains(name)) names->setItemData(names->count() - 1, QFont(name), Qt::FontRole);
    }
    auto* size = new QSpinBox;
    size->setRange(settings::kFontSize.Min, settings::kFontSize.Max);
    auto* bold = new QToolButton;
    bold->setText(S("Ж"));
    bold->setCheckable(true);
    bold->setStyleSheet(S("font-weight: bold"));
    auto* italic = new QToolButton;
    italic->setText(S("К"));
    italic->setCheckable(true);
    italic->setStyleSheet(S("font-style: italic"));
    auto* color = new TColorButton;

    OnFill([=, this] {
        const TFontRec f = get();
        const QString shown = settings::ShownFontName(
            f.Name, FFontNames, {QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()});
        names->setCurrentIndex(names->findText(shown));
        size->setValue(std::abs(f.Size));
        bold->setChecked(f.IsBold());
        italic->setChecked(f.IsItalic());
        color->SetColor(f.Color);
    });
    auto change = [this, get, set](const std::function<void(TFontRec&)>& edit) {
        if (Filling()) return;
        TFontRec f = get();
        edit(f);
        set(f);
    };
    connect(names, &QComboBox::currentTextChanged, this,
            [change](const QString& name) { change([&](TFontRec& f) { f.Name = name; }); });
    connect(size, &QSpinBox::valueChanged, this, [change](int points) {
        change([&](TFontRec& f) {
            if (std::abs(f.Size) != points) f.Size = points;
        });
    });
    auto styleBit = [change](uint8_t bit) {
        return [change, bit](bool on) {
            change([&](TFontRec& f) { f.StyleBits = on ? (f.StyleBits | bit) : (f.StyleBits & ~bit); });
        };
    };
    connect(bold, &QToolButton::toggled, this, styleBit(TFontRec::Bold));
    connect(italic, &QToolButton::toggled, this, styleBit(TFontRec::Italic));
    color->Changed = std::move(setColor);

    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* w : {static_cast<QWidget*>(names), static_cast<QWidget*>(size), static_cast<QWidget*>(bold),
                       static_cast<QWidget*>(italic), static_cast<QWidget*>(color)})
        layout->addWidget(w);
    layout->addStretch();
    return row;
}

// ---------------------------------------------------------------------------------------------
// The pages.

QWidget* TSettingsDialog::GeneralPage() {
    TSuperGrWindow& w = W;
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Check(
        S("Подтверждать закрытие при несохранённых данных"), [this] { return H.AskBeforeExit; },
        [this](bool on) { H.AskBeforeExit = on; }));
    layout->addWidget(Check(
        S("Сбрасывать режим зуммирования/редактирования по нажатию на правую кнопку мыши"),
        [&w] { return w.ResetByRightButton; }, [&w](bool on) { w.ResetByRightButton = on; }));
    layout->addWidget(Check(
        S("Сбрасывать режим зуммирования по прокрутке мыши"), [&w] { return w.ResetZoomByWheel; },
        [&w](bool on) { w.ResetZoomByWheel = on; }));
    layout->addWidget(Check(
        S("Многократное зуммирование"), [&w] { return w.MultiWndZoom; },
        [&w](bool on) { w.MultiWndZoom = on; }));

    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    layout->addLayout(columns);

    // Two columns of three, so that the page keeps to the dialog's design height.
    auto* actions = new QGridLayout;
    auto* actionGroup = new QButtonGroup(this);
    const char* const kActions[] = {"выбор графика",
                                    "скрыть график",
                                    "отображение узлов",
                                    "поместить наверх",
                                    "выровнять масштабы графика",
                                    "свойства графика"};
    for (int i = 0; i < 6; ++i) {
        auto* button = new QRadioButton(S(kActions[i]));
        actionGroup->addButton(button, i);
        actions->addWidget(button, i % 3, i / 3);
    }
    OnFill([this, actionGroup] {
        if (QAbstractButton* b = actionGroup->button(H.DblClickAction)) b->setChecked(true);
    });
    connect(actionGroup, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on && !Filling()) H.DblClickAction = id;
    });
    left->addWidget(Group(S(" Действие по двойному щелчку на графике "), actions));

    auto* speeds = new QGridLayout;
    speeds->addWidget(Label("нормальная"), 0, 0);
    speeds->addWidget(RealField(
                          settings::kZoomSpeedMin, settings::kZoomSpeedMax,
                          [&w] { return w.ZoomSpeed.ZoomNormal(); },
                          [&w](long double v) { w.ZoomSpeed.SetZoomNormal(v); }),
                      0, 1);
    speeds->addWidget(Label("медленная"), 1, 0);
    speeds->addWidget(RealField(
                          settings::kZoomSpeedMin, settings::kZoomSpeedMax,
                          [&w] { return w.ZoomSpeed.ZoomSlowx1(); },
                          [&w](long double v) { w.ZoomSpeed.SetZoomSlowx1(v); }),
                      1, 1);
    left->addWidget(Group(S("Скорость масштабирования (1...3)"), speeds));

    // The pairs of the alignment and the axes grouping go in one call each.
    auto* start = new QVBoxLayout;
    QCheckBox* posX = Check(
        S("синхронизировать смещение по оси X"), [&w] { return w.DrawPolicy.SinglePosX(); }, [](bool) {});
    QCheckBox* posY = Check(
        S("синхронизировать смещение по оси Y"), [&w] { return w.DrawPolicy.SinglePosY(); }, [](bool) {});
    QCheckBox* scaleX = Check(
        S("синхронизировать масштаб по оси X"), [&w] { return w.DrawPolicy.SingleScaleX(); }, [](bool) {});
    QCheckBox* scaleY = Check(
        S("синхронизировать масштаб по оси Y"), [&w] { return w.DrawPolicy.SingleScaleY(); }, [](bool) {});
    for (QCheckBox* box : {posX, posY})
        connect(box, &QCheckBox::clicked, this,
                [&w, posX, posY] { w.DrawPolicy.AlignPositions(posX->isChecked(), posY->isChecked()); });
    for (QCheckBox* box : {scaleX, scaleY})
        connect(box, &QCheckBox::clicked, this,
                [&w, scaleX, scaleY] { w.DrawPolicy.AlignScales(scaleX->isChecked(), scaleY->isChecked()); });
    for (QCheckBox* box : {posX, posY, scaleX, scaleY})
        start->addWidget(box);
    right->addWidget(Group(S("Начальное состояние"), start));

    auto* axes = new QGridLayout;
    QCheckBox* combineX = Check(
        S("только совпадающие"), [&w] { return w.CombineXAxis(); }, [](bool) {});
    QCheckBox* combineY = Check(
        S("только совпадающие"), [&w] { return w.CombineYAxis(); }, [](bool) {});
    QCheckBox* allX = Check(
        S("все"), [&w] { return !w.MultiXAxis(); }, [](bool) {});
    QCheckBox* allY = Check(
        S("все"), [&w] { return !w.MultiYAxis(); }, [](bool) {});
    const QString combineHint =
        S("Группировать только оси, у которых совпадают и масштабы и положения начала отсчёта");
    combineX->setToolTip(combineHint);
    combineY->setToolTip(combineHint);
    allX->setToolTip(S("Всегда показывать только одну ось абсцисс (нулевого слоя)"));
    allY->setToolTip(S("Всегда показывать только одну ось ординат (нулевого слоя)"));
    for (QCheckBox* box : {combineX, combineY})
        connect(box, &QCheckBox::clicked, this,
                [&w, combineX, combineY] { w.SetCombineAxes(combineX->isChecked(), combineY->isChecked()); });
    for (QCheckBox* box : {allX, allY})
        connect(box, &QCheckBox::clicked, this,
                [&w, allX, allY] { w.SetMultiAxes(!allX->isChecked(), !allY->isChecked()); });
    axes->addWidget(Label("по оси Х"), 0, 0);
    axes->addWidget(combineX, 0, 1);
    axes->addWidget(allX, 0, 2);
    axes->addWidget(Label("по оси Y"), 1, 0);
    axes->addWidget(combineY, 1, 1);
    axes->addWidget(allY, 1, 2);
    right->addWidget(Group(S("Группировать оси координат"), axes));

    auto* exportLayout = new QHBoxLayout;
    auto* schemes = new QVBoxLayout;
    auto* schemeGroup = new QButtonGroup(this);
    const char* const kSchemes[] = {"как есть", "белый фон", "белый фон с затемнением цветов", "чёрно-белый"};
    for (int i = 0; i < 4; ++i) {
        auto* button = new QRadioButton(S(kSchemes[i]));
        schemeGroup->addButton(button, i);
        schemes->addWidget(button);
    }
    OnFill([this, schemeGroup] {
        if (QAbstractButton* b = schemeGroup->button(H.ExportColorScheme)) b->setChecked(true);
    });
    connect(schemeGroup, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on && !Filling()) H.ExportColorScheme = id;
    });
    exportLayout->addWidget(Group(S(" Цветовая схема "), schemes));
    auto* format = new QGridLayout;
    auto* formatGroup = new QButtonGroup(this);
    auto* emf = new QRadioButton(S("Векторный (EMF)"));
    auto* bmp = new QRadioButton(S("Растровый (BMP)"));
    formatGroup->addButton(emf, 0);
    formatGroup->addButton(bmp, 1);
    OnFill([&w, emf, bmp] { (w.BitmapExport ? bmp : emf)->setChecked(true); });
    connect(formatGroup, &QButtonGroup::idToggled, this, [this, &w](int id, bool on) {
        if (on && !Filling()) w.BitmapExport = id == 1;
    });
    format->addWidget(emf, 0, 0);
    format->addWidget(Label("Масштаб"), 0, 1);
    format->addWidget(Spin(
                          settings::kEmfScale.Min, settings::kEmfScale.Max, [&w] { return w.EmfExportScale; },
                          [&w](int v) { w.EmfExportScale = v; }),
                      0, 2);
    format->addWidget(bmp, 1, 0);
    format->addWidget(Label("Масштаб"), 1, 1);
    format->addWidget(Spin(
                          settings::kBmpScale.Min, settings::kBmpScale.Max, [&w] { return w.BmpExportScale; },
                          [&w](int v) { w.BmpExportScale = v; }),
                      1, 2);
    exportLayout->addWidget(Group(S("Формат"), format));
    layout->addWidget(Group(S("Параметры экспорта"), exportLayout));

    auto* associate = new QCheckBox(S("Связать с программой файлы *.tvq"));
    OnFill([associate] {
        associate->setChecked(TFileAssociation(TFileAssociation::DefaultLocations()).FigureFilesAssociated());
    });
    connect(associate, &QCheckBox::clicked, this, [this, associate](bool on) {
        QString error;
        if (!TFileAssociation(TFileAssociation::DefaultLocations()).AssociateFigureFiles(on, &error)) {
            associate->setChecked(!on);
            if (!error.isEmpty()) QMessageBox::warning(this, S("Внимание"), error);
        }
    });
    layout->addWidget(associate);
    layout->addStretch();
    return page;
}

QWidget* TSettingsDialog::ViewPage() {
    TSuperGrWindow& w = W;
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    auto* fonts = new QGridLayout;
    fonts->addWidget(Label("Заголовок"), 0, 0);
    fonts->addWidget(FontRow([&w] { return w.TopCaptionFont(); },
                             [&w](const TFontRec& f) { w.SetTopCaptionFont(f); },
                             [&w](TColor c) { w.Colors.Set(TColorStruct::TopCaption, c); }),
                     0, 1);
    fonts->addWidget(Label("Подпись"), 1, 0);
    fonts->addWidget(FontRow([&w] { return w.BottomCaptionFont(); },
                             [&w](const TFontRec& f) { w.SetBottomCaptionFont(f); },
                             [&w](TColor c) { w.Colors.Set(TColorStruct::BottomCaption, c); }),
                     1, 1);
    layout->addWidget(Group(S(" Шрифты "), fonts));

    auto colour = [&w, this](TColorStruct::Field field) {
        return ColorBox([&w, field] { return w.Colors.Get(field); },
                        [&w, field](TColor c) { w.Colors.Set(field, c); });
    };
    auto* legend = new QGridLayout;
    legend->addWidget(Label("фон"), 0, 0);
    legend->addWidget(colour(TColorStruct::LegendBackgrnd), 0, 1);
    legend->addWidget(Label("рамка"), 0, 2);
    legend->addWidget(colour(TColorStruct::LegendBorder), 0, 3);
    legend->addWidget(Spin(
                          settings::kLegendWidth.Min, settings::kLegendWidth.Max,
                          [&w] { return w.LegendBorderWidth(); }, [&w](int v) { w.SetLegendBorderWidth(v); }),
                      0, 4);
    legend->addWidget(Label("шрифт"), 1, 0);
    legend->addWidget(FontRow([&w] { return w.LegendFont(); },
                              [&w](const TFontRec& f) { w.SetLegendFont(f); },
                              [&w](TColor c) { w.Colors.Set(TColorStruct::LegendText, c); }),
                      1, 1, 1, 5);
    auto* nodes = new QHBoxLayout;
    nodes->addWidget(Label("узлы"));
    nodes->addWidget(colour(TColorStruct::Points));
    nodes->addWidget(Label("выбранные узлы"));
    nodes->addWidget(colour(TColorStruct::SelPoints));
    nodes->addStretch();
    layout->addLayout(nodes);
    layout->addWidget(Group(S("Легенда"), legend));

    auto* row = new QHBoxLayout;
    auto* margins = new QGridLayout;
    const struct {
        const char* caption;
        int32_t (TMargins::*get)() const;
        void (TMargins::*set)(int32_t);
    } kMargins[] = {{"верхнее", &TMargins::Top, &TMargins::SetTop},
                    {"левое", &TMargins::Left, &TMargins::SetLeft},
                    {"правое", &TMargins::Right, &TMargins::SetRight},
                    {"нижнее", &TMargins::Bottom, &TMargins::SetBottom}};
    for (int i = 0; i < 4; ++i) {
        const auto m = kMargins[i];
        margins->addWidget(Label(m.caption), i / 2, (i % 2) * 2);
        margins->addWidget(Spin(
                               settings::kMargin.Min, settings::kMargin.Max,
                               [&w, m] { return (w.Margins.*m.get)(); },
                               [&w, m](int v) { (w.Margins.*m.set)(v); }),
                           i / 2, (i % 2) * 2 + 1);
    }
    row->addWidget(Group(S(" Поля"), margins));
    auto* initial = new QGridLayout;
    initial->addWidget(Label("по оси Х"), 0, 0);
    initial->addWidget(RealField(
                           settings::kInitialScaleMin, settings::kInitialScaleMax,
                           [&w] { return w.InitialScaleX; }, [&w](long double v) { w.InitialScaleX = v; }),
                       0, 1);
    initial->addWidget(Label("по оси Y"), 1, 0);
    initial->addWidget(RealField(
                           settings::kInitialScaleMin, settings::kInitialScaleMax,
                           [&w] { return w.InitialScaleY; }, [&w](long double v) { w.InitialScaleY = v; }),
                       1, 1);
    row->addWidget(Group(S(" Автомасштаб графиков "), initial));
    auto* plot = new QGridLayout;
    auto* width = new QLineEdit;
    auto* height = new QLineEdit;
    width->setMaximumWidth(60);
    height->setMaximumWidth(60);
    OnFill([this, width, height] {
        width->setText(QString::number(H.PlotSize().width()));
        height->setText(QString::number(H.PlotSize().height()));
    });
    auto* apply = new QPushButton(S("Установить"));
    // A field that is not an integer counts as no change.
    connect(apply, &QPushButton::clicked, this, [this, width, height] {
        const QSize current = H.PlotSize();
        const int wanted = ini::ToInt(width->text()).value_or(current.width());
        const int wantedHeight = ini::ToInt(height->text()).value_or(current.height());
        if (settings::kPlotSize.Holds(wanted) && settings::kPlotSize.Holds(wantedHeight))
            H.SetPlotSize({wanted, wantedHeight});
    });
    plot->addWidget(Label("Ширина"), 0, 0);
    plot->addWidget(width, 0, 1);
    plot->addWidget(Label("Высота"), 1, 0);
    plot->addWidget(height, 1, 1);
    plot->addWidget(apply, 2, 0, 1, 2);
    row->addWidget(Group(S("Размер графического окна (пикс)"), plot));
    layout->addLayout(row);

    layout->addWidget(Check(
        S("отображать числовые значения по оси X"), [&w] { return w.ShowXAxisLabels(); },
        [&w](bool on) { w.SetShowXAxisLabels(on); }));
    layout->addWidget(Check(
        S("отображать числовые значения по оси Y"), [&w] { return w.ShowYAxisLabels(); },
        [&w](bool on) { w.SetShowYAxisLabels(on); }));
    layout->addWidget(Check(
        S("отображать вертикальный шрифт по оси Y"), [&w] { return w.VerticalYFont(); },
        [&w](bool on) { w.SetVerticalYFont(on); }));
    layout->addWidget(Check(
        S("отображать маркеры по осям"), [&w] { return w.ShowAxisMarkers(); },
        [&w](bool on) { w.SetShowAxisMarkers(on); }));
    layout->addWidget(Check(
        S("отображать цветовые метки на осях"), [&w] { return w.ShowAxisNotches(); },
        [&w](bool on) { w.SetShowAxisNotches(on); }));
    layout->addStretch();
    return page;
}

QWidget* TSettingsDialog::GridPage() {
    TSuperGrWindow& w = W;
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto colour = [&w, this](TColorStruct::Field field) {
        return ColorBox([&w, field] { return w.Colors.Get(field); },
                        [&w, field](TColor c) { w.Colors.Set(field, c); });
    };

    auto* steps = new QGridLayout;
    steps->addWidget(Label("шаг сетки [пикс]"), 0, 0);
    steps->addWidget(Label("по X"), 0, 1);
    steps->addWidget(Spin(
                         settings::kGridSize.Min, settings::kGridSize.Max, [&w] { return w.GridSizeX(); },
                         [&w](int v) { w.SetGridSizeX(v); }),
                     0, 2);
    steps->addWidget(Label("по Y"), 0, 3);
    steps->addWidget(Spin(
                         settings::kGridSize.Min, settings::kGridSize.Max, [&w] { return w.GridSizeY(); },
                         [&w](int v) { w.SetGridSizeY(v); }),
                     0, 4);
    steps->addWidget(Label("дополнительные линии сетки по X"), 1, 0, 1, 2);
    steps->addWidget(Spin(
                         settings::kSubGridLines.Min, settings::kSubGridLines.Max,
                         [&w] { return w.SubGridDividerX() - 1; },
                         [&w](int v) { w.SetSubGridDividerX(v + 1); }),
                     1, 2);
    steps->addWidget(Label("дополнительные линии сетки по Y"), 2, 0, 1, 2);
    steps->addWidget(Spin(
                         settings::kSubGridLines.Min, settings::kSubGridLines.Max,
                         [&w] { return w.SubGridDividerY() - 1; },
                         [&w](int v) { w.SetSubGridDividerY(v + 1); }),
                     2, 2);
    steps->addWidget(Check(
                         S("риски"), [&w] { return w.ShowTicks(); }, [&w](bool on) { w.SetShowTicks(on); }),
                     1, 3, 1, 2);
    steps->addWidget(
        Check(
            S("основная сетка"), [&w] { return w.ShowGrid(); }, [&w](bool on) { w.SetShowGrid(on); }),
        2, 3, 1, 2);
    layout->addLayout(steps);

    auto* back = new QHBoxLayout;
    back->addWidget(Label("фон внутренний"));
    back->addWidget(colour(TColorStruct::Inside));
    back->addWidget(Label("фон наружный"));
    back->addWidget(colour(TColorStruct::Outside));
    back->addStretch();
    layout->addLayout(back);

    auto* lines = new QGridLayout;
    lines->addWidget(Label("рамка"), 0, 0);
    // The frame's colour box shows the active colour and sets both.
    lines->addWidget(ColorBox([&w] { return w.Colors.Get(TColorStruct::ActiveBorder); },
                              [&w](TColor c) {
                                  w.Colors.Set(TColorStruct::ActiveBorder, c);
                                  w.Colors.Set(TColorStruct::UnActiveBorder, c);
                              }),
                     0, 1);
    lines->addWidget(Spin(
                         settings::kFrameWidth.Min, settings::kFrameWidth.Max, [&w] { return w.BrdrWidth(); },
                         [&w](int v) { w.SetBrdrWidth(v); }),
                     0, 3);
    const struct {
        const char* caption;
        TColorStruct::Field colour;
        int32_t (TSuperGrWindow::*style)() const;
        void (TSuperGrWindow::*setStyle)(int32_t);
        int32_t (TSuperGrWindow::*width)() const;
        void (TSuperGrWindow::*setWidth)(int32_t);
        Extended (TSuperGrWindow::*scale)() const;
        void (TSuperGrWindow::*setScale)(Extended);
    } kLines[] = {
        {"осевые линии", TColorStruct::Axis, &TSuperGrWindow::AxisStyle, &TSuperGrWindow::SetAxisStyle,
         &TSuperGrWindow::AxisWidth, &TSuperGrWindow::SetAxisWidth, &TSuperGrWindow::AxisScale,
         &TSuperGrWindow::SetAxisScale},
        {"линии сетки", TColorStruct::Grid, &TSuperGrWindow::GridStyle, &TSuperGrWindow::SetGridStyle,
         &TSuperGrWindow::GridWidth, &TSuperGrWindow::SetGridWidth, &TSuperGrWindow::GridScale,
         &TSuperGrWindow::SetGridScale},
        {"линии доп. сетки", TColorStruct::SubGrid, &TSuperGrWindow::SubGridStyle,
         &TSuperGrWindow::SetSubGridStyle, &TSuperGrWindow::SubGridWidth, &TSuperGrWindow::SetSubGridWidth,
         &TSuperGrWindow::SubGridScale, &TSuperGrWindow::SetSubGridScale},
    };
    for (int i = 0; i < 3; ++i) {
        const auto l = kLines[i];
        lines->addWidget(Label(l.caption), i + 1, 0);
        lines->addWidget(colour(l.colour), i + 1, 1);
        lines->addWidget(StyleBox([&w, l] { return (w.*l.style)(); }, [&w, l](int v) { (w.*l.setStyle)(v); }),
                         i + 1, 2);
        lines->addWidget(Spin(
                             settings::kLineWidth.Min, settings::kLineWidth.Max,
                             [&w, l] { return (w.*l.width)(); }, [&w, l](int v) { (w.*l.setWidth)(v); }),
                         i + 1, 3);
        lines->addWidget(LineScaleField([&w, l] { return (w.*l.scale)(); },
                                        [&w, l](long double v) { (w.*l.setScale)(v); }),
                         i + 1, 4);
    }
    layout->addLayout(lines);

    auto* values = new QHBoxLayout;
    values->addWidget(Label("Числовые"));
    values->addWidget(FontRow([&w] { return w.AxisFont(); }, [&w](const TFontRec& f) { w.SetAxisFont(f); },
                              [&w](TColor c) { w.Colors.Set(TColorStruct::AxText, c); }));
    layout->addWidget(Group(S("значения"), values));
    layout->addStretch();
    return page;
}

QWidget* TSettingsDialog::NewGraphPage() {
    TSuperGrWindow& w = W;
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    auto* style = new QGridLayout;
    auto* panels = new QGridLayout;
    for (int i = 0; i < TGraphPalette::Size; ++i) {
        auto* caption = new QLabel(QString::number(i + 1));
        caption->setAlignment(Qt::AlignCenter);
        panels->addWidget(caption, 0, i);
        panels->addWidget(ColorBox([&w, i] { return w.GraphsPalette.Get(i); },
                                   [&w, i](TColor c) { w.GraphsPalette.Set(i, c); }),
                          1, i);
    }
    for (int i = 0; i < TGraphPalette::Size; ++i)
        if (auto* button = qobject_cast<QToolButton*>(panels->itemAtPosition(1, i)->widget()))
            button->setFixedSize(24, 22);
    style->addLayout(panels, 0, 0, 1, 3);
    style->addWidget(Check(
                         S("Использовать один цвет"), [&w] { return !w.UsePalette; },
                         [&w](bool on) { w.UsePalette = !on; }),
                     1, 0);
    style->addWidget(ColorBox([&w] { return w.Colors.Get(TColorStruct::GraphDefault); },
                              [&w](TColor c) { w.Colors.Set(TColorStruct::GraphDefault, c); }),
                     1, 1, Qt::AlignLeft);
    style->addWidget(Label("Символы"), 2, 0);
    style->addWidget(FontRow([&w] { return w.SymbolFont(); }, [&w](const TFontRec& f) { w.SetSymbolFont(f); },
                             [&w](TColor c) { w.Colors.Set(TColorStruct::Symbol, c); }),
                     2, 1, 1, 2);
    layout->addWidget(Group(S("Стиль нового графика"), style));

    auto* adding = new QVBoxLayout;
    adding->addWidget(Check(
        S("использовать символьный тип маркеров"), [&w] { return w.SymbolicMarker; },
        [&w](bool on) { w.SymbolicMarker = on; }));
    adding->addWidget(Check(
        S("отмечтить график"), [this] { return H.AutoSelectNewGraphs; },
        [this](bool on) { H.AutoSelectNewGraphs = on; }));
    layout->addWidget(Group(S("Действия при добавлении графика"), adding));
    layout->addStretch();
    return page;
}

QWidget* TSettingsDialog::MorePage() {
    TSuperGrWindow& w = W;
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* animation = new QGridLayout;
    const struct {
        const char* caption;
        bool TSuperGrWindow::*flag;
    } kFlags[] = {{"Анимированное меню", &TSuperGrWindow::AnimatedMenu},
                  {"Анимированное смещение", &TSuperGrWindow::AnimatedMove},
                  {"Анимированное масштабирование", &TSuperGrWindow::AnimatedZoom},
                  {"Анимированное анду/реду", &TSuperGrWindow::AnimatedUndo}};
    for (int i = 0; i < 4; ++i) {
        const auto flag = kFlags[i].flag;
        animation->addWidget(
            Check(
                S(kFlags[i].caption), [&w, flag] { return w.*flag; }, [&w, flag](bool on) { w.*flag = on; }),
            i, 0, 1, 2);
    }
    animation->addWidget(Label("Интервал анимации, мс"), 4, 0);
    animation->addWidget(Spin(
                             settings::kAnimationTime.Min, settings::kAnimationTime.Max,
                             [&w] { return int(w.AnimationTime()); },
                             [&w](int v) { w.SetAnimationTime(uint32_t(v)); }, 50),
                         4, 1);
    layout->addWidget(Group(S("Анимация"), animation));
    layout->addStretch();
    return page;
}
