#include "KeyMatrix.h"

void KeyMatrix::setCell(int row, int col, quint16 code)
{
    if (row < 0 || row >= Rows || col < 0 || col >= Cols)
        return;
    if (code >= 1 && code <= 3)
        code = quint16(0xF000 + code);
    m_cells[size_t(row * Cols + col)] = code;
}

quint16 KeyMatrix::cell(int row, int col) const
{
    if (row < 0 || row >= Rows || col < 0 || col >= Cols)
        return 0;
    return m_cells[size_t(row * Cols + col)];
}

int KeyMatrix::findKey(quint16 code) const
{
    if (code == 0)
        return NotFound;
    for (int i = 0; i < Cells; ++i)
        if (m_cells[size_t(i)] == code)
            return (i / Cols) * 32 + i % Cols;
    return NotFound;
}

QPair<quint16, int> KeyMatrix::nextKeyAfter(int pos) const
{
    for (int i = qMax(pos + 1, 0); i < Cells; ++i)
        if (m_cells[size_t(i)] != 0)
            return qMakePair(m_cells[size_t(i)], i);
    return qMakePair(quint16(0), int(Cells));
}

int KeyMatrix::keyCount() const
{
    int count = 0;
    for (quint16 c : m_cells)
        count += c != 0;
    return count;
}
