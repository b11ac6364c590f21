#pragma once

#include "db/ColumnCache.h"

#include <QAbstractListModel>
#include <QAbstractItemView>
#include <QListView>
#include <QStringList>
#include <memory>
#include <vector>

namespace velmora::db {
class ReadingGrid;
}

namespace velmora::search {

// The entries of the result list. A search result of any size is shown at
// once: the entries are the places of the found rows in the connection's
// copy of the listed column, and an entry's text is read from the copy when
// the view asks for it. The copy keeps the texts as they were when the search
// ran, as a filled list would. Entries that come from nowhere else (a
// chemical chosen in the category tree) are kept as plain texts.
class ResultModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    QString text(int row) const;
    void setTexts(const QStringList &texts);
    void setColumn(std::shared_ptr<const db::TextColumn> column, std::vector<quint32> places);
    void append(const QString &text);
    void clear();

    // The first entry that, split at the separator, holds text as one whole
    // name; -1 when none does.
    int firstWholeName(const QString &separator, const QString &text,
                       Qt::CaseSensitivity cs = Qt::CaseSensitive) const;
    // The entries whose texts are the longest (at most n of them, every
    // entry when there are no more), for the list's width.
    std::vector<int> longest(int n) const;

private:
    std::shared_ptr<const db::TextColumn> m_column;
    std::vector<quint32> m_places;
    QStringList m_texts; // when there is no column
};

// The result list of the main window (objectName List1): a list view on a
// ResultModel with the calls of a list box that the program makes.
class ResultList : public QListView {
    Q_OBJECT
public:
    explicit ResultList(QWidget *parent = nullptr);

    ResultModel *entries() const { return m_model; }
    int count() const { return m_model->rowCount(); }
    QString text(int row) const { return m_model->text(row); }
    int currentRow() const;
    // The text of the current entry; empty when there is none.
    QString currentText() const;
    // Makes the entry current and selects it (-1: none), as a click does.
    void setCurrentRow(int row);
    QRect visualRowRect(int row) const;
    void scrollToRow(int row, QAbstractItemView::ScrollHint hint = EnsureVisible);

    void clear();
    void addItem(const QString &text);
    void addItems(const QStringList &texts);
    // Lists one column of a query's result: from the connection's copy of the
    // column when there is one, else the grid's texts.
    void showColumn(const db::ReadingGrid &grid, int col);
    // Lists the column for some of the grid's rows (1-based grid rows).
    void showColumn(const db::ReadingGrid &grid, int col, const std::vector<int> &rows);

signals:
    void currentRowChanged(int row);
    void itemClicked(int row);
    void itemEntered(int row);

private:
    ResultModel *m_model;
};

} // namespace velmora::search
