// Keys and clicks as a user makes them: each key goes to whichever widget has the keyboard focus at
// that moment, so a key that moves the focus sends the next keys elsewhere, as on a real desktop;
// a double click is the whole sequence of a real one.
#pragma once

#include <QApplication>
#include <QTest>
#include <QWidget>

namespace testutil {

inline QWidget* Focused() {
    return QApplication::focusWidget();
}

// Shift, Ctrl or Alt pressed and released on its own.
inline void PressAlone(Qt::Key modifier) {
    QTest::keyPress(Focused(), modifier);
    QTest::keyRelease(Focused(), modifier);
}

inline void TypeKeys(const QString& text) {
    QTest::keyClicks(Focused(), text);
}

inline void PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(Focused(), key, modifiers);
}

// Typing one key press with its text per character: QTest::keyClicks takes only ASCII.
inline void TypeText(QWidget* widget, const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size();
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, text.mid(i, pair ? 2 : 1), Qt::NoModifier);
        if (pair) ++i;
    }
}

// Press, release, double click, release: what a real double click delivers to a widget.
inline void DoubleClick(QWidget* widget, QPoint pos) {
    QTest::mousePress(widget, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, pos);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, pos);
}

} // namespace testutil
