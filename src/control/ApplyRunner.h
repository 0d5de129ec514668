#pragma once

#include "KeyboardConfig.h"
#include "ProfilePlan.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class KeyboardAction;
class QTimer;

// How a configuration reaches the keyboard. Every writer goes through the
// one runner of its keyboard: a page edit, an undo or a redo, a profile
// applied by hand, by the application in front, from the tray or from a
// script, and corvane-cli apply. A run plans the difference, hands the
// plan's ops to the board copy (which queues their frames), settles at once
// what the board copy refused (a macro its store cannot take, a key without
// a wire code, a macro file that cannot be read), then follows the frames
// until the keyboard has answered them all: progress counts frames
// complete, refusals are counted as the keyboard sends them, and a keyboard
// that goes or stops answering ends the run.
class ApplyRunner : public QObject {
    Q_OBJECT
public:
    struct Request {
        KeyboardConfig from, to;
        UnknownParts unknown; // sent whole whatever `from` says (applying a profile whole)
        MacroLoader loadMacro;
        // Called before each step's ops are handed over.
        std::function<void(const ProfileStep &)> onStep;
    };
    // The frames of a group of the plan, for telling what went out.
    struct Group {
        QString label; // "lighting", "performance", "key layers", "per-key travel", "advanced keys"
        const char *text = nullptr; // what the progress box says meanwhile (tr() source in "ProfilePlan")
        int firstFrame = 0, endFrame = 0;
    };
    // The group a frame belongs to (nullptr for none).
    static const Group *groupAt(const QList<Group> &groups, int frame);
    // What is known once the frames are queued.
    struct Queued {
        quint64 id = 0;         // 0: nothing was queued, no outcome follows
        KeyboardConfig reached; // what the keyboard holds once every queued frame is taken
        bool complete = true;   // false: part of `to` was refused or not planned
        bool storeFull = false; // a macro was refused for want of room
        QString planError;      // a macro file that could not be read (tr() source in "ProfilePlan")
        int frames = 0;
        QList<ProfileStep> plan;
        QList<Group> groups;
    };
    struct Outcome {
        enum Kind {
            Done,      // every frame answered (refused ones counted)
            Lost,      // the keyboard went away
            Failed,    // a frame stayed unanswered or garbled after its retries
            Stalled,   // no frame completed for the stall time (the device stays open: the caller decides)
            Cancelled, // cancel(): stopped between two frames
        } kind = Done;
        int refused = 0; // writes the keyboard refused
        int code = 0;    // Kb2Error of Lost, Failed and Stalled
        int framesDone = 0;
        int frames = 0;
    };

    explicit ApplyRunner(KeyboardAction *device, QObject *parent = nullptr);
    ~ApplyRunner() override;

    Queued run(const Request &request);
    // Runs still waiting for the keyboard's answers.
    bool isRunning() const { return !m_runs.isEmpty(); }
    // Ends every run between two frames (the device is closed): Ctrl-C,
    // and a script's client that went away.
    void cancel();
    // A run whose frames make no progress for this long ends Stalled.
    void setStallTimeout(int ms) { m_stallMs = ms; }

    // The plan's groups, as a person reads them.
    static QString groupLabel(const ProfileStep &step);

signals:
    void progress(quint64 id, int framesDone, int frames);
    void finished(quint64 id, const ApplyRunner::Outcome &outcome);

private:
    struct Run {
        quint64 id = 0;
        quint64 firstSerial = 0; // the device's work count before the run's frames
        quint64 endSerial = 0;   // and after them
        int refused = 0;
        int lastDone = -1;
        qint64 lastProgressMs = 0;
    };
    void tick();
    // done: the frames that went out, when counted before (-1: count now).
    void finish(int index, Outcome::Kind kind, int code, int done = -1);
    int framesDone(const Run &run) const;
    void onIdle(quint64 serial);
    void onRequestFailed(int type, bool read, int code);
    void onDeviceLost(int code);

    KeyboardAction *m_device;
    QTimer *m_ticker;
    QList<Run> m_runs;
    quint64 m_nextId = 1;
    int m_stallMs = 15000;
};

Q_DECLARE_METATYPE(ApplyRunner::Outcome)
