#pragma once

#include <QComboBox>

namespace velmora::search {

// The search box: typed text plus a drop-down list that is the history of
// the chemicals shown. Its list index is -1 while the box holds typed text;
// choosing an entry (by the user or by code) makes that entry the text.
class HistoryCombo : public QComboBox {
    Q_OBJECT
public:
    explicit HistoryCombo(QWidget *parent = nullptr);

    QString text() const { return currentText(); }
    void setText(const QString &text);
    // Shows a text in the box and leaves the list index as it is.
    void showText(const QString &text);
    int listIndex() const { return m_listIndex; }
    void setListIndex(int index);
    int listCount() const { return count(); }
    // Appends to the history; the text and the list index stay as they are.
    void addHistory(const QString &name);
    // Empties the history and the text.
    void clearHistory();

signals:
    // An entry was chosen from the drop-down list by the user.
    void entryChosen();
    // A key that types a character (or Enter, 13) was pressed in the box,
    // or an input method committed text (its first character).
    void keyTyped(int key);

protected:
    // Keys and input-method text reach the box on two roads: to the combo
    // box, which hands them on to its line edit by a direct call, or to the
    // line edit itself. Both end here, once per key.
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The key rule's code of a key press, 0 for keys that type nothing.
    static int typedCode(const QKeyEvent *event);

    int m_listIndex = -1;
};

} // namespace velmora::search
