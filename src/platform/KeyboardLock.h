#pragma once

#include <QString>

#include <cstdint>

// One program drives a keyboard at a time: Corvane and corvane-cli take this
// advisory lock before they send anything. It is a lock on a file in the
// user's runtime folder ($XDG_RUNTIME_DIR/corvane/<key>.lock, else the temp
// folder), so the system releases it when the holder dies. While held, the
// file names its holder ("Corvane", "corvane-cli flash") and process, so the
// program that is refused can say who has the keyboard.
class KeyboardLock {
public:
    enum class Result {
        Acquired,    // this object holds the lock (also when it held it already)
        Held,        // another holder has it: holder() names it
        Unavailable, // the lock file cannot be made or opened: nothing to wait for
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
    // After Held: the other holder's name as its file gives it (empty when it
    // has not written it yet).
    QString otherHolder() const { return m_otherHolder; }
    QString filePath() const;

    // The keyboards of the product id share one lock: this program drives
    // one keyboard at a time, and the boot loader answers under the same ids.
    // A simulated keyboard has a lock of its own, so a --simulate run never
    // contends with the real keyboard.
    static QString defaultKey();
    static void setDefaultKey(const QString &key);
    static QString simulatedKey(int family);
    static QString folder();

private:
    static constexpr intptr_t InvalidHandle = -1;

    QString m_holder;
    QString m_key;
    QString m_otherHolder;
    intptr_t m_handle = InvalidHandle;
};

// The system part: open and lock without waiting, write the holder, unlock.
namespace KeyboardLockFile {
// Returns the handle, or -1 with *held telling whether another holder has it.
intptr_t lock(const QString &path, bool *held);
void writeHolder(intptr_t handle, const QByteArray &text);
void unlock(intptr_t handle);
// What the holder wrote (read while it holds the lock).
QByteArray readHolder(const QString &path);
} // namespace KeyboardLockFile
