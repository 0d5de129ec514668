#pragma once

#include "ApplyRunner.h"
#include "KeyboardConfig.h"
#include "ProfilePlan.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <functional>

class ProfileManager;
class QUndoStack;

// The configuration of the connected keyboard and its history. Every
// change a user makes is one command on the undo stack; its redo and undo
// move the keyboard from one configuration to the other by sending their
// difference through the keyboard's apply runner, and keep the current
// profile document in step. Lives on the GUI thread.
class KeyboardConfigModel : public QObject {
    Q_OBJECT
public:
    // What an edit's undo and redo say: "A 的触发行程 1.50 mm → 1.20 mm".
    // Merged edits keep the first `from` and take the last `to`.
    struct EditText {
        QString what;
        QString from;
        QString to;
        QString text() const;
    };
    // Merge ids of edits where a drag or a run of clicks is one step.
    enum MergeId {
        NoMerge = -1,
        MergeBrightness = 1,
        MergeSpeed,
        MergeGlobalTravel,
        MergePressDeadZone,
        MergeReleaseDeadZone,
        MergeKeyTravel,
        MergeRapidTrigger,
        MergeKeyColours,
    };

    explicit KeyboardConfigModel(ApplyRunner *runner, ProfileManager *profiles = nullptr, QObject *parent = nullptr);
    ~KeyboardConfigModel() override;

    void setMacroLoader(const MacroLoader &loader) { m_loadMacro = loader; }
    // The steps of a macro as the editor last gave them: what a binding of
    // that name sends, before its file is read.
    void rememberMacro(const QString &name, const QList<MACRO_Key> &steps) { m_macros.insert(name, steps); }

    bool hasConfig() const { return m_has; }
    const KeyboardConfig &config() const { return m_config; }
    QUndoStack *history() const { return m_history; }

    // What a keyboard holds after its read-back: no history before it.
    // The pages are shown it unless show is false (a read-back that missed
    // parts: defaults in their place must not reach the pages, nor through
    // them the profile in use).
    void reset(const KeyboardConfig &config, bool show = true);
    // A configuration with no keyboard behind it (a profile edited offline):
    // edits, undo and redo change it and the current profile document as
    // they would a keyboard's, and send nothing. Its layer 0 names the keys
    // the keyboard has; the layers keep no others.
    void resetOffline(const KeyboardConfig &config);
    bool isOffline() const { return m_offline; }
    // The keyboard is gone: no configuration, no history.
    void forget();
    // A keyboard came and is being read: edits until its read-back ends
    // are refused with a message, not dropped unseen.
    void awaitReadBack();
    void clearHistory();
    // What the keyboard reports on its own (its layers after a mode switch,
    // its mode and polling rate): taken without sending anything, into the
    // configuration and the step that led to it, so that undoing that step
    // goes back from what the keyboard really holds.
    void noteFromKeyboard(const std::function<void(KeyboardConfig &)> &change);

    // One user edit as one undo step: change is applied to a copy of the
    // configuration and the difference is sent. Edits with the same merge
    // id and the same `what`, one after the other, are one step. Ignored
    // when nothing changes or no keyboard is there. False when the keyboard
    // could not take all of it (a macro its store has no room for); the
    // configuration is then what it took.
    bool edit(const EditText &text, int mergeId, const std::function<void(KeyboardConfig &)> &change);

    // One user action that makes several edits (a preset: its effect, then
    // its colours; a lighting change that also leaves super-light-speed
    // mode) as one step of the history. Each edit still sends as it comes,
    // so the keyboard hears the same frames; the step is what they changed
    // together, named by the outermost action. Nests.
    void beginAction(const EditText &text);
    void endAction();
    class Action {
    public:
        Action(KeyboardConfigModel *model, const EditText &text) : m_model(model) { m_model->beginAction(text); }
        ~Action() { m_model->endAction(); }
        Action(const Action &) = delete;
        Action &operator=(const Action &) = delete;

    private:
        KeyboardConfigModel *m_model;
    };

    // Moves the keyboard to a whole configuration (an applied profile) as
    // one step. onStep is called before each step's frames are queued, for
    // a progress box. Returns false when a step ended it (a macro that
    // could not be loaded: *error names it) or a binding was refused.
    // The parts in unknown are sent whole (applying a profile whole).
    bool applyWhole(const KeyboardConfig &target, const QString &text,
                    const std::function<void(const ProfileStep &)> &onStep = {}, QString *error = nullptr,
                    bool *storeFull = nullptr, const UnknownParts &unknown = UnknownParts());
    // Has the pages show the configuration again, as after an undo (a
    // snapshot restored: the pages hold none of it).
    void showConfig() { emit configShown(m_config, false); }
    // The apply runner's run of the last change sent (0: it sent nothing),
    // and what was queued for it.
    quint64 lastRun() const { return m_lastQueued.id; }
    const ApplyRunner::Queued &lastQueued() const { return m_lastQueued; }
    // What a binding named by a macro sends: the steps the editor last gave
    // it, else its file.
    MacroLoader macroLoader() const;

signals:
    // The configuration changed under the pages, which show it: after the
    // read-back and what the keyboard reports on its own (fromKeyboard),
    // after an undo or a redo.
    void configShown(const KeyboardConfig &config, bool fromKeyboard);
    // The keyboard could not take all of a change; the configuration is
    // what it holds now.
    void changeRefused(const QString &message);
    // A change switched the system mode: the keyboard's layers of that mode
    // follow with its layout read.
    void systemModeSent();

private:
    friend class ConfigChangeCommand;
    struct MoveResult {
        bool complete = true;
        bool storeFull = false;
        QString error; // a plan step's error (tr() source in "ProfilePlan")
    };
    // Sends the difference to target and makes what was sent the configuration.
    MoveResult moveTo(const KeyboardConfig &target, const std::function<void(const ProfileStep &)> &onStep = {},
                      const UnknownParts &unknown = UnknownParts());
    void writeProfile(const KeyboardConfig &before, const KeyboardConfig &after);
    void pushStep(const KeyboardConfig &before, const EditText &text, int mergeId);
    void restoreTo(const KeyboardConfig &target);

    ApplyRunner *m_runner;
    ProfileManager *m_profiles;
    ApplyRunner::Queued m_lastQueued;
    QUndoStack *m_history;
    MacroLoader m_loadMacro;
    QMap<QString, QList<MACRO_Key>> m_macros;
    KeyboardConfig m_config;
    bool m_has = false;
    bool m_offline = false;
    QSet<int> m_offlineKeys; // the keys of the keyboard edited offline (its layer 0)
    bool m_awaiting = false; // a keyboard is there, its read-back not ended
    bool m_pushing = false; // the first redo of a pushed command: already sent
    int m_actionDepth = 0;    // beginAction without its endAction
    KeyboardConfig m_actionBefore;
    EditText m_actionText;
};
