// The title bar of the small borderless dialogs: a colour gradient with the dialog's title that moves
// the dialog when dragged, and a small close button at its right end.
#pragma once

#include <QColor>
#include <QWidget>

class QToolButton;

class TTitleStrip : public QWidget {
    Q_OBJECT
public:
    // Put it on top of a dialog created with Qt::FramelessWindowHint; it moves and closes window().
    explicit TTitleStrip(const QString& title, QWidget* parent = nullptr);

    void SetTitle(const QString& title);
    QString Title() const { return FTitle; }
    void SetColors(const QColor& start, const QColor& end);
    QToolButton* CloseButton() const { return FClose; }
    QSize sizeHint() const override;

signals:
    // The close button was clicked; the window is closed right after.
    void CloseClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QString FTitle;
    QColor FStart{0x0A, 0x24, 0x6A};
    QColor FEnd{0xA6, 0xCA, 0xF0};
    QToolButton* FClose = nullptr;
    bool FDragging = false;
    QPoint FGrabOffset; // cursor position relative to the window's top-left corner
};
