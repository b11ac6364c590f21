#pragma once

#include <QString>

namespace velmora::maintenance {

class WizardForm;

// The category heading picker of a wizard: when the selected item is one of
// the three heading fields, Combo1 offers the headings that exist at that
// level under the chemical's higher headings. A heading picked or typed
// becomes the chemical's field value; a new one is added to table index
// first, and one that is already used at another level is refused.
class HeadingPicker {
public:
    explicit HeadingPicker(WizardForm &form) : f(form) {}

    // 1, 2 or 3 for "第一级标题", "第二级标题", "第三级标题"; 0 otherwise.
    static int levelOf(const QString &item);
    static QString levelField(int level);

    // Shows and fills the picker for the selected item, or hides it.
    void com_com();
    // Files the chemical under Combo1's text at the selected item's level.
    void choose();

private:
    QString currentHeading(int level) const;

    WizardForm &f;
};

} // namespace velmora::maintenance
