#pragma once

#include "KeyInfo.h"

#include <QDialog>
#include <QList>

class AdvanceTypeItemWgt;
class QButtonGroup;

// The binding-kind chooser that opens beside a free key on the advanced
// page: DKS, MPT, MT, TGL, END, SOCD and MACRO. A choice hides the chooser
// and announces kindChosen with the key; it also hides when it loses
// activation or Escape is pressed.
class AdvanceTypeChooseWindow : public QDialog {
    Q_OBJECT
public:
    explicit AdvanceTypeChooseWindow(QWidget *parent = nullptr);

    // The kind of chooser button id (0..6).
    static int kindOfId(int id);

    // Shows the chooser for that key at a global position (kept on screen).
    void showFor(const KeyInfo &info, const QPoint &globalPos);
    const KeyInfo &keyInfo() const { return m_info; }
    QList<AdvanceTypeItemWgt *> items() const { return m_items; }

signals:
    void kindChosen(const KeyInfo &info, BindKeyType kind);

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void retranslate();
    void onItemClicked(int id);

    KeyInfo m_info;
    QButtonGroup *m_group = nullptr;
    QList<AdvanceTypeItemWgt *> m_items;
};
