#include "gui/shiftcurve/ShiftCurveDialog.h"
#include "gui/shiftcurve/SuperTrackBar2d.h"

#include "model/Graph.h"

#include "window/FigurePaint.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace {
using C = TShiftCurveModel;

struct ShiftCurveDialogTest : ::testing::Test {
    TSuperGrWindow window;
    TShiftCurveDialog dialog;
    int userChanges = 0;

    void SetUp() override {
        window.LoadShiftCurvePreset(3);
        dialog.OnUserChange = [this] { ++userChanges; };
        dialog.Load(window);
        dialog.show();
        QApplication::processEvents();
    }
};

} // namespace

TEST_F(ShiftCurveDialogTest, ShowsThePresetAndItsCurve) {
    const int shown[] = {0, 0, 100, 0};
    for (int c = C::Ax; c <= C::By; ++c)
        EXPECT_EQ(dialog.Box(C::TCoordinate(c))->value(), shown[c]) << c;
    EXPECT_EQ(dialog.TrackBar(false)->Bar().XValue(), 100);
    ASSERT_EQ(dialog.Preview().GraphCount(), 1);
    EXPECT_EQ(dialog.Preview().GraphByIndex(0)->NodeCount(), 201);
    EXPECT_EQ(userChanges, 0);
}

TEST_F(ShiftCurveDialogTest, BoxesAndTrackBarsFollowEachOther) {
    dialog.Box(C::Ay)->setValue(50);
    EXPECT_EQ(window.ShiftCurve.A.Y, 0.5L);
    EXPECT_EQ(dialog.TrackBar(true)->Bar().YValue(), 50);
    EXPECT_TRUE(window.UseShiftCurve);

    TSuperTrackBar2d* b = dialog.TrackBar(false);
    b->setFocus();
    QTest::keyClick(b, Qt::Key_Up, Qt::ControlModifier); // Y page 6
    EXPECT_EQ(dialog.Box(C::By)->value(), 6);
    EXPECT_EQ(window.ShiftCurve.B.Y, 0.06L);

    // Dragging A's thumb beyond the top-left corner puts it at (0, 100).
    TSuperTrackBar2d* a = dialog.TrackBar(true);
    const QPoint grab = a->ThumbRect().center();
    QTest::mousePress(a, Qt::LeftButton, {}, grab);
    QMouseEvent move(QEvent::MouseMove, QPointF(-30, -30), a->mapToGlobal(QPointF(-30, -30)), Qt::NoButton,
                     Qt::LeftButton, {});
    QApplication::sendEvent(a, &move);
    QTest::mouseRelease(a, Qt::LeftButton, {}, QPoint(-30, -30));
    EXPECT_EQ(window.ShiftCurve.A.X, 0);
    EXPECT_EQ(window.ShiftCurve.A.Y, 1);
    EXPECT_EQ(dialog.Box(C::Ay)->value(), 100);
    EXPECT_EQ(userChanges, 3);
}

TEST(SuperTrackBar2d, RangeOfNoWidthPaints) {
    TSuperTrackBar2d bar;
    bar.resize(60, 60);
    bar.Bar().SetXRange(3, 3);
    bar.SetXValue(10);
    EXPECT_EQ(bar.Bar().XValue(), 3);
    EXPECT_FALSE(bar.grab().isNull());
}
TEST_F(ShiftCurveDialogTest, PreviewDrawsTheCurveInDarkLines) {
    TSuperGrWindow& preview = dialog.Preview();
    QImage picture(preview.ClientRect().Width(), preview.ClientRect().Height(), QImage::Format_ARGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    PaintFigure(preview, painter, preview.ClientRect());
    painter.end();
    int dark = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            dark += QColor(picture.pixel(x, y)).lightness() < 100;
    EXPECT_GT(dark, picture.width()); // at least one pixel per column, a curve two pixels wide
}

TEST(SuperTrackBar2d, RangeEditsTakeOnlyWholeNumbers) {
    TSuperTrackBar2d bar;
    bar.resize(200, 150);
    bar.SetXValue(10);
    const QRect without = bar.ThumbRect();
    bar.SetEditVisible(true);
    EXPECT_GT(bar.ThumbRect().left(), without.left()); // the boxes take room around the track
    QLineEdit* xMin = bar.RangeEdit(TSuperTrackBar2d::XMin);
    EXPECT_EQ(xMin->text(), QStringLiteral("0"));
    xMin->setText(QStringLiteral("-"));
    emit xMin->editingFinished();
    EXPECT_EQ(bar.Bar().XMinValue(), 0);
    EXPECT_EQ(xMin->text(), QStringLiteral("0"));
    QLineEdit* xMax = bar.RangeEdit(TSuperTrackBar2d::XMax);
    xMax->setText(QStringLiteral("5"));
    emit xMax->editingFinished();
    EXPECT_EQ(bar.Bar().XValue(), 5); // the value follows into the narrower range
}
