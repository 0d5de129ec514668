#include "ApplyRunner.h"

#include "Kb2Errors.h"
#include "KeyboardAction.h"
#include "ProfileDocument.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSet>
#include <QTimer>

namespace {

// How often a run's progress is read while its frames go out.
constexpr int ProgressTickMs = 100;

QElapsedTimer &runClock()
{
    static QElapsedTimer c = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return c;
}

} // namespace

ApplyRunner::ApplyRunner(KeyboardAction *device, QObject *parent)
    : QObject(parent), m_device(device), m_ticker(new QTimer(this))
{
    qRegisterMetaType<ApplyRunner::Outcome>();
    m_ticker->setInterval(ProgressTickMs);
    connect(m_ticker, &QTimer::timeout, this, &ApplyRunner::tick);
    connect(device->reports(), &KeyboardWorker::sigKB2Idle, this, &ApplyRunner::onIdle, Qt::QueuedConnection);
    connect(device->reports(), &KeyboardWorker::sigKB2RequestFailed, this, &ApplyRunner::onRequestFailed, Qt::QueuedConnection);
    connect(device->reports(), &KeyboardWorker::sigDeviceLost, this, &ApplyRunner::onDeviceLost, Qt::QueuedConnection);
}

ApplyRunner::~ApplyRunner() = default;

QString ApplyRunner::groupLabel(const ProfileStep &step)
{
    if (step.group == ProfileKeys::KeyboardRGB)
        return QStringLiteral("lighting");
    if (step.group == ProfileKeys::KeyPerformance)
        return QStringLiteral("performance");
    if (step.group == ProfileKeys::KeyCustom)
        return QStringLiteral("key layers");
    if (step.group == ProfileKeys::KeyTouchDB)
        return QStringLiteral("per-key travel");
    if (step.group == ProfileKeys::AdvancedKey)
        return QStringLiteral("advanced keys");
    return QString();
}

const ApplyRunner::Group *ApplyRunner::groupAt(const QList<Group> &groups, int frame)
{
    const Group *at = nullptr;
    for (const Group &g : groups)
        if (g.firstFrame <= frame)
            at = &g;
    return at;
}

ApplyRunner::Queued ApplyRunner::run(const Request &request)
{
    Queued q;
    q.plan = planChange(request.from, request.to, request.loadMacro, request.unknown);
    const quint64 first = m_device->workSerial();
    // What the keyboard holds once every op is taken; bindings that were
    // refused or never sent keep what they were.
    q.reached = request.to;
    QSet<int> bound;
    for (const ProfileStep &step : qAsConst(q.plan)) {
        if (request.onStep)
            request.onStep(step);
        const int before = int(m_device->workSerial() - first);
        for (const ProfileOp &op : step.ops) {
            const bool taken = runProfileOp(op, *m_device);
            if (op.kind != ProfileOp::Binding)
                continue;
            AdvancedBinding binding;
            int key = -1;
            if (!bindingFromRecord(op.binding, &binding, &key))
                continue;
            if (taken) {
                bound.insert(key);
            } else {
                // Only a macro is refused for want of room; another kind
                // is refused when its key has no wire code.
                q.complete = false;
                q.storeFull = q.storeFull || binding.kind() == Bind_MACRO;
            }
        }
        const int after = int(m_device->workSerial() - first);
        const QString label = groupLabel(step);
        if (after > before) {
            // Unnamed steps belong to the group before them.
            if (!q.groups.isEmpty() && (label.isEmpty() || q.groups.last().label == label))
                q.groups.last().endFrame = after;
            else
                q.groups.append(Group{label, step.text, before, after});
        }
        if (!step.error.isEmpty()) {
            q.complete = false;
            q.planError = step.error;
            break;
        }
    }
    if (!q.complete) {
        for (auto it = request.to.advanced.cbegin(); it != request.to.advanced.cend(); ++it) {
            const auto was = request.from.advanced.constFind(it.key());
            const bool changed = was == request.from.advanced.cend() || !(*was == *it);
            if (!changed || bound.contains(it.key()))
                continue;
            if (was == request.from.advanced.cend())
                q.reached.advanced.remove(it.key());
            else
                q.reached.advanced.insert(it.key(), *was);
        }
    }
    const quint64 end = m_device->workSerial();
    q.frames = int(end - first);
    if (q.frames == 0)
        return q;
    Run run;
    run.id = m_nextId++;
    run.firstSerial = first;
    run.endSerial = end;
    run.lastProgressMs = runClock().elapsed();
    m_runs.append(run);
    q.id = run.id;
    if (!m_ticker->isActive())
        m_ticker->start();
    return q;
}

int ApplyRunner::framesDone(const Run &run) const
{
    // The frames handed to the worker and no longer in its queue have gone
    // out; the last of them may still wait for its answer.
    const quint64 serial = m_device->workSerial();
    const quint64 queued = quint64(m_device->queuedCount());
    const quint64 out = serial > queued ? serial - queued : 0;
    if (out <= run.firstSerial)
        return 0;
    return int(qMin(out, run.endSerial) - run.firstSerial);
}

void ApplyRunner::tick()
{
    const qint64 now = runClock().elapsed();
    for (int i = 0; i < m_runs.size(); ++i) {
        Run &run = m_runs[i];
        const int done = framesDone(run);
        if (done != run.lastDone) {
            run.lastDone = done;
            run.lastProgressMs = now;
            emit progress(run.id, done, int(run.endSerial - run.firstSerial));
        } else if (now - run.lastProgressMs > m_stallMs) {
            // The worker bounds every answer; a run that stands still this
            // long has a keyboard that stopped listening. The caller decides
            // whether to let it go.
            finish(i--, Outcome::Stalled, Kb2Error::NoAnswer);
        }
    }
    if (m_runs.isEmpty())
        m_ticker->stop();
}

void ApplyRunner::finish(int index, Outcome::Kind kind, int code, int done)
{
    const Run run = m_runs.takeAt(index);
    Outcome o;
    o.kind = kind;
    o.code = code;
    o.refused = run.refused;
    o.frames = int(run.endSerial - run.firstSerial);
    o.framesDone = kind == Outcome::Done ? o.frames : done >= 0 ? done : framesDone(run);
    if (kind == Outcome::Done)
        emit progress(run.id, o.frames, o.frames);
    if (m_runs.isEmpty())
        m_ticker->stop();
    emit finished(run.id, o);
}

void ApplyRunner::onIdle(quint64 serial)
{
    for (int i = 0; i < m_runs.size(); ++i)
        if (serial >= m_runs[i].endSerial)
            finish(i--, Outcome::Done, Kb2Error::Ok);
}

void ApplyRunner::onRequestFailed(int, bool read, int code)
{
    if (read || m_runs.isEmpty())
        return;
    if (code == Kb2Error::Refused) {
        ++m_runs.first().refused;
        return;
    }
    // Unanswered or garbled after its retries: the keyboard has stopped
    // answering; what is queued behind it is not waited for.
    while (!m_runs.isEmpty())
        finish(0, Outcome::Failed, code);
}

void ApplyRunner::onDeviceLost(int code)
{
    // The worker has dropped its queue by now, so the frames that never
    // went out no longer look queued: what had gone out is what was last
    // seen going.
    while (!m_runs.isEmpty())
        finish(0, Outcome::Lost, code, qMax(0, m_runs.first().lastDone));
}

void ApplyRunner::cancel()
{
    if (m_runs.isEmpty())
        return;
    // What went out is counted before the queue is dropped.
    QList<int> done;
    for (const Run &run : qAsConst(m_runs))
        done << framesDone(run);
    // Between two frames: a frame is written whole before the worker looks again.
    m_device->closeDevice();
    for (int i = 0; !m_runs.isEmpty(); ++i)
        finish(0, Outcome::Cancelled, Kb2Error::Ok, done.value(i));
}
