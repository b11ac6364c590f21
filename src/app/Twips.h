#pragma once

namespace velmora::app {

// The one place where sizes in twips become pixels: 1440 twips per inch, so
// 15 twips per pixel at 96 dpi. The screen's logical dpi is followed.
class Twips {
public:
    static int toPixelsX(int twips);
    static int toPixelsY(int twips);
    static int fromPixelsX(int pixels);
    static int fromPixelsY(int pixels);
    // Twips per pixel of the screen, as the window system reports it.
    static double perPixelX();
    static double perPixelY();
    // Tests pin the dpi; 0 follows the screen again.
    static void setDpiOverride(double dpi);
};

} // namespace velmora::app
