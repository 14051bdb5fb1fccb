// The level-of-detail walks against the exact walk: two figures with the same curve, one drawing it
// through the index and one through every node, must build the same polyline (lines wider than a
// pixel) or paint the same picture (thin solid lines, drawn column by column) in every view.
#include "model/DetailIndex.h"
#include "model/Polyline.h"
#include "tests/common/TestData.h"
#include "window/FigurePaint.h"
#include "window/SuperGrWindow.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

using Random = std::mt19937_64;

Extended Uniform(Random& r, Extended a, Extended b) {
    return a + (b - a) * Extended(std::uniform_real_distribution<double>(0, 1)(r));
}
bool Chance(Random& r, double p) {
    return std::bernoulli_distribution(p)(r);
}

// A curve with a monotonic argument: repeated arguments, repeated nodes, gaps; values as noise,
// a smooth signal, plateaus of whole numbers or rare spikes. Positive where a log axis needs it.
void MakeCurve(Random& r, TDoubleArray& x, TDoubleArray& y, bool positive) {
    const int n = std::uniform_int_distribution<int>(2, 3000)(r);
    const int kind = std::uniform_int_distribution<int>(0, 3)(r);
    x.resize(n);
    y.resize(n);
    Extended at = positive ? 1 : Uniform(r, -5, 5), level = 0;
    for (int i = 0; i < n; ++i) {
        const double step = std::uniform_real_distribution<double>(0, 1)(r);
        if (i > 0) at += step < 0.1 ? 0 : step < 0.12 ? Uniform(r, 50, 500) : Uniform(r, 0.001L, 1);
        x[i] = at;
        if (i > 0 && Chance(r, 0.05)) {
            y[i] = y[i - 1]; // with an equal argument a zero-length segment
            continue;
        }
        switch (kind) {
        case 0:
            y[i] = Uniform(r, -1, 1);
            break;
        case 1:
            y[i] = std::sin(Extended(i) * 0.01L) + Uniform(r, -0.01L, 0.01L);
            break;
        case 2:
            if (Chance(r, 0.02)) level += std::uniform_int_distribution<int>(-3, 3)(r);
            y[i] = level;
            break;
        default:
            y[i] = Chance(r, 0.01) ? Uniform(r, -50, 50) : Uniform(r, -0.1L, 0.1L);
            break;
        }
        if (positive) y[i] += 60;
    }
    if (Chance(r, 0.25)) std::reverse(x.begin(), x.end()); // a descending argument
}

struct TFigure {
    TSuperGrWindow Window;
    TGraph* Graph = nullptr;
    QImage Image{160, 120, QImage::Format_RGB32};
    // The polyline tests compare point lists, which only the walk of wider lines keeps equal.
    int32_t LineWidth = 2;

    TFigure() {
        Window.ApplyDefaultLook();
        Window.AnimatedZoom = false;
        Window.AnimatedMove = false;
        Window.SetClientSize(Image.width(), Image.height());
        Window.UndoRecording = false;
    }
    void SetSize(int width, int height) {
        Image = QImage(width, height, QImage::Format_RGB32);
        Window.SetClientSize(width, height);
    }
    void SetCurve(const TDoubleArray& x, const TDoubleArray& y, bool logY, int breakMode,
                  Extended breakLimit) {
        if (Graph) Window.DeleteGraph(0);
        Window.AddGraph(QStringLiteral("c"), false, {}, x, y);
        Graph = Window.GraphByIndex(0);
        Graph->SetLogY(logY);
        Graph->SetBreakMode(uint8_t(breakMode));
        Graph->SetBreakLimit(breakLimit);
        Graph->SetLineWidth(LineWidth);
        Window.AutoScale();
    }
    void View(Extended zoomX, Extended zoomY, Extended shiftX, Extended shiftY) {
        Graph->SetZoomX(zoomX);
        Graph->SetZoomY(zoomY);
        Graph->Mapping.ShiftX = shiftX;
        Graph->Mapping.ShiftY = shiftY;
        Window.Relayout();
        Window.PrepareForPaint(Window.ClientRect());
    }
    void Paint() {
        Image.fill(Qt::white);
        QPainter painter(&Image);
        PaintFigure(Window, painter, Window.ClientRect());
    }
};

bool SamePolyline(const TViewCache& a, const TViewCache& b) {
    return a.PointCount == b.PointCount && a.PieceCount == b.PieceCount &&
           a.Points.mid(0, a.PointCount) == b.Points.mid(0, b.PointCount) &&
           a.NodeIndex.mid(0, a.PointCount) == b.NodeIndex.mid(0, b.PointCount) &&
           a.Pieces.mid(0, a.PieceCount) == b.Pieces.mid(0, b.PieceCount);
}

} // namespace

namespace {
// A break rule of a random curve: any mode, no limit three times in ten.
std::pair<int, Extended> RandomBreak(Random& r) {
    const int mode = std::uniform_int_distribution<int>(0, 3)(r);
    const Extended limit = Chance(r, 0.3) ? 0 : mode == 1 ? Uniform(r, 0.05L, 3) : Uniform(r, 0.05L, 1.5L);
    return {mode, limit};
}
} // namespace

TEST(DetailPolyline, SameAsTheExactWalkInRandomViews) {
    Random r(2026);
    TFigure exact, detail;
    constexpr int kCurves = 50, kViewsPerCurve = 200, kPaintEvery = 10;
    int views = 0, viaDetail = 0;
    for (int c = 0; c < kCurves; ++c) {
        const bool logY = Chance(r, 0.25);
        TDoubleArray x, y;
        MakeCurve(r, x, y, logY);
        const auto [breakMode, breakLimit] = RandomBreak(r);
        for (TFigure* f : {&exact, &detail})
            f->SetCurve(x, y, logY, breakMode, breakLimit);
        BuildDetailIndex(*detail.Graph);
        for (int v = 0; v < kViewsPerCurve; ++v, ++views) {
            // From the whole curve to a few nodes, around any part of it and off it.
            const Extended zoomX = std::exp(Uniform(r, -1, 8)), zoomY = std::exp(Uniform(r, -1, 5));
            const Extended spanX = exact.Graph->XMax() - exact.Graph->XMin();
            const Extended spanY = exact.Graph->YMax() - exact.Graph->YMin();
            const Extended shiftX = Uniform(r, -0.6L, 0.6L) * spanX, shiftY = Uniform(r, -0.6L, 0.6L) * spanY;
            for (TFigure* f : {&exact, &detail}) {
                f->View(zoomX, zoomY, shiftX, shiftY);
                if (v % kPaintEvery == 0) f->Paint();
            }
            viaDetail += detail.Graph->Cache.PixelsCurrent ? 0 : 1;
            ASSERT_TRUE(SamePolyline(exact.Graph->Cache, detail.Graph->Cache))
                << "curve " << c << " view " << v << " nodes " << x.size() << " break " << breakMode;
            // Node search finds the same node, from the index where the node pixels are not current.
            for (int k = 0; k < 2; ++k) {
                const int px = std::uniform_int_distribution<int>(0, 159)(r);
                const int py = std::uniform_int_distribution<int>(0, 119)(r);
                int exactNode = -1, detailNode = -1;
                const int exactDistance = exact.Graph->NearestNode(px, py, exactNode);
                ASSERT_EQ(detail.Graph->NearestNode(px, py, detailNode), exactDistance) << c << " " << v;
                ASSERT_EQ(detailNode, exactNode) << "curve " << c << " view " << v;
            }
            if (v % kPaintEvery == 0) {
                ASSERT_EQ(exact.Image, detail.Image) << "curve " << c << " view " << v;
            }
        }
    }
    EXPECT_GE(views, 10000);
    EXPECT_GE(viaDetail, views * 9 / 10); // non-monotonic curves are not among them
}

// Curves of hundreds of nodes per pixel column, where the walk passes whole blocks in a column:
// a smooth signal with a little noise, pure noise and a staircase with noise on each step.
TEST(DetailPolyline, SameAsTheExactWalkOnDenseCurves) {
    Random r(31);
    TFigure exact, detail;
    constexpr int kNodes = 200000, kViews = 40, kKinds = 3;
    int viaDetail = 0;
    for (int kind = 0; kind < kKinds; ++kind) {
        TDoubleArray x(kNodes), y(kNodes);
        for (int i = 0; i < kNodes; ++i) {
            x[i] = Extended(i) * 1e-3L;
            const Extended noise = Uniform(r, -1, 1);
            y[i] = kind == 0   ? std::sin(Extended(i) * 2e-5L) + noise * 2e-3L
                   : kind == 1 ? noise
                               : Extended(i / 7919 % 5) + noise * 1e-2L;
        }
        for (TFigure* f : {&exact, &detail})
            f->SetCurve(x, y, false, 3, 0);
        exact.Graph->SetShowNodes(true); // node squares need every node: the exact walk, always
        BuildDetailIndex(*detail.Graph);
        for (int v = 0; v < kViews; ++v) {
            const Extended zoomX = std::exp(Uniform(r, -0.5L, 4)), zoomY = std::exp(Uniform(r, -0.5L, 3));
            const Extended shiftX = Uniform(r, -0.4L, 0.4L) * (x.last() - x.first());
            const Extended shiftY = Uniform(r, -0.3L, 0.3L);
            for (TFigure* f : {&exact, &detail})
                f->View(zoomX, zoomY, shiftX, shiftY);
            ASSERT_TRUE(exact.Graph->Cache.PixelsCurrent);
            viaDetail += detail.Graph->Cache.PixelsCurrent ? 0 : 1;
            ASSERT_TRUE(SamePolyline(exact.Graph->Cache, detail.Graph->Cache))
                << "kind " << kind << " view " << v;
        }
    }
    EXPECT_GE(viaDetail, kKinds * kViews / 2); // noise going in and out of the window goes the exact way
}

TEST(DetailPolyline, ArgumentThatTurnsKeepsTheExactWalk) {
    TFigure figure;
    figure.SetCurve(TDoubleArray({1, 2, 3, 2.5L, 4}), TDoubleArray({1, 3, 2, 4, 0}), false, 3, 0);
    BuildDetailIndex(*figure.Graph);
    figure.View(1, 1, 0, 0);
    EXPECT_TRUE(figure.Graph->Cache.PixelsCurrent);
    figure.SetCurve(TDoubleArray({4, 3, 3, 2, 1}), TDoubleArray({1, 3, 2, 4, 0}), false, 3, 0);
    BuildDetailIndex(*figure.Graph);
    figure.View(1, 1, 0, 0);
    EXPECT_FALSE(figure.Graph->Cache.PixelsCurrent); // a descending argument is served
}

TEST(DetailPolyline, EditedNodesUpdateTheIndex) {
    Random r(7);
    TFigure exact, detail;
    TDoubleArray x, y;
    while (x.size() < 500)
        MakeCurve(r, x, y, false);
    for (TFigure* f : {&exact, &detail})
        f->SetCurve(x, y, false, 3, 0);
    BuildDetailIndex(*detail.Graph);
    for (int step = 0; step < 200; ++step) {
        // A node moves up or down in place, as a drag moves it, far beyond the curve at times.
        const int node = std::uniform_int_distribution<int>(0, int(x.size()) - 1)(r);
        const Extended value = Uniform(r, -40, 40);
        for (TFigure* f : {&exact, &detail}) {
            f->Graph->YData[node] = value;
            f->Graph->Cache.Invalidate(TViewCache::Polyline);
        }
        UpdateDetailIndex(*detail.Graph, node, node);
        const Extended zoom = std::exp(Uniform(r, 0, 4)),
                       shift = Uniform(r, -0.4L, 0.4L) * (x.last() - x.first());
        for (TFigure* f : {&exact, &detail})
            f->View(zoom, 1, shift, 0);
        ASSERT_FALSE(detail.Graph->Cache.PixelsCurrent);
        ASSERT_TRUE(SamePolyline(exact.Graph->Cache, detail.Graph->Cache)) << step;
    }
    // An argument that no longer runs one way empties the index: the exact walk takes over.
    detail.Graph->XData[1] = detail.Graph->XData[0] + (x.first() <= x.last() ? -1 : 1);
    UpdateDetailIndex(*detail.Graph, 1, 1);
    detail.View(1, 1, 0, 0);
    EXPECT_TRUE(detail.Graph->Cache.PixelsCurrent);
}

TEST(DetailPolyline, NewNodesAreIndexedAtOnceAndEditsRebuildInTheBackground) {
    TFigure figure;
    const int n = DetailMinNodes + 1; // still indexed after the deletion below
    TDoubleArray x(n), y(n);
    for (int i = 0; i < n; ++i) {
        x[i] = i;
        y[i] = (i * 7919) % 1000;
    }
    figure.SetCurve(x, y, false, 3, 0);
    figure.View(1, 1, 0, 0);
    EXPECT_FALSE(figure.Graph->Cache.PixelsCurrent); // through the index from the first picture
    EXPECT_TRUE(figure.Graph->StoredNodePixels().isEmpty());
    // An edit leaves the index behind: the exact walk until the rebuild from the next polyline on.
    ASSERT_TRUE(figure.Graph->DeleteNode(5));
    figure.View(2, 1, 0, 0);
    EXPECT_TRUE(figure.Graph->Cache.PixelsCurrent);
    EXPECT_FALSE(figure.Graph->Cache.DetailBuild);
    figure.View(3, 1, 0, 0);
    EXPECT_TRUE(figure.Graph->Cache.DetailBuild);
    FinishDetailIndex(*figure.Graph);
    figure.View(4, 1, 0, 0);
    EXPECT_FALSE(figure.Graph->Cache.PixelsCurrent);
    // New data are indexed at once again.
    y[5] = 2000;
    ASSERT_TRUE(figure.Graph->SetData(x, y, {}));
    figure.View(1, 1, 0, 0);
    EXPECT_FALSE(figure.Graph->Cache.PixelsCurrent);
}

// The index reads most values as integers from their bits: its bounds hold every value, whatever
// the value, and the direction it finds is that of the comparisons.
TEST(DetailPolyline, IndexBoundsHoldAwkwardValues) {
    using Limits = std::numeric_limits<Extended>;
    const Extended tiny = Limits::denorm_min(), huge = Limits::max(), inf = Limits::infinity();
    const Extended awkward[] = {0,
                                -0.0L,
                                tiny,
                                -tiny,
                                Limits::min(),
                                1e-310L,
                                1e300L,
                                1e308L,
                                huge,
                                -huge,
                                inf,
                                -inf,
                                1 + Limits::epsilon(),
                                -1 - Limits::epsilon(),
                                3,
                                -3};
    Random r(5);
    for (int round = 0; round < 200; ++round) {
        const int n = std::uniform_int_distribution<int>(2, 300)(r);
        TDoubleArray x(n), y(n);
        Extended at = Chance(r, 0.5) ? -Uniform(r, 0, 1e6L) : Uniform(r, -1, 1);
        for (int i = 0; i < n; ++i) {
            // Arguments close enough to tie in the leading bits, or equal, or far apart.
            at += Chance(r, 0.3) ? 0 : Chance(r, 0.3) ? std::fabs(at) * 1e-16L + tiny : Uniform(r, 0, 5);
            x[i] = at;
            y[i] = Chance(r, 0.3) ? awkward[std::uniform_int_distribution<int>(0, 15)(r)] : Uniform(r, -5, 5);
        }
        if (Chance(r, 0.2)) std::swap(x[0], x[n - 1]);
        TDetailIndex index;
        index.Build(x.constData(), y.constData(), n);
        const bool up = std::is_sorted(x.begin(), x.end());
        const bool down = std::is_sorted(x.rbegin(), x.rend());
        ASSERT_EQ(index.Usable(), up || down) << round;
        if (!index.Usable()) continue;
        for (int level = 0; level < index.LevelCount(); ++level) {
            const int size = index.BlockSize(level);
            for (int b = 0; b < index.BlockCount(level); ++b) {
                const TDetailIndex::TBounds& bounds = index.Block(level, b);
                for (int i = b * size; i < std::min(n, (b + 1) * size); ++i) {
                    ASSERT_TRUE(bounds.Lo <= y[i] && y[i] <= bounds.Hi) << round << " " << i;
                    ASSERT_TRUE(bounds.XLo <= x[i] && x[i] <= bounds.XHi) << round << " " << i;
                }
            }
        }
    }
    // A NaN, or an encoding the FPU takes for one (no integer bit), leaves the index empty.
    TDoubleArray x = testutil::Ramp(40), y = testutil::Ramp(40);
    y[20] = std::nanl("");
    TDetailIndex index;
    index.Build(x.constData(), y.constData(), 40);
    EXPECT_FALSE(index.Usable());
    y[20] = 4;
    const uint64_t noIntegerBit = uint64_t(1) << 62;
    std::memcpy(&y[20], &noIntegerBit, sizeof noIntegerBit);
    index.Build(x.constData(), y.constData(), 40);
    EXPECT_EQ(index.Usable(), !std::isnan(y[20]));
}

namespace {

// The figure of a thin solid line through the index and the same figure through every node.
struct TThinPair {
    TFigure Exact, Columns;
    TThinPair() { Exact.LineWidth = Columns.LineWidth = 1; }
    void SetCurve(const TDoubleArray& x, const TDoubleArray& y, bool logY, int breakMode,
                  Extended breakLimit) {
        for (TFigure* f : {&Exact, &Columns})
            f->SetCurve(x, y, logY, breakMode, breakLimit);
        BuildDetailIndex(*Columns.Graph);
    }
    void SetSize(int width, int height) {
        Exact.SetSize(width, height);
        Columns.SetSize(width, height);
    }
    // The view and both pictures; false when the columns did not draw it.
    bool Show(Extended zoomX, Extended zoomY, Extended shiftX, Extended shiftY) {
        for (TFigure* f : {&Exact, &Columns})
            f->View(zoomX, zoomY, shiftX, shiftY);
        // A large curve is indexed by its first polyline: the exact figure drops its index.
        if (Exact.Graph->Cache.DetailIndex.Usable()) {
            Exact.Graph->Cache.DetailIndex.Clear();
            Exact.Graph->Cache.Invalidate(TViewCache::Polyline);
            Exact.Window.PrepareForPaint(Exact.Window.ClientRect());
        }
        for (TFigure* f : {&Exact, &Columns})
            f->Paint();
        EXPECT_TRUE(Exact.Graph->Cache.PixelsCurrent);
        return !Columns.Graph->Cache.PixelsCurrent;
    }
};

// Where two pictures differ first, and in how many pixels, for the failure message.
QString Difference(const QImage& a, const QImage& b) {
    int count = 0, fx = -1, fy = -1;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y)
        for (int x = 0; x < std::min(a.width(), b.width()); ++x)
            if (a.pixel(x, y) != b.pixel(x, y) && count++ == 0) {
                fx = x;
                fy = y;
            }
    return QStringLiteral("%1 pixels differ, the first at (%2, %3)").arg(count).arg(fx).arg(fy);
}

// Views from the whole curve to a few nodes, around any part of it and off it.
void RandomView(Random& r, TGraph& g, Extended& zoomX, Extended& zoomY, Extended& shiftX, Extended& shiftY) {
    zoomX = std::exp(Uniform(r, -1, 8));
    zoomY = std::exp(Uniform(r, -1, 5));
    shiftX = Uniform(r, -0.6L, 0.6L) * (g.XMax() - g.XMin());
    shiftY = Uniform(r, -0.6L, 0.6L) * (g.YMax() - g.YMin());
}

// A longer run where TARVELO_LONG_TESTS is set.
int Repeats() {
    return qEnvironmentVariableIsSet("TARVELO_LONG_TESTS") ? 10 : 1;
}

} // namespace

TEST(DetailPolyline, ThinLinesPaintTheExactWalksPixelsInRandomViews) {
    Random r(2027);
    TThinPair pair;
    const int curves = 100 * Repeats();
    constexpr int kViewsPerCurve = 100;
    int views = 0, viaColumns = 0;
    for (int c = 0; c < curves; ++c) {
        const bool logY = Chance(r, 0.25);
        TDoubleArray x, y;
        MakeCurve(r, x, y, logY);
        const auto [breakMode, breakLimit] = RandomBreak(r);
        pair.SetCurve(x, y, logY, breakMode, breakLimit);
        for (int v = 0; v < kViewsPerCurve; ++v, ++views) {
            if (v % 20 == 0)
                pair.SetSize(std::uniform_int_distribution<int>(20, 200)(r),
                             std::uniform_int_distribution<int>(20, 160)(r));
            Extended zoomX, zoomY, shiftX, shiftY;
            RandomView(r, *pair.Exact.Graph, zoomX, zoomY, shiftX, shiftY);
            viaColumns += pair.Show(zoomX, zoomY, shiftX, shiftY) ? 1 : 0;
            ASSERT_EQ(pair.Exact.Image, pair.Columns.Image)
                << Difference(pair.Exact.Image, pair.Columns.Image).toStdString() << " curve " << c
                << " view " << v << " nodes " << x.size() << " break " << breakMode;
        }
    }
    EXPECT_GE(views, 10000);
    EXPECT_GE(viaColumns, views * 7 / 10); // non-monotonic curves are not among them
}

// Curves of hundreds of nodes per pixel column at sizes up to full HD: noise, a smooth signal with
// a little noise, spikes and plateaus, with and without gaps.
TEST(DetailPolyline, ThinLinesPaintTheExactWalksPixelsOnDenseCurves) {
    Random r(32);
    TThinPair pair;
    constexpr int kNodes = 300000, kKinds = 4;
    const int views = 3 * Repeats();
    const std::pair<int, int> sizes[] = {{1920, 1080}, {1200, 800}, {640, 480}, {300, 200}};
    int shown = 0, viaColumns = 0;
    for (int kind = 0; kind < kKinds; ++kind) {
        TDoubleArray x(kNodes), y(kNodes);
        for (int i = 0; i < kNodes; ++i) {
            x[i] = Extended(i) * 1e-3L;
            const Extended noise = Uniform(r, -1, 1);
            y[i] = kind == 0   ? noise
                   : kind == 1 ? std::sin(Extended(i) * 2e-5L) + noise * 2e-3L
                   : kind == 2 ? (Chance(r, 1e-3) ? noise * 50 : noise * 1e-2L)
                               : Extended(i / 7919 % 5) + noise * 1e-2L;
        }
        pair.SetCurve(x, y, false, kind == 3 ? 0 : 3, kind == 3 ? 0.5L : 0);
        for (const auto& [width, height] : sizes) {
            pair.SetSize(width, height);
            for (int v = 0; v < views; ++v) {
                const Extended zoomX = std::exp(Uniform(r, -0.5L, 5)), zoomY = std::exp(Uniform(r, -0.5L, 4));
                const Extended shiftX = Uniform(r, -0.4L, 0.4L) * (x.last() - x.first());
                const Extended shiftY = Uniform(r, -0.3L, 0.3L);
                viaColumns += pair.Show(zoomX, zoomY, shiftX, shiftY) ? 1 : 0;
                ++shown;
                ASSERT_EQ(pair.Exact.Image, pair.Columns.Image)
                    << Difference(pair.Exact.Image, pair.Columns.Image).toStdString() << " kind " << kind
                    << " size " << width << " view " << v;
            }
        }
    }
    // Noise going in and out of the window takes the exact walk.
    EXPECT_GE(viaColumns, shown / 3) << viaColumns << " of " << shown;
}
