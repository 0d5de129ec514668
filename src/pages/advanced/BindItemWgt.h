#pragma once

#include "KeyInfo.h"

#include <QWidget>

class QLabel;
class QPushButton;

// One entry of the binding list: the key, its kind and the keys it sends
// (for a macro, the macro's name), with a delete button.
class BindItemWgt : public QWidget {
    Q_OBJECT
public:
    static constexpr int Width = 500, Height = 70;
    // The entries' look, for the list that holds them.
    static QString listStyleSheet();

    explicit BindItemWgt(const KeyInfo &info, QWidget *parent = nullptr);

    const KeyInfo &keyInfo() const { return m_info; }
    int firstType() const { return int(m_info.firstType); }
    int kind() const { return m_info.bindKind(); }
    void setKeyInfo(const KeyInfo &info);

    QPushButton *deleteButton() const { return m_delete; }
    // What the entry shows: key, kind and bound keys.
    QString keyText() const;
    QString kindText() const;
    QString boundText() const;

signals:
    void sigDeleteItem();
    // What the entry says changed: its list item's name follows it.
    void sigNameChanged(const QString &name);

protected:
    void changeEvent(QEvent *event) override;

private:
    void refresh();

    KeyInfo m_info;
    QLabel *m_key = nullptr;
    QLabel *m_kind = nullptr;
    QLabel *m_bound = nullptr;
    QPushButton *m_delete = nullptr;
};
