// The travel scope and the drift check of the key test: both read the
// test's stream, the scope for the keys selected on the view, the drift
// check for every key.

#include "PerformancePageWgt.h"

#include "KeyboardBaseWgt.h"
#include "KeyboardBtn.h"
#include "KeyboardConfigModel.h"
#include "KeyboardDeck.h"
#include "TravelScopeWindow.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

void PerformancePageWgt::openScope()
{
    if (!m_scope) {
        m_scope = new TravelScopeWindow(this);
        connect(m_scope, &TravelScopeWindow::shown, this, &PerformancePageWgt::onScopeShown);
        connect(m_scope, &TravelScopeWindow::hidden, this, &PerformancePageWgt::onScopeHidden);
    }
    m_scope->setKnownKeys(scopeKeys(false));
    m_scope->setKeys(scopeKeys(true), m_scale.maximumUm);
    m_scope->showNormal();
    m_scope->raise();
    m_scope->activateWindow();
}

// The scope needs the stream: it starts the key test when none runs, and
// ends what it started when it is no longer shown.
void PerformancePageWgt::onScopeShown()
{
    if (m_testRunning || !isActive() || subPage() != SubPageTravel)
        return;
    m_testBtn->setChecked(true);
    onTestButton(true);
    m_scopeStartedTest = true;
}

void PerformancePageWgt::onScopeHidden()
{
    if (m_scopeStartedTest && m_testRunning)
        stopKeyTest();
    m_scopeStartedTest = false;
}

QList<ScopeKey> PerformancePageWgt::scopeKeys(bool selectedOnly) const
{
    QList<ScopeKey> keys;
    const bool known = config()->hasConfig();
    const PerformanceSettings performance = known ? config()->config().performance : PerformanceSettings();
    const QList<KeyboardBtn *> buttons = selectedOnly ? keyboards()->checkedKeys() : keyboards()->keys();
    for (const KeyboardBtn *b : buttons) {
        if (!KeyboardBaseWgt::validPosition(b))
            continue;
        if (selectedOnly && keys.size() == TravelScopeWgt::MaxKeys)
            break;
        const KeyTravelState s = travelState(b);
        ScopeKey k;
        k.id = b->firstType();
        k.name = b->legend();
        k.row = b->matrixRow();
        k.column = b->matrixColumn();
        k.hasSettings = true;
        k.settings.actuationUm = qRound(s.travel * 1000);
        k.settings.rapid = s.rapid;
        k.settings.pressUm = qRound(s.press * 1000);
        k.settings.releaseUm = qRound(s.release * 1000);
        k.settings.deadPressUm = known ? performance.pressDeadZoneUm : 0;
        k.settings.deadReleaseUm = known ? performance.releaseDeadZoneUm : 0;
        k.settings.maximumUm = m_scale.maximumUm;
        keys << k;
    }
    return keys;
}

void PerformancePageWgt::feedLiveChecks(const QList<QList<quint16>> &travel, const QList<QList<quint8>> &flags)
{
    if (m_scope && m_scope->isVisible()) {
        m_scope->setKeys(scopeKeys(true), m_scale.maximumUm);
        m_scope->addRound(travel, flags);
    }
    if (m_drift.addRound(m_liveClock.elapsed(), travel))
        showDrift();
}

void PerformancePageWgt::startDriftCheck()
{
    QList<RestDrift::Key> keys;
    for (const ScopeKey &k : scopeKeys(false))
        keys.append({k.id, k.row, k.column});
    m_drift.setKeys(keys);
    m_liveClock.start();
    showDrift();
}

// The list under the key test and a mark on each key it names.
void PerformancePageWgt::showDrift()
{
    const QList<RestDrift::Finding> findings = m_drift.findings();
    QMap<int, QString> texts;
    for (const RestDrift::Finding &f : findings) {
        const KeyboardBtn *b = keyboards()->key(f.id, 0);
        const QString name = b ? b->legend() : QString::number(f.id);
        texts.insert(f.id, f.jumping ? tr("%1 在未按下时读数跳动 %2 mm，建议重新校准")
                                           .arg(name, QString::number(f.spreadUm / 1000.0, 'f', 2))
                                     : tr("%1 在静止时读数 %2 mm，建议重新校准")
                                           .arg(name, QString::number(f.restUm / 1000.0, 'f', 2)));
    }
    for (KeyboardBtn *b : keyboards()->keys())
        b->setAttention(texts.value(b->firstType()));
    m_driftList->clear();
    for (const RestDrift::Finding &f : findings)
        m_driftList->addItem(texts.value(f.id));
    const bool any = !findings.isEmpty();
    for (QWidget *w : std::initializer_list<QWidget *>{m_driftTitle, m_driftList, m_driftCalibrateBtn})
        w->setVisible(any);
}

void PerformancePageWgt::calibrateDriftingKeys()
{
    if (m_scope)
        m_scope->hide();
    selectSubPage(SubPageCalibration);
    if (!m_calibrating) {
        m_calibrationBtn->setChecked(true);
        onCalibrationButton(true);
    }
}
