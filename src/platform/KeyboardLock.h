#pragma once

#include <QString>

#include <cstdint>

// One program drives a keyboard at a time: Corvane and corvane-cli take this
// advisory lock before they send anything. It is a lock on a file in a folder
// only the user can write, so the system releases it when the holder dies and
// no other user can hold it, read it or aim it at a file.
//
// Every program of the user finds the same folder, whatever its environment:
// $XDG_RUNTIME_DIR when it is the user's own, else the session's runtime
// folder /run/user/<uid> (cron jobs, services and sudo have no variable, but
// the folder is there while the user is logged in; under sudo the invoking
// user's), else a folder of the temporary directory created for the user
// alone (mode 0700, owner and mode checked). The file itself is opened
// without following links, mode 0600, and is checked to be a plain file of
// ours before anything is written to it.
//
// Windows: %LOCALAPPDATA%\Corvane\lock (or CORVANE_RUNTIME_DIR), a lock on a
// byte of a file there (LockFileEx), which the system releases with the
// process as well.
//
// While held, the file names its holder ("Corvane", "corvane-cli flash") and
// process, so the program that is refused can say who has the keyboard.
class KeyboardLock {
public:
    enum class Result {
        Acquired,    // this object holds the lock (also when it held it already)
        Held,        // another holder has it: otherHolder() names it
        Unavailable, // the lock cannot be taken safely here: failure() says why; send nothing
    };

    // holder: how the refused program names this one.
    explicit KeyboardLock(const QString &holder, const QString &key = defaultKey());
    ~KeyboardLock();
    KeyboardLock(const KeyboardLock &) = delete;
    KeyboardLock &operator=(const KeyboardLock &) = delete;

    // Never waits.
    Result tryAcquire();
    void release();
    bool isHeld() const { return m_handle != InvalidHandle; }
    // After Held: the other holder's name as its file gives it, as plain text
    // without control characters and at most MaxHolderLength characters
    // (empty when it has not written it yet).
    QString otherHolder() const { return m_otherHolder; }
    // After Unavailable: why, in one line, naming the folder or file.
    QString failure() const { return m_failure; }

    // The keyboards of the product id share one lock: this program drives
    // one keyboard at a time, and the boot loader answers under the same ids.
    // A simulated keyboard has a lock of its own, so a --simulate run never
    // contends with the real keyboard.
    static QString defaultKey();
    static void setDefaultKey(const QString &key);
    static QString simulatedKey(int family);
    // The folder of the lock files, or empty with *why set.
    static QString folder(QString *why = nullptr);

    // What another program wrote, as it may be shown: the first line, plain
    // text, without control or formatting characters, bounded.
    static QString holderText(const QByteArray &written);
    static constexpr int MaxHolderLength = 64;

private:
    static constexpr intptr_t InvalidHandle = -1;

    QString m_holder;
    QString m_key;
    QString m_otherHolder;
    QString m_failure;
    intptr_t m_handle = InvalidHandle;
};

// The system part: find the folder, open and lock without waiting, write the
// holder, unlock.
namespace KeyboardLockFile {
// The user's own folder for lock files (made when missing), or empty with *why.
QString folder(QString *why);
// Returns the handle, or -1 with *held telling whether another holder has it
// and, when not, *why.
intptr_t lock(const QString &folder, const QString &fileName, bool *held, QString *why);
void writeHolder(intptr_t handle, const QByteArray &text);
void unlock(intptr_t handle);
// What the holder wrote (read while it holds the lock), at most 256 bytes.
QByteArray readHolder(const QString &folder, const QString &fileName);
} // namespace KeyboardLockFile
