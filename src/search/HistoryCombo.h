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
    // A key that types a character (or Enter, 13) was pressed in the box.
    void keyTyped(int key);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int m_listIndex = -1;
};

} // namespace velmora::search
