#pragma once

#include "PopWindow.h"

class QLabel;
class QPushButton;

// The pop-up that chooses which keys have rapid trigger: the keys that have
// it are checked on the keyboard view when it opens, the user changes the
// selection there, and "保存选择" commits it.
class KeyQuickTouchWindow : public PopWindow {
    Q_OBJECT
public:
    explicit KeyQuickTouchWindow(QWidget *parent = nullptr);

signals:
    void sigChooseAll(bool on);

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();

    QLabel *m_title = nullptr;
    QLabel *m_text = nullptr;
    QPushButton *m_all = nullptr;
    QPushButton *m_none = nullptr;
};
