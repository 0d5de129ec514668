#pragma once

#include <QByteArray>

// Profile files are their compact JSON text with every byte XORed with this
// key. The transform is its own inverse: the same call scrambles and
// unscrambles.
constexpr quint8 KbScrambleKey = 0xA7;

QByteArray kb_scramble(QByteArray data);
