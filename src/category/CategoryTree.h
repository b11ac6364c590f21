#pragma once

#include <QHash>
#include <QString>
#include <stdexcept>

class QTreeWidgetItem;

namespace velmora::app {
class MainWindow;
}

namespace velmora::category {

// A heading text that is already a node of the tree, or a child whose parent
// is missing: the tree cannot take it and its build stops there.
class TreeBuildError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The three-level category tree of the main window (TreeView1), built from
// table index; a click on a heading finds the chemicals filed under it, a
// click on a chemical shows its record.
class CategoryTree {
public:
    explicit CategoryTree(app::MainWindow &window) : w(window) {}

    // Fills the empty tree. Throws DbError or TreeBuildError; the nodes added
    // before the failure stay.
    void bia_bia();
    void NodeClick(QTreeWidgetItem *node);
    void print_zwmin();

    QTreeWidgetItem *node(const QString &key) const { return m_nodes.value(key); }
    static int imageOf(const QTreeWidgetItem *node);

private:
    QTreeWidgetItem *addNode(const QString &parentKey, const QString &key, int image, int selectedImage);
    void clearTree();

    app::MainWindow &w;
    QHash<QString, QTreeWidgetItem *> m_nodes;
    QString m_heading;
    int m_nameColumn = -1;
};

} // namespace velmora::category
