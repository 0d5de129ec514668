#include "MacroStepList.h"

namespace {

constexpr int PressIdBase = 1000;
constexpr int ReleaseIdBase = 2000;

bool isDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

} // namespace

int MacroStepList::rowCount() const
{
    if (m_steps.isEmpty())
        return 0;
    return 2 * m_steps.size() - (m_steps.last().hasDelay ? 0 : 1);
}

MacroRow MacroStepList::row(int index) const
{
    MacroRow r;
    if (index < 0 || index >= rowCount())
        return r;
    const int s = stepOfRow(index);
    const Step &step = m_steps.at(s);
    r.down = step.down;
    r.id = (step.down ? PressIdBase : ReleaseIdBase) + s;
    if (index % 2 == 0) {
        r.kind = MacroRow::Key;
        r.text = step.key;
    } else {
        r.kind = MacroRow::Delay;
        r.text = step.delay;
    }
    return r;
}

QList<MacroRow> MacroStepList::rows() const
{
    QList<MacroRow> out;
    for (int i = 0; i < rowCount(); ++i)
        out.append(row(i));
    return out;
}

bool MacroStepList::record(bool down, const QString &keyName, const QString &delayText)
{
    // A pause between two steps always gets its row, even of 0 ms: two key
    // rows in a row would be read as a key and its delay.
    const int needed = m_steps.isEmpty() ? 1 : 2;
    if (rowCount() + needed > MaxRows)
        return false;
    if (!m_steps.isEmpty()) {
        m_steps.last().hasDelay = true;
        m_steps.last().delay = delayText;
    }
    m_steps.append({down, keyName, false, QString()});
    return true;
}

void MacroStepList::setSteps(const QList<MACRO_Key> &steps)
{
    m_steps.clear();
    for (const MACRO_Key &k : steps) {
        if (2 * (m_steps.size() + 1) > MaxRows)
            break;
        m_steps.append({k.down, k.keyName, true, QString::number(qMax(0, k.delay))});
    }
}

QList<MACRO_Key> MacroStepList::steps() const
{
    QList<MACRO_Key> out;
    for (const Step &s : m_steps) {
        MACRO_Key k;
        k.down = s.down;
        k.keyName = s.key;
        k.delay = s.hasDelay ? qMax(0, s.delay.toInt()) : LastStepDelay;
        out.append(k);
    }
    return out;
}

bool MacroStepList::setDelayText(int row, const QString &text)
{
    if (row < 0 || row >= rowCount() || row % 2 == 0)
        return false;
    Step &step = m_steps[stepOfRow(row)];
    QString digits;
    for (const QChar c : text)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits += c;
    if (!isDigits(digits) || digits.size() > MaxDelayDigits)
        return false;
    if (digits == step.delay)
        return false;
    step.delay = digits;
    return true;
}

int MacroStepList::removeStepOfRow(int row)
{
    if (row < 0 || row >= rowCount())
        return -1;
    const int s = stepOfRow(row);
    m_steps.removeAt(s);
    if (m_steps.isEmpty())
        return -1;
    return keyRowOfStep(qMin(s, m_steps.size() - 1));
}

int MacroStepList::moveStepOfRow(int row, int by)
{
    if (row < 0 || row >= rowCount() || (by != -1 && by != 1))
        return -1;
    const int from = stepOfRow(row);
    const int to = from + by;
    if (to < 0 || to >= m_steps.size())
        return -1;
    m_steps.swapItemsAt(from, to);
    keepDelaysBeforeLast();
    return keyRowOfStep(to);
}

// A step that is no longer last needs the delay row it lacked; it had the
// pause the file would have given it.
void MacroStepList::keepDelaysBeforeLast()
{
    for (int i = 0; i + 1 < m_steps.size(); ++i) {
        if (!m_steps.at(i).hasDelay) {
            m_steps[i].hasDelay = true;
            m_steps[i].delay = QString::number(LastStepDelay);
        }
    }
}
