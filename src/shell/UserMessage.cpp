#include "UserMessage.h"

#include <QMessageBox>

namespace {

UserMessageSink &sink()
{
    static UserMessageSink s;
    return s;
}

} // namespace

void setUserMessageSink(const UserMessageSink &s)
{
    sink() = s;
}

void showUserMessage(const QString &title, const QString &text)
{
    if (sink())
        sink()(title, text);
    else
        QMessageBox::information(nullptr, title, text);
}
