#include "app/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace velmora::app {

namespace {
double dpiOverride = 0;

double dpiX()
{
    if (dpiOverride > 0)
        return dpiOverride;
    if (auto *screen = QGuiApplication::primaryScreen())
        return screen->logicalDotsPerInchX();
    return 96.0;
}

double dpiY()
{
    if (dpiOverride > 0)
        return dpiOverride;
    if (auto *screen = QGuiApplication::primaryScreen())
        return screen->logicalDotsPerInchY();
    return 96.0;
}
} // namespace

double Twips::perPixelX() { return 1440.0 / dpiX(); }
double Twips::perPixelY() { return 1440.0 / dpiY(); }
int Twips::toPixelsX(int twips) { return int(std::lround(twips / perPixelX())); }
int Twips::toPixelsY(int twips) { return int(std::lround(twips / perPixelY())); }
int Twips::fromPixelsX(int pixels) { return int(std::lround(pixels * perPixelX())); }
int Twips::fromPixelsY(int pixels) { return int(std::lround(pixels * perPixelY())); }
void Twips::setDpiOverride(double dpi) { dpiOverride = dpi; }

} // namespace velmora::app
