#pragma once

#include <QColor>
#include <QList>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QToolButton;

// The chooser's current colour beside the colours used lately (newest
// first); a click on one of those makes it the current colour again.
class Swatches : public QWidget {
    Q_OBJECT
public:
    static constexpr int MaxCustom = 6;

    explicit Swatches(QWidget *parent = nullptr);

    QColor currentColor() const { return m_current; }
    QList<QColor> customColors() const { return m_custom; }
    QToolButton *customButton(int i) const { return m_buttons.value(i); }
    void retranslate();

signals:
    void swatchChanged(QColor color);

public slots:
    // Puts the colour first (once), dropping the oldest past MaxCustom.
    void addCustomSwatch(QColor color);
    void setCurrentColor(QColor color);

private:
    void rebuild();

    QColor m_current;
    QList<QColor> m_custom;
    QLabel *m_currentPatch = nullptr;
    QList<QToolButton *> m_buttons;
    QHBoxLayout *m_row = nullptr;
};
