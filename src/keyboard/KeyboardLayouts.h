#pragma once

#include <QList>
#include <QString>
#include <QVector>

#include <functional>

class QGridLayout;
class QHBoxLayout;
class QLayout;
class QWidget;

// The physical arrangement of every keyboard model, kept as data: rows of
// keys with their sizes, fixed gaps and matrix positions, and the numeric
// pad as a grid. The widgets are built from it by assembleLayout().

struct LayoutKey {
    int groupId = 0;   // creation order over the whole model
    int type = 0;      // default key type, in the full-size numbering
    int row = 0;       // matrix row 0..5
    int column = 0;    // matrix column 0..20
    double width = 1.0;  // key units
    double height = 1.0;
};

struct LayoutItem {
    enum Kind { Key, Gap, Knob, Stretch };
    Kind kind = Key;
    LayoutKey key; // Key
    int gap = 0;   // Gap, px
};

struct LayoutRow {
    int matrixRow = 0;
    int spacing = 6; // px between keys
    QVector<LayoutItem> items;
};

struct LayoutPadKey {
    LayoutKey key;
    int gridRow = 0;
    int gridColumn = 0;
    int rowSpan = 1;
    int columnSpan = 1;
};

struct KeyboardLayout {
    int modelId = -1;
    QString className;
    QVector<LayoutRow> rows;
    QVector<LayoutPadKey> pad; // empty without a numeric pad
    int padSpacing = 6;
    bool functionRowApart = false; // a 20 px spacer below the function row
    int gridSpacing = 10;
    int marginTop = 10;
    int marginBottom = 10;

    // Every key in creation (group id) order.
    QList<LayoutKey> keys() const;
    int knobCount() const;
};

// The layout of a model id; nullptr for an id without a view (7, unknown).
const KeyboardLayout *keyboardLayoutForModel(int modelId);
// The model ids that have a view, ascending.
QList<int> keyboardModelIds();

// Builds the rows and the pad into a layout for owner. makeKey creates the
// widget of one key (already sized), makeKnob the knob; scale multiplies the
// fixed gaps (the picker draws a smaller keyboard). The row layouts and the
// pad grid are handed back for the caller to keep.
QLayout *assembleLayout(const KeyboardLayout &layout, double scale,
                        const std::function<QWidget *(const LayoutKey &)> &makeKey,
                        const std::function<QWidget *()> &makeKnob,
                        QList<QHBoxLayout *> *rowLayouts, QGridLayout **padGrid);
