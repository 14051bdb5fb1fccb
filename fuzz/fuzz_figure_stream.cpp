// Any bytes as a figure stream: never a crash; a stream that loads saves to bytes that load again
// to the same bytes.
#include "window/FigureStream.h"
#include "window/SuperGrWindow.h"

#include <QBuffer>
#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv); // the window measures its fonts
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TSuperGrWindow window;
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    if (!window.LoadFromStream(buffer)) return 0;
    const QByteArray saved = TFigureStream::Serialize(window);
    if (!TFigureStream::Load(window, saved)) std::abort();
    if (TFigureStream::Serialize(window) != saved) std::abort();
    return 0;
}
