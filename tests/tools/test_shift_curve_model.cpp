#include "tests/common/WindowTestUtil.h"
#include "tools/ShiftCurveModel.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(ShiftCurveModel, DialogCurvesGiveThePresetTables) {
    // The track bars' values of each preset's A and B (Кривая 3 has a third).
    const double bars[][4] = {{0, 100, 100, 0}, {10, 100, 50, 100}, {0, 0, 100, 0}, {33.33, 100, 33.33, 0}};
    for (int preset = 1; preset <= 4; ++preset) {
        TSuperGrWindow window;
        TShiftCurveModel model;
        const double* v = bars[preset - 1];
        model.SetFromTrackBar(true, v[0], v[1]);
        model.SetFromTrackBar(false, v[2], v[3]);
        model.Apply(window);
        TDoubleArray u, w;
        TShiftCurve::Preset(preset).Table(u, w);
        EXPECT_TRUE(window.UseShiftCurve);
        ASSERT_EQ(window.ShiftCurveU.size(), 201);
        // Hundredths are exact but for the third, which a double track bar value carries.
        const Extended tolerance = preset == 4 ? 1e-15L : 0;
        for (int k = 0; k < 201; ++k) {
            EXPECT_LE(fabsl(window.ShiftCurveU[k] - u[k]), tolerance) << preset << " " << k;
            EXPECT_LE(fabsl(window.ShiftCurveW[k] - w[k]), tolerance) << preset << " " << k;
        }
    }
}

TEST(ShiftCurveModel, BoxesShowAndSetHundredths) {
    TShiftCurveModel model;
    model.Curve = TShiftCurve::Preset(4);
    EXPECT_EQ(model.Shown(TShiftCurveModel::Ax), 33);
    EXPECT_EQ(model.Shown(TShiftCurveModel::Ay), 100);
    model.SetFromBox(TShiftCurveModel::By, 25);
    EXPECT_EQ(model.Curve.B.Y, 0.25L);
    model.SetFromBox(TShiftCurveModel::Bx, 140);
    EXPECT_EQ(model.Curve.B.X, 1);
    model.SetFromTrackBar(true, -5, 250);
    EXPECT_EQ(model.Curve.A.X, 0);
    EXPECT_EQ(model.Curve.A.Y, 1);
}

} // namespace
