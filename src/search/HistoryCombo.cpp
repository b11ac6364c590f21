#include "search/HistoryCombo.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace velmora::search {

HistoryCombo::HistoryCombo(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(20);
    // What the person typed is what is searched: no history name is
    // completed into the box behind their back.
    setCompleter(nullptr);
    // Leaving the box with a text that equals a history name is no choice
    // of that entry (the combo box would report it as one).
    disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
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

void HistoryCombo::showText(const QString &text) { setEditText(text); }

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

int HistoryCombo::typedCode(const QKeyEvent *event)
{
    const int code = event->key();
    if (code == Qt::Key_Return || code == Qt::Key_Enter)
        return 13;
    if (code == Qt::Key_Backspace)
        return 8;
    // Only keys that type a character count, as for a key press.
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint())
        return text.at(0).unicode();
    return 0;
}

void HistoryCombo::keyPressEvent(QKeyEvent *event)
{
    const int code = typedCode(event);
    if (code == 13) {
        // Enter is the search box's own: it runs the search once and goes
        // no further (neither to the line edit nor to the window).
        event->accept();
        emit keyTyped(13);
        return;
    }
    // The line edit takes the key first, so that the search sees its text.
    QComboBox::keyPressEvent(event);
    if (code != 0)
        emit keyTyped(code);
}

void HistoryCombo::inputMethodEvent(QInputMethodEvent *event)
{
    const QString committed = event->commitString();
    QComboBox::inputMethodEvent(event);
    if (!committed.isEmpty())
        emit keyTyped(committed.at(0).unicode());
}

bool HistoryCombo::eventFilter(QObject *watched, QEvent *event)
{
    // Keys and input-method text delivered straight to the line edit take
    // the combo box's road, so that they are seen once, in one place; the
    // combo box hands them back to the line edit by a direct call, which
    // does not pass this filter again.
    if (watched == lineEdit()
        && (event->type() == QEvent::KeyPress || event->type() == QEvent::InputMethod)) {
        QCoreApplication::sendEvent(this, event);
        return true;
    }
    return QComboBox::eventFilter(watched, event);
}

} // namespace velmora::search
