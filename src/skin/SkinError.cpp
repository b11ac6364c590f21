#include "skin/SkinError.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace velmora::skin {

namespace {
QString programName()
{
    const QString path = QCoreApplication::applicationFilePath();
    return path.isEmpty() ? QCoreApplication::applicationName() : QFileInfo(path).completeBaseName();
}
} // namespace

SkinError::SkinError(Code code)
    : std::runtime_error(descriptionOf(code).toStdString()),
      m_code(code),
      m_source(programName() + QStringLiteral(".WindowProc")),
      m_description(descriptionOf(code))
{
}

qint32 SkinError::number() const { return qint32(quint32(0x80040000u) + quint32(m_code)); }

QString SkinError::descriptionOf(Code code)
{
    switch (code) {
    case CantSubclass:
        return QStringLiteral("Can't subclass window");
    case AlreadyHandled:
        return QStringLiteral("Message already handled by another class");
    case InvalidWindow:
        return QStringLiteral("Invalid window");
    case ExternalWindow:
        return QStringLiteral("Can't modify external window");
    case TooManyTimers:
        // The table holds 100 timers; the text is the one the program has always shown.
        return QStringLiteral("No more than 10 timers allowed per class");
    case CantCreateTimer:
        return QStringLiteral("Can't create system timer");
    }
    return {};
}

} // namespace velmora::skin
