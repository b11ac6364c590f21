#include "periodic/ElementTable.h"

#include <QFile>
#include <QStringList>
#include <algorithm>

namespace velmora::periodic {

ElementTable ElementTable::load(const QString &path)
{
    ElementTable table;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return table;
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (lines.isEmpty())
        return table;
    auto cellsOf = [](QString line) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        return line.split(QLatin1Char('\t'));
    };
    const QStringList header = cellsOf(lines.takeFirst());
    const int symbol = header.indexOf(QStringLiteral("符号"));
    const int number = header.indexOf(QStringLiteral("原子序数"));
    const int name = header.indexOf(QStringLiteral("中文名称"));
    const int mass = header.indexOf(QStringLiteral("相对原子质量"));
    const int stable = header.indexOf(QStringLiteral("稳定")); // optional
    if (symbol < 0 || number < 0 || name < 0 || mass < 0)
        return table;
    const int needed = std::max({symbol, number, name, mass}) + 1;
    for (const QString &line : lines) {
        const QStringList cells = cellsOf(line);
        if (cells.size() < needed || cells[symbol].trimmed().isEmpty())
            continue;
        Element e;
        e.symbol = cells[symbol].trimmed();
        e.number = cells[number].trimmed().toInt();
        e.name = cells[name].trimmed();
        e.mass = cells[mass].trimmed();
        e.stable = stable < 0 || stable >= cells.size() || cells[stable].trimmed() != QLatin1String("0");
        table.m_elements.insert(e.symbol, e);
    }
    return table;
}

const ElementTable::Element *ElementTable::find(const QString &symbol) const
{
    auto it = m_elements.constFind(symbol);
    return it == m_elements.constEnd() ? nullptr : &*it;
}

QString ElementTable::toolTip(const QString &symbol) const
{
    const Element *e = find(symbol);
    if (!e)
        return {};
    // The customary brackets mark the mass number of an element without a
    // stable isotope.
    const QString mass = e->stable ? e->mass : QLatin1Char('[') + e->mass + QLatin1Char(']');
    return QStringLiteral("%1（%2）\n原子序数：%3\n相对原子质量：%4").arg(e->name, e->symbol).arg(e->number).arg(mass);
}

} // namespace velmora::periodic
