// Fuzz entry for the endpoint's parsers: any line must either be refused or
// give a request (or answer) that, written again, reads back the same, and
// whose texts are plain.

#include "EndpointProtocol.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace P = EndpointProtocol;

namespace {

bool sameCommand(const RemoteCommand &a, const RemoteCommand &b)
{
    return a.verb == b.verb && a.name == b.name && a.fileName == b.fileName && a.data == b.data &&
           a.verify == b.verify && a.full == b.full && a.json == b.json;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > size_t(P::MaxRequestLine) + 16)
        return 0;
    const QByteArray line = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));

    const P::Request request = P::parseRequest(line);
    if (request.ok()) {
        if (request.id < 0 || request.id > P::MaxId)
            std::abort();
        for (const QString *text : {&request.command.name, &request.command.fileName})
            if (!text->isEmpty() && !P::plainTextProblem(*text, P::MaxFileNameLength).isEmpty())
                std::abort();
        const QByteArray again = P::encodeRequest(request.id, request.command);
        if (!again.endsWith('\n') || again.count('\n') != 1)
            std::abort();
        const P::Request reread = P::parseRequest(again.chopped(1));
        if (!reread.ok() || reread.id != request.id || !sameCommand(reread.command, request.command))
            std::abort();
    } else if (request.id > P::MaxId) {
        std::abort();
    }
    // The error answer to it reads back as an error.
    if (request.ok() == false) {
        const P::Answer error = P::parseAnswer(P::encodeError(request.id, request.error, P::ErrorCode::BadRequest).chopped(1));
        if (error.kind != P::Answer::Kind::Error || error.id != request.id)
            std::abort();
    }

    const P::Answer answer = P::parseAnswer(line);
    QByteArray again;
    switch (answer.kind) {
    case P::Answer::Kind::Progress: again = P::encodeProgress(answer.id, answer.progress, answer.label); break;
    case P::Answer::Kind::Reply: again = P::encodeReply(answer.id, answer.reply); break;
    case P::Answer::Kind::Error: again = P::encodeError(answer.id, answer.error, nullptr); break;
    case P::Answer::Kind::Invalid: return 0;
    }
    const P::Answer reread = P::parseAnswer(again.chopped(1));
    if (reread.kind != answer.kind || reread.id != answer.id || reread.progress != answer.progress ||
        reread.label != answer.label || reread.reply.exitCode != answer.reply.exitCode ||
        reread.reply.out != answer.reply.out || reread.reply.err != answer.reply.err ||
        (answer.kind == P::Answer::Kind::Error && reread.error != answer.error))
        std::abort();
    return 0;
}
