#include "widgets/messagebox.h"

#include "widgets/scanguard.h"

#include <QMessageBox>
#include <QPushButton>

namespace widgets {

namespace {
MessageBoxHandler &handler()
{
    static MessageBoxHandler h;
    return h;
}

QuestionHandler &questionHandler()
{
    static QuestionHandler h;
    return h;
}
} // namespace

void setMessageBoxHandler(MessageBoxHandler h)
{
    handler() = std::move(h);
}

void MsgBox(const QString &text)
{
    const QString caption = QString::fromUtf16(kApplicationTitle);
    if (handler()) {
        handler()(text, caption);
        return;
    }
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok);
    execBox(box);
}

void setQuestionHandler(QuestionHandler h)
{
    questionHandler() = std::move(h);
}

bool AskYesNo(const QString &text, QuestionIcon icon)
{
    const QString caption = QString::fromUtf16(kApplicationTitle);
    if (questionHandler())
        return questionHandler()(text, caption, icon);
    QMessageBox box(icon == QuestionIcon::Warning ? QMessageBox::Warning : QMessageBox::Question, caption, text,
                    QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return execBox(box) == QMessageBox::Yes;
}

int execBox(QMessageBox &box)
{
    const ScanGuard guard(&box);
    return box.exec();
}

bool AskChoice(const QString &text, const QString &safeAnswer, const QString &otherAnswer, QuestionIcon icon)
{
    const QString caption = QString::fromUtf16(kApplicationTitle);
    if (questionHandler())
        return questionHandler()(text, caption, icon);
    QMessageBox box(icon == QuestionIcon::Warning ? QMessageBox::Warning : QMessageBox::Question, caption, text);
    QPushButton *safe = box.addButton(safeAnswer, QMessageBox::RejectRole);
    QPushButton *other = box.addButton(otherAnswer, QMessageBox::AcceptRole);
    box.setDefaultButton(safe);
    box.setEscapeButton(safe);
    execBox(box);
    return box.clickedButton() == other;
}

} // namespace widgets
