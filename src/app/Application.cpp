#include "app/Application.h"

#include "app/Fonts.h"
#include "app/KeyboardLayouts.h"
#include "app/MainWindow.h"
#include "app/StartCover.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace velmora::app {

namespace {

// The file dialog's type column asks a context that Qt's Chinese catalogue
// of this version lacks ("Folder").
class FileTypeTexts : public QTranslator {
public:
    using QTranslator::QTranslator;
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return {};
        static const char *const texts[][2] = {
            {"Drive", "驱动器"}, {"Folder", "文件夹"}, {"Shortcut", "快捷方式"}, {"Unknown", "未知"}};
        for (const auto &text : texts)
            if (qstrcmp(source, text[0]) == 0)
                return QString::fromUtf8(text[1]);
        return {};
    }
    bool isEmpty() const override { return false; }
};

} // namespace

bool installTranslations(QCoreApplication &app)
{
    const QLocale chinese(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China);
    QLocale::setDefault(chinese);
    // qtbase_zh_CN (Debian: qt6-translations-l10n) covers every dialog the
    // program opens; qt_zh_CN names the same catalogue where it is a bundle.
    QCoreApplication::installTranslator(new FileTypeTexts(&app));
    auto *translator = new QTranslator(&app);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char *name : {"qtbase", "qt"}) {
        if (translator->load(chinese, QString::fromLatin1(name), QStringLiteral("_"), folder)
            && QCoreApplication::installTranslator(translator))
            return true;
    }
    delete translator;
    return false;
}

int run(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setApplicationVersion(QStringLiteral("3.0"));
    // Chinese text in the Simplified Chinese forms of the CJK fonts.
    QApplication::setFont(Fonts::ui(9));
    app.setQuitOnLastWindowClosed(false);
    installTranslations(app);

    auto layouts = KeyboardLayouts::system();
    auto *splash = new StartCover(*layouts, [] { return new MainWindow; });
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->show();
    const int code = app.exec();
    delete MainWindow::instance();
    return code;
}

} // namespace velmora::app
