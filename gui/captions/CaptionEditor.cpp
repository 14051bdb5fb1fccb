#include "gui/captions/CaptionEditor.h"

#include "gui/widgets/StoredTextGuard.h"
#include "model/DrawAdapter.h"
#include "model/FontMetrics.h"
#include "window/SuperGrWindow.h"

#include <QButtonGroup>
#include <QFontDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextEdit>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

Qt::Alignment QtAlignment(TCaptionAlign align) {
    switch (align) {
    case taLeftJustify:
        return Qt::AlignLeft;
    case taRightJustify:
        return Qt::AlignRight;
    case taCenter:
        break;
    }
    return Qt::AlignHCenter;
}

} // namespace

TCaptionToolBar::TCaptionToolBar(TSuperGrWindow& window, QWidget* graphWidget, QWidget* parent)
    : TStripDialog(u"Подписи к рисунку"_s, parent), FWindow(window), FGraphWidget(graphWidget) {
    FMemo = new TStoredTextEdit(graphWidget);
    FMemo->hide();
    FMemo->setAcceptRichText(false);
    FMemo->setFrameShape(QFrame::NoFrame);
    FMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette palette = FMemo->palette();
    palette.setColor(QPalette::Base,
                     TDrawAdapter::ToQColor(ColorToRGB(window.Colors.Get(TColorScheme::Inside))));
    FMemo->setPalette(palette);
    FMemo->installEventFilter(this);
    graphWidget->installEventFilter(this);
    connect(FMemo, &QTextEdit::textChanged, this, &TCaptionToolBar::PlaceMemo);

    auto* row = new QHBoxLayout;
    auto* font = new QPushButton(u"Шрифт"_s);
    font->setFocusPolicy(Qt::NoFocus);
    connect(font, &QPushButton::clicked, this, &TCaptionToolBar::ChooseFont);
    row->addWidget(font);
    FAlign = new QButtonGroup(this);
    const std::pair<QString, TCaptionAlign> aligns[] = {
        {u"слева"_s, taLeftJustify}, {u"по центру"_s, taCenter}, {u"справа"_s, taRightJustify}};
    for (const auto& [text, align] : aligns) {
        auto* button = new QToolButton;
        button->setText(text);
        button->setCheckable(true);
        button->setFocusPolicy(Qt::NoFocus);
        FAlign->addButton(button, align);
        row->addWidget(button);
    }
    FAlign->button(taCenter)->setChecked(true);
    connect(FAlign, &QButtonGroup::idClicked, this, [this](int id) {
        const auto align = TCaptionAlign(id);
        ShowAlign(align);
        FModel.SetAlign(FWindow, align);
        GiveMemoTheKeyboard();
    });
    FClear = new QToolButton;
    FClear->setText(u"очистить"_s);
    FClear->setFocusPolicy(Qt::NoFocus);
    connect(FClear, &QToolButton::clicked, this, [this] {
        const QSignalBlocker quiet(FMemo);
        FMemo->clear();
        FModel.Clear(FWindow);
        PlaceMemo();
        GiveMemoTheKeyboard();
    });
    row->addWidget(FClear);
    FSwitch = new QToolButton;
    FSwitch->setFocusPolicy(Qt::NoFocus);
    connect(FSwitch, &QToolButton::clicked, this, [this] {
        FModel.Switch(FWindow, MemoLines());
        Open();
        FWindow.RefreshAll();
    });
    row->addWidget(FSwitch);
    auto* close = new QPushButton(u"Закрыть"_s);
    close->setFocusPolicy(Qt::NoFocus);
    close->setAutoDefault(false); // Enter belongs to the memo
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    row->addWidget(close);
    Body()->addLayout(row);
}

void TCaptionToolBar::Open() {
    FMemo->hide();
    const QSignalBlocker quiet(FMemo);
    const QFont font = ToQFont(FModel.Font(FWindow));
    FLineHeight = QFontMetrics(font).height();
    FMemo->setFont(font);
    FMemo->setPlainText(FModel.Caption(FWindow).join(QLatin1Char('\n')));
    ShowAlign(FModel.Align(FWindow));
    FAlign->button(FModel.Align(FWindow))->setChecked(true);
    FSwitch->setIcon(style()->standardIcon(FModel.EditingTop ? QStyle::SP_ArrowDown : QStyle::SP_ArrowUp));
    FSwitch->setToolTip(FModel.EditingTop ? u"Нижняя подпись"_s : u"Верхняя подпись"_s);
    PlaceMemo();
    FMemo->show();
    if (!isVisible()) {
        show();
        if (!FShownOnce) {
            FShownOnce = true;
            move(screen()->availableGeometry().center() - rect().center());
        }
    }
    GiveMemoTheKeyboard();
}

void TCaptionToolBar::Finish() {
    if (isVisible()) accept();
}

void TCaptionToolBar::done(int result) {
    if (FMemo->isVisible()) {
        FModel.Commit(FWindow, MemoLines());
        FMemo->hide();
        FWindow.RefreshAll();
    }
    TStripDialog::done(result);
}

bool TCaptionToolBar::event(QEvent* event) {
    // The tool bar holds no text of its own: when the window system hands it the keyboard (a click
    // on it), the keyboard goes back to the memo, so typing and Enter keep editing the caption.
    if (event->type() == QEvent::WindowActivate && FMemo->isVisible()) GiveMemoTheKeyboard();
    return TStripDialog::event(event);
}

bool TCaptionToolBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FMemo && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        reject();
        return true;
    }
    if (watched == FGraphWidget && event->type() == QEvent::Resize && FMemo->isVisible()) PlaceMemo();
    return TStripDialog::eventFilter(watched, event);
}

QStringList TCaptionToolBar::MemoLines() const {
    return TCaptionEditModel::LinesOfText(FMemo->toPlainText());
}

void TCaptionToolBar::PlaceMemo() {
    const int height = TCaptionEditModel::MemoHeight(int(MemoLines().size()), FLineHeight);
    FMemo->setGeometry(0, FModel.MemoTop(FGraphWidget->height(), height), FGraphWidget->width(), height);
}

void TCaptionToolBar::ShowAlign(TCaptionAlign align) {
    QTextOption option = FMemo->document()->defaultTextOption();
    option.setAlignment(QtAlignment(align));
    FMemo->document()->setDefaultTextOption(option);
}

void TCaptionToolBar::ChooseFont() {
    const TFontRec was = FModel.Font(FWindow);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, ToQFont(was), this, u"Шрифт"_s);
    if (ok) {
        FModel.SetFont(FWindow, FromQFont(chosen, was));
        FMemo->setFont(ToQFont(FModel.Font(FWindow)));
    }
    GiveMemoTheKeyboard();
}

void TCaptionToolBar::GiveMemoTheKeyboard() {
    FMemo->activateWindow();
    FMemo->setFocus();
}
