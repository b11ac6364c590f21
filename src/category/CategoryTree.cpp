#include "category/CategoryTree.h"

#include "app/ImageList.h"
#include "app/MainWindow.h"
#include "db/AppFolder.h"
#include "db/DataSource.h"
#include "db/DbError.h"
#include "db/ResultFile.h"
#include "db/SqlText.h"
#include "search/HistoryCombo.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTreeWidget>

namespace velmora::category {

namespace {

constexpr int ImageRole = Qt::UserRole + 1;

// A name as a LIKE pattern that matches exactly that name: the wildcard
// characters stand for themselves (names such as "200#溶剂油" exist).
QString likeLiteral(const QString &name)
{
    QString out;
    out.reserve(name.size() + 8);
    for (const QChar c : name) {
        if (c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('#') || c == QLatin1Char('['))
            out += QLatin1Char('[') + c + QLatin1Char(']');
        else
            out += c;
    }
    return out;
}

// The chemicals filed under a heading, or the chemical named by a leaf.
QString nodeQuery(const QString &T)
{
    const QString t = db::sqlValue(T);
    return QStringLiteral("Select * From sj Where ") + QStringLiteral("第一级标题") + QStringLiteral(" = ")
           + QStringLiteral("'") + t + QStringLiteral("'") + QStringLiteral(" Or ") + QStringLiteral("第二级标题")
           + QStringLiteral(" = ") + QStringLiteral("'") + t + QStringLiteral("'") + QStringLiteral(" Or ")
           + QStringLiteral("第三级标题") + QStringLiteral(" = ") + QStringLiteral("'") + t + QStringLiteral("'")
           + QStringLiteral(" Or ") + QStringLiteral("中文名称") + QStringLiteral(" Like ") + QStringLiteral("'")
           + db::sqlValue(likeLiteral(T)) + QStringLiteral("'") + QStringLiteral(" Order by 第一级标题");
}

} // namespace

CategoryTree::CategoryTree(app::MainWindow &window) : w(window) {}

CategoryTree::~CategoryTree() = default;

int CategoryTree::imageOf(const QTreeWidgetItem *node)
{
    return node ? node->data(0, ImageRole).toInt() : 0;
}

void CategoryTree::clearTree()
{
    // The old nodes stay alive until the next rebuild (see the class note).
    m_previous.clear();
    while (w.TreeView1->topLevelItemCount() > 0)
        m_previous.emplace_back(w.TreeView1->takeTopLevelItem(0));
    m_nodes.clear();
}

QTreeWidgetItem *CategoryTree::addNode(const QString *parentKey, const QString &key, const QString &text,
                                       int image, int selectedImage)
{
    QTreeWidgetItem *parent = nullptr;
    if (parentKey) {
        parent = m_nodes.value(*parentKey);
        if (parentKey->isEmpty() || !parent)
            throw TreeBuildError("the parent heading is not in the tree");
    }
    if (!key.isNull() && m_nodes.contains(key))
        throw TreeBuildError("the heading is already in the tree");
    auto *item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(w.TreeView1);
    item->setText(0, text);
    item->setData(0, ImageRole, image);
    QIcon icon(w.ImageList3->picture(image));
    if (selectedImage > 0)
        icon.addPixmap(w.ImageList3->picture(selectedImage), QIcon::Selected);
    item->setIcon(0, icon);
    if (!key.isNull())
        m_nodes.insert(key, item);
    return item;
}

void CategoryTree::bia_bia()
{
    // The view may have been emptied without us; its old nodes are gone.
    if (w.TreeView1->topLevelItemCount() == 0)
        m_nodes.clear();
    db::DataSource &d = *w.Data3;
    d.setConnect(QStringLiteral(";pwd=5817402"));
    d.setDatabaseName(db::AppFolder::file(QStringLiteral("\\data\\index.data")));
    const QString base = QStringLiteral("select * from index where ") + QStringLiteral("第一级标题")
                         + QStringLiteral(" like ") + QStringLiteral("'*'");
    d.setRecordSource(base + QStringLiteral(" order by 第一级标题"));
    d.refresh();
    const int lastColumn = d.grid().cols() - 1;
    for (int i = 2; i <= lastColumn; ++i) {
        const QString level = i == 2   ? QStringLiteral("第一级标题")
                              : i == 3 ? QStringLiteral("第二级标题")
                                       : QStringLiteral("第三级标题");
        d.setRecordSource(base + QStringLiteral(" order by ") + level);
        d.refresh();
        // Equal headings are adjacent in this order: each is added once,
        // under the parent of the first row that carries it.
        const db::ReadingGrid &g = d.grid();
        for (int r = 1; r < g.rows(); ++r) {
            const QString cur = g.text(r, i);
            if (cur.isEmpty() || cur == g.text(r - 1, i))
                continue;
            if (i == 2) {
                addNode(nullptr, cur, cur, 1, 2);
            } else {
                const QString parentKey = g.text(r, i - 1);
                addNode(&parentKey, cur, cur, 1, 2);
            }
        }
    }
}

void CategoryTree::NodeClick(QTreeWidgetItem *clicked)
{
    // A click queued on a node that a rebuild has since taken out is stale.
    if (!clicked || clicked->treeWidget() != w.TreeView1)
        return;
    const QString T = clicked->text(0);
    const int clickedImage = imageOf(clicked);
    w.showBusy(QStringLiteral("请等待……"));
    w.TreeView1->hide();
    db::DataSource &d = *w.Data1;
    d.setDatabaseName(db::AppFolder::file(QStringLiteral("\\data\\sj1.data")));
    d.setRecordSource(nodeQuery(T));
    try {
        d.refresh();
        const db::ReadingGrid &g = d.grid();
        int selectedImage = clickedImage;
        if (T != g.text(1, 2)) {
            // A heading rather than the chemical it names.
            m_heading = T;
            m_nameColumn = g.column(QStringLiteral("中文名称"));
            const int c3 = g.column(QStringLiteral("第三级标题"));
            int j = c3, row = 0;
            for (int col = 1; col < c3 && row == 0; ++col)
                for (int r = 1; r < g.rows(); ++r)
                    if (g.text(r, col) == T) {
                        j = col;
                        row = r;
                        break;
                    }
            clearTree();
            bia_bia(); // a heading clash ends the click here
            QTreeWidgetItem *selected = m_nodes.value(T);
            selectedImage = imageOf(selected);
            if (selected) {
                w.TreeView1->setCurrentItem(selected);
                selected->setExpanded(true);
                // Its parents too, or the rebuilt tree would hide it.
                for (QTreeWidgetItem *p = selected->parent(); p; p = p->parent())
                    p->setExpanded(true);
            }
            if (j == c3 || g.text(row, j + 1).isEmpty())
                print_zwmin();
        }
        if (selectedImage == 3) {
            w.setRecordCommandsEnabled(true);
            w.Combo2->setText(T);
            w.List1->clear();
            w.List1->addItem(T);
            w.selectListEntry(0); // runs the list's click handling
            w.buttonMenu(4)->addAction(T);
            db::ResultFile::write(db::AppFolder::file(QStringLiteral("\\result")), T);
            w.forr_forr();
        } else {
            w.setRecordCommandsEnabled(false);
        }
    } catch (const db::DbError &) {
        // The tree is shown again with the count of whatever Data1 holds.
    } catch (const TreeBuildError &) {
        // The nodes built before the clash stay.
    }
    w.TreeView1->show();
    w.TreeView1->setFocus();
    if (QTreeWidgetItem *current = w.TreeView1->currentItem()) {
        // An opened heading and as many of its nodes as fit: first its last
        // node at the bottom edge, then the heading itself, which brings it
        // to the top edge when they do not all fit.
        if (current->isExpanded() && current->childCount() > 0)
            w.TreeView1->scrollToItem(current->child(current->childCount() - 1));
        w.TreeView1->scrollToItem(current);
    }
    w.Label3->setText(QStringLiteral("找到 %1 个相关的化学品").arg(d.grid().rows() - 1));
}

void CategoryTree::print_zwmin()
{
    const db::ReadingGrid &g = w.Data1->grid();
    QTreeWidgetItem *heading = m_nodes.value(m_heading);
    if (!heading)
        return;
    for (int r = 1; r < g.rows(); ++r)
        addNode(&m_heading, QString(), g.text(r, m_nameColumn), 3, 0);
    heading->setExpanded(true);
    w.TreeView1->setCurrentItem(heading);
}

} // namespace velmora::category
