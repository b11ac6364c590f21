#pragma once

#include <QFont>
#include <QMessageBox>
#include <QString>
#include <functional>
#include <optional>

class QWidget;
class QPrinter;

namespace velmora::app {

// Every modal prompt of the program goes through here: message boxes and the
// save, font and printer dialogs. Tests install a script that answers them,
// so no test ever waits on a dialog.
class Prompts {
public:
    struct Message {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
    };
    struct SaveRequest {
        QString title;
        QString initialName;
        QString filter;        // in the program's own form: "RTF(*.rtf)|*.rtf"
        QString defaultSuffix; // "rtf"
        bool confirmOverwrite = true;
    };

    // The scripted answers; unset functions fall back to real dialogs.
    struct Script {
        std::function<QMessageBox::StandardButton(const Message &)> message;
        std::function<std::optional<QString>(const SaveRequest &)> saveFile;
        std::function<std::optional<QFont>(const QFont &initial)> font;
        std::function<bool(QPrinter *)> printer;
    };

    static QMessageBox::StandardButton message(QWidget *parent, const Message &m);
    static QMessageBox::StandardButton warning(QWidget *parent, const QString &title,
                                               const QString &text);
    // The chosen path, or nothing when cancelled.
    static std::optional<QString> saveFile(QWidget *parent, const SaveRequest &request);
    static std::optional<QFont> font(QWidget *parent, const QFont &initial);
    // True when the user accepted the printer dialog.
    static bool printer(QWidget *parent, QPrinter *printer);

    static void setScript(Script script);
    static void clearScript();
    // "RTF(*.rtf)|*.rtf" -> "RTF (*.rtf)"
    static QString qtFilter(const QString &filter);
};

} // namespace velmora::app
