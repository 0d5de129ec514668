#include "KeyboardConfigModel.h"

#include "ApplyRunner.h"
#include "KeyboardFeatures.h"
#include "ProfileManager.h"

#include <QCoreApplication>
#include <QSet>
#include <QUndoCommand>
#include <QUndoStack>

QString KeyboardConfigModel::EditText::text() const
{
    if (from.isEmpty() && to.isEmpty())
        return what;
    return QStringLiteral("%1 %2 → %3").arg(what, from, to);
}

// One change between two configurations.
class ConfigChangeCommand : public QUndoCommand {
public:
    ConfigChangeCommand(KeyboardConfigModel *model, const KeyboardConfig &before, const KeyboardConfig &after,
                        const KeyboardConfigModel::EditText &text, int mergeId)
        : m_model(model), m_before(before), m_after(after), m_text(text), m_mergeId(mergeId)
    {
        setText(text.text());
    }

    int id() const override { return m_mergeId; }

    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const ConfigChangeCommand *>(other);
        if (next->m_text.what != m_text.what)
            return false;
        m_after = next->m_after;
        m_text.to = next->m_text.to;
        setText(m_text.text());
        // A drag back to where it started leaves nothing to undo.
        setObsolete(m_after == m_before);
        return true;
    }

    void redo() override
    {
        if (m_model->m_pushing)
            return; // the edit has sent it already
        m_model->restoreTo(m_after);
    }

    void undo() override { m_model->restoreTo(m_before); }

    // What the keyboard reported of its own after this step.
    void amendAfter(const std::function<void(KeyboardConfig &)> &change) { change(m_after); }

private:
    KeyboardConfigModel *m_model;
    KeyboardConfig m_before, m_after;
    KeyboardConfigModel::EditText m_text;
    int m_mergeId;
};

KeyboardConfigModel::KeyboardConfigModel(ApplyRunner *runner, ProfileManager *profiles, QObject *parent)
    : QObject(parent), m_runner(runner), m_profiles(profiles), m_history(new QUndoStack(this))
{
}

KeyboardConfigModel::~KeyboardConfigModel() = default;

void KeyboardConfigModel::reset(const KeyboardConfig &config, bool show)
{
    m_history->clear();
    m_config = config;
    m_has = true;
    m_awaiting = false;
    m_offline = false;
    if (show)
        emit configShown(m_config, true);
}

void KeyboardConfigModel::resetOffline(const KeyboardConfig &config)
{
    reset(config, false);
    m_offline = true;
    const QList<int> keys = config.layers[0].keys();
    m_offlineKeys = QSet<int>(keys.begin(), keys.end());
    emit configShown(m_config, false);
}

void KeyboardConfigModel::forget()
{
    m_offline = false;
    m_history->clear();
    m_config = KeyboardConfig();
    m_has = false;
    m_awaiting = false;
}

void KeyboardConfigModel::awaitReadBack()
{
    forget();
    m_awaiting = true;
}

void KeyboardConfigModel::clearHistory()
{
    m_history->clear();
}

void KeyboardConfigModel::noteFromKeyboard(const std::function<void(KeyboardConfig &)> &change)
{
    if (!m_has)
        return;
    KeyboardConfig next = m_config;
    change(next);
    if (next == m_config)
        return;
    m_config = next;
    if (m_history->index() > 0)
        static_cast<ConfigChangeCommand *>(const_cast<QUndoCommand *>(m_history->command(m_history->index() - 1)))
            ->amendAfter(change);
    emit configShown(m_config, true);
}

bool KeyboardConfigModel::edit(const EditText &text, int mergeId, const std::function<void(KeyboardConfig &)> &change)
{
    if (!m_has) {
        if (!m_awaiting)
            return true; // no keyboard: nothing to change
        emit changeRefused(tr("正在读取键盘的配置，这次更改没有发送，请稍后再试。"));
        return false;
    }
    const KeyboardConfig before = m_config;
    KeyboardConfig after = before;
    change(after);
    if (after == before)
        return true;
    const MoveResult result = moveTo(after);
    pushStep(before, text, mergeId);
    return result.complete;
}

bool KeyboardConfigModel::applyWhole(const KeyboardConfig &target, const QString &text,
                                     const std::function<void(const ProfileStep &)> &onStep, QString *error,
                                     bool *storeFull, const UnknownParts &unknown)
{
    if (!m_has)
        return false;
    const KeyboardConfig before = m_config;
    const MoveResult result = moveTo(target, onStep, unknown);
    if (error)
        *error = result.error;
    if (storeFull)
        *storeFull = result.storeFull;
    pushStep(before, EditText{text, {}, {}}, NoMerge);
    return result.complete;
}

void KeyboardConfigModel::beginAction(const EditText &text)
{
    if (m_actionDepth++ > 0)
        return;
    m_actionBefore = m_config;
    m_actionText = text;
}

void KeyboardConfigModel::endAction()
{
    if (m_actionDepth == 0 || --m_actionDepth > 0)
        return;
    // The keyboard may have gone meanwhile: its history has gone with it.
    if (m_has)
        pushStep(m_actionBefore, m_actionText, NoMerge);
}

// The step from before to what the keyboard now holds; none when nothing
// reached it. Its first redo is what was just sent. Inside an action the
// action makes the step when it ends.
void KeyboardConfigModel::pushStep(const KeyboardConfig &before, const EditText &text, int mergeId)
{
    if (m_actionDepth > 0)
        return;
    if (m_config == before)
        return;
    m_pushing = true;
    m_history->push(new ConfigChangeCommand(this, before, m_config, text, mergeId));
    m_pushing = false;
}

void KeyboardConfigModel::restoreTo(const KeyboardConfig &target)
{
    const MoveResult result = moveTo(target);
    emit configShown(m_config, false);
    if (!result.complete) {
        const QString why = !result.error.isEmpty()
            ? QCoreApplication::translate("ProfilePlan", result.error.toUtf8())
            : tr("键盘最多保存%1个宏。").arg(AdvancedKeyControl::MaxMacros);
        emit changeRefused(tr("键盘没有接受全部更改，界面显示的是键盘现在的设置：%1").arg(why));
    }
}

MacroLoader KeyboardConfigModel::macroLoader() const
{
    return [this](const QString &name) {
        const auto known = m_macros.constFind(name);
        if (known != m_macros.cend()) {
            MacroLoadResult r;
            r.status = MacroLoadResult::Ok;
            r.steps = *known;
            return r;
        }
        return m_loadMacro ? m_loadMacro(name) : MacroLoadResult();
    };
}

KeyboardConfigModel::MoveResult KeyboardConfigModel::moveTo(const KeyboardConfig &target,
                                                            const std::function<void(const ProfileStep &)> &onStep,
                                                            const UnknownParts &unknown)
{
    const KeyboardConfig before = m_config;
    if (m_offline) {
        m_lastQueued = ApplyRunner::Queued();
        m_config = target;
        // What the keyboard would keep: its own keys in its layers, not
        // every key the view draws for the model.
        for (QMap<int, int> &layer : m_config.layers)
            for (auto it = layer.begin(); it != layer.end();)
                it = m_offlineKeys.contains(it.key()) ? std::next(it) : layer.erase(it);
        writeProfile(before, m_config);
        return MoveResult();
    }
    ApplyRunner::Request request;
    request.from = before;
    request.to = target;
    request.loadMacro = macroLoader();
    request.onStep = onStep;
    request.unknown = unknown;
    const ApplyRunner::Queued queued = m_runner->run(request);
    m_lastQueued = queued;
    for (const ProfileStep &step : queued.plan)
        for (const ProfileOp &op : step.ops)
            if (op.kind == ProfileOp::SystemMode)
                emit systemModeSent();
    m_config = queued.reached;
    writeProfile(before, m_config);
    MoveResult result;
    result.complete = queued.complete;
    result.storeFull = queued.storeFull;
    result.error = queued.planError;
    return result;
}

// The current profile document follows the keyboard, member by member,
// as the pages' own edits have always written it.
void KeyboardConfigModel::writeProfile(const KeyboardConfig &before, const KeyboardConfig &after)
{
    if (!m_profiles)
        return;
    if (!(before.lighting == after.lighting))
        m_profiles->UpdateBoardRGB(after.lighting);
    if (!(before.performance == after.performance))
        m_profiles->UpdateBoardPerformance(after.performance);
    // A layer that changed is stored whole: the document may not hold it yet.
    for (size_t layer = 0; layer < after.layers.size(); ++layer)
        if (before.layers[layer] != after.layers[layer])
            m_profiles->UpdateBoardLayer(int(layer), after.layers[layer]);
    QMap<int, KeyTravelRecord> travel;
    for (auto it = after.keyTravel.cbegin(); it != after.keyTravel.cend(); ++it)
        if (!(before.keyTravel.value(it.key()) == *it))
            travel.insert(it.key(), *it);
    if (!travel.isEmpty())
        m_profiles->UpdateBoardKeyTouch(travel);
    for (auto it = before.advanced.cbegin(); it != before.advanced.cend(); ++it)
        if (after.bindKindOf(it.key()) == Bind_None)
            m_profiles->RemoveBoardAdvancedKey(QString::number(it.key()));
    for (auto it = after.advanced.cbegin(); it != after.advanced.cend(); ++it) {
        const auto was = before.advanced.constFind(it.key());
        if (was == before.advanced.cend() || !(*was == *it))
            m_profiles->UpdateBoardAdvancedKey(it->record(it.key()));
    }
}
