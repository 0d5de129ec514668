#pragma once

#include <QDialog>

class QPushButton;
class QWidget;

// A confirm window: the subclass or caller fills contentArea(); OK and
// cancel both hide the window, then emit sigCommit() or sigCancel().
class PopWindow : public QDialog {
    Q_OBJECT
public:
    explicit PopWindow(QWidget *parent = nullptr);

    QWidget *contentArea() const;
    QPushButton *commitButton() const;
    QPushButton *cancelButton() const;

signals:
    void sigCommit();
    void sigCancel();

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();

    QWidget *m_content = nullptr;
    QPushButton *m_commit = nullptr;
    QPushButton *m_cancel = nullptr;
};
