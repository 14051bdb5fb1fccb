// The program's manual: its chapters (Markdown embedded in the program), which chapter and section
// a window is explained in, where a function of the expression language is described, and a search
// through the whole text.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

class QTextDocument;

namespace helpmodel {

struct TChapter {
    QString File;  // "mainwindow.md"
    QString Title; // its first heading
};

// A place in the manual: a chapter and, optionally, the heading of a section in it.
struct TPlace {
    QString File;
    QString Heading; // empty: the chapter's top
};

struct THit {
    QString File;
    QString Title;   // the chapter's
    QString Excerpt; // the line the words were found in, without Markdown marks
};

// The contents first, then the chapters in reading order.
QList<TChapter> Chapters();
QString ContentsFile();
QString ExpressionsFile();
// The Markdown of a chapter; empty for an unknown one.
QString ChapterSource(const QString& file);
// Where the help window loads a chapter from.
QUrl ChapterUrl(const QString& file);
// The chapter file of a URL the help window shows (empty when it is none of the manual's).
QString FileOfUrl(const QUrl& url);

// The section explaining a window or dialog, by its class name ("TSettingsDialog"); the contents
// for a window the manual does not know.
TPlace PlaceOfWindow(const QString& className);
// The class names of the windows the manual explains.
QStringList WindowClasses();

// The function of the expression language the caret is in: the name under it or, when the caret is
// not on a name of the reference, the function whose argument list holds the caret. Upper case;
// empty when there is none.
QString FunctionAt(const QString& line, int caret);
// Whether the reference describes this function (case does not matter).
bool IsDocumentedFunction(const QString& name);

// Character positions in a chapter shown as a document: a heading of that text, the reference's
// row of a function. -1 when there is none.
int HeadingPosition(const QTextDocument& document, const QString& heading);
int FunctionPosition(const QTextDocument& document, const QString& name);

// Lines of every chapter that hold all the words of the query (case does not matter), in reading order.
QList<THit> Search(const QString& query);

// Expression examples of the reference: lines "`formula` → `result`".
struct TExample {
    QString Formula;
    QString Result;
};
QList<TExample> Examples(const QString& markdown);

} // namespace helpmodel
