#include "search/ResultList.h"

#include "db/ReadingGrid.h"

#include <QItemSelectionModel>
#include <QStyledItemDelegate>
#include <algorithm>

namespace velmora::search {

int ResultModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_column ? int(m_places.size()) : int(m_texts.size());
}

QVariant ResultModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return text(index.row());
}

Qt::ItemFlags ResultModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

QString ResultModel::text(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    if (m_column)
        return m_column->value(m_places[size_t(row)]);
    return m_texts[row];
}

void ResultModel::setTexts(const QStringList &texts)
{
    beginResetModel();
    m_column.reset();
    m_places.clear();
    m_texts = texts;
    endResetModel();
}

void ResultModel::setColumn(std::shared_ptr<const db::TextColumn> column, std::vector<quint32> places)
{
    beginResetModel();
    m_texts.clear();
    m_column = std::move(column);
    m_places = std::move(places);
    endResetModel();
}

void ResultModel::append(const QString &text)
{
    if (m_column) {
        // An entry of another kind: the list becomes plain texts.
        QStringList texts;
        texts.reserve(qsizetype(m_places.size()) + 1);
        for (int r = 0; r < rowCount(); ++r)
            texts << this->text(r);
        texts << text;
        setTexts(texts);
        return;
    }
    const int row = int(m_texts.size());
    beginInsertRows({}, row, row);
    m_texts << text;
    endInsertRows();
}

void ResultModel::clear() { setTexts({}); }

int ResultModel::firstWholeName(const QString &separator, const QString &text, Qt::CaseSensitivity cs) const
{
    const int n = rowCount();
    auto holds = [&](int row) { return this->text(row).split(separator).contains(text, cs); };
    if (!m_column || text.isEmpty() || text.contains(QChar::ReplacementCharacter)) {
        for (int r = 0; r < n; ++r)
            if (holds(r))
                return r;
        return -1;
    }
    // On the stored bytes: decoding keeps a well-formed sequence as it is
    // and a broken one never swallows the bytes after it, so a row holds the
    // name as a whole part exactly when its bytes hold the name's bytes with
    // the separator's bytes (or an end) on both sides. Ignoring case, an
    // ASCII name is compared with ASCII letters folded in rows of ASCII
    // only; a row with other characters (which may fold to ASCII letters),
    // or a name holding the separator, is decoded and split.
    const QByteArray bytes = text.toUtf8();
    const QByteArray sepBytes = separator.toUtf8();
    const std::string_view needle(bytes.constData(), size_t(bytes.size()));
    const std::string_view sep(sepBytes.constData(), size_t(sepBytes.size()));
    auto isAscii = [](std::string_view v) {
        return std::all_of(v.begin(), v.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
    };
    if (sep.empty() || needle.find(sep) != std::string_view::npos || (cs == Qt::CaseInsensitive && !isAscii(needle))) {
        for (int r = 0; r < n; ++r)
            if (holds(r))
                return r;
        return -1;
    }
    auto lower = [](char ch) { return (ch >= 'A' && ch <= 'Z') ? char(ch + 32) : ch; };
    auto same = [&](char a, char b) { return cs == Qt::CaseSensitive ? a == b : lower(a) == lower(b); };
    auto wholeIn = [&](std::string_view hay) {
        auto at = hay.begin();
        while ((at = std::search(at, hay.end(), needle.begin(), needle.end(), same)) != hay.end()) {
            const size_t p = size_t(at - hay.begin());
            const bool left = p == 0 || (p >= sep.size() && hay.substr(p - sep.size(), sep.size()) == sep);
            const size_t e = p + needle.size();
            const bool right = e == hay.size() || hay.substr(e, sep.size()) == sep;
            if (left && right)
                return true;
            ++at;
        }
        return false;
    };
    for (int r = 0; r < n; ++r) {
        const quint32 place = m_places[size_t(r)];
        if (m_column->kinds[place] != db::TextColumn::Text)
            continue;
        const std::string_view hay = m_column->at(place);
        if (cs == Qt::CaseInsensitive && !isAscii(hay) ? holds(r) : wholeIn(hay))
            return r;
    }
    return -1;
}

std::vector<int> ResultModel::longest(int n) const
{
    const int rows = rowCount();
    std::vector<int> all(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r)
        all[size_t(r)] = r;
    if (rows <= n)
        return all;
    auto length = [this](int r) -> qsizetype {
        if (!m_column)
            return m_texts[r].size() * 3; // about the bytes of Chinese text
        return qsizetype(m_column->at(m_places[size_t(r)]).size());
    };
    std::nth_element(all.begin(), all.begin() + n, all.end(),
                     [&length](int a, int b) { return length(a) > length(b); });
    all.resize(size_t(n));
    return all;
}

namespace {

// Every entry is one line of the same height; the width is that of the
// widest entry among the longest texts, so that long names scroll sideways.
// Measured once per content, not per entry, so a long list lays out at once.
class EntryDelegate : public QStyledItemDelegate {
public:
    EntryDelegate(ResultModel *model, QObject *parent) : QStyledItemDelegate(parent), m_model(model)
    {
        auto forget = [this] { m_width = -1; };
        connect(model, &QAbstractItemModel::modelReset, this, forget);
        connect(model, &QAbstractItemModel::rowsInserted, this, forget);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (m_width < 0 || m_font != option.font) {
            m_font = option.font;
            m_width = 0;
            // Texts of a few thousand entries are all measured; of more, the
            // longest in bytes (a wide Latin name is among them).
            const int n = m_model->rowCount() <= 2000 ? 2000 : 200;
            for (const int row : m_model->longest(n))
                m_width = std::max(m_width, QStyledItemDelegate::sizeHint(option, m_model->index(row)).width());
        }
        size.setWidth(std::max(size.width(), m_width));
        return size;
    }

private:
    ResultModel *m_model;
    mutable int m_width = -1;
    mutable QFont m_font;
};

} // namespace

ResultList::ResultList(QWidget *parent) : QListView(parent), m_model(new ResultModel(this))
{
    setModel(m_model);
    setItemDelegate(new EntryDelegate(m_model, this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { emit currentRowChanged(current.isValid() ? current.row() : -1); });
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) { emit itemClicked(index.row()); });
    connect(this, &QAbstractItemView::entered, this, [this](const QModelIndex &index) { emit itemEntered(index.row()); });
}

int ResultList::currentRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

QString ResultList::currentText() const { return m_model->text(currentRow()); }

void ResultList::setCurrentRow(int row)
{
    selectionModel()->setCurrentIndex(m_model->index(row), QItemSelectionModel::ClearAndSelect);
}

QRect ResultList::visualRowRect(int row) const { return visualRect(m_model->index(row)); }

void ResultList::scrollToRow(int row, QAbstractItemView::ScrollHint hint)
{
    if (row >= 0 && row < count())
        scrollTo(m_model->index(row), hint);
}

void ResultList::clear() { m_model->clear(); }

void ResultList::addItem(const QString &text) { m_model->append(text); }

void ResultList::addItems(const QStringList &texts)
{
    if (count() == 0) {
        m_model->setTexts(texts);
        return;
    }
    for (const QString &t : texts)
        m_model->append(t);
}

void ResultList::showColumn(const db::ReadingGrid &grid, int col)
{
    if (std::optional<db::ReadingGrid::ColumnView> view = grid.columnView(col)) {
        m_model->setColumn(std::move(view->column), std::move(view->places));
        return;
    }
    QStringList texts;
    texts.reserve(grid.rows() - 1);
    for (int r = 1; r < grid.rows(); ++r)
        texts << grid.text(r, col);
    m_model->setTexts(texts);
}

void ResultList::showColumn(const db::ReadingGrid &grid, int col, const std::vector<int> &rows)
{
    if (std::optional<db::ReadingGrid::ColumnView> view = grid.columnView(col)) {
        std::vector<quint32> places;
        places.reserve(rows.size());
        for (const int r : rows)
            places.push_back(view->places[size_t(r - 1)]);
        m_model->setColumn(std::move(view->column), std::move(places));
        return;
    }
    QStringList texts;
    texts.reserve(qsizetype(rows.size()));
    for (const int r : rows)
        texts << grid.text(r, col);
    m_model->setTexts(texts);
}

} // namespace velmora::search
