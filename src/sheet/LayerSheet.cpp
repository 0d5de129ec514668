#include "LayerSheet.h"

#include "AdvancedKeyKinds.h"
#include "KeyTypeTable.h"
#include "KeyboardLayouts.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#ifdef CORVANE_HAVE_SVG
#include <QBuffer>
#include <QSvgGenerator>
#endif

namespace {

constexpr qreal Unit = 40.0; // px per key unit, as the keyboard view draws it
const QColor KeyFill(245, 247, 250);
const QColor KeyEdge(160, 170, 184);
const QColor BadgeFill(64, 120, 220);
const QColor Changed(255, 244, 214);

QString text(const char *source)
{
    return QCoreApplication::translate("LayerSheet", source);
}

} // namespace

LayerSheet::LayerSheet(int model, const ProfileData &profile, const QString &title)
    : m_model(model), m_profile(profile), m_title(title)
{
    const KeyboardLayout *layout = keyboardLayoutForModel(model);
    if (!layout)
        return;
    // Rows one under the other, keys left to right as the view lays them
    // out; the numeric pad to the right, its first row beside matrix row 1.
    qreal y = layout->marginTop;
    qreal padTop = -1, rowsRight = 0;
    for (int r = 0; r < layout->rows.size(); ++r) {
        const LayoutRow &row = layout->rows.at(r);
        if (row.matrixRow == 1 && padTop < 0)
            padTop = y;
        qreal x = 0, height = Unit;
        for (const LayoutItem &item : row.items) {
            switch (item.kind) {
            case LayoutItem::Key: {
                const QRectF rect(x, y, qRound(item.key.width * Unit), qRound(item.key.height * Unit));
                m_keys.append({item.key.type, rect, false});
                x += rect.width() + row.spacing;
                height = qMax(height, rect.height());
                break;
            }
            case LayoutItem::Gap: x += item.gap; break;
            case LayoutItem::Knob:
                m_keys.append({-1, QRectF(x, y, Unit, Unit), true});
                x += Unit + row.spacing;
                break;
            case LayoutItem::Stretch: break;
            }
        }
        rowsRight = qMax(rowsRight, x);
        y += Unit + layout->gridSpacing;
        if (r == 0 && layout->functionRowApart)
            y += 20;
    }
    const qreal padLeft = rowsRight + 20;
    const qreal step = Unit + layout->padSpacing;
    for (const LayoutPadKey &pad : layout->pad) {
        const QRectF rect(padLeft + pad.gridColumn * step, qMax<qreal>(padTop, 0) + pad.gridRow * step,
                          pad.columnSpan * step - layout->padSpacing, pad.rowSpan * step - layout->padSpacing);
        m_keys.append({pad.key.type, rect, false});
    }
    for (const Key &k : m_keys)
        m_bounds |= k.rect;
}

int LayerSheet::pageCount() const
{
    if (!isValid())
        return 0;
    return 4 + (m_profile.advanced && !m_profile.advanced->isEmpty() ? 1 : 0);
}

QString LayerSheet::legend(int keyType, int layer) const
{
    int type = keyType;
    if (m_profile.layers && layer >= 0 && layer < 4)
        type = (*m_profile.layers)[size_t(layer)].value(keyType, keyType);
    const QString name = keyTypeName(type);
    return name.isEmpty() ? QString::number(type) : name;
}

QString LayerSheet::bindingText(int keyType) const
{
    const AdvancedBinding b = m_profile.advanced ? m_profile.advanced->value(keyType) : AdvancedBinding();
    const auto keyList = [](const QList<int> &keys) {
        QStringList names;
        for (int k : keys)
            if (k >= 0)
                names << keyTypeName(k);
        return names.join(QStringLiteral(" "));
    };
    if (const DKSInfo *d = b.as<DKSInfo>())
        return keyList(d->bindKey);
    if (const MPTInfo *m = b.as<MPTInfo>())
        return keyList(m->bindKey);
    if (const MTInfo *m = b.as<MTInfo>())
        return text("按住：%1，点按：%2").arg(keyTypeName(m->pressType), keyTypeName(m->clickType));
    if (const TGLInfo *t = b.as<TGLInfo>())
        return keyTypeName(t->switchType);
    if (const ENDInfo *e = b.as<ENDInfo>())
        return keyTypeName(e->switchType);
    if (const SOCDInfo *s = b.as<SOCDInfo>())
        return text("与 %1 互斥").arg(keyTypeName(s->switchType));
    if (const MACROInfo *m = b.as<MACROInfo>())
        return m->macroName;
    return QString();
}

void LayerSheet::drawKeyboard(QPainter &p, int layer, const QRectF &area) const
{
    const qreal scale = qMin(area.width() / m_bounds.width(), area.height() / m_bounds.height());
    p.save();
    p.translate(area.left() + (area.width() - m_bounds.width() * scale) / 2, area.top());
    p.scale(scale, scale);
    p.translate(-m_bounds.topLeft());
    QFont legendFont = p.font();
    legendFont.setPixelSize(11);
    QFont badgeFont = legendFont;
    badgeFont.setPixelSize(8);
    badgeFont.setBold(true);
    for (const Key &k : m_keys) {
        p.setPen(QPen(KeyEdge, 1));
        if (k.knob) {
            p.setBrush(KeyFill);
            p.drawEllipse(k.rect.adjusted(2, 2, -2, -2));
            continue;
        }
        const QString shown = legend(k.type, layer);
        const bool changed = layer == 0 ? shown != legend(k.type, -1) : shown != legend(k.type, 0);
        p.setBrush(changed ? Changed : KeyFill);
        p.drawRoundedRect(k.rect.adjusted(1, 1, -1, -1), 5, 5);
        p.setPen(Qt::black);
        p.setFont(legendFont);
        p.drawText(k.rect.adjusted(2, 2, -2, -2), Qt::AlignCenter | Qt::TextWordWrap, shown);
        const int kind = m_profile.advanced ? m_profile.advanced->value(k.type).kind() : int(Bind_None);
        if (const AdvancedKindTraits *t = advancedKindTraits(kind)) {
            const QRectF badge(k.rect.right() - 24, k.rect.top() + 1, 23, 11);
            p.setPen(Qt::NoPen);
            p.setBrush(BadgeFill);
            p.drawRoundedRect(badge, 3, 3);
            p.setPen(Qt::white);
            p.setFont(badgeFont);
            p.drawText(badge, Qt::AlignCenter, QLatin1String(t->label));
        }
    }
    p.restore();
}

void LayerSheet::drawBindings(QPainter &p, const QRectF &area) const
{
    QFont f = p.font();
    f.setPixelSize(12);
    p.setFont(f);
    p.setPen(Qt::black);
    const qreal line = 18;
    qreal y = area.top();
    const qreal columns[] = {area.left(), area.left() + 120, area.left() + 200};
    QFont bold = f;
    bold.setBold(true);
    p.setFont(bold);
    p.drawText(QPointF(columns[0], y + 12), text("按键"));
    p.drawText(QPointF(columns[1], y + 12), text("类型"));
    p.drawText(QPointF(columns[2], y + 12), text("设置"));
    p.setFont(f);
    y += line;
    for (auto it = m_profile.advanced->cbegin(); it != m_profile.advanced->cend() && y < area.bottom(); ++it) {
        const AdvancedKindTraits *t = advancedKindTraits(it->kind());
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        p.drawText(QPointF(columns[0], y + 13), legend(it.key(), -1));
        p.drawText(QPointF(columns[1], y + 13), t ? QLatin1String(t->label) : QString());
        p.drawText(QPointF(columns[2], y + 13), bindingText(it.key()));
        y += line;
    }
}

void LayerSheet::drawPage(QPainter &p, int page, const QRectF &rect) const
{
    if (page < 0 || page >= pageCount())
        return;
    const QRectF area = rect.adjusted(36, 36, -36, -36);
    QFont title = p.font();
    title.setPixelSize(18);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::black);
    const QString heading = page < 4 ? text("Fn%1 层").arg(page) : text("高级键");
    p.drawText(QRectF(area.left(), area.top(), area.width(), 28), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("%1 — %2").arg(m_title, heading));
    const QRectF body = area.adjusted(0, 40, 0, 0);
    if (page < 4)
        drawKeyboard(p, page, body);
    else
        drawBindings(p, body);
}

bool LayerSheet::print(QPagedPaintDevice *device) const
{
    if (!isValid())
        return false;
    QPainter p;
    if (!p.begin(device))
        return false;
    const qreal scale = device->logicalDpiX() / 72.0;
    for (int page = 0; page < pageCount(); ++page) {
        if (page > 0 && !device->newPage())
            return false;
        p.save();
        p.scale(scale, scale);
        const QSizeF size(device->width() / scale, device->height() / scale);
        drawPage(p, page, QRectF(QPointF(0, 0), size));
        p.restore();
    }
    return p.end();
}

bool writeLayerSheet(const LayerSheet &sheet, const QString &path, QString *why)
{
    if (!sheet.isValid()) {
        *why = QStringLiteral("no layout for this keyboard model");
        return false;
    }
    if (QFileInfo(path).isSymLink()) {
        *why = QStringLiteral("%1 is a symbolic link").arg(path);
        return false;
    }
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        *why = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    bool ok = false;
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
#ifdef CORVANE_HAVE_SVG
        const QSizeF page = LayerSheet::pageSize();
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(QSize(int(page.width()), int(page.height() * sheet.pageCount())));
        svg.setViewBox(QRectF(0, 0, page.width(), page.height() * sheet.pageCount()));
        svg.setTitle(QFileInfo(path).completeBaseName());
        QPainter p;
        ok = p.begin(&svg);
        for (int n = 0; ok && n < sheet.pageCount(); ++n)
            sheet.drawPage(p, n, QRectF(QPointF(0, page.height() * n), page));
        ok = ok && p.end();
#else
        *why = QStringLiteral("this build writes no SVG");
        file.cancelWriting();
        return false;
#endif
    } else {
        QPdfWriter pdf(&file);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF()));
        pdf.setResolution(300);
        pdf.setTitle(QFileInfo(path).completeBaseName());
        pdf.setCreator(QStringLiteral("Corvane"));
        ok = sheet.print(&pdf);
    }
    if (!ok) {
        *why = QStringLiteral("cannot draw the sheet into %1").arg(path);
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *why = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
