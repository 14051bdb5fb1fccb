// The program's main window around one graph window.
#pragma once

#include "window/SuperGrWindow.h"

#include <QMainWindow>
#include <memory>

class TMainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainWindow(QWidget* parent = nullptr);
    ~TMainWindow() override;

    TSuperGrWindow& Figure() { return *FFigure; }

private:
    std::unique_ptr<TSuperGrWindow> FFigure;
    class TGraphWindowWidget* FGraphWidget = nullptr;
};
