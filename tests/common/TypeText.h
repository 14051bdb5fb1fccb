// Typing as a user types, one key press with its text per character: QTest::keyClicks takes only
// ASCII.
#pragma once

#include <QTest>
#include <QWidget>

namespace testutil {

inline void TypeText(QWidget* widget, const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size();
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, text.mid(i, pair ? 2 : 1), Qt::NoModifier);
        if (pair) ++i;
    }
}

} // namespace testutil
