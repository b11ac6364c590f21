#pragma once

#include <QHash>
#include <QString>
#include <memory>
#include <stdexcept>
#include <vector>

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
//
// Heading nodes are keyed by their text, so a text can occur once in the
// whole tree. The nodes of the tree before the last rebuild are kept (out of
// the view) until the next rebuild, so that a click queued on one of them is
// recognised as stale instead of reaching freed memory.
class CategoryTree {
public:
    explicit CategoryTree(app::MainWindow &window);
    ~CategoryTree();

    // Fills the empty tree. Throws DbError or TreeBuildError; the nodes added
    // before the failure stay.
    void bia_bia();
    void NodeClick(QTreeWidgetItem *node);
    void print_zwmin();
    // Takes every node out of the view.
    void clearTree();

    QTreeWidgetItem *node(const QString &key) const { return m_nodes.value(key); }
    // 1 for a heading, 3 for a chemical leaf, 0 for no node.
    static int imageOf(const QTreeWidgetItem *node);
    // The heading of the last click (whose chemicals print_zwmin hangs).
    const QString &currentHeading() const { return m_heading; }

private:
    // A root node when parentKey is null, else a child of the node keyed
    // parentKey; a leaf has a null key.
    QTreeWidgetItem *addNode(const QString *parentKey, const QString &key, const QString &text, int image,
                             int selectedImage);

    app::MainWindow &w;
    QHash<QString, QTreeWidgetItem *> m_nodes;
    std::vector<std::unique_ptr<QTreeWidgetItem>> m_previous;
    QString m_heading;
    int m_nameColumn = -1;
};

} // namespace velmora::category
