#pragma once

#include <QFont>
#include <QString>

namespace velmora::skin {

// A font description in pixels, as the caption painter builds it from its
// font properties; createFont() turns it into the nearest font the system has.
struct LogFont {
    int lfHeight = 0; // negative: character height in pixels
    int lfWeight = 400;
    bool lfItalic = false;
    bool lfUnderline = false;
    bool lfStrikeOut = false;
    int lfCharSet = 1;
    QString lfFaceName; // at most 31 characters

    static constexpr int FaceNameLength = 31;

    // The description of a font object at a given vertical resolution.
    static LogFont fromFont(const QFont &font, int logPixelsY);
    QFont createFont() const;
};

} // namespace velmora::skin
