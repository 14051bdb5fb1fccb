#include "app/CommandLine.h"
#include "app/MainWindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <clocale>
#include <cstdio>

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QString error;
    const std::optional<TCommandLine> command = ParseCommandLine(arguments, &error);
    if (!command) {
        std::fprintf(stderr, "tarvelo: %s\nTry 'tarvelo --help' for more information.\n",
                     error.toUtf8().constData());
        return 2;
    }

    if (command->Headless()) {
        // No window: fonts and painting work without a display.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        std::setlocale(LC_NUMERIC, "C");
        return RunHeadless(*command);
    }

    QApplication app(argc, argv);
    // Numbers are always written and read with the point; Qt may have taken the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Tarvelo"));
    // The program speaks Russian: Qt's own buttons and dialogs ("Да", "Отмена", file dialogs) too.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    TMainWindow window;
    window.show();
    if (!command->Inputs.isEmpty()) window.OpenFromCommandLine(command->Inputs.first());
    return QApplication::exec();
}
