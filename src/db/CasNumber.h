#pragma once

#include <QString>

namespace velmora::db {

// A CAS registry number as a person types it: 2 to 7 digits, 2 digits and a
// check digit, with or without the hyphens (full-width digits and dashes are
// read as their ASCII forms).
struct CasNumber {
    enum class Shape { NotCas, Valid, WrongCheckDigit };

    Shape shape = Shape::NotCas;
    QString normalised; // "64-17-5", also when the check digit is wrong
    int expectedCheckDigit = -1;

    bool isValid() const { return shape == Shape::Valid; }
    bool looksLikeCas() const { return shape != Shape::NotCas; }

    static CasNumber parse(const QString &typed);
    // The check digit of the digits before it (all digits but the last).
    static int checkDigit(const QString &leadingDigits);
};

} // namespace velmora::db
