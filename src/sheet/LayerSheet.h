#pragma once

#include "ProfileData.h"

#include <QList>
#include <QRectF>
#include <QString>

class QPainter;
class QPagedPaintDevice;

// The printable sheet of a profile: one page per Fn layer with the keyboard
// drawn as on screen (key sizes, gaps, legends of that layer), each advanced
// binding marked on its key, and a last page with the bound keys in a table.
// Pure drawing on any QPainter: a PDF, an SVG, the printer.
class LayerSheet {
public:
    // model: the keyboard model whose layout is drawn.
    LayerSheet(int model, const ProfileData &profile, const QString &title);

    bool isValid() const { return !m_keys.isEmpty(); }
    int pageCount() const;
    // Draws page n (0-based) into rect, which has the page's proportions.
    void drawPage(QPainter &painter, int page, const QRectF &rect) const;

    // The whole sheet to a paged device (PDF writer, printer), page after
    // page. False when there is nothing to draw or painting failed.
    bool print(QPagedPaintDevice *device) const;

    // The legend of a key on a layer, as the page shows it.
    QString legend(int keyType, int layer) const;

    // Landscape A4 in points: what an SVG page measures.
    static QSizeF pageSize() { return QSizeF(842, 595); }

private:
    struct Key {
        int type;
        QRectF rect; // in layout pixels (one key unit = 40)
        bool knob = false;
    };
    void drawKeyboard(QPainter &p, int layer, const QRectF &area) const;
    void drawBindings(QPainter &p, const QRectF &area) const;
    QString bindingText(int keyType) const;

    int m_model;
    ProfileData m_profile;
    QString m_title;
    QList<Key> m_keys;
    QRectF m_bounds;
};

// Writes the sheet as a PDF (one page a layer, then the bindings) or, for a
// path ending in ".svg", as one SVG with the pages one under the other.
// False with the reason in *why.
bool writeLayerSheet(const LayerSheet &sheet, const QString &path, QString *why);
