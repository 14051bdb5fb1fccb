#include "gui/graphwindow/Cursors.h"
#include "gui/graphwindow/GraphWindowWidget.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <gtest/gtest.h>

namespace {
QImage PictureOf(int number) {
    return WindowCursorPixmap(number).toImage();
}

bool SameCursor(const QCursor& cursor, int number) {
    if (number < crSelectPoints || number > crMove) return cursor.shape() == Qt::CrossCursor;
    return cursor.shape() == Qt::BitmapCursor && cursor.hotSpot() == WindowCursorHotSpot(number) &&
           cursor.pixmap().toImage() == PictureOf(number);
}

int CountPixels(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == colour;
    return n;
}
} // namespace

TEST(WindowCursors, EachToolHasItsOwnDrawnPicture) {
    for (int n = crSelectPoints; n <= crMove; ++n) {
        SCOPED_TRACE(n);
        const QCursor cursor = WindowCursor(n);
        EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
        const QImage picture = cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(picture.size(), QSize(32, 32));
        // Black outline and white fill, so the cursor shows on dark and on light plots.
        EXPECT_GT(CountPixels(picture, qRgba(0, 0, 0, 255)), 20);
        EXPECT_GT(CountPixels(picture, qRgba(255, 255, 255, 255)), 20);
        // The hot spot is inside the picture and on a drawn pixel.
        const QPoint hot = cursor.hotSpot();
        EXPECT_EQ(hot, WindowCursorHotSpot(n));
        ASSERT_TRUE(picture.rect().contains(hot));
        EXPECT_GT(qAlpha(picture.pixel(hot)), 0);
        for (int other = crSelectPoints; other < n; ++other)
            EXPECT_NE(picture, PictureOf(other).convertToFormat(QImage::Format_ARGB32)) << other;
    }
}

TEST(WindowCursors, HotSpotsPointWhereTheToolActs) {
    EXPECT_EQ(WindowCursorHotSpot(crSelectPoints), QPoint(1, 1));   // arrow tip
    EXPECT_EQ(WindowCursorHotSpot(crUnselectPoints), QPoint(1, 1)); // arrow tip
    for (int n : {crZoomWindow, crZoomHor, crZoomVert, crZoom})
        EXPECT_EQ(WindowCursorHotSpot(n), QPoint(12, 12));  // lens centre
    EXPECT_EQ(WindowCursorHotSpot(crMove), QPoint(16, 16)); // centre of the arrows
}

TEST(WindowCursors, OtherNumbersGiveTheOrdinaryCross) {
    for (int n : {0, int(crArrowCross), 9, -3}) {
        EXPECT_TRUE(WindowCursorPixmap(n).isNull()) << n;
        EXPECT_EQ(WindowCursor(n).shape(), Qt::CrossCursor) << n;
    }
}

TEST(WindowCursors, WidgetFollowsTheModes) {
    TSuperGrWindow model;
    model.ApplyDefaultLook();
    TGraphWindowWidget widget(model);
    EXPECT_TRUE(SameCursor(widget.cursor(), crArrowCross));

    const std::pair<TZoomMode, int> zooms[] = {{zmZoomWndStart, crZoomWindow},
                                               {zmZoomXStart, crZoomHor},
                                               {zmZoomYFinish, crZoomVert},
                                               {zmZoomWndFinish, crZoomWindow},
                                               {zmNone, crArrowCross}};
    for (const auto& [mode, number] : zooms) {
        model.SetZoomMode(mode);
        EXPECT_TRUE(SameCursor(widget.cursor(), number)) << int(mode);
    }
    model.SetToolMode(tmMove);
    EXPECT_TRUE(SameCursor(widget.cursor(), crMove));
    model.SetToolMode(tmZoom);
    EXPECT_TRUE(SameCursor(widget.cursor(), crZoom));
    // A zoom mode wins over the tool mode.
    model.SetZoomMode(zmZoomYStart);
    EXPECT_TRUE(SameCursor(widget.cursor(), crZoomVert));
    model.SetZoomMode(zmNone);
    model.SetToolMode(tmNothing);

    // Mode changes while repainting is off still change the cursor.
    model.AllowRepaint = false;
    model.SetToolMode(tmEdit);
    EXPECT_TRUE(SameCursor(widget.cursor(), crArrowCross));
    const std::pair<TEditMode, int> edits[] = {{emSelect, crSelectPoints}, {emEndSelection, crSelectPoints},
                                               {emInsert, crSelectPoints}, {emDelete, crUnselectPoints},
                                               {emMove, crArrowCross},     {emNothing, crArrowCross}};
    for (const auto& [mode, number] : edits) {
        model.SetEditMode(mode);
        EXPECT_TRUE(SameCursor(widget.cursor(), number)) << int(mode);
    }
    model.SetEditMode(emDelete);
    model.SetToolMode(tmNothing);
    EXPECT_TRUE(SameCursor(widget.cursor(), crArrowCross));
}

TEST(WindowCursors, OtherListenersStillHearTheModeEvents) {
    TSuperGrWindow model;
    int before = 0, after = 0;
    model.Events.OnZoomModeChange = [&](TComponent*, TZoomMode, TZoomMode) { ++before; };
    {
        TGraphWindowWidget widget(model);
        auto previous = model.Events.OnZoomModeChange;
        model.Events.OnZoomModeChange = [&, previous](TComponent* s, TZoomMode o, TZoomMode n) {
            ++after;
            previous(s, o, n);
        };
        model.SetZoomMode(zmZoomXStart);
        EXPECT_TRUE(SameCursor(widget.cursor(), crZoomHor));
    }
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 1);
    // With the widget gone the chain still reaches the first listener.
    model.SetZoomMode(zmNone);
    EXPECT_EQ(before, 2);
    EXPECT_EQ(after, 2);
}

// ---------------------------------------------------------------------------------------------
// Zoom frames and the selection band as painted over the figure

namespace {
struct BandFixture : ::testing::Test {
    TSuperGrWindow model;
    std::unique_ptr<TGraphWindowWidget> widget;
    QImage plain; // the figure without a band

    void SetUp() override {
        model.ApplyDefaultLook();
        model.AnimatedZoom = false;
        model.AnimatedMove = false; // no glide: a real clock decides it
        widget = std::make_unique<TGraphWindowWidget>(model);
        widget->resize(400, 300);
        widget->show();
        QApplication::processEvents();
        ASSERT_EQ(model.ClientRect().Right, 400);
        plain = Grab();
    }
    QImage Grab() { return widget->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    void Send(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint p,
              Qt::KeyboardModifiers keys = Qt::NoModifier) {
        QMouseEvent event(type, QPointF(p), QPointF(widget->mapToGlobal(p)), button, held, keys);
        QApplication::sendEvent(widget.get(), &event);
    }
    void Press(QPoint p) { Send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, p); }
    void MoveHeld(QPoint p) { Send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, p); }
    void Release(QPoint p) { Send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, p); }
    const TRect& Plot() const { return model.PlotRect; }
    QPoint Inside(int dx, int dy) const { return {Plot().Left + dx, Plot().Top + dy}; }
};

// One channel of a tint at alpha 50 over an opaque pixel, to within the blender's rounding.
bool TintedChannel(int result, int under, int tint) {
    const double exact = (tint * 50 + under * 205) / 255.0;
    return std::abs(result - exact) <= 1.0;
}

::testing::AssertionResult Tinted(const QImage& image, QPoint p, QRgb under, QRgb tint) {
    const QRgb got = image.pixel(p);
    if (TintedChannel(qRed(got), qRed(under), qRed(tint)) &&
        TintedChannel(qGreen(got), qGreen(under), qGreen(tint)) &&
        TintedChannel(qBlue(got), qBlue(under), qBlue(tint)))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << p.x() << ", " << p.y() << ") is " << std::hex << got
                                         << ", under it " << under << ", tint " << tint;
}

QRgb Inverted(QRgb c) {
    return c ^ 0x7F7F7Fu;
}

const QRgb kZoomBlue = qRgb(0x33, 0x66, 0xCC);
const QRgb kSelectionYellow = qRgb(0xFF, 0xED, 0xA6);
} // namespace

TEST_F(BandFixture, WindowFrameIsAnInvertedOutlineUnderABlueTint) {
    model.SetZoomMode(zmZoomWndStart);
    const QPoint start = Inside(150, 100), end = Inside(60, 40); // dragged up and to the left
    Press(start);
    MoveHeld(end);
    const QImage image = Grab();
    const QRect frame(end, start);
    // Corners and edge middles of the outline, the inside, and just outside.
    for (const QPoint p : {frame.topLeft(), frame.topRight(), frame.bottomLeft(), frame.bottomRight(),
                           QPoint(frame.center().x(), frame.top()), QPoint(frame.left(), frame.center().y())})
        EXPECT_TRUE(Tinted(image, p, Inverted(plain.pixel(p)), kZoomBlue));
    EXPECT_TRUE(Tinted(image, frame.center(), plain.pixel(frame.center()), kZoomBlue));
    EXPECT_TRUE(Tinted(image, frame.topLeft() + QPoint(1, 1), plain.pixel(frame.topLeft() + QPoint(1, 1)),
                       kZoomBlue));
    for (const QPoint p : {frame.topLeft() - QPoint(1, 1), frame.bottomRight() + QPoint(1, 0),
                           frame.bottomRight() + QPoint(0, 1)})
        EXPECT_EQ(image.pixel(p), plain.pixel(p));
    // Only the frame differs from the figure.
    int changed = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            changed += image.pixel(x, y) != plain.pixel(x, y);
    EXPECT_EQ(changed, frame.width() * frame.height());
}

TEST_F(BandFixture, XBandIsTwoVerticalLinesFiveShortOfThePlotEdges) {
    model.SetZoomMode(zmZoomXStart);
    const QPoint start = Inside(40, 30), end = Inside(120, 90);
    Press(start);
    MoveHeld(end);
    const QImage image = Grab();
    const int top = Plot().Top + 5, bottom = Plot().Bottom - 5;
    for (const int x : {start.x(), end.x()}) {
        for (const int y : {top, (top + bottom) / 2, bottom})
            EXPECT_TRUE(Tinted(image, {x, y}, Inverted(plain.pixel(x, y)), kZoomBlue)) << x << ' ' << y;
        EXPECT_EQ(image.pixel(x, top - 1), plain.pixel(x, top - 1));
        EXPECT_EQ(image.pixel(x, bottom + 1), plain.pixel(x, bottom + 1));
    }
    // No horizontal edge: between the lines the top and bottom rows are only tinted.
    const int middle = (start.x() + end.x()) / 2;
    for (const int y : {top, bottom})
        EXPECT_TRUE(Tinted(image, {middle, y}, plain.pixel(middle, y), kZoomBlue)) << y;
    EXPECT_EQ(image.pixel(start.x() - 1, top), plain.pixel(start.x() - 1, top));
    EXPECT_EQ(image.pixel(end.x() + 1, top), plain.pixel(end.x() + 1, top));
}

TEST_F(BandFixture, YBandIsTwoHorizontalLinesFiveShortOfThePlotEdges) {
    model.SetZoomMode(zmZoomYStart);
    const QPoint start = Inside(200, 80), end = Inside(30, 20);
    Press(start);
    MoveHeld(end);
    const QImage image = Grab();
    const int left = Plot().Left + 5, right = Plot().Right - 5;
    for (const int y : {start.y(), end.y()}) {
        for (const int x : {left, (left + right) / 2, right})
            EXPECT_TRUE(Tinted(image, {x, y}, Inverted(plain.pixel(x, y)), kZoomBlue)) << x << ' ' << y;
        EXPECT_EQ(image.pixel(left - 1, y), plain.pixel(left - 1, y));
        EXPECT_EQ(image.pixel(right + 1, y), plain.pixel(right + 1, y));
    }
    const int middle = (start.y() + end.y()) / 2;
    for (const int x : {left, right})
        EXPECT_TRUE(Tinted(image, {x, middle}, plain.pixel(x, middle), kZoomBlue)) << x;
}

TEST_F(BandFixture, XBandOfNoWidthStillShowsItsLine) {
    model.SetZoomMode(zmZoomXStart);
    const QPoint start = Inside(70, 30);
    Press(start);
    MoveHeld(start + QPoint(0, 40)); // straight down: both lines on one column
    const QImage image = Grab();
    const QPoint p(start.x(), Plot().Top + 5);
    EXPECT_TRUE(Tinted(image, p, Inverted(plain.pixel(p)), kZoomBlue));
}

TEST_F(BandFixture, SelectionBandFollowsTheMouseInYellowAndLeavesNoTrace) {
    model.SetToolMode(tmEdit);
    model.SetEditMode(emSelect);
    const QPoint start = Inside(20, 20);
    Press(start);
    MoveHeld(Inside(80, 60));
    MoveHeld(Inside(140, 110));
    const QImage image = Grab();
    const QPoint corner = Inside(140, 110), passed = Inside(80, 60);
    EXPECT_TRUE(Tinted(image, corner, Inverted(plain.pixel(corner)), kSelectionYellow));
    EXPECT_TRUE(Tinted(image, start, Inverted(plain.pixel(start)), kSelectionYellow));
    // Where the band's corner was before is now plain inside.
    EXPECT_TRUE(Tinted(image, passed, plain.pixel(passed), kSelectionYellow));
    Release(corner);
    EXPECT_EQ(model.EditMode(), emSelect);
    EXPECT_EQ(Grab(), plain);
}

namespace {
int CountOrange(const QImage& image) {
    return CountPixels(image, qRgb(0xFF, 0x80, 0x00));
}

bool AddRamp(TSuperGrWindow& model) {
    TDoubleArray x, y;
    for (int i = 0; i <= 50; ++i) {
        x.append(i);
        y.append(i % 10);
    }
    return model.AddGraph(QStringLiteral("Пила"), false, {}, x, y);
}
} // namespace

TEST_F(BandFixture, FigureChangedDuringADragShowsUnderTheBand) {
    model.SetZoomMode(zmZoomWndStart);
    Press(Inside(20, 20));
    MoveHeld(Inside(60, 50));
    EXPECT_EQ(CountOrange(Grab()), 0);
    ASSERT_TRUE(AddRamp(model));
    EXPECT_GT(CountOrange(Grab()), 50);
    EXPECT_EQ(model.RubberBand().Kind, TSuperGrWindow::TBandKind::Frame);
}

TEST_F(BandFixture, BandMovesReuseThePictureOfTheFigure) {
    model.SetZoomMode(zmZoomWndStart);
    Press(Inside(20, 20));
    MoveHeld(Inside(60, 50));
    Grab();
    // A change that asks for no repaint is not drawn while only the band moves ...
    model.AllowRepaint = false;
    ASSERT_TRUE(AddRamp(model));
    model.AllowRepaint = true;
    MoveHeld(Inside(90, 70));
    EXPECT_EQ(CountOrange(Grab()), 0);
    // ... and the figure is drawn afresh once the band is gone.
    model.SetZoomMode(zmNone);
    EXPECT_GT(CountOrange(Grab()), 50);
}

namespace {
// Counts the paint events a widget gets.
struct PaintCounter : QObject {
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        Paints += event->type() == QEvent::Paint;
        return false;
    }
};
} // namespace

TEST_F(BandFixture, BandIsPaintedAtThePressAndRemovedAtTheRelease) {
    PaintCounter counter;
    widget->installEventFilter(&counter);
    model.SetZoomMode(zmZoomXStart);
    QApplication::processEvents();
    const int before = counter.Paints;
    const QPoint start = Inside(70, 30);
    Press(start);
    QApplication::processEvents();
    EXPECT_GT(counter.Paints, before);
    const QPoint p(start.x(), Plot().Top + 5);
    EXPECT_TRUE(Tinted(Grab(), p, Inverted(plain.pixel(p)), kZoomBlue));
    // An empty figure has nothing to zoom; the band still goes.
    const int pressed = counter.Paints;
    Release(start + QPoint(40, 0));
    QApplication::processEvents();
    EXPECT_GT(counter.Paints, pressed);
    EXPECT_EQ(Grab(), plain);
}

TEST_F(BandFixture, DragsShowTheirToolCursorWhileTheButtonIsDown) {
    // In node work the drag changes the tool mode without an event; the widget still follows.
    model.SetToolMode(tmEdit);
    const QPoint p = Inside(50, 50);
    Press(p);
    EXPECT_TRUE(SameCursor(widget->cursor(), crMove));
    MoveHeld(p + QPoint(10, 0));
    Release(p + QPoint(10, 0));
    EXPECT_TRUE(SameCursor(widget->cursor(), crArrowCross));
    EXPECT_EQ(model.ToolMode(), tmEdit);

    model.SetToolMode(tmNothing);
    Send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, p, Qt::AltModifier);
    EXPECT_TRUE(SameCursor(widget->cursor(), crZoom));
    Send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, p, Qt::AltModifier);
    EXPECT_TRUE(SameCursor(widget->cursor(), crArrowCross));
}
