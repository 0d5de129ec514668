#pragma once

#include "SoftwareUpdate.h"

#include <QPoint>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;

// The updater's window: what SoftwareUpdate is doing, the update button and
// the download's progress. It asks to quit (sigQuit) when closed, and by
// itself three seconds after a finished update.
class Update : public QWidget {
    Q_OBJECT
public:
    static constexpr int QuitDelayMs = 3000;

    explicit Update(SoftwareUpdate *update, QWidget *parent = nullptr);
    void setQuitDelay(int ms);

    QString statusText() const;
    QLabel *dotsLabel() const { return m_dots; }
    QPushButton *updateButton() const { return m_updateBtn; }
    QProgressBar *progressBar() const { return m_progress; }
    QToolButton *closeButton() const { return m_closeBtn; }

signals:
    void sigQuit();

public slots:
    void closeBtnClicked();
    void updateBtnClicked();

protected:
    void changeEvent(QEvent *event) override;
    // The window manager's close (Alt+F4, the task bar) as the close button.
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildWidgets();
    void showState();
    void tick();

    SoftwareUpdate *m_update;
    QToolButton *m_closeBtn = nullptr;
    QLabel *m_status = nullptr;
    QLabel *m_dots = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_updateBtn = nullptr;
    QTimer *m_dotsTimer;
    int m_dotCount = 0;
    QTimer *m_quitTimer;
};
