#pragma once

#include "TravelScopeWgt.h"

#include <QElapsedTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QSaveFile;

// The travel scope as a window of the performance page: the plot, "暂停" /
// "继续", "记录" (the stream to a CSV file the user names, until
// "停止记录"), "打开记录" (a recording played back without a keyboard),
// "保存图片" (the plot as PNG) and a summary a screen reader can read.
//
// It takes the key test's rounds only while it is shown; it says when it is
// shown and hidden (closed or minimised), so the page can start and end the
// stream, and hiding it ends a recording.
class TravelScopeWindow : public QWidget {
    Q_OBJECT
public:
    enum class FileKind { Record, Open, Picture };
    // Asks for a file name; empty: the user cancelled.
    using FilePrompt = std::function<QString(FileKind kind)>;

    explicit TravelScopeWindow(QWidget *parent = nullptr);
    ~TravelScopeWindow() override;

    TravelScopeWgt *plot() const { return m_plot; }
    void setFilePrompt(const FilePrompt &prompt) { m_prompt = prompt; }
    // The keys the page offers (those selected on the keyboard view), and
    // every key of the keyboard with its settings, for a recording's names.
    void setKeys(const QList<ScopeKey> &keys, int maximumUm);
    void setKnownKeys(const QList<ScopeKey> &keys) { m_known = keys; }
    // A round of the key test; ignored unless the window is shown.
    void addRound(const QList<QList<quint16>> &travel, const QList<QList<quint8>> &flags);

    bool isRecording() const;
    bool startRecording(const QString &path);
    bool stopRecording();
    bool openRecording(const QString &path);
    bool savePicture(const QString &path);
    void setPaused(bool paused);
    // The last message shown under the plot (errors and results alike).
    QString statusText() const;
    QString summaryText() const;
    void retranslate();

signals:
    void shown();
    void hidden();

protected:
    void hideEvent(QHideEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void setupConnections();
    void showStatus(const QString &text);
    void refreshSummary();
    void refreshButtons();

    TravelScopeWgt *m_plot = nullptr;
    QLabel *m_hint = nullptr;
    QLabel *m_summary = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_pauseBtn = nullptr;
    QPushButton *m_recordBtn = nullptr;
    QPushButton *m_openBtn = nullptr;
    QPushButton *m_pictureBtn = nullptr;
    FilePrompt m_prompt;
    QList<ScopeKey> m_known;
    QElapsedTimer m_clock;
    std::unique_ptr<QSaveFile> m_record;
    QString m_recordPath;
    int m_recordRows = 0;
};
