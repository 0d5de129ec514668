#include "KeyboardLayouts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QMap>
#include <QSpacerItem>
#include <QStringList>
#include <QWidget>

#include <cmath>

namespace {

// A row is written as text, one token per key or gap:
//   N        key of type N          A-B     keys of types A..B
//   :w / :wxh  size in key units after a single key (N:2.2, N:1x2.15)
//   |px      fixed gap              K       the knob        ~  stretch
struct RowText {
    int matrixRow;
    const char *keys;
    int spacing;
};

// The numeric pad in creation order: Num / * -, 7 8 9, 4 5 6, 1 2 3, 0 .,
// then + and Enter, which span two grid rows.
struct PadCell {
    int matrixRow, gridRow, gridColumn, rowSpan, columnSpan;
    double width, height;
};
const PadCell kPad[17] = {
    {1, 0, 0, 1, 1, 1, 1}, {1, 0, 1, 1, 1, 1, 1}, {1, 0, 2, 1, 1, 1, 1}, {1, 0, 3, 1, 1, 1, 1},
    {2, 1, 0, 1, 1, 1, 1}, {2, 1, 1, 1, 1, 1, 1}, {2, 1, 2, 1, 1, 1, 1},
    {3, 2, 0, 1, 1, 1, 1}, {3, 2, 1, 1, 1, 1, 1}, {3, 2, 2, 1, 1, 1, 1},
    {4, 3, 0, 1, 1, 1, 1}, {4, 3, 1, 1, 1, 1, 1}, {4, 3, 2, 1, 1, 1, 1},
    {5, 4, 0, 1, 2, 2.15, 1}, {5, 4, 2, 1, 1, 1, 1},
    {2, 1, 3, 2, 1, 1, 2.15}, {4, 3, 3, 2, 1, 1, 2.15},
};
// Key types of the pad keys above, in the same order.
const int kPadTypes[17] = {87, 88, 89, 90, 91, 92, 93, 94, 95, 96, 97, 98, 99, 100, 101, 102, 103};

enum class Pad { None, Explicit };

struct ModelText {
    int modelId;
    const char *className;
    QVector<RowText> rows;
    Pad pad;
    int padSpacing;
    bool functionRowApart;
    int gridSpacing;
    int marginTop, marginBottom;
};

// Rows shared by several models.
#define ROW1_ESC "0 17-28 29:2.2"
#define ROW1_GRAVE "16-28 29:2.2"
#define ROW2 "33:1.6 34-45 46:1.6"
#define ROW3 "50:1.9 51-61 62:2.45"
#define ROW4 "63:2.35 64-73"
#define BOTTOM_LEFT "76:1.3 77:1.3 78:1.3 79:7.05"
#define BOTTOM10 BOTTOM_LEFT " 80 81 83 84 85 86"
#define BOTTOM9 BOTTOM_LEFT " 81:1.3 83:1.3 |22 84-86"
#define FULL_ROWS                                                                \
    {1, "16-28 29:2.2 |20 30-32", 6}, {2, "33:1.6 34-45 46:1.6 |20 47-49", 6},   \
    {3, "50:1.9 51-61 62:2.5 |176", 6}, {4, "63:2.5 64-73 74:3.0 |68 75 |64", 6}, \
    {5, "76:1.3 77:1.3 78:1.3 79:7.05 80:1.3 81:1.3 82:1.3 83:1.3 |20 84-86 |20", 6}

const QVector<ModelText> &modelTexts()
{
    static const QVector<ModelText> texts = {
        {0, "Keyboard104Wgt",
         {{0, "0 |40 1-4 |20 5-8 |20 9-12 |18 13-15", 7}, FULL_ROWS},
         Pad::Explicit, 8, true, 8, 11, 11},
        {1, "Keyboard84Wgt",
         {{0, "0-15", 6}, {1, ROW1_GRAVE " 30", 6}, {2, ROW2 " 47", 6}, {3, ROW3 " 32", 6},
          {4, ROW4 " 74:2.0 75 49", 6}, {5, BOTTOM10, 6}},
         Pad::None, 6, false, 10, 10, 10},
        {2, "Keyboard87Wgt",
         {{0, "0 |40 1-4 |20 5-8 |20 9-12 |18 13-15", 7}, FULL_ROWS},
         Pad::None, 6, true, 8, 11, 11},
        {3, "Keyboard99Wgt",
         {{0, "0 |12 1-4 |8 5-8 |8 9-12 |14 13-15 30 47", 6}, {1, ROW1_GRAVE, 6}, {2, ROW2, 6},
          {3, ROW3, 6}, {4, "63:2.0 64-73 74:1.2 75", 6},
          {5, "76:1.3 77:1.3 78:1.3 79:5.9 80 81 83 84-86", 6}},
         Pad::Explicit, 6, false, 10, 10, 10},
        {4, "Keyboard81Wgt",
         {{0, "0 |12 1-4 |12 5-8 |12 9-12 |12 13 14", 6}, {1, ROW1_GRAVE " 30", 6}, {2, ROW2 " 47", 6},
          {3, ROW3 " 32", 6}, {4, ROW4 " 74:2.0 75", 6}, {5, BOTTOM9, 6}},
         Pad::None, 6, false, 10, 10, 10},
        {5, "Keyboard67Wgt",
         {{1, ROW1_ESC " 30", 6}, {2, ROW2 " 47", 6}, {3, ROW3 " 32", 6}, {4, ROW4 " 74:2.0 75 49", 6},
          {5, BOTTOM_LEFT " 80:1.2 81:1.2 |30 84-86", 6}},
         Pad::None, 6, false, 10, 30, 30},
        {6, "Keyboard68Wgt",
         {{1, ROW1_ESC " 30", 6}, {2, ROW2 " 47", 6}, {3, ROW3 " 32", 6}, {4, ROW4 " 74:2.0 75 49", 6},
          {5, BOTTOM10, 6}},
         Pad::None, 6, false, 10, 30, 30},
        {8, "Keyboard29Wgt",
         {{0, "0", 6}, {1, "16-22", 6}, {2, "33:1.6 34-38", 6}, {3, "50:1.9 51-55", 6},
          {4, "63:2.35 64-67", 6}, {5, "76:1.3 77:1.3 78:1.3 79:2.5", 6}},
         Pad::None, 6, false, 10, 10, 10},
        {9, "Keyboard64Wgt",
         {{1, ROW1_ESC, 6}, {2, ROW2, 6}, {3, ROW3, 6}, {4, "63:2.0 64-73 74:1.2 75 47", 6},
          {5, BOTTOM_LEFT " 81 83 84-86", 6}},
         Pad::None, 6, false, 10, 30, 30},
        {10, "Keyboard61Wgt",
         {{1, ROW1_ESC, 6}, {2, ROW2, 6}, {3, ROW3, 6}, {4, ROW4 " 74:3.15", 6},
          {5, BOTTOM_LEFT " 81:1.3 83:1.3 84:1.3 85:1.3", 6}},
         Pad::None, 6, false, 10, 30, 30},
        {11, "Keyboard88Wgt",
         {{0, "0 |18 1-4 |12 5-8 |12 9-12 155 |12 13-15", 7}, FULL_ROWS},
         Pad::None, 6, true, 8, 11, 11},
        {12, "Keyboard83Wgt",
         {{0, "0 |12 1-4 |12 5-8 |12 9-12 |12 13 14", 6}, {1, ROW1_GRAVE " 30", 6}, {2, ROW2 " 47", 6},
          {3, ROW3 " 32", 6}, {4, ROW4 " 74:2.0 75 49", 6}, {5, BOTTOM10, 6}},
         Pad::None, 6, false, 10, 10, 10},
        {13, "Keyboard83AWgt",
         {{0, "0 |34 1-4 |12 5-8 |12 9-12 |36 13 14", 6}, {1, ROW1_GRAVE " 30 31", 6},
          {2, ROW2 " 47 48", 6}, {3, ROW3, 6}, {4, ROW4 " 74:3.15 75", 6},
          {5, BOTTOM_LEFT " 80 81 83 |46 84-86", 6}},
         Pad::None, 6, false, 10, 10, 10},
        {14, "Keyboard66AWgt",
         {{1, ROW1_ESC " K", 6}, {2, ROW2 " 47", 6}, {3, ROW3 " 32", 6}, {4, ROW4 " 74:2.0 75 49", 6},
          {5, BOTTOM9, 6}},
         Pad::None, 6, false, 10, 30, 30},
        {15, "Keyboard21Wgt",
         {{0, "30-33", 6}},
         Pad::Explicit, 6, false, 10, 10, 10},
        {16, "Keyboard67AWgt",
         {{1, ROW1_ESC " K", 6}, {2, ROW2 " 47", 6}, {3, ROW3 " 32", 6}, {4, ROW4 " 74:2.0 75 49", 6},
          {5, BOTTOM10, 6}},
         Pad::None, 6, false, 10, 30, 30},
        {17, "Keyboard80Wgt",
         {{0, "0 |12 1-4 |12 5-8 |12 9-12 |12 13 K", 6}, {1, ROW1_GRAVE " 30", 6}, {2, ROW2 " 47", 6},
          {3, ROW3 " 32", 6}, {4, ROW4 " 74:2.0 75", 6}, {5, BOTTOM9, 6}},
         Pad::None, 6, false, 10, 10, 10},
        {18, "Keyboard98Wgt",
         {{0, "0 |12 1-4 |8 5-8 |8 9-12 |14 13-15 30 47", 6}, {1, ROW1_GRAVE, 6}, {2, ROW2, 6},
          {3, ROW3, 6}, {4, "63:2.0 64-73 74:1.2 75", 6}, {5, BOTTOM_LEFT " 81 83 84-86", 6}},
         Pad::Explicit, 6, false, 10, 10, 10},
        {19, "Keyboard81AWgt",
         {{0, "0 |40 1-4 |20 5-8 |20 9-12", 6}, {1, ROW1_GRAVE " 30", 6}, {2, ROW2 " 47", 6},
          {3, ROW3 " 32", 6}, {4, ROW4 " 74:2.0 75 49", 6}, {5, BOTTOM10, 6}},
         Pad::None, 6, false, 10, 10, 10},
        {20, "Keyboard68AWgt",
         {{1, ROW1_ESC " 30 31", 6}, {2, ROW2 " 47 48", 6}, {3, ROW3, 6}, {4, ROW4 " 74:3.15 75", 6},
          {5, BOTTOM_LEFT " 80 81 83 |46 84-86", 6}},
         Pad::None, 6, false, 10, 30, 30},
        {21, "Keyboard82AWgt",
         {{0, "0 |12 1-4 |12 5-8 |12 9-12 |12 13 K", 6}, {1, ROW1_GRAVE " 30", 6}, {2, ROW2 " 47", 6},
          {3, ROW3 " 32", 6}, {4, ROW4 " 74:2.0 75 49", 6}, {5, BOTTOM10, 6}},
         Pad::None, 6, false, 10, 10, 10},
        {22, "Keyboard79AWgt",
         {{0, "0 |34 1-4 |12 5-8 |12 9-12 |36 K", 6}, {1, ROW1_GRAVE " 30", 6}, {2, ROW2 " 47", 6},
          {3, ROW3 " 32", 6}, {4, ROW4 " 74:2.0 75", 6}, {5, BOTTOM9, 6}},
         Pad::None, 6, false, 10, 10, 10},
        {23, "Keyboard98AWgt",
         {{0, "0 |12 1-4 |8 5-8 |8 9-12 |60 13-15 47", 6}, {1, ROW1_GRAVE, 6}, {2, ROW2, 6},
          {3, ROW3, 6}, {4, "63:2.0 64-73 74:1.2 75", 6},
          {5, "76:1.3 77:1.3 78:1.3 79:5.9 80 81 83 84-86", 6}},
         Pad::Explicit, 6, false, 10, 10, 10},
    };
    return texts;
}

// Parses "w" or "wxh" after a colon.
void parseSize(const QString &text, LayoutKey *key)
{
    const QStringList parts = text.split(QLatin1Char('x'));
    key->width = parts.value(0).toDouble();
    key->height = parts.size() > 1 ? parts.at(1).toDouble() : 1.0;
}

// Counts group ids and matrix columns while the model is read in creation
// order: a key's column is the number of keys of its matrix row before it.
struct Counter {
    int groupId = 0;
    int columns[6] = {};

    LayoutKey next(int row, int type)
    {
        LayoutKey key;
        key.groupId = groupId++;
        key.type = type;
        key.row = row;
        key.column = columns[row]++;
        return key;
    }
};

LayoutRow parseRow(const RowText &text, Counter &counter)
{
    LayoutRow row;
    row.matrixRow = text.matrixRow;
    row.spacing = text.spacing;
    const QStringList tokens = QString::fromLatin1(text.keys).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &token : tokens) {
        LayoutItem item;
        if (token.startsWith(QLatin1Char('|'))) {
            item.kind = LayoutItem::Gap;
            item.gap = token.mid(1).toInt();
            row.items.append(item);
            continue;
        }
        if (token == QLatin1String("K") || token == QLatin1String("~")) {
            item.kind = token == QLatin1String("K") ? LayoutItem::Knob : LayoutItem::Stretch;
            row.items.append(item);
            continue;
        }
        const QString head = token.section(QLatin1Char(':'), 0, 0);
        const QString size = token.section(QLatin1Char(':'), 1);
        int first = 0, last = 0;
        if (head.contains(QLatin1Char('-'))) {
            first = head.section(QLatin1Char('-'), 0, 0).toInt();
            last = head.section(QLatin1Char('-'), 1).toInt();
        } else {
            first = last = head.toInt();
        }
        for (int t = first; t <= last; ++t) {
            item.kind = LayoutItem::Key;
            item.key = counter.next(row.matrixRow, t);
            if (!size.isEmpty())
                parseSize(size, &item.key);
            row.items.append(item);
        }
    }
    return row;
}

KeyboardLayout buildLayout(const ModelText &text)
{
    KeyboardLayout layout;
    layout.modelId = text.modelId;
    layout.className = QString::fromLatin1(text.className);
    layout.padSpacing = text.padSpacing;
    layout.functionRowApart = text.functionRowApart;
    layout.gridSpacing = text.gridSpacing;
    layout.marginTop = text.marginTop;
    layout.marginBottom = text.marginBottom;
    Counter counter;
    for (const RowText &row : text.rows)
        layout.rows.append(parseRow(row, counter));
    if (text.pad != Pad::None) {
        for (int i = 0; i < 17; ++i) {
            const PadCell &cell = kPad[i];
            LayoutPadKey key;
            key.key = counter.next(cell.matrixRow, kPadTypes[i]);
            key.key.width = cell.width;
            key.key.height = cell.height;
            key.gridRow = cell.gridRow;
            key.gridColumn = cell.gridColumn;
            key.rowSpan = cell.rowSpan;
            key.columnSpan = cell.columnSpan;
            layout.pad.append(key);
        }
    }
    return layout;
}

const QMap<int, KeyboardLayout> &layouts()
{
    static const QMap<int, KeyboardLayout> all = [] {
        QMap<int, KeyboardLayout> map;
        for (const ModelText &text : modelTexts())
            map.insert(text.modelId, buildLayout(text));
        return map;
    }();
    return all;
}

} // namespace

QList<LayoutKey> KeyboardLayout::keys() const
{
    QList<LayoutKey> out;
    for (const LayoutRow &row : rows)
        for (const LayoutItem &item : row.items)
            if (item.kind == LayoutItem::Key)
                out.append(item.key);
    for (const LayoutPadKey &key : pad)
        out.append(key.key);
    return out;
}

int KeyboardLayout::knobCount() const
{
    int n = 0;
    for (const LayoutRow &row : rows)
        for (const LayoutItem &item : row.items)
            n += item.kind == LayoutItem::Knob ? 1 : 0;
    return n;
}

const KeyboardLayout *keyboardLayoutForModel(int modelId)
{
    const auto &all = layouts();
    const auto it = all.constFind(modelId);
    return it == all.constEnd() ? nullptr : &it.value();
}

QList<int> keyboardModelIds()
{
    return layouts().keys();
}

QLayout *assembleLayout(const KeyboardLayout &layout, double scale,
                        const std::function<QWidget *(const LayoutKey &)> &makeKey,
                        const std::function<QWidget *()> &makeKnob,
                        QList<QHBoxLayout *> *rowLayouts, QGridLayout **padGrid)
{
    auto px = [scale](int value) { return int(std::lround(value * scale)); };
    auto *grid = new QGridLayout;
    grid->setSpacing(px(layout.gridSpacing));
    grid->setContentsMargins(0, 0, 0, 0);

    const bool hasPad = !layout.pad.isEmpty();
    bool mainBlock = false;
    for (const LayoutRow &row : layout.rows)
        mainBlock = mainBlock || row.matrixRow > 0;
    const int padColumn = mainBlock ? 1 : 0;
    int gridRow = 0;
    int padGridRow = -1;
    for (const LayoutRow &row : layout.rows) {
        auto *box = new QHBoxLayout;
        box->setSpacing(px(row.spacing));
        box->setContentsMargins(0, 0, 0, 0);
        for (const LayoutItem &item : row.items) {
            switch (item.kind) {
            case LayoutItem::Key: box->addWidget(makeKey(item.key)); break;
            case LayoutItem::Gap: box->addSpacing(px(item.gap)); break;
            case LayoutItem::Knob: box->addWidget(makeKnob()); break;
            case LayoutItem::Stretch: box->addStretch(); break;
            }
        }
        box->addStretch();
        if (rowLayouts)
            rowLayouts->append(box);
        if (row.matrixRow == 1 && padGridRow < 0)
            padGridRow = gridRow;
        // The function row may reach over the pad; the others stop beside it.
        grid->addLayout(box, gridRow, 0, 1, hasPad && mainBlock && row.matrixRow == 0 ? 2 : 1);
        ++gridRow;
        if (layout.functionRowApart && row.matrixRow == 0) {
            grid->addItem(new QSpacerItem(10, px(20), QSizePolicy::Fixed, QSizePolicy::Fixed), gridRow, 0);
            ++gridRow;
        }
    }

    QGridLayout *pad = nullptr;
    if (hasPad) {
        pad = new QGridLayout;
        pad->setSpacing(px(layout.padSpacing));
        pad->setContentsMargins(0, 0, 0, 0);
        for (const LayoutPadKey &key : layout.pad)
            pad->addWidget(makeKey(key.key), key.gridRow, key.gridColumn, key.rowSpan, key.columnSpan,
                           Qt::AlignLeft | Qt::AlignTop);
        if (padGridRow < 0)
            padGridRow = gridRow;
        grid->addLayout(pad, padGridRow, padColumn, 5, 1, Qt::AlignLeft | Qt::AlignTop);
    }
    if (padGrid)
        *padGrid = pad;

    // Centred between two stretches, with the model's top and bottom margins.
    auto *outer = new QHBoxLayout;
    outer->setContentsMargins(0, px(layout.marginTop), 0, px(layout.marginBottom));
    outer->addStretch();
    outer->addLayout(grid);
    outer->addStretch();
    return outer;
}
