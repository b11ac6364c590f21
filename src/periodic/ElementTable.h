#pragma once

#include <QHash>
#include <QString>

namespace velmora::periodic {

// The elements by symbol, read from a tab-separated file whose first line
// names the columns 符号, 原子序数, 中文名称, 相对原子质量 and 稳定 (in any
// order). The periodic table uses it for the tooltips of its element cells.
class ElementTable {
public:
    struct Element {
        QString symbol;
        int number = 0;
        QString name;
        QString mass;
        bool stable = true; // false: the mass is that of the longest-lived isotope
    };

    // An empty table when the file is missing or lacks a needed column.
    static ElementTable load(const QString &path);

    bool isEmpty() const { return m_elements.isEmpty(); }
    int size() const { return int(m_elements.size()); }
    const Element *find(const QString &symbol) const;
    // "铁（Fe）", the atomic number and the relative atomic mass, one a line;
    // an empty text for a symbol the table does not hold.
    QString toolTip(const QString &symbol) const;

private:
    QHash<QString, Element> m_elements;
};

} // namespace velmora::periodic
