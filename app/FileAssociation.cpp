#include "app/FileAssociation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
const QString kExtensionKey = QStringLiteral(".tvq");
const QString kTypeKey = QStringLiteral("Tarvelo.tvq");

QString Key(const char* path) {
    return kTypeKey + QLatin1Char('\\') + QLatin1String(path);
}

bool WriteWhole(const QString& fileName, const QByteArray& bytes) {
    if (!QDir().mkpath(QFileInfo(fileName).absolutePath())) return false;
    QSaveFile out(fileName);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit();
}

QByteArray DesktopResource(const QString& name) {
    QFile file(QStringLiteral(":/desktop/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One argument of a desktop entry's Exec line: quoted, with the characters the quoting reserves
// escaped, and then every backslash doubled for the entry's string syntax.
QString ExecArgument(const QString& argument) {
    QString quoted;
    for (QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted = QLatin1Char('"') + quoted + QLatin1Char('"');
    return quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Store

bool TKeyValueStore::Load() {
    FEntries.clear();
    QFile in(FFileName);
    if (!in.exists()) return true;
    if (!in.open(QIODevice::ReadOnly)) return false;
    const QString text = QString::fromUtf8(in.readAll());
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0) continue;
        FEntries.append({line.left(equals), line.mid(equals + 1)});
    }
    return true;
}

bool TKeyValueStore::Save() const {
    QByteArray bytes;
    for (const auto& [key, value] : FEntries)
        bytes += (key + QLatin1Char('=') + value + QLatin1Char('\n')).toUtf8();
    return WriteWhole(FFileName, bytes);
}

bool TKeyValueStore::Contains(const QString& key) const {
    return std::any_of(FEntries.begin(), FEntries.end(), [&](const auto& e) { return e.first == key; });
}

QString TKeyValueStore::Value(const QString& key) const {
    for (const auto& [k, v] : FEntries)
        if (k == key) return v;
    return {};
}

void TKeyValueStore::SetValue(const QString& key, const QString& value) {
    // A value is one line of the file.
    QString line = value;
    line.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    for (auto& entry : FEntries)
        if (entry.first == key) {
            entry.second = line;
            return;
        }
    FEntries.append({key, line});
}

void TKeyValueStore::EraseTree(const QString& key) {
    const QString below = key + QLatin1Char('\\');
    FEntries.removeIf([&](const auto& e) { return e.first == key || e.first.startsWith(below); });
}

// ---------------------------------------------------------------------------------------------
// Association

TFileAssociation::TLocations TFileAssociation::DefaultLocations() {
    TLocations l;
    l.ConfigDir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                  QStringLiteral("/Ostrel/Tarvelo");
    l.DataDir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    l.ProgramPath = QCoreApplication::applicationFilePath();
    return l;
}

QString TFileAssociation::WriteErrorMessage() {
    return QStringLiteral(
        "Ошибка при попытке записи в реестр.\n\rВозможно, отсутствуют права администратора.");
}

QString TFileAssociation::MimeType() {
    return QStringLiteral("application/x-tarvelo-figure");
}
QString TFileAssociation::StoreFile() const {
    return FLocations.ConfigDir + QStringLiteral("/file-types.ini");
}
QString TFileAssociation::MimeFile() const {
    return FLocations.DataDir + QStringLiteral("/mime/packages/tarvelo-figure.xml");
}
QString TFileAssociation::DesktopFile() const {
    return FLocations.DataDir + QStringLiteral("/applications/tarvelo-figure.desktop");
}
QString TFileAssociation::CommandValue() const {
    return FLocations.ProgramPath + QStringLiteral(" \"%1\"");
}

bool TFileAssociation::AssociateFigureFiles(bool on, QString* error) {
    TKeyValueStore store(StoreFile());
    bool ok = store.Load();
    if (ok && on) {
        const QString previous = store.Value(kExtensionKey);
        store.SetValue(kExtensionKey, kTypeKey);
        store.SetValue(kTypeKey, QStringLiteral("Файл фигуры программы Tarvelo"));
        store.SetValue(Key("DefaultIcon"), FLocations.ProgramPath + QStringLiteral(",0"));
        store.SetValue(Key("Shell"), QStringLiteral("Default_Action"));
        store.SetValue(Key("Shell\\Default_Action"), QStringLiteral("Открыть в Tarvelo"));
        store.SetValue(Key("Shell\\Default_Action\\command"), CommandValue());
        if (!previous.isEmpty() && previous != kTypeKey) store.SetValue(Key("Backup"), previous);
        ok = store.Save() && InstallDesktopFiles();
    } else if (ok) {
        // The extension is given back only while it is ours: another owner's claim stays.
        if (store.Value(kExtensionKey) == kTypeKey) {
            const QString backup = store.Value(Key("Backup"));
            store.SetValue(kExtensionKey, backup);
            if (backup.isEmpty()) store.EraseTree(kExtensionKey);
        }
        store.EraseTree(kTypeKey);
        ok = store.Save() && RemoveDesktopFiles();
    }
    if (ok) RefreshDesktopDatabases();
    if (!ok && error) *error = WriteErrorMessage();
    return ok;
}

bool TFileAssociation::FigureFilesAssociated() const {
    TKeyValueStore store(StoreFile());
    return store.Load() && store.Value(kExtensionKey) == kTypeKey &&
           store.Value(Key("Shell\\Default_Action\\command")) == CommandValue();
}

bool TFileAssociation::InstallDesktopFiles() const {
    const QByteArray installedEntry = DesktopResource(QStringLiteral("tarvelo.desktop"));
    const QByteArray mime = DesktopResource(QStringLiteral("tarvelo.xml"));
    if (installedEntry.isEmpty() || mime.isEmpty()) return false;
    // The entry the package installs, with this program's own path; it only serves the file type
    // and stays out of the menu, where an installed entry may already stand.
    QByteArray desktop;
    for (const QByteArray& line : installedEntry.split('\n')) {
        if (line.isEmpty()) continue;
        if (line.startsWith("Exec=")) {
            const qsizetype blank = line.indexOf(' ');
            desktop += "Exec=" + ExecArgument(FLocations.ProgramPath).toUtf8() +
                       (blank < 0 ? QByteArray() : line.mid(blank)) + '\n';
        } else {
            desktop += line + '\n';
        }
        if (line == "[Desktop Entry]") desktop += "NoDisplay=true\n";
    }
    return WriteWhole(MimeFile(), mime) && WriteWhole(DesktopFile(), desktop);
}

bool TFileAssociation::RemoveDesktopFiles() const {
    // Without our type and entry, *.tvq goes back to whatever claimed it before.
    for (const QString& file : {MimeFile(), DesktopFile()})
        if (QFile::exists(file) && !QFile::remove(file)) return false;
    return true;
}

void TFileAssociation::RefreshDesktopDatabases() const {
    // The caches are a convenience of the desktop; without the tools the files still take effect
    // at the desktop's next scan.
    const QString mimeTool = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (!mimeTool.isEmpty() && QDir(FLocations.DataDir + QStringLiteral("/mime")).exists())
        QProcess::execute(mimeTool, {FLocations.DataDir + QStringLiteral("/mime")});
    const QString desktopTool = QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
    if (!desktopTool.isEmpty() && QDir(FLocations.DataDir + QStringLiteral("/applications")).exists())
        QProcess::execute(desktopTool, {FLocations.DataDir + QStringLiteral("/applications")});
}
