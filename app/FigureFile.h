// The figure file (*.tvq): a 255-byte text header, the main window's placement, the figure stream
// compressed as one zlib stream, and a short trailer. Also the open, save and save-as flows of the
// main window, free of widgets: the questions and dialogs go through TFigureFileUi.
#pragma once

#include "model/BackgroundJob.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

class TSuperGrWindow;
struct TStagedFigure;

// The main window's placement as the file keeps it.
struct TWindowBounds {
    int32_t Left = 0, Top = 0, Width = 0, Height = 0;
    bool operator==(const TWindowBounds&) const = default;
};

namespace figurefile {
inline constexpr qsizetype HeaderSize = 255;
inline constexpr qsizetype DataOffset = 275; // header, bounds and the compressed length
inline constexpr qsizetype SignatureSize = 21;

QString Signature();           // "TARVELO 1.0 QVF-file."
QByteArray Trailer();          // "v01."
QString FileFilter();          // for the file dialogs
QString DefaultSuffix();       // "tvq"
QString NotAFigureMessage();   // the file is a figure file, but its figure cannot be read
QString OpenAsDataQuestion();  // the file is not a figure file at all
QString UnsavedDataQuestion(); // asked before another figure replaces a modified one
QString TitleFor(const QString& fileName);

// The header text, cp1251, padded with blanks or cut to exactly 255 bytes. An empty computer or
// user name leaves its line out.
QByteArray HeaderText(const QDateTime& now, const QString& computer, const QString& user);
// The user's login name: $USER, $LOGNAME, else the account database's name of the effective user.
QString UserName();
// The header of a file written now on this computer by this user.
QByteArray CurrentHeader();

// The whole file for a figure stream; empty (with a message) when the stream cannot be stored. The
// stream is compressed in slices joined into one zlib stream; slices that hardly shrink are stored.
QByteArray Compose(const QByteArray& header, const TWindowBounds& bounds, const QByteArray& stream,
                   QString* error = nullptr);

enum class TReadStatus { Ok, NotAFigure, Damaged, FileError, Cancelled };
struct TReadResult {
    TReadStatus Status = TReadStatus::FileError;
    QString Message; // for Damaged and FileError
    TWindowBounds Bounds;
    QByteArray Stream; // the uncompressed figure stream
};
// Takes a whole file apart. The compressed length must fit the file, and inflating stops at a cap
// that no real figure reaches from that many compressed bytes.
TReadResult Parse(const QByteArray& file);

// Writes a figure to a file: serialised and compressed in memory first, then written through a
// temporary file that replaces the old one only when everything was written. The figure's
// Modified flag is cleared only then. With a progress, the total is twice the stream's size: the
// stream bytes compressed (on every core), then the file written, scaled to the same size. A
// cancel, seen between slices of a megabyte, stops the writing: false with an empty error, and the
// old file as it was.
bool Write(TSuperGrWindow& window, const TWindowBounds& bounds, const QString& fileName, QString* error,
           TJobProgress* progress = nullptr);
// Reads a file and checks its figure without touching the window. With a progress, the total is
// twice the file's size: the bytes read, then the compressed bytes inflated; a cancel, seen every
// few megabytes, ends the reading with the status Cancelled.
TReadResult Read(const QString& fileName, TJobProgress* progress = nullptr);
// Reads a figure file into a window (the headless command line): false, with the message, and the
// window untouched when it is not a readable figure.
bool Load(TSuperGrWindow& window, const QString& fileName, QString* error, TWindowBounds* bounds = nullptr);
} // namespace figurefile

// What the figure flows need from the user interface.
class TFigureFileUi {
public:
    enum class TAnswer { Yes, No, Cancel };
    virtual ~TFigureFileUi() = default;
    // A question with the buttons Yes, No and Cancel.
    virtual TAnswer Ask(const QString& text) = 0;
    virtual void ShowMessage(const QString& text) = 0;
    // The file dialogs; an empty name when the user cancels. The save dialog asks before it
    // overwrites and adds the default suffix.
    virtual QString ChooseOpenFile() = 0;
    virtual QString ChooseSaveFile(const QString& preset) = 0;
    // The add-graphs dialog on these files, shown modally.
    virtual void OpenAsDataFiles(const QStringList& files) = 0;
    virtual TWindowBounds MainWindowBounds() = 0;
    virtual void SetMainWindowBounds(const TWindowBounds& bounds) = 0;
    virtual void SetTitle(const QString& title) = 0;
    // A figure was opened: the graph-dependent actions follow its graphs.
    virtual void FigureOpened() = 0;
    // Runs the reading or writing of a file to its end; the main window runs it off the GUI thread
    // with a progress dialog that can cancel it. False when it failed with an error already shown.
    virtual bool RunJob(const QString& text, const TJobWork& work) { return RunJobInline(text, work); }
};

// The figure of the main window with its file name.
class TFigureDocument {
public:
    TFigureDocument(TSuperGrWindow& window, TFigureFileUi& ui) : FWindow(window), FUi(ui) {}

    bool HasFileName() const { return FHasFileName; }
    const QString& FileName() const { return FFileName; }

    // The flows of the actions "open", "save" and "save as", and of the command line.
    bool OpenFigure();
    bool SaveFigure();
    bool SaveAs();
    bool OpenFromCommandLine(const QString& argument);

    // dataFiles: what the add-graphs dialog gets when the file turns out not to be a figure.
    bool ReadFigureFile(const QString& fileName, const QStringList& dataFiles);
    bool WriteFigureFile(const QString& fileName);

    // What the progress dialog says.
    static QString OpeningText();
    static QString SavingText();

private:
    // askAboutData: whether a file that is no figure goes to the add-graphs dialog only after a
    // question.
    bool ReadFigureFile(const QString& fileName, const QStringList& dataFiles, bool askAboutData);
    void AfterLoad(const QString& fileName);

    TSuperGrWindow& FWindow;
    TFigureFileUi& FUi;
    bool FHasFileName = false;
    QString FFileName;
};
