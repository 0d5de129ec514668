#pragma once

#include "KeyInfo.h"

#include <QColor>
#include <QPainterPath>
#include <QPixmap>
#include <QToolButton>

#include <memory>

class QLabel;
class QTextLayout;

// What a key shows besides its colour; the page on screen chooses.
enum class KeyFace {
    Legend,      // the key's name (or its picture)
    Travel,      // its own travel and rapid-trigger distances where it has them
    Calibration, // the live calibration values
    KeyTest,     // the legend over a fill as deep as the key is pressed
    Bindings,    // the badge of its advanced binding
    BindTargets, // badges, and an "add" mark on free keys under the pointer
};

// One key of the drawn keyboard. It carries the key's data, draws it as the
// face says, takes key names dropped from the picker and keeps its own
// check mark (the selection the pages use). What a click means is the
// page's business.
class KeyboardBtn : public QToolButton {
    Q_OBJECT
public:
    static constexpr int KeyUnit = 40; // px per key unit
    static const QColor NeutralColour;
    // The MIME format the picker's drags carry.
    static const QString DragFormat;

    explicit KeyboardBtn(QWidget *parent = nullptr);
    ~KeyboardBtn() override;

    const KeyInfo &keyData() const { return m_key; }
    // Copies the data; the legend follows the current type.
    void setKeyData(const KeyInfo &info);
    void setCurrentType(int type);
    int firstType() const { return int(m_key.firstType); }
    int currentType() const { return int(m_key.currentType); }
    QString legend() const { return m_legend; }
    void setLegend(const QString &text);
    // The display name of the current type.
    void restoreLegend();

    QColor keyColour() const { return m_keyColour; }
    void setKeyColour(const QColor &colour);
    void setTravel(double mm, bool differs);
    void setRapidTrigger(bool on);
    void setRapidTriggerDistances(double press, double release);
    void setAdvancedRecord(const KeyInfo &info); // bind kind and its record
    KeyFace face() const { return m_face; }
    void setFace(KeyFace face);

    bool isSelectable() const { return m_selectable; }
    // A key that cannot be selected loses its check mark.
    void setSelectable(bool on);
    bool isKeyChecked() const;
    // Changes the check mark and announces a change; setting the state the
    // key already has does nothing.
    void setKeyChecked(bool on);
    bool isHighlighted() const { return m_highlight; }
    // A warning about the key (a drifting sensor): a red corner mark, and
    // the text as its tool tip and in what a screen reader hears of it.
    // Empty: none.
    void setAttention(const QString &text);
    QString attention() const { return m_attention; }
    void setHighlight(bool on);
    bool isHovered() const { return m_hover; }

    void setPixmap(const QPixmap &pixmap);
    void setMatrixPosition(int row, int column);
    int matrixRow() const { return m_row; }
    int matrixColumn() const { return m_column; }
    // Size in key units.
    void setKeySize(double width, double height);
    // Fn layer of the view the key sits on; it decides which Fn keys a drop
    // may put here.
    void setLayer(int layer) { m_layer = layer; }
    // Raw and converted values of calibration and key test.
    void setLiveValues(quint16 first, quint16 second);
    quint16 liveFirst() const { return m_live1; }
    quint16 liveSecond() const { return m_live2; }
    // Millimetres with these decimals; the key-test depth against this travel.
    void setTravelFormat(int decimals, int maximumUm);

    // The type a drop of this text gives on a key of that layer, or -1 when
    // the drop is refused (unknown name, or an Fn key of this layer or a
    // lower one).
    static int dropTypeFor(const QString &text, int layer);

signals:
    void sigUpateLayoutNewKey(int firstType, int newType);
    void checkChanged(bool checked);

public slots:
    void onKeyClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void paintTravel(QPainter &p);
    void paintCalibration(QPainter &p);
    void paintDepth(QPainter &p, const QRectF &r);
    void paintBadge(QPainter &p);
    // What the key test draws of a key: how deep it is (0 released, 1 at
    // the keyboard's maximum travel) and whether it is actuated.
    struct KeyTestLook {
        double depth = 0;
        bool actuated = false;
        bool operator!=(const KeyTestLook &o) const { return depth != o.depth || actuated != o.actuated; }
    };
    KeyTestLook keyTestLook(quint16 um, quint16 state) const;
    // The calibration's converted value as the key shows it.
    QString calibrationMm(quint16 um) const;
    QString mmText(double mm) const;
    // The cap without what changes while a key is pressed (its fill and
    // outline), from pictures drawn once.
    void paintCap(QPainter &p);
    // The legend over the whole key, measured once per text and size.
    void paintLegend(QPainter &p);
    // Screen readers and GUI automation find the key by its legend and hear
    // its state.
    void updateAccessibility();

    QPixmap m_pixmap;
    KeyInfo m_key;
    QString m_legend = QStringLiteral("F1");
    QColor m_textColour = Qt::black;
    QColor m_keyColour = NeutralColour;
    bool m_hover = false;
    bool m_selectable = false;
    bool m_highlight = false;
    QString m_attention;
    QLabel *m_check = nullptr;
    KeyFace m_face = KeyFace::Legend;
    int m_row = 0;
    int m_column = 0;
    int m_layer = 0;
    quint16 m_live1 = 0;
    quint16 m_live2 = 0;
    int m_decimals = 2;      // as the keyboard writes its millimetres
    int m_maximumUm = 4000; // its longest travel
    struct CapPictures {
        QSize size;
        QRgb colour = 0;
        qreal ratio = 0;
        QPixmap fill;
        QPixmap outline;
    };
    CapPictures m_cap;
    // The legend as last laid out, and what it was laid out for.
    struct LegendFor {
        QString text;
        QSize size;
        QFont font;
        qreal ratio = 0;
        int dpi = 0;
        Qt::LayoutDirection direction = Qt::LeftToRight;
        bool operator==(const LegendFor &o) const
        {
            return text == o.text && size == o.size && font == o.font && ratio == o.ratio && dpi == o.dpi
                   && direction == o.direction;
        }
    };
    std::unique_ptr<QTextLayout> m_legendLayout;
    LegendFor m_legendFor;
    qreal m_legendTop = 0;
    bool m_legendClipped = false;
    // The cap's outline, which paintDepth fills up to the key's depth.
    QPainterPath m_capPath;
    QRectF m_capPathRect;
};
