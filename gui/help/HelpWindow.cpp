#include "gui/help/HelpWindow.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

namespace {
QPointer<THelpWindow> gHelpWindow;

// The calculator's input line and its window's object name.
const char* const kCalculatorName = "CalcMathFuncForm";
const char* const kCalculatorInput = "Edit1";

QWidget* CalculatorOf(QWidget* widget) {
    for (; widget; widget = widget->parentWidget())
        if (widget->objectName() == QLatin1String(kCalculatorName)) return widget;
    return nullptr;
}

// Sees F1 before any window handles it, and clicks on the calculator's argument hint.
class THelpKeys : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget) return false;
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
            static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
            // Shortcuts come first: the main window's own F1 is its contents command.
            QWidget* window = widget->window();
            if (window == gHelpWindow) return false;
            help::ShowWindowHelp(window);
            return true;
        }
        if (event->type() == QEvent::MouseButtonPress && widget->windowType() == Qt::ToolTip &&
            qobject_cast<QLabel*>(widget) && CalculatorOf(widget->parentWidget())) {
            help::ShowWindowHelp(CalculatorOf(widget->parentWidget()));
            return false;
        }
        return false;
    }
};
} // namespace

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    // Each opening gets a fresh window on its place; the texts come from the resources anyway.
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Справка Tarvelo"));
    FChapterList = helpmodel::Chapters();

    FChapters = new QListWidget;
    for (const helpmodel::TChapter& chapter : FChapterList)
        FChapters->addItem(chapter.Title);
    FSearch = new QLineEdit;
    FSearch->setPlaceholderText(QStringLiteral("Поиск по справке"));
    FSearch->setClearButtonEnabled(true);
    FHits = new QListWidget;
    FHits->setWordWrap(true);
    FBrowser = new QTextBrowser;
    FBrowser->setOpenExternalLinks(true);

    auto* side = new QWidget;
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(new QLabel(QStringLiteral("Главы")));
    sideLayout->addWidget(FChapters, 1);
    sideLayout->addWidget(FSearch);
    sideLayout->addWidget(FHits, 1);
    auto* splitter = new QSplitter;
    splitter->addWidget(side);
    splitter->addWidget(FBrowser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({230, 670});
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(splitter);
    resize(900, 640);

    connect(FChapters, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { Open(FChapterList[FChapters->row(item)].File); });
    connect(FChapters, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { Open(FChapterList[FChapters->row(item)].File); });
    connect(FSearch, &QLineEdit::returnPressed, this, &THelpWindow::RunSearch);
    connect(FHits, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { OpenHit(FHits->row(item)); });
    connect(FHits, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { OpenHit(FHits->row(item)); });
    // Links between chapters keep the chapter list in step.
    connect(FBrowser, &QTextBrowser::sourceChanged, this, [this](const QUrl& url) {
        const QString file = helpmodel::FileOfUrl(url);
        for (int i = 0; i < FChapterList.size(); ++i)
            if (FChapterList[i].File == file) {
                const QSignalBlocker block(FChapters);
                FChapters->setCurrentRow(i);
            }
    });
}

void THelpWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        close();
    else
        QWidget::keyPressEvent(event);
}

THelpWindow& THelpWindow::Instance() {
    if (!gHelpWindow) gHelpWindow = new THelpWindow;
    return *gHelpWindow;
}

THelpWindow* THelpWindow::Existing() {
    return gHelpWindow;
}

QString THelpWindow::CurrentFile() const {
    return helpmodel::FileOfUrl(FBrowser->source());
}

void THelpWindow::Open(const QString& file) {
    const QUrl url = helpmodel::ChapterUrl(file);
    if (FBrowser->source() != url) FBrowser->setSource(url, QTextDocument::MarkdownResource);
}

void THelpWindow::ScrollTo(int position) {
    QTextCursor cursor(FBrowser->document());
    cursor.setPosition(qMax(0, position));
    FBrowser->setTextCursor(cursor);
    // The text is laid out for the view's width only once the window is shown: the place is brought
    // to the top of the view then.
    QTimer::singleShot(0, FBrowser, [browser = FBrowser] {
        browser->verticalScrollBar()->setValue(browser->verticalScrollBar()->maximum());
        browser->ensureCursorVisible();
    });
}

void THelpWindow::ShowPlace(const helpmodel::TPlace& place) {
    Open(place.File);
    ScrollTo(place.Heading.isEmpty() ? 0 : helpmodel::HeadingPosition(*FBrowser->document(), place.Heading));
    Present();
}

void THelpWindow::ShowContents() {
    ShowPlace({helpmodel::ContentsFile(), {}});
}

void THelpWindow::ShowFunction(const QString& name) {
    Open(helpmodel::ExpressionsFile());
    ScrollTo(name.isEmpty() ? 0 : helpmodel::FunctionPosition(*FBrowser->document(), name));
    Present();
}

void THelpWindow::RunSearch() {
    FHitList = helpmodel::Search(FSearch->text());
    FHits->clear();
    for (const helpmodel::THit& hit : FHitList)
        FHits->addItem(hit.Title + QStringLiteral(": ") + hit.Excerpt);
    if (FHitList.isEmpty() && !FSearch->text().trimmed().isEmpty())
        FHits->addItem(QStringLiteral("Ничего не найдено."));
}

void THelpWindow::OpenHit(int row) {
    if (row < 0 || row >= FHitList.size()) return;
    const helpmodel::THit& hit = FHitList[row];
    Open(hit.File);
    // The hit's line: its first words found in the shown text.
    const QString first = FSearch->text().split(QLatin1Char(' '), Qt::SkipEmptyParts).value(0);
    QTextCursor cursor(FBrowser->document());
    const QString excerptStart = hit.Excerpt.left(40);
    QTextCursor line = FBrowser->document()->find(excerptStart);
    if (!line.isNull()) cursor = line;
    const QTextCursor word = FBrowser->document()->find(first, cursor.selectionStart());
    FBrowser->setTextCursor(word.isNull() ? cursor : word);
    FBrowser->ensureCursorVisible();
}

void THelpWindow::Present() {
    // A window opened over a modal dialog must not be blocked by it.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != this && parentWidget() != modal) {
        const bool wasVisible = isVisible();
        setParent(modal, Qt::Window);
        if (wasVisible) show();
    }
    show();
    raise();
    activateWindow();
}

namespace help {
void InstallHelpKeys() {
    static THelpKeys* keys = nullptr;
    if (keys) return;
    keys = new THelpKeys(qApp);
    qApp->installEventFilter(keys);
}

void ShowWindowHelp(QWidget* window) {
    if (QWidget* calculator = CalculatorOf(window)) {
        const auto* input = calculator->findChild<QLineEdit*>(QLatin1String(kCalculatorInput));
        const QString name =
            input ? helpmodel::FunctionAt(input->text(), input->cursorPosition()) : QString();
        if (!name.isEmpty()) {
            THelpWindow::Instance().ShowFunction(name);
            return;
        }
    }
    THelpWindow::Instance().ShowPlace(helpmodel::PlaceOfWindow(
        window ? QString::fromLatin1(window->metaObject()->className()) : QString()));
}
} // namespace help
