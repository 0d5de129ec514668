#include "UserMessage.h"

#include "ModalGuard.h"

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
        ModalGuard::inform(nullptr, title, text);
}
