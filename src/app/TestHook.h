#pragma once

#include <QJsonObject>
#include <QObject>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

namespace velmora::app {

// A read-only window into the running program for the desktop tests. When
// the environment variable VELMORA_TEST_HOOK names a local socket path, the
// program listens there once the application object exists; otherwise
// nothing is created and nothing listens.
//
// Each request is one line of JSON and gets one line of JSON back:
//   {"cmd":"state"}                     active window, focus, open popup, clipboard, commands run
//   {"cmd":"windows"}                   every top-level window with its geometry
//   {"cmd":"get","path":"sq/List1"}     one object's state
//   {"cmd":"tree","path":"about"}       every visible widget below an object
//   {"cmd":"item","path":"sq/List1","text":"甲酸"}
//                                       screen rectangle of an entry of a list, tree,
//                                       table, tab bar, combo box list or menu
// A path is a top-level window's objectName followed by objectNames of
// objects below it, separated by "/". The hook reads state only: input comes
// from the window system.
class TestHook : public QObject {
    Q_OBJECT
public:
    // Called from main() before the application object is made.
    static void installIfAsked();

private slots:
    void noteCommand(const QString &name);

private:
    explicit TestHook(const QString &path);
    void readRequests(QLocalSocket *socket);
    QJsonObject answer(const QJsonObject &request);
    void watchMainWindow();

    QLocalServer *m_server = nullptr;
    QStringList m_commands;
    bool m_watching = false;
};

} // namespace velmora::app
