#include "app/MainWindow.h"

TMainWindow::TMainWindow(QWidget* parent) : QMainWindow(parent), FFigure(std::make_unique<TSuperGrWindow>()) {
    setWindowTitle(QStringLiteral("Tarvelo"));
    resize(900, 650);
    FFigure->ApplyDefaultLook();
}

TMainWindow::~TMainWindow() = default;
