#include "export/CommandLine.h"
#include "gui/mainwindow/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <clocale>
#include <cstdio>
#include <unistd.h>

namespace {
// Scripts and services often run without a login session. Qt then warns on stderr about the missing
// runtime directory and uses a private one in /tmp; the same directory is given to it beforehand, so
// that the output of a headless run holds only what the run itself says.
void ProvideRuntimeDirectory() {
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
    const QString path = QDir::tempPath() + QStringLiteral("/runtime-") + QString::number(getuid());
    if (!QDir().mkpath(path)) return;
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (QFileInfo(path).ownerId() == getuid()) qputenv("XDG_RUNTIME_DIR", QFile::encodeName(path));
}
} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QString error;
    const std::optional<TCommandLine> command = ParseCommandLine(arguments, &error);
    if (!command) {
        std::fprintf(stderr, "tarvelo: %s\nПодробнее: tarvelo --help\n", error.toUtf8().constData());
        return 2;
    }

    // Help and version need no toolkit at all.
    if (command->Help || command->Version) return RunHeadless(*command);
    if (command->Headless()) {
        // No window: fonts and painting work without a display.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        ProvideRuntimeDirectory();
        QGuiApplication app(argc, argv);
        std::setlocale(LC_NUMERIC, "C");
        return RunHeadless(*command);
    }

    QApplication app(argc, argv);
    // Numbers are always written and read with the point; Qt may have taken the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Tarvelo"));
    QApplication::setApplicationVersion(ProgramVersion());
    // The program speaks Russian: Qt's own buttons and dialogs ("Да", "Отмена", file dialogs) too.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    TMainWindow window;
    window.show();
    // A restored figure is unsaved work: a file named on the command line does not replace it.
    if (!window.OfferRecovery() && !command->Inputs.isEmpty())
        window.OpenFromCommandLine(command->Inputs.first());
    return QApplication::exec();
}
