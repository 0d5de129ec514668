#pragma once

#include "ConfigPageWgt.h"

#include <QColor>
#include <QMap>

class KeyboardBtn;

// The lighting page. On it a click paints the key with the chooser's colour
// while the keyboard shows per-key colours, and a whole colour map (a
// preset) is painted and sent at once. It shows the colours the keyboard
// reports on the keys.
class ColorConfigWgt : public ConfigPageWgt {
    Q_OBJECT
public:
    explicit ColorConfigWgt(QWidget *parent = nullptr);
    QString title() const override;

protected:
    void setupConnections() override;
    void onEnter() override;
    void onLeave() override;

private:
    void onKeyClicked(KeyboardBtn *key);
    void paintKeys(const QMap<int, QColor> &colours, const QColor &missing);
    void showKeyColours(bool show);
    void onChangeRGB(const QMap<int, QColor> &colours);
};
