#include "KeyTrace.h"

#include <QCoreApplication>

bool KeyTrace::isActuatedState(quint8 state)
{
    return state > 0 && state < 8;
}

QList<KeyTraceMark> KeyTrace::reportedMarks(const QVector<KeyTraceSample> &samples)
{
    QList<KeyTraceMark> marks;
    bool actuated = false;
    for (const KeyTraceSample &s : samples) {
        const bool now = isActuatedState(s.state);
        if (now != actuated)
            marks.append({s.timeMs, s.depthUm, now});
        actuated = now;
    }
    return marks;
}

int KeyTrace::actuationCount(const QVector<KeyTraceSample> &samples)
{
    int n = 0;
    for (const KeyTraceMark &m : reportedMarks(samples))
        n += m.actuated ? 1 : 0;
    return n;
}

int KeyTrace::deepestUm(const QVector<KeyTraceSample> &samples)
{
    int deepest = 0;
    for (const KeyTraceSample &s : samples)
        deepest = qMax(deepest, s.depthUm);
    return deepest;
}

void KeyTriggerModel::reset()
{
    m_phase = Phase::Rest;
    m_turnUm = 0;
}

KeyTriggerModel::Step KeyTriggerModel::feed(int depthUm)
{
    const bool before = m_phase == Phase::Actuated;
    const int bottom = qMax(0, m_s.maximumUm - m_s.deadReleaseUm);
    const int depth = qMin(depthUm, bottom);
    const bool atRest = depthUm <= m_s.deadPressUm;

    if (atRest) {
        m_phase = Phase::Rest;
    } else if (!m_s.rapid) {
        m_phase = depth >= m_s.actuationUm ? Phase::Actuated : Phase::Rest;
    } else {
        switch (m_phase) {
        case Phase::Rest:
            if (depth >= m_s.actuationUm) {
                m_phase = Phase::Actuated;
                m_turnUm = depth;
            }
            break;
        case Phase::Actuated:
            m_turnUm = qMax(m_turnUm, depth);
            if (depth <= m_turnUm - m_s.releaseUm) {
                m_phase = Phase::Released;
                m_turnUm = depth;
            }
            break;
        case Phase::Released:
            m_turnUm = qMin(m_turnUm, depth);
            if (depth >= m_turnUm + m_s.pressUm) {
                m_phase = Phase::Actuated;
                m_turnUm = depth;
            }
            break;
        }
    }

    Step step;
    step.actuated = m_phase == Phase::Actuated;
    step.changed = step.actuated != before;
    if (m_phase == Phase::Actuated && m_s.rapid)
        step.releaseLineUm = qMax(0, m_turnUm - m_s.releaseUm);
    else if (m_phase == Phase::Released)
        step.pressLineUm = qMin(m_s.maximumUm, m_turnUm + m_s.pressUm);
    return step;
}

KeyTriggerModel::Run KeyTriggerModel::run(const QVector<KeyTraceSample> &samples, const KeyTraceSettings &settings)
{
    KeyTriggerModel model(settings);
    Run r;
    r.steps.reserve(samples.size());
    for (const KeyTraceSample &s : samples) {
        const Step step = model.feed(s.depthUm);
        r.steps.append(step);
        if (step.changed)
            r.marks.append({s.timeMs, s.depthUm, step.actuated});
    }
    return r;
}

QString keyTraceSummary(const QString &key, const QVector<KeyTraceSample> &samples)
{
    return QCoreApplication::translate("KeyTrace", "%1：最大深度 %2 mm，触发 %3 次")
        .arg(key, QString::number(KeyTrace::deepestUm(samples) / 1000.0, 'f', 2))
        .arg(KeyTrace::actuationCount(samples));
}
