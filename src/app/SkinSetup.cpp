#include "app/SkinSetup.h"

#include "skin/ApplyCaptionSkin.h"
#include "skin/cNeoCaption.h"

#include <QEvent>
#include <QObject>
#include <QTimer>
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

// Dresses the form just after it is first shown.
class FirstShow : public QObject {
public:
    explicit FirstShow(QWidget *form) : QObject(form) {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            auto *form = static_cast<QWidget *>(watched);
            form->removeEventFilter(this);
            QTimer::singleShot(0, form, [form] {
                auto *holder = new CaptionHolder(form);
                skin::ApplyCaptionSkin(form, holder->caption.get());
                // Shown once more, now with the skin in place, so that it
                // takes the menu bar into the caption.
                const QPoint at = form->pos();
                form->hide();
                form->move(at);
                form->show();
            });
            deleteLater();
        }
        return false;
    }
};

void SkinSetup::apply(QWidget *form)
{
    if (form->findChild<QObject *>(QStringLiteral("cNeoCaption"), Qt::FindDirectChildrenOnly))
        return; // dressed once
    if (!form->isVisible()) {
        form->installEventFilter(new FirstShow(form));
        return;
    }
    auto *holder = new CaptionHolder(form);
    skin::ApplyCaptionSkin(form, holder->caption.get());
}

} // namespace velmora::app
