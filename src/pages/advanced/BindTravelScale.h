#pragma once

#include <QString>

// The keyboard's travel scale as the MPT and DKS editors use it: slider
// positions 1..positions run from the minimum travel in steps of the
// keyboard's precision, never past the maximum. Whole micrometres, so a
// precision such as 0.01 mm loses nothing to binary fractions.
struct BindTravelScale {
    int stepUm = 10;
    int minimumUm = 100;
    int maximumUm = 4000;
    int positions = 391;

    // As the performance page last set it from the keyboard's report.
    static BindTravelScale current();

    // trunc(minimum + step × (position − 1)), at most the maximum.
    int micronsAt(int position) const;
    double mmAt(int position) const { return micronsAt(position) / 1000.0; }
    // The nearest position of a travel; the maximum or more gives the last.
    int positionOfMicrons(int um) const;
    int positionOfMm(double mm) const;
};

// Millimetres with the decimals the keyboard's precision needs.
QString bindTravelText(double mm);
// Text typed in a travel box that may be taken: not ".5" nor "1.".
bool isWholeTravelText(const QString &text);
