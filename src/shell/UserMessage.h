#pragma once

#include <QString>

#include <functional>

// A message the user must read before going on (title, text), for code that
// has no window of its own to ask. By default a message box; tests and the
// main window can take the messages instead.
using UserMessageSink = std::function<void(const QString &title, const QString &text)>;
void setUserMessageSink(const UserMessageSink &sink);
void showUserMessage(const QString &title, const QString &text);
