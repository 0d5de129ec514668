#include "KbScramble.h"

QByteArray kb_scramble(QByteArray data)
{
    char *p = data.data();
    for (int i = 0, n = data.size(); i < n; ++i)
        p[i] = char(quint8(p[i]) ^ KbScrambleKey);
    return data;
}
