#pragma once

#include <QString>
#include <QStringList>

namespace velmora::maintenance {

// The item lists of the two wizards, built from the field names of table sj
// in their stored order (position 1 first). Item 4 is always the structure
// picture; the add wizard also lists 性状 at a fixed place.
class WizardItems {
public:
    static inline const QString Structure = QStringLiteral("结构式或分子式");
    static inline const QString Appearance = QStringLiteral("性状");
    static inline const QString ChineseName = QStringLiteral("中文名称");
    static constexpr int StructureItem = 4;

    // Edit wizard: the fields from position 2 on, with the structure item
    // before position 5.
    static QStringList editItems(const QStringList &fields);
    // Add wizard: as the edit wizard, and 性状 before position 6 instead of
    // at its own position.
    static QStringList addItems(const QStringList &fields);
};

} // namespace velmora::maintenance
