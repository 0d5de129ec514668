#include "SoftwareConfig.h"

#include <QMutexLocker>

SoftwareConfig *SoftwareConfig::instance()
{
    // Created on first access and kept for the life of the process.
    static SoftwareConfig *const config = new SoftwareConfig;
    return config;
}

SoftwareConfig::SoftwareConfig(QObject *parent)
    : QObject(parent)
{
}

void SoftwareConfig::setMatrixCell(int row, int col, quint16 code)
{
    if (row < 0 || row >= MatrixRows || col < 0 || col >= MatrixCols)
        return;
    if (code >= 1 && code <= 3)
        code = quint16(0xF000 + code);
    QMutexLocker lock(&m_matrixLock);
    m_matrix[row * MatrixCols + col] = code;
}

quint16 SoftwareConfig::matrixCell(int row, int col) const
{
    if (row < 0 || row >= MatrixRows || col < 0 || col >= MatrixCols)
        return 0;
    QMutexLocker lock(&m_matrixLock);
    return m_matrix[row * MatrixCols + col];
}

void SoftwareConfig::clearMatrix()
{
    QMutexLocker lock(&m_matrixLock);
    for (quint16 &cell : m_matrix)
        cell = 0;
}

int SoftwareConfig::findKey(quint16 code) const
{
    if (code == 0)
        return NotFound;
    QMutexLocker lock(&m_matrixLock);
    for (int i = 0; i < MatrixCells; ++i) {
        if (m_matrix[i] == code)
            return (i / MatrixCols) * 32 + i % MatrixCols;
    }
    return NotFound;
}

QPair<quint16, int> SoftwareConfig::nextKeyAfter(int pos) const
{
    QMutexLocker lock(&m_matrixLock);
    for (int i = qMax(pos + 1, 0); i < MatrixCells; ++i) {
        if (m_matrix[i] != 0)
            return qMakePair(m_matrix[i], i);
    }
    return qMakePair(quint16(0), int(MatrixCells));
}

int SoftwareConfig::matrixKeyCount() const
{
    QMutexLocker lock(&m_matrixLock);
    int count = 0;
    for (quint16 cell : m_matrix)
        count += cell != 0;
    return count;
}
