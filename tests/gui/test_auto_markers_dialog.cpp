#include "gui/automarkers/AutoMarkersDialog.h"
#include "tests/common/TestData.h"
#include "window/SuperGrWindow.h"

#include <QApplication>
#include <QGroupBox>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

using testutil::U;

// Opened for one graph after the whole window, the style group shows "текущий", disabled.
TEST(AutoMarkersDialog, OneGraphShowsTheCurrentStyle) {
    TSuperGrWindow window;
    window.SymbolicMarker = true;
    ASSERT_TRUE(window.AddGraph(U("g"), false, {}, testutil::Ramp(6), testutil::Ramp(6)));
    TAutoMarkersDialog dialog;
    QString shown;
    bool styleEnabled = true;
    const auto look = [&] {
        for (const QGroupBox* box : dialog.findChildren<QGroupBox*>()) {
            if (box->title() != U("Стиль")) continue;
            styleEnabled = box->isEnabled();
            for (const QRadioButton* b : box->findChildren<QRadioButton*>())
                if (b->isChecked()) shown = b->text();
        }
        dialog.reject();
    };
    QTimer::singleShot(0, &dialog, look);
    dialog.ExecForWindow(window, QPoint(100, 100));
    EXPECT_EQ(shown, U("символьный"));
    QTimer::singleShot(0, &dialog, look);
    dialog.ExecForGraph(*window.GraphByIndex(0), QPoint(100, 100));
    EXPECT_EQ(shown, U("текущий"));
    EXPECT_FALSE(styleEnabled);
}
