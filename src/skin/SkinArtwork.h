#pragma once

#include <QImage>

namespace velmora::skin {

// The skin's artwork, drawn: the caption image (640 x 48) and the border
// image (70 x 10, 8 bits per pixel).
//
// Caption image layout (x ranges inclusive): active half from 0, inactive
// half from 400; in each half the left piece 0-89, the middle tile 91-142
// and the right piece 140-240 (column 239 lands on the window's last
// column). The button glyphs, shared by both halves, are copied 20 pixels
// wide from x 241 (close), 259 (restore), 278 (maximise) and 297 (minimise);
// the normal row is y 0-19, the pressed row y 20-39, and glyph row r lands
// on caption row r + 5. Border tiles, 10 x 10: 0 left edge, 2 bottom-left
// corner, 3 bottom edge, 4 right edge, 6 bottom-right corner.
class SkinArtwork {
public:
    static QImage caption();
    static QImage border();
};

} // namespace velmora::skin
