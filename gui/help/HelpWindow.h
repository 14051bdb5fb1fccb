// The help window: the manual's chapters, the chosen one shown with its links, and a search through
// the whole manual. F1 anywhere opens it on the chapter of the window that has the focus.
#pragma once

#include "tools/HelpModel.h"

#include <QWidget>

class QLineEdit;
class QListWidget;
class QTextBrowser;

class THelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);

    // The one help window of the program, created on first use.
    static THelpWindow& Instance();
    // The window if it was created.
    static THelpWindow* Existing();

    void ShowPlace(const helpmodel::TPlace& place);
    void ShowContents();
    // The reference at the function's row (at the reference's top when it has none).
    void ShowFunction(const QString& name);

    QString CurrentFile() const;
    QTextBrowser* Browser() const { return FBrowser; }
    QLineEdit* SearchField() const { return FSearch; }
    QListWidget* Hits() const { return FHits; }
    QListWidget* ChapterList() const { return FChapters; }

protected:
    // Escape closes the window, as it closes the program's dialogs.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Open(const QString& file);
    void ScrollTo(int position);
    void RunSearch();
    void OpenHit(int row);
    void Present();

    QListWidget* FChapters;
    QLineEdit* FSearch;
    QListWidget* FHits;
    QTextBrowser* FBrowser;
    QList<helpmodel::THit> FHitList;
    QList<helpmodel::TChapter> FChapterList;
};

namespace help {
// F1 in any window opens its chapter (the calculator's: the reference at the function under the
// caret); a click on the calculator's argument hint does the same. Installed once per application.
void InstallHelpKeys();
// The help for a window: its chapter, or for the calculator the function its input line's caret is in.
void ShowWindowHelp(QWidget* window);
} // namespace help
