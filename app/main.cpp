#include "app/MainWindow.h"

#include <QApplication>
#include <clocale>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Numbers are always written and read with the point; Qt may have taken the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Tarvelo"));
    TMainWindow window;
    window.show();
    return QApplication::exec();
}
