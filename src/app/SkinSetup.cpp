#include "app/SkinSetup.h"

#include "skin/ApplyCaptionSkin.h"
#include "skin/cNeoCaption.h"

#include <QObject>
#include <QWidget>
#include <memory>

namespace velmora::app {

namespace {

// Owns a form's caption painter; a child of the form, so it goes with it.
class CaptionHolder : public QObject {
public:
    explicit CaptionHolder(QWidget *form) : QObject(form), caption(std::make_unique<skin::cNeoCaption>())
    {
        setObjectName(QStringLiteral("cNeoCaption"));
    }
    std::unique_ptr<skin::cNeoCaption> caption;
};

} // namespace

void SkinSetup::apply(QWidget *form)
{
    if (form->findChild<QObject *>(QStringLiteral("cNeoCaption"), Qt::FindDirectChildrenOnly))
        return; // dressed once
    // Dressed at once, also before the first show: the window then goes on
    // screen once, already frameless and with its menu in the caption, so the
    // window manager activates it as it maps it and the first caption press
    // finds it active.
    auto *holder = new CaptionHolder(form);
    skin::ApplyCaptionSkin(form, holder->caption.get());
}

skin::cNeoCaption *SkinSetup::caption(QWidget *form)
{
    auto *holder = dynamic_cast<CaptionHolder *>(
        form->findChild<QObject *>(QStringLiteral("cNeoCaption"), Qt::FindDirectChildrenOnly));
    return holder ? holder->caption.get() : nullptr;
}

} // namespace velmora::app
