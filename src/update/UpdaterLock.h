#pragma once

#include <QString>

#include <cstdint>

// Keeps two Updates from replacing the same program at once, whatever their
// working folders: the lock is named after the canonical path of the program
// they would replace, and the system lets go of it when its holder ends,
// however it ends.
//
// Linux: a file locked with flock(), in a folder that only this user may
// enter: "corvane-update" in $XDG_RUNTIME_DIR (else /run/user/<uid>, else
// "corvane-update-<uid>" in the temporary folder). The folder is made 0700
// and used only when it is a real folder (not a link), owned by this user
// and closed to everyone else; the file is opened without following links.
// Windows: a named mutex in the session's namespace.
class UpdaterLock {
public:
    enum class Result {
        Acquired,    // this object holds the lock (also when it held it already)
        Held,        // another process holds it
        Unavailable, // the lock cannot be taken safely: problem() says why
    };

    explicit UpdaterLock(const QString &programPath);
    ~UpdaterLock();
    UpdaterLock(const UpdaterLock &) = delete;
    UpdaterLock &operator=(const UpdaterLock &) = delete;

    // Never waits.
    Result tryAcquire();
    void release();
    bool isHeld() const { return m_handle != InvalidHandle; }
    // After Unavailable: why, for the log (not translated).
    QString problem() const { return m_problem; }
    // Where the lock lives (Linux: the file; Windows: the mutex's name).
    QString location() const;

    // Whether another process holds the lock of this program (it is taken
    // and given back at once to find out); false when it cannot be told.
    static bool isHeldElsewhere(const QString &programPath);
    // The lock's name: "update-" and 16 hex digits of the SHA-256 of the
    // program's canonical path.
    static QString keyFor(const QString &programPath);

private:
    static constexpr intptr_t InvalidHandle = -1;

    QString m_key;
    QString m_problem;
    intptr_t m_handle = InvalidHandle;
};

// The system part.
namespace UpdaterLockSystem {
// The handle, or InvalidHandle with held set when another process has the
// lock, or problem set when it cannot be taken safely.
intptr_t acquire(const QString &key, bool *held, QString *problem);
void release(intptr_t handle);
QString location(const QString &key);
} // namespace UpdaterLockSystem
