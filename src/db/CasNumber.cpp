#include "db/CasNumber.h"

#include <QList>

namespace velmora::db {

int CasNumber::checkDigit(const QString &leadingDigits)
{
    // Weighted sum of the digits from the right, weights 1, 2, 3 …, modulo 10.
    int sum = 0;
    int weight = 1;
    for (int i = int(leadingDigits.size()) - 1; i >= 0; --i, ++weight)
        sum += leadingDigits[i].digitValue() * weight;
    return sum % 10;
}

CasNumber CasNumber::parse(const QString &typed)
{
    CasNumber result;
    // Full-width forms to ASCII, then the dashes people type for hyphens.
    QString text = typed.normalized(QString::NormalizationForm_KC).trimmed();
    QString digits;
    QList<int> groups; // digits in each hyphen-separated group
    int current = 0;
    for (const QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            digits += c;
            ++current;
        } else if (c == QLatin1Char('-') || c == QChar(0x2010) || c == QChar(0x2011)
                   || c == QChar(0x2012) || c == QChar(0x2013) || c == QChar(0x2014)
                   || c == QChar(0x2212)) {
            if (current == 0)
                return result;
            groups << current;
            current = 0;
        } else {
            return result;
        }
    }
    if (current == 0)
        return result;
    groups << current;
    if (groups.size() == 3) {
        if (groups[0] < 2 || groups[0] > 7 || groups[1] != 2 || groups[2] != 1)
            return result;
    } else if (groups.size() == 1) {
        if (digits.size() < 5 || digits.size() > 10)
            return result;
    } else {
        return result;
    }
    const QString lead = digits.left(digits.size() - 1);
    // Leading zeros are not part of a registry number ("0064-17-5").
    if (lead.startsWith(QLatin1Char('0')))
        return result;
    result.normalised = lead.left(lead.size() - 2) + QLatin1Char('-') + lead.right(2) + QLatin1Char('-')
                        + digits.right(1);
    result.expectedCheckDigit = checkDigit(lead);
    result.shape = digits.right(1).toInt() == result.expectedCheckDigit ? Shape::Valid : Shape::WrongCheckDigit;
    return result;
}

} // namespace velmora::db
