#pragma once

#include <QAbstractButton>

class QLabel;

// One kind in the binding-kind chooser: its title and what it does.
class AdvanceTypeItemWgt : public QAbstractButton {
    Q_OBJECT
public:
    explicit AdvanceTypeItemWgt(QWidget *parent = nullptr);
    void setTexts(const QString &title, const QString &description);
    QString title() const;
    QString description() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QLabel *m_title = nullptr;
    QLabel *m_description = nullptr;
    bool m_hover = false;
};
