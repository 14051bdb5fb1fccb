#include "gui/calculator/CalculatorWindow.h"

#include "gui/help/HelpWindow.h"
#include "gui/widgets/StoredTextGuard.h"
#include "model/DrawAdapter.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

const QString kTitle = QStringLiteral("Вычисление математических функций");

class TQtSingleShot : public TWindowTimer {
public:
    TQtSingleShot() {
        FTimer.setSingleShot(true);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            if (OnTick) OnTick();
        });
    }
    void Start(int intervalMs) override { FTimer.start(intervalMs); }
    void Stop() override { FTimer.stop(); }
    bool IsActive() const override { return FTimer.isActive(); }

private:
    QTimer FTimer;
};

// One keypad button: its caption, its hint, and whether it types its caption (a sign) or is a function.
struct TKey {
    const char* Caption;
    const char* Hint;
    bool Sign;
};
struct TKeyGroup {
    const char* Title;
    int Columns;
    std::vector<TKey> Keys;
};

// clang-format off
const TKeyGroup kKeyGroups[] = {
    {" Логика ", 4, {
        {"<", "Меньше", true}, {">", "Больше", true}, {"=", "Равно", true}, {"~", "Логическое НЕ", true},
        {"&", "Логическое И", true}, {"|", "Логическое ИЛИ", true}, {"xor", "Исключающее ИЛИ", false},
        {"select", "Выборка значений по условию", false},
    }},
    {" Статистика ", 3, {
        {"min", "Минимальное значение", false}, {"max", "Максимальное значение", false},
        {"mean", "Среднее арифметическое", false}, {"std", "Среднеквадратическое отклонение", false},
        {"med", "Медиана", false}, {"fit", "Регрессия", false},
    }},
    {" Тригонометрия ", 4, {
        {"sin", "Синус", false}, {"cos", "Косинус", false}, {"tan", "Тангенс", false},
        {"atan", "Арктангенс", false}, {"acos", "Арккосинус", false}, {"asin", "Арксинус", false},
        {"sec", "Секанс", false}, {"csc", "Косеканс", false}, {"cot", "Котангенс", false},
        {"acot", "Арккотангенс", false}, {"acsc", "Арккосеканс", false}, {"asec", "Арксеканс", false},
    }},
    {" Гиперболические функции ", 4, {
        {"sinh", "Гиперболический синус", false}, {"asinh", "Гиперболический арксинус", false},
        {"sech", "Гиперболический секанс", false}, {"asech", "Гиперболический арксеканс", false},
        {"acsch", "Гиперболический арккосеканс", false}, {"csch", "Гиперболический косеканс", false},
        {"acosh", "Гиперболический арккосинус", false}, {"cosh", "Гиперболический косинус", false},
        {"tanh", "Гиперболический тангенс", false}, {"atanh", "Гиперболический арктангенс", false},
        {"coth", "Гиперболический котангенс", false}, {"acoth", "Гиперболический арккотангенс", false},
    }},
    {" Округление ", 2, {
        {"round", "Округление до ближайшего целого", false},
        {"floor", "Округление до меньшего целого", false}, {"ceil", "Округление до большего целого", false},
        {"fix", "Округление в сторону нуля", false},
    }},
    {"Графики", 4, {
        {"x(i)", "Аргумент i-ого графика", true}, {"x", "Объединение аргументов всех графиков", true},
        {"xrel", "Объединение аргументов всех графиков относительно первого значения", true},
        {"y(i)", "Значения i-ого графика", true},
        {"xrel(i)", "Аргумент i-ого графика относительно первого значения", true}, {"zeros", "Нули", false},
        {"ones", "Единицы", false},
    }},
    {" Числа и знаки ", 6, {
        {"7", "", true}, {"8", "", true}, {"9", "", true}, {"/", "Деление", true}, {"(", "", true},
        {")", "", true}, {"4", "", true}, {"5", "", true}, {"6", "", true}, {"*", "Умножение", true},
        {"[", "", true}, {"]", "", true}, {"1", "", true}, {"2", "", true}, {"3", "", true},
        {"-", "Вычитание", true}, {"pi", "3.14159265358979...", true}, {"^", "Возведение в степень", true},
        {"0", "", true}, {".", "Точка", true}, {"e", "Порядок числа", true}, {"+", "Сложение", true},
        {",", "Запятая", true}, {":", "Двоеточие", true},
    }},
    {" Алгебра ", 3, {
        {"sign", "Знак", false}, {"abs", "Модуль", false}, {"rand", "Случайные числа", false},
        {"hypot", "Корень из суммы квадратов", false}, {"sqrt", "Корень", false}, {"sqr", "Квадрат", false},
        {"exp", "Экспонента", false}, {"ln", "Натуральный логарифм", false},
        {"log10", "Десятичный логарифм", false},
    }},
    {" Операции с аргументом ", 3, {
        {"sort", "Сортировка по аргументу", false},
        {"merge", "Объединение нескольких графиков в один", false},
        {"mirror", "Отражение графика слева направо", false},
        {"flip", "Изменение направления аргумента", false}, {"inv", "Обратная функция", false},
        {"xscl", "Масштабирование аргумента", false}, {"xshft", "Сдвиг аргумента", false},
        {"relx", "Сдвиг аргумента на первое значение влево", false}, {"lookup", "Обратная функция", false},
    }},
    {" Анализ ", 2, {
        {"integr", "Интегрирование", false}, {"diff", "Дифференцирование", false},
    }},
};
// clang-format on

const char* const kInterpKinds[] = {"ступенчатая (левым значением)",
                                    "ступенчатая (правым значением)",
                                    "линейная",
                                    "параболическая (слева)",
                                    "параболическая (справа)",
                                    "бипараболическая",
                                    "сплайн"};
const char* const kExtrapKinds[] = {"отсутствует", "нулевая", "ступенчатая", "линейная"};
const char* const kDiffKinds[] = {"простая разность", "центральная (интерполяция)", "центральная (среднее)",
                                  "обращение интеграла"};

template <size_t N> QComboBox* KindList(const char* const (&kinds)[N]) {
    auto* list = new QComboBox;
    for (const char* k : kinds)
        list->addItem(QString::fromUtf8(k));
    return list;
}

// A graph's square: its colour in a black border, a 2-pixel margin of the background around it.
QIcon ColourIcon(TColor colour, const QColor& background) {
    QPixmap pixmap(14, 14);
    pixmap.fill(background);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.setBrush(TDrawAdapter::ToQColor(colour));
    painter.drawRect(2, 2, 9, 9);
    return QIcon(pixmap);
}

// A window's square: grey with a black border and its ordinal in white bold type.
QPixmap OrdinalPixmap(int ordinal, QFont font) {
    QPixmap pixmap(14, 14);
    pixmap.fill(QColor(128, 128, 128));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 13, 13);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, 14, 14), Qt::AlignCenter, QString::number(ordinal));
    return pixmap;
}

// The overwrite list's entry: a window's square when there are several, then the graph's colour.
QIcon TargetIcon(const TCalcMath::TTarget& t, const QFont& font, const QColor& background) {
    if (t.WindowOrdinal == 0) return ColourIcon(t.Color, background);
    QPixmap pixmap(30, 14);
    pixmap.fill(background);
    QPainter painter(&pixmap);
    painter.drawPixmap(0, 0, OrdinalPixmap(t.WindowOrdinal, font));
    painter.drawPixmap(16, 0, ColourIcon(t.Color, background).pixmap(14, 14));
    return QIcon(pixmap);
}

// Shift, Ctrl, Alt and the like pressed alone.
bool IsModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}

// The caret's rectangle in the line's coordinates.
QRect CaretRect(const QLineEdit* line) {
    return line->inputMethodQuery(Qt::ImCursorRectangle).toRect();
}

} // namespace

// Draws the bracket marks over the input line.
class TBracketOverlay : public QWidget {
public:
    TBracketOverlay(TCalculatorWindow* owner, QLineEdit* input) : QWidget(input), Owner(owner) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const TBracketMarks::TMark& m = Owner->marks_.Mark();
        if (m.Kind == TBracketMarks::TKind::None) return;
        QPainter painter(this);
        const QFontMetrics fm = Owner->input_->fontMetrics();
        const QRect caret = CaretRect(Owner->input_);
        const int left = Owner->CharacterX(m.From);
        const int fromRight = left + fm.horizontalAdvance(Owner->input_->text().at(m.From));
        if (m.Kind == TBracketMarks::TKind::Frame) {
            const int right = Owner->CharacterX(m.To) + fm.horizontalAdvance(Owner->input_->text().at(m.To));
            painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
            painter.drawRect(left - 1, caret.top(), right - left + 1, caret.height() - 1);
            return;
        }
        painter.setPen(palette().color(QPalette::WindowText));
        const int y = caret.bottom();
        painter.drawLine(left, y - 2, left, y);
        painter.drawLine(fromRight, y - 2, fromRight, y);
        if (m.To < 0) {
            painter.drawLine(left, y, fromRight, y);
            return;
        }
        const int toLeft = Owner->CharacterX(m.To);
        const int right = toLeft + fm.horizontalAdvance(Owner->input_->text().at(m.To));
        painter.drawLine(left, y, right, y);
        painter.drawLine(toLeft, y - 2, toLeft, y);
        painter.drawLine(right, y - 2, right, y);
    }

private:
    TCalculatorWindow* Owner;
};

TCalculatorWindow::TCalculatorWindow(std::unique_ptr<TWindowTimer> timer)
    : QWidget(nullptr, Qt::Window), marks_(timer ? std::move(timer) : std::make_unique<TQtSingleShot>()) {
    setWindowTitle(kTitle);
    setObjectName(QStringLiteral("CalcMathFuncForm"));
    // A window of its own, yet closing the main window still ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);

    input_ = new QLineEdit;
    input_->setObjectName(QStringLiteral("Edit1"));
    input_->installEventFilter(this);
    overlay_ = new TBracketOverlay(this, input_);
    auto* clear = new QToolButton;
    clear->setText(QStringLiteral("C"));
    clear->setToolTip(QStringLiteral("Очистить (Ctrl+Del)"));
    undoButton_ = new QToolButton;
    undoButton_->setIcon(QIcon::fromTheme(QStringLiteral("edit-undo")));
    undoButton_->setToolTip(QStringLiteral("Отменить"));
    redoButton_ = new QToolButton;
    redoButton_->setIcon(QIcon::fromTheme(QStringLiteral("edit-redo")));
    redoButton_->setToolTip(QStringLiteral("Вернуть"));
    auto* inputRow = new QHBoxLayout;
    inputRow->addWidget(input_, 1);
    inputRow->addWidget(clear);
    inputRow->addWidget(undoButton_);
    inputRow->addWidget(redoButton_);

    hint_ = new QLabel(this, Qt::ToolTip);
    hint_->setTextFormat(Qt::RichText);
    hint_->setStyleSheet(QStringLiteral("QLabel { background: palette(tool-tip-base); color: "
                                        "palette(tool-tip-text); border: 1px solid black; padding: 1px; }"));
    QFont hintFont = hint_->font();
    hintFont.setPointSize(8);
    hint_->setFont(hintFont);
    completionList_ = new QListWidget(this);
    completionList_->setWindowFlags(Qt::ToolTip);
    completionList_->setFocusPolicy(Qt::NoFocus);
    QFont listFont = completionList_->font();
    listFont.setPointSize(10);
    completionList_->setFont(listFont);
    completionList_->setStyleSheet(QStringLiteral("QListWidget { background: palette(tool-tip-base); }"));
    connect(completionList_, &QListWidget::itemDoubleClicked, this, [this] { ApplyCompletion(); });

    auto* calculate = new QPushButton(QStringLiteral("Вычислить"));
    calculate->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("Закрыть"));
    auto* help = new QPushButton(QStringLiteral("Помощь"));
    closeAfter_ = new QCheckBox(QStringLiteral("Закрывать окно после вычисления"));
    stayOnTop_ = new QCheckBox(QStringLiteral("Поверх других окон"));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(closeAfter_);
    bottom->addWidget(stayOnTop_);
    bottom->addStretch(1);
    bottom->addWidget(calculate);
    bottom->addWidget(close);
    bottom->addWidget(help);

    auto* right = new QVBoxLayout;
    right->addWidget(BuildParameters());
    right->addWidget(BuildResults());
    right->addWidget(BuildHistory(), 1);
    right->addWidget(BuildGraphTree(), 1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(BuildKeypad());
    middle->addLayout(right, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(inputRow);
    layout->addLayout(middle, 1);
    layout->addLayout(bottom);

    connect(input_, &QLineEdit::textChanged, this, [this] { InputTextChanged(); });
    connect(input_, &QLineEdit::cursorPositionChanged, this, [this] {
        if (!applyingUndo_ && input_->text() == undo_.Current().Text)
            undo_.TrackCaret(InputState().Caret, InputState().SelLength);
        overlay_->update();
    });
    connect(clear, &QToolButton::clicked, this, [this] {
        input_->clear();
        input_->setFocus();
    });
    connect(undoButton_, &QToolButton::clicked, this, [this] { UndoInput(); });
    connect(redoButton_, &QToolButton::clicked, this, [this] { RedoInput(); });
    connect(calculate, &QPushButton::clicked, this, [this] { Calculate(); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(help, &QPushButton::clicked, this, [this] {
        HidePopups();
        help::ShowWindowHelp(this);
    });
    connect(closeAfter_, &QCheckBox::toggled, this, [this](bool on) {
        if (!fillingControls_) calc_.SetCloseWindowAfterCalc(on);
    });
    connect(stayOnTop_, &QCheckBox::toggled, this, [this](bool on) {
        if (!fillingControls_) calc_.SetStayOnTop(on);
    });
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (!isVisible()) return;
        if (state == Qt::ApplicationActive)
            raise();
        else
            HidePopups();
    });

    // Keyboard preview: the keys of every control but the edit fields pass here first.
    for (QWidget* w : findChildren<QWidget*>())
        if (!qobject_cast<QLineEdit*>(w)) w->installEventFilter(this);

    marks_.FramePeriod = calc_.BracketsRectPeriod;
    marks_.UnderlinePeriod = calc_.BracketsUnderPeriod;
    marks_.OnChange = [this] { overlay_->update(); };
    calc_.OnSettingsChanged = [this] { ShowSettings(); };
    calc_.OnGraphsChanged = [this] { ShowGraphs(); };
    calc_.OnTargetsChanged = [this] { ShowTargets(); };
    calc_.OnMessage = [this](const QString& text) {
        RestoreCursor();
        QMessageBox::warning(this, kTitle, text);
    };
    ShowSettings();
    ShowGraphs();
    ShowResultMode();
    InputTextChanged();
}

TCalculatorWindow::~TCalculatorWindow() {
    // The widgets go first: the model, giving the windows back, must not call them any more.
    calc_.OnGraphsChanged = nullptr;
    calc_.OnTargetsChanged = nullptr;
    calc_.OnSettingsChanged = nullptr;
    calc_.RemoveAllWindows();
}

QWidget* TCalculatorWindow::BuildKeypad() {
    auto* box = new QGroupBox(QStringLiteral(" Математические функции "));
    auto* grid = new QGridLayout(box);
    int row = 0, column = 0;
    for (const TKeyGroup& group : kKeyGroups) {
        auto* sub = new QGroupBox(QString::fromUtf8(group.Title));
        auto* keys = new QGridLayout(sub);
        keys->setSpacing(1);
        int i = 0;
        for (const TKey& key : group.Keys) {
            auto* b = new QToolButton;
            const QString caption = QString::fromUtf8(key.Caption);
            b->setText(caption == QLatin1String("&") ? QStringLiteral("&&") : caption); // not a mnemonic
            b->setToolTip(QString::fromUtf8(key.Hint));
            b->setFocusPolicy(Qt::NoFocus);
            b->setMinimumWidth(34);
            b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
            keys->addWidget(b, i / group.Columns, i % group.Columns);
            ++i;
            const int graphKind = caption == QLatin1String("y(i)")      ? 0
                                  : caption == QLatin1String("x(i)")    ? 1
                                  : caption == QLatin1String("xrel(i)") ? 2
                                                                        : -1;
            if (graphKind >= 0) graphButtons_[graphKind] = b;
            if (graphKind >= 0)
                connect(b, &QToolButton::clicked, this, [this, b] { TypeSign(b->text()); });
            else if (key.Sign)
                connect(b, &QToolButton::clicked, this, [this, caption] { TypeSign(caption); });
            else
                connect(b, &QToolButton::clicked, this, [this, caption] { TypeFunction(caption); });
        }
        // Two columns of groups, filled top to bottom.
        grid->addWidget(sub, row, column);
        if (++row == 5) {
            row = 0;
            ++column;
        }
    }
    return box;
}

QWidget* TCalculatorWindow::BuildParameters() {
    auto* box = new QGroupBox(QStringLiteral(" Параметры расчёта "));
    interp_ = KindList(kInterpKinds);
    extrap_ = KindList(kExtrapKinds);
    diff_ = KindList(kDiffKinds);
    ignoreErrors_ = new QCheckBox(QStringLiteral("игнорировать точки с ошибками вычислений"));
    commonArg_ = new QCheckBox(QStringLiteral("Задать общий аргумент "));
    const char* const fieldNames[] = {"начало", "конец", "шаг"};
    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel(QStringLiteral("интерполяция")), 0, 0);
    grid->addWidget(interp_, 0, 1, 1, 5);
    grid->addWidget(new QLabel(QStringLiteral("экстраполяция")), 1, 0);
    grid->addWidget(extrap_, 1, 1, 1, 5);
    grid->addWidget(new QLabel(QStringLiteral("производная")), 2, 0);
    grid->addWidget(diff_, 2, 1, 1, 5);
    grid->addWidget(ignoreErrors_, 3, 0, 1, 6);
    grid->addWidget(commonArg_, 4, 0, 1, 6);
    QString* texts[] = {&calc_.ArgStart, &calc_.ArgEnd, &calc_.ArgStep};
    for (int i = 0; i < 3; ++i) {
        argFields_[i] = new QLineEdit(*texts[i]);
        argFields_[i]->setEnabled(false);
        grid->addWidget(new QLabel(QString::fromUtf8(fieldNames[i])), 5, 2 * i);
        grid->addWidget(argFields_[i], 5, 2 * i + 1);
        connect(argFields_[i], &QLineEdit::textChanged, this,
                [field = texts[i]](const QString& text) { *field = text; });
    }
    connect(interp_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!fillingControls_) calc_.SetInterpType(i);
    });
    connect(extrap_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!fillingControls_) calc_.SetExtrapType(i);
    });
    connect(diff_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!fillingControls_) calc_.SetDefDiffType(i);
    });
    connect(ignoreErrors_, &QCheckBox::toggled, this, [this](bool on) {
        if (!fillingControls_) calc_.SetIgnoreErrors(on);
    });
    connect(commonArg_, &QCheckBox::toggled, this, [this](bool on) {
        calc_.UseCommonArg = on;
        for (QLineEdit* f : argFields_)
            f->setEnabled(on);
    });
    return box;
}

QWidget* TCalculatorWindow::BuildResults() {
    auto* box = new QGroupBox(QStringLiteral(" Сохранение результатов "));
    newGraph_ = new QRadioButton(QStringLiteral("в новый график"));
    overwrite_ = new QRadioButton(QStringLiteral("перезаписать"));
    newName_ = new QLineEdit;
    GuardStoredText(newName_);
    targets_ = new QComboBox;
    auto* grid = new QGridLayout(box);
    grid->addWidget(newGraph_, 0, 0);
    grid->addWidget(newName_, 0, 1);
    grid->addWidget(overwrite_, 1, 0);
    grid->addWidget(targets_, 1, 1);
    grid->setColumnStretch(1, 1);
    connect(newGraph_, &QRadioButton::toggled, this, [this] {
        calc_.Overwrite = overwrite_->isChecked();
        ShowResultMode();
    });
    connect(newName_, &QLineEdit::textChanged, this, [this](const QString& t) { calc_.NewGraphName = t; });
    connect(targets_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!fillingControls_)
            calc_.OverwriteTarget = i < 0 ? TCalcMath::NoTarget : targets_->itemData(i).toInt();
    });
    return box;
}

QWidget* TCalculatorWindow::BuildHistory() {
    auto* box = new QGroupBox(QStringLiteral(" История ввода "));
    history_ = new QTreeWidget;
    history_->setHeaderHidden(true);
    historyTop_ =
        new QTreeWidgetItem(history_, {QDateTime::currentDateTime().toString(u"dd:MM:yy hh:mm:ss")});
    historyTop_->setForeground(0, palette().color(QPalette::Disabled, QPalette::Text));
    auto* insert = new QPushButton(QStringLiteral("Вставить"));
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(history_);
    layout->addWidget(insert, 0, Qt::AlignRight);
    connect(insert, &QPushButton::clicked, this, [this] { InsertHistoryEntry(); });
    connect(history_, &QTreeWidget::itemDoubleClicked, this, [this] { InsertHistoryEntry(); });
    connect(history_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!fillingControls_) calc_.History.Select(item ? historyTop_->indexOfChild(item) : -1);
    });
    return box;
}

QWidget* TCalculatorWindow::BuildGraphTree() {
    auto* box = new QGroupBox(QStringLiteral(" Список имеющихся графиков "));
    graphTree_ = new QTreeWidget;
    graphTree_->setHeaderHidden(true);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(graphTree_);
    connect(graphTree_, &QTreeWidget::currentItemChanged, this, [this] {
        if (!fillingControls_) GraphNodeChosen();
    });
    connect(graphTree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item->parent()) graphButtons_[0]->click();
    });
    return box;
}

// ---------------------------------------------------------------------------------------------
// Showing the model.

void TCalculatorWindow::ShowCalculator() {
    ShowSettings();
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    show();
    input_->setFocus();
}

void TCalculatorWindow::ShowSettings() {
    fillingControls_ = true;
    interp_->setCurrentIndex(calc_.InterpType());
    extrap_->setCurrentIndex(calc_.ExtrapType());
    diff_->setCurrentIndex(calc_.DefDiffType());
    ignoreErrors_->setChecked(calc_.IgnoreErrors());
    closeAfter_->setChecked(calc_.CloseWindowAfterCalc());
    stayOnTop_->setChecked(calc_.StayOnTop());
    fillingControls_ = false;
    marks_.FramePeriod = calc_.BracketsRectPeriod;
    marks_.UnderlinePeriod = calc_.BracketsUnderPeriod;
    if (bool(windowFlags() & Qt::WindowStaysOnTopHint) != calc_.StayOnTop()) {
        const bool visible = isVisible();
        setWindowFlag(Qt::WindowStaysOnTopHint, calc_.StayOnTop());
        if (visible) show();
    }
}

void TCalculatorWindow::ShowGraphs() {
    fillingControls_ = true;
    const QColor background = graphTree_->palette().color(QPalette::Base);
    graphTree_->clear();
    QList<QTreeWidgetItem*> windowNodes;
    for (qsizetype w = 0; w < calc_.Windows().size(); ++w) {
        auto* node = new QTreeWidgetItem(graphTree_, {calc_.Windows()[w].Title});
        node->setIcon(0, QIcon(OrdinalPixmap(int(w) + 1, graphTree_->font())));
        windowNodes << node;
    }
    QTreeWidgetItem* selected = calc_.SelectedWindow >= 0 && calc_.SelectedGraph < 0
                                    ? windowNodes.value(calc_.SelectedWindow)
                                    : nullptr;
    for (qsizetype n = 0; n < calc_.Graphs().size(); ++n) {
        const TCalcMath::TGraphEntry& g = calc_.Graphs()[n];
        auto* node = new QTreeWidgetItem(windowNodes[g.Window], {calcmath::GraphNodeText(int(n), g.Name)});
        node->setIcon(0, ColourIcon(g.Color, background));
        node->setData(0, Qt::UserRole, int(n));
        if (n == calc_.SelectedGraph) selected = node;
    }
    graphTree_->expandAll();
    graphTree_->setCurrentItem(selected);
    fillingControls_ = false;
    ShowTargets();
    ShowGraphButtons();
    if (calc_.OverwriteTarget == TCalcMath::NoTarget && !calc_.Overwrite) newGraph_->setChecked(true);
}

void TCalculatorWindow::ShowGraphButtons() {
    const int n = calc_.SelectedGraph;
    const QString labels[] = {QStringLiteral("y(%1)"), QStringLiteral("x(%1)"), QStringLiteral("xrel(%1)")};
    for (int i = 0; i < 3; ++i) {
        graphButtons_[i]->setText(labels[i].arg(n >= 0 ? QString::number(n) : QStringLiteral("i")));
        graphButtons_[i]->setEnabled(n >= 0);
    }
}

void TCalculatorWindow::ShowTargets() {
    fillingControls_ = true;
    targets_->clear();
    for (const TCalcMath::TTarget& t : calc_.OverwriteTargets())
        targets_->addItem(TargetIcon(t, graphTree_->font(), targets_->palette().color(QPalette::Base)),
                          t.Text, t.Graph);
    targets_->setCurrentIndex(targets_->findData(calc_.OverwriteTarget));
    fillingControls_ = false;
}

void TCalculatorWindow::GraphNodeChosen() {
    QTreeWidgetItem* item = graphTree_->currentItem();
    if (item && item->parent()) {
        calc_.SelectGraph(item->data(0, Qt::UserRole).toInt());
    } else {
        calc_.SelectedGraph = -1;
        calc_.SelectedWindow = item ? graphTree_->indexOfTopLevelItem(item) : -1;
    }
    // The tree stays as it is: rebuilding it under the mouse would swallow a double click.
    ShowGraphButtons();
}

void TCalculatorWindow::ShowResultMode() {
    const bool over = overwrite_->isChecked();
    newName_->setEnabled(!over);
    targets_->setEnabled(over);
}

void TCalculatorWindow::ShowHistory() {
    fillingControls_ = true;
    const QStringList& items = calc_.History.Items();
    while (historyTop_->childCount() > items.size())
        delete historyTop_->takeChild(historyTop_->childCount() - 1);
    for (qsizetype i = historyTop_->childCount(); i < items.size(); ++i)
        new QTreeWidgetItem(historyTop_, {items[i]});
    historyTop_->setExpanded(true);
    const int selected = calc_.History.Selected();
    history_->setCurrentItem(selected >= 0 ? historyTop_->child(selected) : historyTop_);
    fillingControls_ = false;
}

// ---------------------------------------------------------------------------------------------
// Calculating.

void TCalculatorWindow::Calculate() {
    if (busy_) return;
    HidePopups();
    busy_ = true;
    QElapsedTimer clock;
    clock.start();
    bool cancelled = false;
    // Past half a second the cursor turns busy and events are served, all input but Esc swallowed.
    struct TEscFilter : QObject {
        bool* Cancelled;
        explicit TEscFilter(bool* c) : Cancelled(c) {}
        bool eventFilter(QObject*, QEvent* e) override {
            switch (e->type()) {
            case QEvent::KeyPress:
                if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) *Cancelled = true;
                return true;
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel:
            case QEvent::Close:
                return true;
            default:
                return false;
            }
        }
    } escFilter(&cancelled);
    calc_.Cancelled = [&] {
        if (clock.elapsed() < BusyAfterMs) return false;
        if (!busyCursor_) {
            busyCursor_ = true;
            QApplication::setOverrideCursor(Qt::WaitCursor);
        }
        qApp->installEventFilter(&escFilter);
        QApplication::processEvents();
        qApp->removeEventFilter(&escFilter);
        return cancelled;
    };
    const TCalcOutcome outcome = calc_.Calculate(input_->text());
    calc_.Cancelled = nullptr;
    RestoreCursor();
    busy_ = false;
    ShowHistory();
    newName_->setText(calc_.NewGraphName);
    if (outcome.NewInput) {
        input_->setText(*outcome.NewInput);
        input_->selectAll();
    }
    if (outcome.CloseWindow) close();
}

void TCalculatorWindow::RestoreCursor() {
    if (!busyCursor_) return;
    busyCursor_ = false;
    QApplication::restoreOverrideCursor();
}

// ---------------------------------------------------------------------------------------------
// The input line.

TInputState TCalculatorWindow::InputState() const {
    TInputState s{input_->text(), input_->cursorPosition(), 0};
    if (input_->hasSelectedText()) {
        s.Caret = input_->selectionStart();
        s.SelLength = int(input_->selectedText().size());
    }
    return s;
}

void TCalculatorWindow::SetInput(const TInputState& s) {
    input_->setText(s.Text);
    if (s.SelLength > 0)
        input_->setSelection(s.Caret, s.SelLength);
    else
        input_->setCursorPosition(s.Caret);
}

void TCalculatorWindow::InputTextChanged() {
    if (!applyingUndo_) undo_.Changed(InputState());
    undoButton_->setEnabled(undo_.CanUndo());
    redoButton_->setEnabled(undo_.CanRedo());
    calc_.InputChanged(input_->text());
}

void TCalculatorWindow::UndoInput() {
    applyingUndo_ = true;
    SetInput(undo_.Undo());
    applyingUndo_ = false;
    InputTextChanged();
}

void TCalculatorWindow::RedoInput() {
    applyingUndo_ = true;
    SetInput(undo_.Redo());
    applyingUndo_ = false;
    InputTextChanged();
}

void TCalculatorWindow::TypeSign(const QString& caption) {
    input_->setFocus();
    for (const QChar c : caption) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(input_, &press);
    }
}

void TCalculatorWindow::TypeFunction(const QString& name) {
    input_->setFocus();
    HideCompletion();
    SetInput(calcinput::TypeFunction(InputState(), name));
    ShowHint();
}

void TCalculatorWindow::PasteIntoInput() {
    QString text = QApplication::clipboard()->text();
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    input_->setFocus();
    input_->insert(text);
}

void TCalculatorWindow::InsertHistoryEntry() {
    const int selected = calc_.History.Selected();
    if (selected < 0) return;
    input_->setText(calc_.History.Items()[selected]);
    input_->setFocus();
}

void TCalculatorWindow::FromHistory(bool previous) {
    const std::optional<QString> formula =
        previous ? calc_.History.Previous(input_->text()) : calc_.History.Next(input_->text());
    if (!formula) return;
    input_->setText(*formula);
    ShowHistory();
}

// Keys of the input line; true when handled here.
bool TCalculatorWindow::InputKey(QKeyEvent* e) {
    const int key = e->key();
    const Qt::KeyboardModifiers mods =
        e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    if ((key == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::AltModifier)) ||
        (key == Qt::Key_Backspace && mods == Qt::AltModifier)) {
        UndoInput();
        return true;
    }
    if (key == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
        RedoInput();
        return true;
    }
    if (key == Qt::Key_Delete && mods == Qt::ControlModifier) {
        input_->clear();
        return true;
    }
    if (key == Qt::Key_Backspace && mods == Qt::ControlModifier) return true;
    if (completionList_->isVisible()) {
        const int row = completionList_->currentRow(), last = completionList_->count() - 1;
        switch (key) {
        case Qt::Key_Up:
            completionList_->setCurrentRow(std::max(row - 1, 0));
            return true;
        case Qt::Key_Down:
            completionList_->setCurrentRow(std::min(row + 1, last));
            return true;
        case Qt::Key_Home:
            completionList_->setCurrentRow(0);
            return true;
        case Qt::Key_End:
            completionList_->setCurrentRow(last);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            ApplyCompletion();
            return true;
        case Qt::Key_Escape:
            HideCompletion();
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right:
            HideCompletion();
            break;
        case Qt::Key_Backspace:
            if (input_->cursorPosition() <= completion_.Start) HideCompletion();
            break;
        default:
            break;
        }
    }
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Calculate();
        return true;
    case Qt::Key_Escape:
        if (hint_->isVisible())
            HideHint();
        else
            close();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        FromHistory(key == Qt::Key_Up);
        return true;
    case Qt::Key_Backspace:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Left:
    case Qt::Key_Right: {
        static_cast<QObject*>(input_)->event(e);
        if (key == Qt::Key_Left || key == Qt::Key_Right)
            marks_.CaretMoved(input_->text(), input_->cursorPosition(), key == Qt::Key_Right);
        if (completionList_->isVisible() && key == Qt::Key_Backspace) AfterCharacter(QChar());
        if (hint_->isVisible()) ShowHint();
        return true;
    }
    default:
        break;
    }
    if ((e->matches(QKeySequence::Paste) || (key == Qt::Key_Insert && mods == Qt::ShiftModifier)))
        return false;
    const QString text = e->text();
    if (text.size() != 1 || !text[0].isPrint() || (mods & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    static_cast<QObject*>(input_)->event(e);
    AfterCharacter(text[0]);
    return true;
}

// The hint, completion and bracket logic after a character was typed (none: after Backspace).
void TCalculatorWindow::AfterCharacter(QChar typed) {
    const QString text = input_->text();
    const int caret = input_->cursorPosition();
    if (QStringLiteral("()[]").contains(typed)) marks_.Typed(text, caret - 1);
    if (completionList_->isVisible()) {
        const bool filtering = completion_.Kind == calcinput::TCompletionKind::Distribution &&
                               (typed.isNull() || typed.isLetter() || typed == QLatin1Char('\''));
        const QStringList rows =
            filtering ? calcinput::DistributionRows(text.mid(completion_.Start, caret - completion_.Start))
                      : QStringList();
        if (rows.isEmpty()) {
            HideCompletion();
        } else {
            completion_.Rows = rows;
            ShowCompletion(completion_);
        }
        return;
    }
    if (typed.isNull()) return;
    if (typed == QLatin1Char('(') || typed == QLatin1Char(',')) {
        const calcinput::TCompletion c = calcinput::CompletionAfterTyping(text, caret);
        if (c.Kind != calcinput::TCompletionKind::None) {
            HideHint();
            ShowCompletion(c);
            return;
        }
        ShowHint();
    } else if (hint_->isVisible()) {
        ShowHint();
    }
}

bool TCalculatorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && watched == input_) HideHint();
    if (event->type() == QEvent::Resize && watched == input_) overlay_->resize(input_->size());
    if (event->type() == QEvent::ShortcutOverride && watched == input_) {
        // The line's own undo and redo keys are the calculator's.
        auto* e = static_cast<QKeyEvent*>(event);
        if (e->key() == Qt::Key_Z || e->key() == Qt::Key_Backspace) {
            event->accept();
            return true;
        }
    }
    if (event->type() != QEvent::KeyPress) return false;
    auto* e = static_cast<QKeyEvent*>(event);
    if (watched == input_) return InputKey(e);
    if (!qobject_cast<QWidget*>(watched) || qobject_cast<QLineEdit*>(watched))
        return false; // the fields keep theirs
    // A bare modifier is part of the next key, and keys a side field let through are not typing.
    if (IsModifierKey(e->key()) || SideFieldHasFocus()) return false;
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (watched == history_ && enter) {
        InsertHistoryEntry();
        return true;
    }
    if (watched == graphTree_ && enter) {
        if (graphButtons_[0]->isEnabled()) graphButtons_[0]->click();
        return true;
    }
    // The other controls: typing goes to the input line, Enter calculates, Escape closes.
    const bool typed = e->text().size() == 1 && e->text()[0].isPrint() &&
                       !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (!typed && !enter && e->key() != Qt::Key_Escape) return false;
    input_->setFocus();
    return InputKey(e);
}

bool TCalculatorWindow::SideFieldHasFocus() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == newName_ || std::ranges::find(argFields_, focus) != std::end(argFields_));
}

void TCalculatorWindow::keyPressEvent(QKeyEvent* e) {
    if (IsModifierKey(e->key())) {
        QWidget::keyPressEvent(e);
        return;
    }
    // A side field keeps the keyboard; Enter, Escape and the history keys still act on the window.
    if (SideFieldHasFocus()) {
        switch (e->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Up:
        case Qt::Key_Down:
            InputKey(e);
            break;
        default:
            QWidget::keyPressEvent(e);
        }
        return;
    }
    // Keys no control took: typing goes to the input line, Enter calculates, Escape closes.
    if (e->matches(QKeySequence::Paste) ||
        (e->key() == Qt::Key_Insert && e->modifiers() == Qt::ShiftModifier)) {
        PasteIntoInput();
        return;
    }
    input_->setFocus();
    if (!InputKey(e)) QWidget::keyPressEvent(e);
}

void TCalculatorWindow::closeEvent(QCloseEvent* event) {
    if (busy_) {
        event->ignore();
        return;
    }
    HidePopups();
    calc_.RemoveAllWindows();
    QWidget::closeEvent(event);
}

void TCalculatorWindow::hideEvent(QHideEvent* event) {
    HidePopups();
    QWidget::hideEvent(event);
}

// ---------------------------------------------------------------------------------------------
// The pop-ups.

int TCalculatorWindow::CharacterX(int pos) const {
    const QFontMetrics fm = input_->fontMetrics();
    const QString text = input_->text();
    return CaretRect(input_).center().x() + fm.horizontalAdvance(text.left(pos)) -
           fm.horizontalAdvance(text.left(input_->cursorPosition()));
}

QPoint TCalculatorWindow::BelowCaret() const {
    return input_->mapToGlobal(CaretRect(input_).bottomLeft());
}

void TCalculatorWindow::ShowHint() {
    const std::optional<calcinput::TArgumentHint> h =
        calcinput::ArgumentHint(input_->text(), input_->cursorPosition());
    if (!h) {
        HideHint();
        return;
    }
    QString html;
    for (qsizetype i = 0; i < h->Parts.size(); ++i) {
        const QString part = h->Parts[i].toHtmlEscaped();
        html += i == h->Current ? QStringLiteral("<b>") + part + QStringLiteral("</b>") : part;
    }
    hint_->setText(QStringLiteral("<nobr>") + html + QStringLiteral("</nobr>"));
    hint_->adjustSize();
    const QPoint above = input_->mapToGlobal(CaretRect(input_).topLeft());
    hint_->move(above.x(), above.y() - hint_->height());
    hint_->show();
}

void TCalculatorWindow::HideHint() {
    hint_->hide();
}

void TCalculatorWindow::ShowCompletion(const calcinput::TCompletion& c) {
    completion_ = c;
    completionList_->clear();
    completionList_->addItems(c.Rows);
    completionList_->setCurrentRow(0);
    const int width = completionList_->sizeHintForColumn(0) + 8;
    const int height = completionList_->sizeHintForRow(0) * int(c.Rows.size()) + 4;
    completionList_->setFixedSize(width, height);
    completionList_->move(BelowCaret());
    completionList_->show();
}

void TCalculatorWindow::HideCompletion() {
    completionList_->hide();
}

void TCalculatorWindow::ApplyCompletion() {
    const int row = completionList_->currentRow();
    HideCompletion();
    SetInput(calcinput::ApplyCompletion(InputState(), completion_, row));
    if (completion_.Kind == calcinput::TCompletionKind::Distribution) ShowHint();
}

void TCalculatorWindow::HidePopups() {
    HideHint();
    HideCompletion();
}
