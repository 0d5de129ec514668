#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks for a profile name. OK copies the text into the caller's string and
// closes; cancel closes and leaves the string empty. Run it modally.
class inputWindow : public QDialog {
    Q_OBJECT
public:
    // Returns an empty string for a usable name, otherwise what is wrong.
    using NameCheck = std::function<QString(const QString &)>;

    inputWindow(QString *result, QWidget *parent = nullptr);

    // With a check, OK on an unusable name shows why and keeps the window open.
    void setNameCheck(NameCheck check);
    QLineEdit *lineEdit() const;
    QString errorText() const;

signals:
    void textSubmitted(QString text);

public slots:
    void onSubmitClicked();
    void onCancelClicked();

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();

    QString *m_result;
    NameCheck m_check;
    QLabel *m_prompt = nullptr;
    QLineEdit *m_edit = nullptr;
    QLabel *m_error = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
};
