#pragma once

#include "PairKeySetWindow.h"

// SOCD: of the two keys the one pressed last wins; only one is down at a time.
class SOCDSetWindow : public PairKeySetWindow {
    Q_OBJECT
public:
    explicit SOCDSetWindow(QWidget *parent = nullptr);
    QVariant record() const override;

protected:
    int recordPartner(const KeyInfo &info) const override { return info.boundOr<SOCDInfo>().switchType; }
    QString titleText() const override;
    QString descriptionText() const override;
};
