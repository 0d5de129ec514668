#pragma once

#include "ApplyRunner.h"
#include "RemoteCommand.h"

#include <QObject>
#include <QPointer>

#include <functional>

class MainWindow;
class KeyboardController;

// What the running Corvane does with a command from outside (corvane-cli,
// a second start, the session bus): the same as the command run directly,
// with the same texts and exit codes, but through the keyboard's controller,
// so that a profile applied from a script is one step of the window's
// history and shows in the window and the tray. One command at a time (the
// endpoint's queue); a command that sends waits for the keyboard's answers.
class CorvaneCommands : public QObject, public RemoteCommandHandler {
    Q_OBJECT
public:
    explicit CorvaneCommands(MainWindow *window, QObject *parent = nullptr);

    void run(const RemoteCommand &command, const std::function<void(int, const QString &)> &progress,
             const std::function<void(const RemoteReply &)> &done) override;
    QStringList profileNames() const override;
    QString activeProfile() const override;
    void cancelled() override;

    // How long a command waits for the keyboard's read-back to end before
    // it is refused.
    static constexpr int ReadBackWaitMs = 30000;

private:
    using Done = std::function<void(const RemoteReply &)>;
    using Progress = std::function<void(int, const QString &)>;

    void runApply(const RemoteCommand &command, const Progress &progress, const Done &done);
    void runHistory(bool undo, const Done &done);
    // Follows a run of the runner to its end, reporting progress; then
    // calls finish with its outcome.
    void follow(quint64 run, const QList<ApplyRunner::Group> &groups, const Progress &progress,
                const std::function<void(const ApplyRunner::Outcome &, const QString &current)> &finish);
    RemoteReply infoReply(bool json) const;
    RemoteReply exportReply(const QString &target) const;

    QPointer<MainWindow> m_window;
    KeyboardController *m_keyboard;
    quint64 m_following = 0; // the run a command waits for
};
