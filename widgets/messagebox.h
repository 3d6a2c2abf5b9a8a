#pragma once

#include <QString>

#include <functional>

namespace widgets {

// The program's message box: the text with the warning icon and a single OK
// button, captioned "Norvane", waiting until the user closes it.
void MsgBox(const QString &text);

// Tests answer message boxes here instead of on screen: while a handler is set,
// MsgBox hands it the text and the caption and returns when it returns.
using MessageBoxHandler = std::function<void(const QString &text, const QString &caption)>;
void setMessageBoxHandler(MessageBoxHandler handler);

// The caption of every message box: the application's title.
inline constexpr char16_t kApplicationTitle[] = u"Norvane";

} // namespace widgets
