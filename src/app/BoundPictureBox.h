#pragma once

#include "db/BoundControl.h"

#include <QByteArray>
#include <QLabel>

namespace velmora::app {

// A picture box bound to a picture field: shows the current record's picture
// and, when a new picture is pasted or the picture is deleted, writes it back
// when the data source leaves the record.
class BoundPictureBox : public QLabel, public db::BoundControl {
    Q_OBJECT
public:
    explicit BoundPictureBox(QWidget *parent = nullptr);

    void setDataField(const QString &field) { m_field = field; }
    QString dataField() const override { return m_field; }
    void showFieldValue(const QVariant &value) override;
    bool isDataChanged() const override { return m_changed; }
    void setDataChanged(bool changed) override { m_changed = changed; }
    QVariant editedValue() const override;

    // The picture's bytes; empty when the box holds none ("handle zero").
    const QByteArray &bytes() const { return m_bytes; }
    bool hasPicture() const { return !m_bytes.isEmpty(); }
    // An edit by the user: a new picture, or none.
    void setPicture(const QByteArray &png);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void display();

    QString m_field;
    QByteArray m_bytes;
    bool m_changed = false;
    bool m_stale = false;
};

} // namespace velmora::app
