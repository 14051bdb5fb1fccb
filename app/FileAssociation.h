// The file type of figure files: the keys and values of the classic registration, kept in a small
// store of the program's own (an ini file in the user's configuration directory), and on top of it
// a freedesktop MIME type and desktop entry in the user's data directory, so that file managers
// open *.tvq files with this program. Switching it off gives *.tvq back to its previous owner.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

// Keys and values exactly as written: keys are paths with backslashes ("Tarvelo.tvq\Shell"),
// values any single-line text. Not QSettings, which would rewrite both.
class TKeyValueStore {
public:
    explicit TKeyValueStore(QString fileName) : FFileName(std::move(fileName)) {}

    // A missing file is an empty store.
    bool Load();
    // Through a temporary file: a failed save leaves the old file.
    bool Save() const;

    bool Contains(const QString& key) const;
    QString Value(const QString& key) const;
    void SetValue(const QString& key, const QString& value);
    // Erases the key and every key below it.
    void EraseTree(const QString& key);
    const QString& FileName() const { return FFileName; }

private:
    QString FFileName;
    QList<QPair<QString, QString>> FEntries;
};

class TFileAssociation {
public:
    struct TLocations {
        QString ConfigDir; // the store lives here
        QString DataDir;   // mime/packages and applications go here
        QString ProgramPath;
    };
    // $XDG_CONFIG_HOME/Ostrel/Tarvelo, $XDG_DATA_HOME and this program.
    static TLocations DefaultLocations();

    explicit TFileAssociation(TLocations locations) : FLocations(std::move(locations)) {}

    // On: the keys, a backup of the previous owner, the MIME type and the desktop entry.
    // Off: the previous owner back, our keys and files removed. False with the message when
    // something cannot be written.
    bool AssociateFigureFiles(bool on, QString* error = nullptr);
    bool FigureFilesAssociated() const;

    static QString WriteErrorMessage();
    static QString MimeType();
    QString StoreFile() const;
    QString MimeFile() const;
    QString DesktopFile() const;
    QString CommandValue() const; // the program's path, a blank and "%1" in quotes

private:
    bool InstallDesktopFiles() const;
    bool RemoveDesktopFiles() const;
    void RefreshDesktopDatabases() const;

    TLocations FLocations;
};
