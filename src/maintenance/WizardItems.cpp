#include "maintenance/WizardItems.h"

namespace velmora::maintenance {

QStringList WizardItems::editItems(const QStringList &fields)
{
    QStringList items;
    for (int position = 2; position <= fields.size(); ++position) {
        if (position == 5)
            items << Structure;
        items << fields[position - 1];
    }
    return items;
}

QStringList WizardItems::addItems(const QStringList &fields)
{
    QStringList items;
    for (int position = 2; position <= fields.size(); ++position) {
        if (position == 5)
            items << Structure;
        if (position == 6)
            items << Appearance;
        if (fields[position - 1] != Appearance)
            items << fields[position - 1];
    }
    return items;
}

} // namespace velmora::maintenance
