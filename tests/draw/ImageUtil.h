// An image to draw into and a painter with the drawing adapter over it.
#pragma once

#include "model/DrawAdapter.h"

#include <QImage>
#include <QPainter>
#include <memory>
#include <stdexcept>

struct TTestCanvas {
    explicit TTestCanvas(int width = 200, int height = 120) : Image(width, height, QImage::Format_RGB32) {
        Image.fill(Qt::white);
        Painter = std::make_unique<QPainter>(&Image);
        Adapter = std::make_unique<TDrawAdapter>(*Painter);
    }
    // Ends painting so the pixels can be read.
    const QImage& Done() {
        if (Painter) {
            Adapter.reset();
            Painter->end();
            Painter.reset();
        }
        return Image;
    }
    QRgb Pixel(int x, int y) { return Done().pixel(x, y) & 0xFFFFFF; }
    bool IsWhite(int x, int y) { return Pixel(x, y) == 0xFFFFFF; }
    // Pixels in the rectangle that are not white.
    int InkCount(int left, int top, int right, int bottom) {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                count += IsWhite(x, y) ? 0 : 1;
        return count;
    }
    // Drawing after the pixels were read is a mistake of the test.
    TDrawAdapter& dc() {
        if (!Adapter) throw std::logic_error("canvas already read");
        return *Adapter;
    }

    QImage Image;
    std::unique_ptr<QPainter> Painter;
    std::unique_ptr<TDrawAdapter> Adapter;
};

inline constexpr QRgb kBlack = 0x000000;
inline constexpr QRgb kRed = 0xFF0000;   // as QRgb
inline constexpr TColor tRed = 0x0000FF; // as TColor (BGR)
inline constexpr QRgb kBlue = 0x0000FF;
inline constexpr TColor tBlue = 0xFF0000;
