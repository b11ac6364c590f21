#include "skin/LogFont.h"

#include "app/Fonts.h"

#include <cmath>

namespace velmora::skin {

LogFont LogFont::fromFont(const QFont &font, int logPixelsY)
{
    LogFont lf;
    // The face name is cut to the buffer with room for its terminator.
    lf.lfFaceName = font.family().left(FaceNameLength);
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / logPixelsY;
    lf.lfHeight = -int(std::lround(points) * logPixelsY / 72);
    lf.lfWeight = font.bold() ? 700 : 400;
    lf.lfItalic = font.italic();
    lf.lfUnderline = font.underline();
    lf.lfStrikeOut = font.strikeOut();
    return lf;
}

QFont LogFont::createFont() const
{
    QFont f(app::Fonts::family(lfFaceName));
    f.setPixelSize(std::max(1, std::abs(lfHeight)));
    f.setWeight(lfWeight >= 600 ? QFont::Bold : QFont::Normal);
    f.setItalic(lfItalic);
    f.setUnderline(lfUnderline);
    f.setStrikeOut(lfStrikeOut);
    return f;
}

} // namespace velmora::skin
