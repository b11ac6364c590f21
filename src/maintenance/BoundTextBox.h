#pragma once

#include "db/BoundControl.h"

#include <QTextEdit>

namespace velmora::maintenance {

// A multi-line text box bound to one field of a data source's current record.
// The field can be switched while the box lives, as the wizards' item editor
// needs. Any change of its text after the data source filled it, by typing,
// pasting or code, is a pending edit that the data source writes back when
// it leaves the record.
class BoundTextBox : public QTextEdit, public db::BoundControl {
    Q_OBJECT
public:
    explicit BoundTextBox(QWidget *parent = nullptr);

    void setDataField(const QString &field) { m_field = field; }
    QString dataField() const override { return m_field; }
    void showFieldValue(const QVariant &value) override;
    bool isDataChanged() const override { return m_changed; }
    void setDataChanged(bool changed) override { m_changed = changed; }
    // The text; an empty box stores NULL, as the data files hold empty fields.
    QVariant editedValue() const override;

    QString text() const { return toPlainText(); }
    // An edit made by code: marks the box changed like typing does.
    void setText(const QString &text);

private:
    QString m_field;
    bool m_changed = false;
    bool m_loading = false;
};

} // namespace velmora::maintenance
