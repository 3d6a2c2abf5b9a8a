#pragma once

#include <QString>

#include <functional>

class QMessageBox;

namespace widgets {

// The program's message box: the text with the warning icon and a single OK
// button, captioned "Norvane", waiting until the user closes it.
void MsgBox(const QString &text);

// Tests answer message boxes here instead of on screen: while a handler is set,
// MsgBox hands it the text and the caption and returns when it returns.
using MessageBoxHandler = std::function<void(const QString &text, const QString &caption)>;
void setMessageBoxHandler(MessageBoxHandler handler);

// A question with the buttons Yes and No, captioned "Norvane", waiting until the
// user answers; true for Yes. No is the default button, so a stray Enter from a
// scanner never says yes. The icon is the question mark, or the warning sign
// where the question follows a failure.
enum class QuestionIcon { Question, Warning };
bool AskYesNo(const QString &text, QuestionIcon icon = QuestionIcon::Question);

// A question whose two answers the caller names (such as "Cancel them" and "Leave
// them"), captioned "Norvane", waiting until the user answers; true for the other
// answer. The safe answer is the default button and what Esc or closing gives.
bool AskChoice(const QString &text, const QString &safeAnswer, const QString &otherAnswer,
               QuestionIcon icon = QuestionIcon::Warning);

// Tests answer questions here instead of on screen: while a handler is set,
// AskYesNo and AskChoice hand it the text, the caption and the icon and return its
// answer (true: Yes, or the other answer).
using QuestionHandler = std::function<bool(const QString &text, const QString &caption, QuestionIcon icon)>;
void setQuestionHandler(QuestionHandler handler);

// Shows a box of the program modally and returns what exec() returns. Every message box
// and question of the program is shown through here: the box is guarded against a
// barcode scanner (ScanGuard), so that a scan made while it is open answers nothing and
// reaches the window below once the box has closed.
int execBox(QMessageBox &box);

// The caption of every message box: the application's title.
inline constexpr char16_t kApplicationTitle[] = u"Norvane";

} // namespace widgets
