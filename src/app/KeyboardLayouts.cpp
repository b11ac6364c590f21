#include "app/KeyboardLayouts.h"

#include <QProcess>
#include <QStandardPaths>

namespace velmora::app {

namespace {

// Runs a small query command; empty output when it is missing or slow.
QString ask(const QString &program, const QStringList &arguments, bool *ok = nullptr)
{
    if (ok)
        *ok = false;
    if (QStandardPaths::findExecutable(program).isEmpty())
        return {};
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(400)) {
        p.kill();
        p.waitForFinished(100);
        return {};
    }
    if (ok)
        *ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// Fcitx 5: "fcitx5-remote" answers 0 (closed), 1 (inactive) or 2 (active).
class Fcitx : public KeyboardLayouts {
public:
    QStringList layouts() override { return {QStringLiteral("keyboard"), QStringLiteral("fcitx")}; }
    bool inputMethodOff() override { return ask(QStringLiteral("fcitx5-remote"), {}) == QLatin1String("1"); }
    void activate(int index) override
    {
        ask(QStringLiteral("fcitx5-remote"), {index > 0 ? QStringLiteral("-o") : QStringLiteral("-c")});
    }
};

// IBus: the engines the user has set up; the first is the plain keyboard.
class IBus : public KeyboardLayouts {
public:
    explicit IBus(QStringList engines) : m_engines(std::move(engines)) {}
    QStringList layouts() override { return m_engines; }
    bool inputMethodOff() override
    {
        const QString current = ask(QStringLiteral("ibus"), {QStringLiteral("engine")});
        return current.isEmpty() || current.startsWith(QLatin1String("xkb:"));
    }
    void activate(int index) override
    {
        if (index >= 0 && index < m_engines.size())
            ask(QStringLiteral("ibus"), {QStringLiteral("engine"), m_engines[index]});
    }

private:
    QStringList m_engines;
};

// Only a keyboard: nothing is ever switched.
class SingleLayout : public KeyboardLayouts {
public:
    explicit SingleLayout(QString name) : m_name(std::move(name)) {}
    QStringList layouts() override { return {m_name}; }
    bool inputMethodOff() override { return false; }
    void activate(int) override {}

private:
    QString m_name;
};

} // namespace

std::unique_ptr<KeyboardLayouts> KeyboardLayouts::system()
{
    bool ok = false;
    const QString fcitx = ask(QStringLiteral("fcitx5-remote"), {}, &ok);
    if (ok && (fcitx == QLatin1String("1") || fcitx == QLatin1String("2")))
        return std::make_unique<Fcitx>();
    const QString engines = ask(QStringLiteral("ibus"), {QStringLiteral("read-config")}, &ok);
    if (ok) {
        const int at = engines.indexOf(QLatin1String("preload-engines:"));
        if (at >= 0) {
            QString list = engines.mid(at + 16).section(QLatin1Char('\n'), 0, 0);
            list.remove(QLatin1Char('[')).remove(QLatin1Char(']')).remove(QLatin1Char('\'')).remove(QLatin1Char(' '));
            const QStringList names = list.split(QLatin1Char(','), Qt::SkipEmptyParts);
            if (!names.isEmpty())
                return std::make_unique<IBus>(names);
        }
    }
    const QString xkb = ask(QStringLiteral("setxkbmap"), {QStringLiteral("-query")});
    QString layout = QStringLiteral("us");
    for (const QString &line : xkb.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("layout:")))
            layout = line.mid(7).trimmed();
    return std::make_unique<SingleLayout>(layout);
}

void KeyboardLayouts::applyStartupRule(KeyboardLayouts &layouts)
{
    try {
        const QStringList list = layouts.layouts().mid(0, 32);
        if (list.size() != 1 && layouts.inputMethodOff())
            layouts.activate(1);
    } catch (...) {
        // The keyboard step never stops the start.
    }
}

} // namespace velmora::app
