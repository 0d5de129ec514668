#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class DeviceNotifier;
class KeyboardAction;

// Follows the keyboard while the program runs: probes arriving HID
// interfaces, opens the keyboard through the worker, turns its board
// information into the window title and the model to show, starts the
// read-back and notices when the open interface goes away.
class DeviceLifecycle : public QObject {
    Q_OBJECT
public:
    DeviceLifecycle(KeyboardAction *worker, DeviceNotifier *notifier, QObject *parent = nullptr);

    // Starts listening and looks for a keyboard that is already there.
    void start();

    // Asked when a keyboard reports its boot loader; true goes on with the
    // reads as for a working keyboard. Without it the answer is no.
    void setBootLoaderQuestion(std::function<bool(const QString &boardVersion)> ask) { m_askBootLoader = std::move(ask); }
    // Whether the program has a layout for a model number.
    void setModelAvailable(std::function<bool(int model)> available) { m_modelAvailable = std::move(available); }
    void setFirmwareUpdateRunning(bool running) { m_firmwareUpdateRunning = running; }

    QString title() const { return m_title; }
    QString status() const { return m_status; }
    QString boardVersion() const { return m_boardVersion; }
    int model() const { return m_model; }

    // The title for the board information held by the worker (after a
    // language change).
    QString titleForBoard(const QVariant &info, bool reading) const;

signals:
    void titleChanged(const QString &title);
    void statusChanged(const QString &status);
    // A board with another word than the last one: show this model.
    void modelSelected(int model);
    // A keyboard arrived and answered; the worker is reopening it.
    void keyboardArrived();
    // The open keyboard went away.
    void keyboardRemoved();
    void initialReadFinished();

private:
    void onArrived(const QString &path);
    void onRemoved(const QString &path);
    void onDeviceInfo(const QVariant &info);
    void onInitDevice(bool initialising);
    void setTitle(const QString &title);
    void setStatus(const QString &status);
    void selectModel(quint32 boardWord);

    KeyboardAction *m_worker;
    DeviceNotifier *m_notifier;
    std::function<bool(const QString &)> m_askBootLoader;
    std::function<bool(int)> m_modelAvailable;
    bool m_firmwareUpdateRunning = false;
    bool m_reading = false;
    bool m_haveBoardWord = false;
    quint32 m_boardWord = 0;
    int m_model = -1;
    QString m_title;
    QString m_status;
    QString m_boardVersion;
};
