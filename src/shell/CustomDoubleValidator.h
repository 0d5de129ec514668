#pragma once

#include <QDoubleValidator>

// Validator of the travel input fields (typically 0.01 to 4.0 mm with 2
// decimals). A text that may still become a value in range while typing is
// intermediate; one that cannot is invalid.
class CustomDoubleValidator : public QDoubleValidator {
    Q_OBJECT
public:
    CustomDoubleValidator(double bottom, double top, int decimals, QObject *parent = nullptr);

    State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;
};
