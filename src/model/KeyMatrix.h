#pragma once

#include <QPair>
#include <QtGlobal>

#include <array>

// A keyboard's key matrix as it reports it: 6 rows of 21 cells, row-major,
// each holding the 16-bit key code of the key there (0: no key). Codes 1, 2
// and 3 (momentary Fn layers on the wire) are stored as 0xF001..0xF003.
// A plain value: the board copy of a keyboard keeps one, and a read-back
// carries a copy, so nothing else needs to ask the device for it.
class KeyMatrix {
public:
    static constexpr int Rows = 6;
    static constexpr int Cols = 21;
    static constexpr int Cells = Rows * Cols;
    static constexpr int NotFound = 255;

    void setCell(int row, int col, quint16 code); // cells outside the matrix are ignored
    quint16 cell(int row, int col) const;
    void clear() { m_cells.fill(0); }
    // row * 32 + column of the first cell holding code; NotFound for 0 or absent.
    int findKey(quint16 code) const;
    // First non-zero code after linear position pos, with its position;
    // (0, Cells) when none is left.
    QPair<quint16, int> nextKeyAfter(int pos) const;
    int keyCount() const;

    bool operator==(const KeyMatrix &o) const { return m_cells == o.m_cells; }

private:
    std::array<quint16, Cells> m_cells = {};
};
