#include "app/FileReport.h"

#include "app/Prompts.h"
#include "db/FileCheck.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QMutex>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QWidget>

namespace velmora::app {

namespace {

QMutex &lock()
{
    static QMutex m;
    return m;
}

// Files already told about in this run, by absolute path.
QSet<QString> &told()
{
    static QSet<QString> s;
    return s;
}

bool &armed()
{
    static bool a = false;
    return a;
}

QString keyOf(const QString &path) { return QFileInfo(path).absoluteFilePath(); }

// True the first time for a file.
bool claim(const QString &path)
{
    QMutexLocker guard(&lock());
    if (told().contains(keyOf(path)))
        return false;
    told().insert(keyOf(path));
    return true;
}

void show(QWidget *window, const QString &text)
{
    Prompts::message(window, {QMessageBox::Warning, QStringLiteral("警告！"), text, QMessageBox::Ok});
}

// Shows the text once the window is on screen: a message over a window that
// is still being loaded behind the splash would be lost behind it.
class ShowWhenVisible : public QObject {
public:
    ShowWhenVisible(QWidget *window, QString text) : QObject(window), m_window(window), m_text(std::move(text))
    {
        if (window->isVisible())
            later();
        else
            window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Show) {
            m_window->removeEventFilter(this);
            later();
        }
        return false;
    }

private:
    void later()
    {
        QTimer::singleShot(0, this, [this] {
            if (m_window)
                show(m_window, m_text);
            deleteLater();
        });
    }
    QPointer<QWidget> m_window;
    QString m_text;
};

// Damage that a query meets later is told the same way, over the active window.
void listen()
{
    db::FileCheck::setListener([](const QString &path) {
        QMetaObject::invokeMethod(
            qApp,
            [path] {
                if (!armed() || !db::FileCheck::hasFailed(path) || !claim(path))
                    return;
                show(QApplication::activeWindow(), db::FileCheck::describe(path, db::FileCheck::failure(path)));
            },
            Qt::QueuedConnection);
    });
}

} // namespace

QString FileReport::check(QWidget *window, const QList<QPair<QString, QString>> &files)
{
    if (!armed()) {
        armed() = true;
        listen();
    }
    QStringList all, fresh;
    for (const auto &[path, connect] : files) {
        const db::FileCheck::Result result = db::FileCheck::check(path, connect);
        if (result.ok())
            continue;
        const QString text = db::FileCheck::describe(path, result);
        all << text;
        if (claim(path))
            fresh << text;
    }
    if (!fresh.isEmpty())
        new ShowWhenVisible(window, fresh.join(QStringLiteral("\n\n")));
    return all.join(QStringLiteral("\n\n"));
}

} // namespace velmora::app
