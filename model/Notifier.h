// Messages the core shows to the user. The user interface installs a handler that opens a message
// box; without one (headless runs, tests) the text goes to standard error.
#pragma once

#include <QString>
#include <functional>

using MessageHandler = std::function<void(const QString& text)>;

void SetMessageHandler(MessageHandler handler);
void ShowMessage(const QString& text);
