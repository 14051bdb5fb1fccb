#include "gui/symboleditor/SymbolEditorDialog.h"

#include "gui/symboleditor/CharacterPickerDialog.h"
#include "gui/symboleditor/SymbolCanvas.h"
#include "gui/symboleditor/SymbolLibraryDialog.h"
#include "gui/widgets/StoredTextGuard.h"
#include "model/Symbol.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTabBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
// The form "0.####": up to four decimals, no trailing zeros.
QString Format4(Extended v) {
    QString text = QString::number(double(v), 'f', 4);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    return text == QStringLiteral("-0") ? QStringLiteral("0") : text;
}

constexpr Extended kQuickRatios[] = {1, 1.5L, 2, 3};

// Ctrl with an arrow moves the current element, Shift with an arrow only its right or bottom edge.
struct TNudgeKey {
    QKeyCombination Keys;
    int X, Y;
    bool SecondOnly;
};
constexpr TNudgeKey kNudgeKeys[] = {
    {Qt::CTRL | Qt::Key_Left, -1, 0, false}, {Qt::CTRL | Qt::Key_Right, 1, 0, false},
    {Qt::CTRL | Qt::Key_Up, 0, -1, false},   {Qt::CTRL | Qt::Key_Down, 0, 1, false},
    {Qt::SHIFT | Qt::Key_Left, -1, 0, true}, {Qt::SHIFT | Qt::Key_Right, 1, 0, true},
    {Qt::SHIFT | Qt::Key_Up, 0, -1, true},   {Qt::SHIFT | Qt::Key_Down, 0, 1, true},
};

bool IsNudgeKey(const QKeyEvent* e) {
    const QKeyCombination pressed(e->modifiers() & ~Qt::KeypadModifier, Qt::Key(e->key()));
    return std::ranges::any_of(kNudgeKeys, [&](const TNudgeKey& n) { return n.Keys == pressed; });
}
} // namespace

TSymbolEditorDialog::TSymbolEditorDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Редактор символов"));

    FTabs = new QTabBar;
    FTabs->setExpanding(false);
    FTabs->installEventFilter(this);
    FDelete = new QPushButton(QStringLiteral("X"));
    FDelete->setToolTip(QStringLiteral("Удалить текущий элемент"));
    FDelete->setFixedWidth(28);
    auto* tabRow = new QHBoxLayout;
    tabRow->addWidget(FTabs, 1);
    tabRow->addWidget(FDelete);
    FCanvas = new TSymbolCanvas(FModel);

    FUndo = new QPushButton(QStringLiteral("Отменить"));
    FRedo = new QPushButton(QStringLiteral("Восстановить"));
    auto* undoRow = new QHBoxLayout;
    undoRow->addWidget(FUndo);
    undoRow->addWidget(FRedo);
    undoRow->addStretch();

    auto* recent = new QGroupBox(QStringLiteral("Последние откытые символы"));
    auto* recentRow = new QHBoxLayout(recent);
    for (int slot = 0; slot < symbolstore::kRecentSlots; ++slot) {
        FRecent[slot] = new TSymbolTile;
        FRecent[slot]->setFixedSize(48, 36);
        recentRow->addWidget(FRecent[slot]);
        connect(FRecent[slot], &TSymbolTile::Activated, this, [this, slot] { OpenRecent(slot); });
    }

    auto* left = new QVBoxLayout;
    left->addLayout(tabRow);
    left->addWidget(FCanvas, 1);
    left->addLayout(undoRow);
    left->addWidget(recent);

    auto* library = new QPushButton(QStringLiteral("Библиотека символов..."));
    auto* addToLibrary = new QPushButton(QStringLiteral("Добавить в библиотеку"));
    auto* ok = new QPushButton(QStringLiteral("ОК"));
    auto* cancel = new QPushButton(QStringLiteral("Отмена"));
    ok->setDefault(true);
    FPreview = new TSymbolTile(true);
    FPreview->setFixedSize(48, 72);
    auto* bottom = new QGridLayout;
    bottom->addWidget(FPreview, 0, 0, 2, 1);
    bottom->addWidget(library, 0, 1);
    bottom->addWidget(addToLibrary, 1, 1);
    bottom->addWidget(ok, 0, 2);
    bottom->addWidget(cancel, 1, 2);

    auto* right = new QVBoxLayout;
    right->addWidget(CreateElementPanel());
    right->addWidget(CreateSymbolPanel());
    right->addStretch();
    right->addLayout(bottom);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);

    connect(FTabs, &QTabBar::currentChanged, this, [this](int index) {
        if (FLoading) return;
        FModel.SetCurrent(index);
        ShowModel();
    });
    connect(FDelete, &QPushButton::clicked, this, [this] { Edit([this] { FModel.DeleteCurrent(); }); });
    connect(FCanvas, &TSymbolCanvas::Changed, this, [this] { ShowModel(); });
    connect(FCanvas, &TSymbolCanvas::Wheel, this, [this](int step) { StepTab(step); });
    connect(FUndo, &QPushButton::clicked, this, [this] { Edit([this] { FModel.Undo(); }); });
    connect(FRedo, &QPushButton::clicked, this, [this] { Edit([this] { FModel.Redo(); }); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(library, &QPushButton::clicked, this, [this] {
        if (!FLibrary) FLibrary = new TSymbolLibraryDialog(this);
        TSymbol chosen = FModel.Symbol();
        if (FLibrary->Pick(chosen, FFromLibrary)) Edit([this, chosen] { FModel.Replace(chosen); });
    });
    connect(addToLibrary, &QPushButton::clicked, this, [this] {
        if (!FLibrary) FLibrary = new TSymbolLibraryDialog(this);
        FLibrary->AddSymbol(FModel.Symbol(), FFromLibrary);
    });

    for (const TNudgeKey& n : kNudgeKeys)
        connect(new QShortcut(QKeySequence(n.Keys), this), &QShortcut::activated, this,
                [this, n] { Edit([this, n] { FModel.Nudge(n.X, n.Y, n.SecondOnly); }); });
    // The editor sees the keys first: a text box would take these for word and selection moves.
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        edit->installEventFilter(this);
}

QWidget* TSymbolEditorDialog::CreateElementPanel() {
    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* add = new QGroupBox(QStringLiteral(" Новый элемент символа "));
    auto* addGrid = new QGridLayout(add);
    struct Place {
        const char16_t* Caption;
        TNewElementPlace Where;
        int Row, Column;
    };
    const Place places[] = {
        {u"Сверху", TNewElementPlace::Above, 0, 1},
        {u"Слева", TNewElementPlace::Left, 1, 0},
        {u"По центру", TNewElementPlace::Centre, 1, 1},
        {u"Справа", TNewElementPlace::Right, 1, 2},
        {u"Снизу", TNewElementPlace::Below, 2, 1},
        {u"Верхний индекс", TNewElementPlace::Superscript, 0, 2},
        {u"Нижний индекс", TNewElementPlace::Subscript, 2, 2},
    };
    for (const Place& p : places) {
        auto* button = new QPushButton(QString::fromUtf16(p.Caption));
        addGrid->addWidget(button, p.Row, p.Column);
        const TNewElementPlace where = p.Where;
        connect(button, &QPushButton::clicked, this, [this, where] {
            Edit([this, where] { FModel.AddElement(where); });
            FText->setFocus();
        });
    }
    layout->addWidget(add);

    FElementPanel = new QGroupBox(QStringLiteral(" Текущий элемент символа "));
    auto* g = new QGridLayout(FElementPanel);
    FText = new QLineEdit;
    FTextCharset = GuardStoredText(FText, storedtext::kDefaultCharset);
    auto* pick = new QPushButton(QStringLiteral("..."));
    pick->setFixedWidth(28);
    FFont = new QComboBox;
    FCharset = new QComboBox;
    for (const TCharsetEntry& c : kCharsets)
        FCharset->addItem(QString::fromLatin1(c.Name), int(c.Code));
    FBold = new QCheckBox(QStringLiteral("жирный"));
    FItalic = new QCheckBox(QStringLiteral("курсив"));
    g->addWidget(new QLabel(QStringLiteral("текст")), 0, 0);
    g->addWidget(FText, 0, 1, 1, 3);
    g->addWidget(pick, 0, 4);
    g->addWidget(new QLabel(QStringLiteral("шрифт")), 1, 0);
    g->addWidget(FFont, 1, 1, 1, 4);
    g->addWidget(new QLabel(QStringLiteral("кодировка")), 2, 0);
    g->addWidget(FCharset, 2, 1, 1, 2);
    g->addWidget(FBold, 2, 3);
    g->addWidget(FItalic, 2, 4);
    auto* coordinates = new QGroupBox(QStringLiteral(" координаты "));
    auto* c = new QGridLayout(coordinates);
    const char* names[] = {"X1", "Y1", "X2", "Y2"};
    for (int i = 0; i < 4; ++i) {
        FCoordinates[i] = new QLineEdit;
        FCoordinates[i]->setMaximumWidth(70);
        c->addWidget(new QLabel(QString::fromLatin1(names[i])), i / 2, (i % 2) * 2);
        c->addWidget(FCoordinates[i], i / 2, (i % 2) * 2 + 1);
        connect(FCoordinates[i], &QLineEdit::editingFinished, this, [this, i] {
            // Only a typed value: the shown one is rounded to four decimals.
            if (!FLoading && FCoordinates[i]->isModified())
                Edit([this, i] { FModel.SetCoordinateText(i, FCoordinates[i]->text()); });
        });
    }
    g->addWidget(coordinates, 3, 0, 1, 5);
    layout->addWidget(FElementPanel);

    connect(FText, &QLineEdit::textEdited, this,
            [this](const QString& text) { Edit([this, text] { FModel.SetText(text); }); });
    connect(pick, &QPushButton::clicked, this, &TSymbolEditorDialog::PickCharacter);
    connect(FFont, &QComboBox::activated, this,
            [this] { Edit([this] { FModel.SetFaceName(FFont->currentText()); }); });
    connect(FCharset, &QComboBox::activated, this, [this] {
        const auto charset = uint8_t(FCharset->currentData().toInt());
        Edit([this, charset] {
            if (!FModel.SetCharset(charset)) RefuseText(FCharset, charset, FText->text());
        });
    });
    connect(FBold, &QCheckBox::clicked, this, [this](bool on) { Edit([this, on] { FModel.SetBold(on); }); });
    connect(FItalic, &QCheckBox::clicked, this,
            [this](bool on) { Edit([this, on] { FModel.SetItalic(on); }); });
    return panel;
}

QWidget* TSymbolEditorDialog::CreateSymbolPanel() {
    auto* panel = new QWidget;
    auto* layout = new QGridLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* proportions = new QGroupBox(QStringLiteral(" Пропорции "));
    auto* p = new QHBoxLayout(proportions);
    FRatio = new QComboBox;
    FRatio->addItems(TSymbolEditorModel::AspectRatios());
    p->addWidget(FRatio);
    FQuickRatios = new QButtonGroup(this);
    FQuickRatios->setExclusive(false);
    const char* quick[] = {"1:1", "3:2", "2:1", "3:1"};
    for (int i = 0; i < 4; ++i) {
        auto* button = new QPushButton(QString::fromLatin1(quick[i]));
        button->setCheckable(true);
        button->setFixedWidth(36);
        FQuickRatios->addButton(button, i);
        p->addWidget(button);
    }
    connect(FRatio, &QComboBox::activated, this, [this] {
        if (const auto ratio = TSymbolEditorModel::ParseRatio(FRatio->currentText()))
            Edit([this, r = *ratio] { FModel.SetAspect(r); });
    });
    connect(FQuickRatios, &QButtonGroup::idClicked, this,
            [this](int id) { Edit([this, id] { FModel.SetAspect(kQuickRatios[id]); }); });
    layout->addWidget(proportions, 0, 0, 1, 2);

    auto* alignment = new QGroupBox(QStringLiteral(" Выравнивание "));
    auto* a = new QGridLayout(alignment);
    FHAlign = new QButtonGroup(this);
    FVAlign = new QButtonGroup(this);
    const char16_t* horizontal[] = {u"Влево", u"Центр", u"Вправо"};
    const char16_t* vertical[] = {u"Вверх", u"Центр", u"Вниз"};
    for (int i = 0; i < 3; ++i) {
        auto* h = new QRadioButton(QString::fromUtf16(horizontal[i]));
        auto* v = new QRadioButton(QString::fromUtf16(vertical[i]));
        FHAlign->addButton(h, i);
        FVAlign->addButton(v, i);
        a->addWidget(h, i, 0);
        a->addWidget(v, i, 1);
    }
    const auto align = [this] {
        Edit([this] { FModel.SetAlignment(FHAlign->checkedId(), FVAlign->checkedId()); });
    };
    connect(FHAlign, &QButtonGroup::idClicked, this, align);
    connect(FVAlign, &QButtonGroup::idClicked, this, align);
    layout->addWidget(alignment, 1, 0);

    auto* grid = new QGroupBox(QStringLiteral(" Сетка "));
    auto* s = new QGridLayout(grid);
    FSnap = new QCheckBox(QStringLiteral("привязка"));
    FGridX = new QLineEdit;
    FGridY = new QLineEdit;
    FGridX->setMaximumWidth(60);
    FGridY->setMaximumWidth(60);
    s->addWidget(FSnap, 0, 0, 1, 2);
    s->addWidget(new QLabel(QStringLiteral("X")), 1, 0);
    s->addWidget(FGridX, 1, 1);
    s->addWidget(new QLabel(QStringLiteral("Y")), 2, 0);
    s->addWidget(FGridY, 2, 1);
    connect(FSnap, &QCheckBox::clicked, this, [this] { TakeGrid(); });
    connect(FGridX, &QLineEdit::editingFinished, this, [this] { TakeGrid(); });
    connect(FGridY, &QLineEdit::editingFinished, this, [this] { TakeGrid(); });
    layout->addWidget(grid, 1, 1);
    return panel;
}

void TSymbolEditorDialog::TakeGrid() {
    if (FLoading) return;
    // Only typed steps are read: the shown ones are rounded to four decimals.
    bool okX = false, okY = false;
    const Extended x = FGridX->text().trimmed().toDouble(&okX), y = FGridY->text().trimmed().toDouble(&okY);
    okX = okX && FGridX->isModified();
    okY = okY && FGridY->isModified();
    FModel.SetGrid(okX ? x : FModel.GridX(), okY ? y : FModel.GridY(), FSnap->isChecked());
    ShowModel();
}

void TSymbolEditorDialog::Edit(const std::function<void()>& edit) {
    if (FLoading) return;
    edit();
    ShowModel();
}

void TSymbolEditorDialog::ShowModel() {
    FLoading = true;
    const TSymbol& symbol = FModel.Symbol();
    while (FTabs->count() > 0)
        FTabs->removeTab(0);
    for (const TPrimitiv& p : symbol.Prims)
        FTabs->addTab(QLatin1Char(' ') + p.Text + QLatin1Char(' '));
    FTabs->setCurrentIndex(FModel.Current());
    FDelete->setEnabled(FModel.HasCurrent());
    FElementPanel->setEnabled(FModel.HasCurrent());
    if (FModel.HasCurrent()) {
        const TPrimitiv& p = symbol.Prims[FModel.Current()];
        if (FText->text() != p.Text) FText->setText(p.Text);
        FTextCharset->SetCharset(p.Charset);
        if (FFont->findText(p.FaceName) < 0) FFont->insertItem(0, p.FaceName);
        FFont->setCurrentText(p.FaceName);
        FCharset->setCurrentIndex(CharsetEntry(p.Charset));
        FBold->setChecked(p.Weight > 400);
        FItalic->setChecked(p.Italic == 1);
        const Extended values[] = {p.X1, p.Y1, p.X2, p.Y2};
        for (int i = 0; i < 4; ++i)
            FCoordinates[i]->setText(Format4(values[i]));
    } else {
        FText->clear();
        for (QLineEdit* e : FCoordinates)
            e->clear();
    }
    int ratioEntry = -1;
    for (int i = 0; i < FRatio->count(); ++i)
        if (TSymbolEditorModel::ParseRatio(FRatio->itemText(i)) == symbol.Aspect) ratioEntry = i;
    FRatio->setCurrentIndex(ratioEntry);
    for (int i = 0; i < 4; ++i)
        FQuickRatios->button(i)->setChecked(symbol.Aspect == kQuickRatios[i]);
    if (QAbstractButton* b = FHAlign->button(symbol.HAlign)) b->setChecked(true);
    if (QAbstractButton* b = FVAlign->button(symbol.VAlign)) b->setChecked(true);
    FSnap->setChecked(FModel.Snap());
    FGridX->setText(Format4(FModel.GridX()));
    FGridY->setText(Format4(FModel.GridY()));
    FUndo->setEnabled(FModel.CanUndo());
    FRedo->setEnabled(FModel.CanRedo());
    FPreview->SetSymbol(symbol);
    FCanvas->update();
    FLoading = false;
}

void TSymbolEditorDialog::StepTab(int step) {
    if (FCanvas->Dragging() || qobject_cast<QComboBox*>(focusWidget())) return;
    FModel.StepCurrent(step);
    ShowModel();
}

bool TSymbolEditorDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FTabs && event->type() == QEvent::Wheel) {
        const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
        if (delta != 0) StepTab(delta < 0 ? 1 : -1);
        return true;
    }
    if (event->type() == QEvent::ShortcutOverride && qobject_cast<QLineEdit*>(watched) &&
        IsNudgeKey(static_cast<QKeyEvent*>(event)))
        return true; // not overridden: the nudge shortcut runs
    if (watched == FText && event->type() == QEvent::KeyPress && FText->text().isEmpty()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
            Edit([this] { FModel.DeleteCurrent(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TSymbolEditorDialog::PickCharacter() {
    if (!FModel.HasCurrent()) return;
    if (!FPicker) FPicker = new TCharacterPickerDialog(this);
    const TPrimitiv p = FModel.Symbol().Prims[FModel.Current()];
    QString face = p.FaceName;
    uint8_t charset = p.Charset;
    const QString character = FPicker->Pick(face, charset);
    if (character.isEmpty()) return;
    if (!storedtext::CharsetFor(charset, p.Text + character)) {
        RefuseText(FText, charset, p.Text + character);
        return;
    }
    Edit([&] {
        FModel.SetFaceName(face);
        FModel.SetCharset(charset);
        FModel.SetText(p.Text + character);
    });
}

void TSymbolEditorDialog::RefuseText(QWidget* field, uint8_t charset, const QString& text) {
    TellRefusal(field, storedtext::RefusalMessage(charset, storedtext::Unstorable(charset, text)));
}

void TSymbolEditorDialog::OpenRecent(int slot) {
    FFromLibrary = false;
    Edit([this, slot] { FModel.Replace(FRecent[slot]->Symbol()); });
}

bool TSymbolEditorDialog::Execute(TSymbol& symbol) {
    const QString store = symbolstore::StoreFile();
    FStored = symbolstore::Read(store);
    FModel.SetGrid(FStored.GridX, FStored.GridY, FStored.Snap);
    {
        const QSignalBlocker block(FFont);
        QStringList families = FontFamiliesFor(204) + FontFamiliesFor(2);
        families.removeDuplicates();
        FFont->clear();
        FFont->addItems(families);
    }
    FModel.Open(symbol);
    FFromLibrary = false;
    for (int slot = 0; slot < symbolstore::kRecentSlots; ++slot)
        FRecent[slot]->SetSymbol(FStored.Recent[slot]);
    ShowModel();
    if (exec() != QDialog::Accepted) return false;
    FStored.GridX = FModel.GridX();
    FStored.GridY = FModel.GridY();
    FStored.Snap = FModel.Snap();
    FStored.Remember(FModel.Symbol());
    QString error;
    if (!symbolstore::Write(store, FStored, error)) QMessageBox::warning(this, windowTitle(), error);
    CopySymbol(FModel.Symbol(), symbol);
    return true;
}
