#pragma once

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QWidget>

// A hue ring around a saturation/value square. A press on the ring starts a
// hue drag, a press in the square a saturation/value drag; the drag follows
// the pointer until release (a hue drag follows its angle even off the
// ring, a saturation/value drag is held to the square's edges).
class ColorWheel : public QWidget {
    Q_OBJECT
public:
    static constexpr int Margin = 2;

    explicit ColorWheel(QWidget *parent = nullptr);

    QColor color() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Geometry of the current size, in widget coordinates.
    QRectF drawingSquare() const { return m_square; }
    int ringWidth() const { return m_ringWidth; }
    double outerRadius() const;
    double innerRadius() const;
    QRectF svSquare() const;

    // The hue a point on the ring stands for (0..359), and the saturation
    // and value (0..255) a point in the square stands for, held to the
    // square.
    int hueAt(const QPointF &point) const;
    QPair<int, int> saturationValueAt(const QPointF &point) const;
    bool onRing(const QPointF &point) const;
    bool inSquare(const QPointF &point) const;

signals:
    void colorChanged(QColor color);

public slots:
    // Shows the colour; a grey keeps the hue shown so far.
    void setColor(QColor color);

private slots:
    void hueChanged(int hue);
    void svChanged(QColor newcolor);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    enum class Drag { None, Hue, SaturationValue };
    void setHsv(int hue, int saturation, int value);
    void dragTo(const QPointF &point);
    void updateAccessibility();

    int m_hue = 0;
    int m_saturation = 255;
    int m_value = 255;
    int m_ringWidth = 13;
    QRectF m_square;
    QImage m_svImage; // the square for m_hue at the current size
    int m_svImageHue = -1;
    Drag m_drag = Drag::None;
};
