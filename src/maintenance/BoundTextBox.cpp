#include "maintenance/BoundTextBox.h"

namespace velmora::maintenance {

BoundTextBox::BoundTextBox(QWidget *parent) : QTextEdit(parent)
{
    setAcceptRichText(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(this, &QTextEdit::textChanged, this, [this] {
        if (!m_loading)
            m_changed = true;
    });
}

void BoundTextBox::showFieldValue(const QVariant &value)
{
    m_loading = true;
    // A picture is no text: the box shows nothing for it.
    setPlainText(value.typeId() == QMetaType::QByteArray ? QString() : value.toString());
    m_loading = false;
}

QVariant BoundTextBox::editedValue() const
{
    const QString value = toPlainText();
    return value.isEmpty() ? QVariant() : QVariant(value);
}

void BoundTextBox::setText(const QString &text)
{
    setPlainText(text);
    m_changed = true;
}

} // namespace velmora::maintenance
