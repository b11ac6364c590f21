// Writes the skin's artwork (SkinArtwork) as caption.png and border.png
// into the current folder. Not part of the build; to redraw the files:
//   g++ -std=c++20 -fPIC -I../.. make_images.cpp ../SkinArtwork.cpp $(pkg-config --cflags --libs Qt6Gui) -o make_images
//   QT_QPA_PLATFORM=offscreen ./make_images

#include "skin/SkinArtwork.h"

#include <QGuiApplication>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    using velmora::skin::SkinArtwork;
    const bool ok = SkinArtwork::caption().save(QStringLiteral("caption.png"))
                    && SkinArtwork::border().save(QStringLiteral("border.png"));
    return ok ? 0 : 1;
}
