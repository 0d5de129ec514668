#pragma once

#include <QColor>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QPair>

// Process-wide runtime state. Everything but the key matrix belongs to the
// GUI thread; the key matrix is written by the device worker while the GUI
// reads it, so it alone is guarded.
class SoftwareConfig : public QObject
{
    Q_OBJECT
public:
    static constexpr int MatrixRows = 6;
    static constexpr int MatrixCols = 21;
    static constexpr int MatrixCells = MatrixRows * MatrixCols;
    static constexpr int NotFound = 255;

    static SoftwareConfig *instance();

    int travelScale() const { return m_travelScale; }
    void setTravelScale(int value) { m_travelScale = value; }
    int lightingEffect() const { return m_lightingEffect; }
    void setLightingEffect(int value) { m_lightingEffect = value; }
    bool lowLatency() const { return m_lowLatency; }
    void setLowLatency(bool on) { m_lowLatency = on; }
    bool keysSelectable() const { return m_keysSelectable; }
    void setKeysSelectable(bool on) { m_keysSelectable = on; }
    QMap<int, QColor> keyColourCache() const { return m_keyColours; }
    void setKeyColourCache(const QMap<int, QColor> &colours) { m_keyColours = colours; }
    void setKeyColour(int keyIndex, const QColor &colour) { m_keyColours.insert(keyIndex, colour); }

    // Key matrix, row-major. Codes 1, 2 and 3 (momentary Fn layers on the
    // wire) are stored as 0xF001..0xF003; cells outside the matrix are ignored.
    void setMatrixCell(int row, int col, quint16 code);
    quint16 matrixCell(int row, int col) const;
    void clearMatrix();
    // row * 32 + column of the first cell holding code; 255 for 0 or absent.
    int findKey(quint16 code) const;
    // First non-zero code after linear position pos, with its position;
    // (0, 126) when none is left.
    QPair<quint16, int> nextKeyAfter(int pos) const;
    // Number of non-zero cells.
    int matrixKeyCount() const;

signals:
    void changeSoftwareModeSignal(int mode);

private:
    explicit SoftwareConfig(QObject *parent = nullptr);

    int m_travelScale = 40;
    int m_lightingEffect = 0;
    bool m_lowLatency = false;
    bool m_keysSelectable = true;
    QMap<int, QColor> m_keyColours;

    mutable QMutex m_matrixLock;
    quint16 m_matrix[MatrixCells] = {};
};
