#pragma once

#include <QString>
#include <QVariant>

namespace velmora::db {

// A control bound to one field of a data source's current record: a text box
// or a picture box. The data source shows the field in it when the current
// record changes and writes its pending edit back when the record is left.
class BoundControl {
public:
    virtual ~BoundControl() = default;

    virtual QString dataField() const = 0;
    // A QString for text, a QByteArray for a picture, a null QVariant for NULL
    // or when there is no current record.
    virtual void showFieldValue(const QVariant &value) = 0;
    virtual bool isDataChanged() const = 0;
    virtual void setDataChanged(bool changed) = 0;
    // The value to store: text, picture bytes, or null for an empty picture.
    virtual QVariant editedValue() const = 0;
};

} // namespace velmora::db
