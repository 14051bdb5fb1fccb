#include "model/Notifier.h"

#include <cstdio>

namespace {
MessageHandler& Handler() {
    static MessageHandler handler;
    return handler;
}
} // namespace

void SetMessageHandler(MessageHandler handler) { Handler() = std::move(handler); }

void ShowMessage(const QString& text) {
    if (Handler()) {
        Handler()(text);
        return;
    }
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
}
