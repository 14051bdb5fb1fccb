#include "app/MainWindow.h"

#include "window/GraphWindowWidget.h"

TMainWindow::TMainWindow(QWidget* parent) : QMainWindow(parent), FFigure(std::make_unique<TSuperGrWindow>()) {
    setWindowTitle(QStringLiteral("Tarvelo"));
    resize(900, 650);
    FGraphWidget = new TGraphWindowWidget(*FFigure, this);
    setCentralWidget(FGraphWidget);
    FFigure->ApplyDefaultLook();
}

TMainWindow::~TMainWindow() {
    delete FGraphWidget;
    FGraphWidget = nullptr;
}
