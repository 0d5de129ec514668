#pragma once

#include <QString>

// The travel scale of the connected keyboard: the positions of the travel
// and dead-zone sliders, the millimetres they show and the micrometres they
// send. Positions of a travel slider run 1..positions from the keyboard's
// minimum travel in steps of its precision; the last position is the
// maximum travel even when the range is not a whole number of steps.
// Arithmetic is done in whole micrometres, so that a precision such as
// 0.01 mm never loses a micrometre to binary fractions.
struct TravelScale {
    int stepUm = 50;     // precision, µm per position
    int minimumUm = 0;   // at position 1
    int maximumUm = 4000;
    int positions = 80;  // N

    // As the keyboard reports it: precision in mm, minimum and maximum in µm.
    static TravelScale fromKeyboard(double precisionMm, int minimumUm, int maximumUm);

    double stepMm() const { return stepUm / 1000.0; }
    double minimumMm() const { return minimumUm / 1000.0; }
    double maximumMm() const { return maximumUm / 1000.0; }

    // Travel sliders.
    int micronsAt(int position) const;
    double mmAt(int position) const { return micronsAt(position) / 1000.0; }
    // A value typed in an edit box; the maximum or more gives the last position.
    int positionOfMm(double mm) const;
    // A travel the keyboard reports.
    int positionOfMicrons(int um) const;
    // The position nearest a travel (the advanced-key editors, whose
    // travels need not lie on the scale); the maximum or more gives the last.
    int nearestPositionOfMicrons(int um) const;
    // The position of the rapid-trigger default, 0.3 mm.
    int rapidDefaultPosition() const { return positionOfMicrons(300); }

    // Dead-zone sliders: 0..deadZonePositions(), no offset, at most 1 mm.
    int deadZonePositions() const;
    int deadZoneMicronsAt(int position) const;
    double deadZoneMmAt(int position) const { return deadZoneMicronsAt(position) / 1000.0; }
    int deadZonePositionOfMicrons(int um) const;
};

// Millimetres as the page shows them: fixed point with the given decimals.
QString travelText(double mm, int decimals);
// Whether typed text is a whole number the box may take: ".5" and "1." are
// put back instead.
bool isCompleteNumber(const QString &text);
