#include "search/HistoryCombo.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace velmora::search {

HistoryCombo::HistoryCombo(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(20);
    lineEdit()->installEventFilter(this);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { m_listIndex = -1; });
    connect(this, &QComboBox::activated, this, [this](int index) {
        m_listIndex = index;
        setEditText(itemText(index));
        emit entryChosen();
    });
}

void HistoryCombo::setText(const QString &text)
{
    m_listIndex = -1;
    setEditText(text);
}

void HistoryCombo::setListIndex(int index)
{
    if (index < 0 || index >= count()) {
        m_listIndex = -1;
        return;
    }
    m_listIndex = index;
    setEditText(itemText(index));
}

void HistoryCombo::addHistory(const QString &name)
{
    // Qt selects the first item added to an empty box; keep the text.
    const QString text = currentText();
    addItem(name);
    setEditText(text);
}

void HistoryCombo::clearHistory()
{
    clear();
    m_listIndex = -1;
    setEditText(QString());
}

bool HistoryCombo::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const int code = key->key();
        if (code == Qt::Key_Return || code == Qt::Key_Enter) {
            emit keyTyped(13);
            return true;
        }
        // Only keys that type a character count, as for a key press.
        if (!key->text().isEmpty() && key->text().at(0).isPrint())
            emit keyTyped(key->text().at(0).unicode());
        else if (code == Qt::Key_Backspace)
            emit keyTyped(8);
        return false;
    }
    return QComboBox::eventFilter(watched, event);
}

} // namespace velmora::search
