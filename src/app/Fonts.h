#pragma once

#include <QFont>
#include <QString>

namespace velmora::app {

// Fonts by the names the program uses. Where a named font is missing, the
// nearest font the system has takes its place, quietly: 宋体 becomes a
// Song/Ming serif (Noto Serif CJK SC), other Chinese text uses the Simplified
// Chinese forms of Noto Sans CJK.
class Fonts {
public:
    // The family to use for a family name the program asks for.
    static QString family(const QString &requested);
    static QFont font(const QString &requested, double pointSize);
    static QFont songTi(double pointSize = 12) { return font(QStringLiteral("宋体"), pointSize); }
    // The font of the windows' own texts.
    static QFont ui(double pointSize = 9);
};

} // namespace velmora::app
