#pragma once

#include "db/BoundControl.h"

#include <QVariant>

namespace velmora::test {

// A text box bound to one field, as a window would hold it: remembers what
// the data source showed in it, and what the person typed.
class FakeBox : public db::BoundControl {
public:
    explicit FakeBox(QString field) : field(std::move(field)) {}
    QString dataField() const override { return field; }
    void showFieldValue(const QVariant &v) override { shown = v; }
    bool isDataChanged() const override { return changed; }
    void setDataChanged(bool c) override { changed = c; }
    QVariant editedValue() const override { return edit; }
    void type(const QVariant &v)
    {
        edit = v;
        changed = true;
    }
    QString field;
    QVariant shown;
    QVariant edit;
    bool changed = false;
};

} // namespace velmora::test
