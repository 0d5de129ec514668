#pragma once

#include <QString>
#include <QWidget>

class QLabel;

// One grey line of hint text.
class TipWgt : public QWidget {
    Q_OBJECT
public:
    explicit TipWgt(const QString &text = QString(), QWidget *parent = nullptr);

    void setText(const QString &text);
    QString text() const;

private:
    QLabel *m_label = nullptr;
};
