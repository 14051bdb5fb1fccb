// Any bytes as the nodes of a graph in some view, then one paint: never a crash, a trap or an endless
// loop, whatever the values (infinities, NaN, denormals and the other bit patterns of the 80-bit
// format). The first bytes choose the view, the rest are the 10-byte X and Y of each node.
#include "window/FigurePaint.h"
#include "window/SuperGrWindow.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {
constexpr size_t kValueBytes = 10; // the 80-bit extended format

Extended ValueAt(const uint8_t* bytes) {
    Extended v = 0;
    std::memcpy(&v, bytes, kValueBytes);
    return v;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv); // the window measures its fonts
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t kViewBytes = 4;
    if (size < kViewBytes) return 0;
    const uint8_t flags = data[0];
    const int8_t zoomX = int8_t(data[1]), zoomY = int8_t(data[2]);
    const uint8_t grid = data[3];
    data += kViewBytes;
    size -= kViewBytes;

    const qsizetype nodes = qsizetype(size / (2 * kValueBytes));
    TDoubleArray x(nodes), y(nodes);
    for (qsizetype i = 0; i < nodes; ++i) {
        x[i] = ValueAt(data + 2 * i * kValueBytes);
        y[i] = ValueAt(data + (2 * i + 1) * kValueBytes);
    }

    TSuperGrWindow window;
    window.AnimatedZoom = window.AnimatedMove = window.AnimatedUndo = false;
    window.SetClientSize(320, 240);
    window.SetGridSizeX(1 + grid % 64);
    window.SetGridSizeY(1 + grid / 4);
    window.SetShowTicks(flags & 0x40);
    window.SetMultiAxes(flags & 0x80, flags & 0x80);
    if (!window.AddGraph(QStringLiteral("fuzz"), false, {}, {}, {})) return 0;
    TGraph* g = window.GraphByIndex(0);
    g->SetLogX(flags & 1);
    g->SetLogY(flags & 2);
    g->SetDateTimeArg(flags & 4);
    g->SetShowNodes(flags & 8);
    g->SetLineStyle(flags & 0x10 ? 5 : 0);
    g->SetData(x, y);
    if (flags & 0x20) g->PlaceMarkers(10, true, false, 2);
    // Zooms from about 1e-38 to 1e38 (the window refuses 1e15 and more).
    window.ZoomBy(0, false, TAxis::X, std::pow(Extended(2), zoomX), std::pow(Extended(2), zoomY));

    QImage image(320, 240, QImage::Format_RGB32);
    QPainter painter(&image);
    PaintFigure(window, painter, window.ClientRect());
    return 0;
}
