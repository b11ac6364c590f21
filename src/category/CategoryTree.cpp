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
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTreeWidget>

namespace velmora::category {

namespace {
constexpr int ImageRole = Qt::UserRole + 1;
constexpr int KeyRole = Qt::UserRole;
} // namespace

int CategoryTree::imageOf(const QTreeWidgetItem *node)
{
    return node ? node->data(0, ImageRole).toInt() : 0;
}

void CategoryTree::clearTree()
{
    w.TreeView1->clear();
    m_nodes.clear();
}

QTreeWidgetItem *CategoryTree::addNode(const QString &parentKey, const QString &key, int image,
                                       int selectedImage)
{
    QTreeWidgetItem *parent = nullptr;
    if (!parentKey.isNull()) {
        parent = m_nodes.value(parentKey);
        if (!parent)
            throw TreeBuildError("the parent heading is not in the tree");
    }
    if (!key.isNull() && m_nodes.contains(key))
        throw TreeBuildError("the heading is already in the tree");
    auto *item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(w.TreeView1);
    item->setText(0, key);
    item->setData(0, KeyRole, key);
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
        const db::ReadingGrid &g = d.grid();
        for (int r = 1; r < g.rows(); ++r) {
            const QString cur = g.text(r, i);
            const QString prev = g.text(r - 1, i);
            if (cur.isEmpty() || cur == prev)
                continue;
            if (i == 2)
                addNode(QString(), cur, 1, 2);
            else
                addNode(g.text(r, i - 1), cur, 1, 2); // an empty parent cell fails here
        }
    }
}

void CategoryTree::NodeClick(QTreeWidgetItem *clicked)
{
    if (!clicked)
        return;
    const QString T = clicked->text(0);
    const bool clickedLeaf = imageOf(clicked) == 3;
    w.showBusy(QStringLiteral("请等待……"));
    w.TreeView1->hide();
    db::DataSource &d = *w.Data1;
    d.setDatabaseName(db::AppFolder::file(QStringLiteral("\\data\\sj1.data")));
    const QString t = db::sqlValue(T);
    d.setRecordSource(QStringLiteral("Select * From sj Where ") + QStringLiteral("第一级标题") + QStringLiteral(" = ")
                      + QStringLiteral("'") + t + QStringLiteral("'") + QStringLiteral(" Or ")
                      + QStringLiteral("第二级标题") + QStringLiteral(" = ") + QStringLiteral("'") + t
                      + QStringLiteral("'") + QStringLiteral(" Or ") + QStringLiteral("第三级标题")
                      + QStringLiteral(" = ") + QStringLiteral("'") + t + QStringLiteral("'")
                      + QStringLiteral(" Or ") + QStringLiteral("中文名称") + QStringLiteral(" Like ")
                      + QStringLiteral("'") + t + QStringLiteral("'") + QStringLiteral(" Order by 第一级标题"));
    bool leafSelected = clickedLeaf;
    try {
        d.refresh();
        const db::ReadingGrid &g = d.grid();
        if (T != g.text(1, 2)) {
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
            try {
                bia_bia();
            } catch (const TreeBuildError &) {
                // The nodes built so far stay.
            }
            if (QTreeWidgetItem *heading = m_nodes.value(T)) {
                w.TreeView1->setCurrentItem(heading);
                heading->setExpanded(true);
            }
            if (j == c3 || g.text(row, j + 1).isEmpty())
                print_zwmin();
            leafSelected = imageOf(w.TreeView1->currentItem()) == 3;
        }
        if (leafSelected) {
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
        // The tree is shown again with the count of what Data1 holds.
    }
    w.TreeView1->show();
    w.TreeView1->setFocus();
    w.Label3->setText(QStringLiteral("找到 %1 个相关的化学品").arg(d.grid().rows() - 1));
}

void CategoryTree::print_zwmin()
{
    const db::ReadingGrid &g = w.Data1->grid();
    QTreeWidgetItem *heading = m_nodes.value(m_heading);
    if (!heading)
        return;
    for (int r = 1; r < g.rows(); ++r)
        addNode(m_heading, QString(), 3, 0)->setText(0, g.text(r, m_nameColumn));
    heading->setExpanded(true);
    w.TreeView1->setCurrentItem(heading);
}

} // namespace velmora::category
