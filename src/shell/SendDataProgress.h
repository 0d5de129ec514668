#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QProgressBar;
class QTimer;

// The box that shows how far the sending of a configuration has got. The
// caller parents, places and shows it. Reaching 100 closes it shortly
// after; a sending that does not reach 100 within the send time-out ends
// with a time-out message instead of a box that never closes.
class SendDataProgress : public QWidget {
    Q_OBJECT
public:
    static constexpr int DefaultCloseDelay = 300;     // ms
    static constexpr int DefaultSendTimeout = 30000;  // ms

    static SendDataProgress *instance();
    explicit SendDataProgress(QWidget *parent = nullptr);

    void setText(const QString &text);
    QString text() const;
    // 0..100. Any value below 100 (re)arms the send time-out if it is not
    // running and cancels a pending close; 100 stops the time-out and
    // closes the box after the close delay.
    void setValue(int value);
    int value() const;
    // Both at once, as the profile manager reports its steps.
    void setProgress(const QString &text, int value);

    void setCloseDelay(int msecs);
    void setSendTimeout(int msecs);
    bool isClosePending() const;
    bool isSendTimeoutArmed() const;

public slots:
    void closeProgress();
    void sendTimeoutSlot();

private:
    QProgressBar *m_bar = nullptr;
    QLabel *m_label = nullptr;
    QTimer *m_closeTimer = nullptr;
    QTimer *m_sendTimer = nullptr;
};
