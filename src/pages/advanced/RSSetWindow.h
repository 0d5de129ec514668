#pragma once

#include "PairKeySetWindow.h"

// RS: of the two keys the one pressed deeper wins; both when both bottom out.
class RSSetWindow : public PairKeySetWindow {
    Q_OBJECT
public:
    explicit RSSetWindow(QWidget *parent = nullptr);
    QVariant record() const override;

protected:
    int recordPartner(const KeyInfo &info) const override { return info.boundOr<RSInfo>().switchType; }
    QString titleText() const override;
    QString descriptionText() const override;
};
