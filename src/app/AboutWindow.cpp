#include "app/AboutWindow.h"

#include "app/Artwork.h"
#include "app/Fonts.h"
#include "app/SkinSetup.h"
#include "db/AppFolder.h"
#include "db/DataSource.h"
#include "db/DbError.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>

namespace velmora::app {

namespace {

// The number of records of a table; -1 when the file cannot be read.
int countRecords(const QString &file, const QString &table)
{
    db::DataSource source;
    source.setConnect(QStringLiteral(";pwd=5817402"));
    source.setReadOnly(true);
    source.setDatabaseName(db::AppFolder::file(file));
    source.setRecordSource(table);
    try {
        source.refresh();
    } catch (const db::DbError &) {
        return -1;
    }
    return source.recordCount();
}

// Distinct heading texts of the category index, at every level.
int countHeadings()
{
    db::DataSource source;
    source.setConnect(QStringLiteral(";pwd=5817402"));
    source.setReadOnly(true);
    source.setDatabaseName(db::AppFolder::file(QStringLiteral("\\data\\index.data")));
    source.setRecordSource(QStringLiteral("index"));
    try {
        source.refresh();
    } catch (const db::DbError &) {
        return -1;
    }
    QSet<QString> headings;
    const db::ReadingGrid &g = source.grid();
    for (const QString &field : {QStringLiteral("第一级标题"), QStringLiteral("第二级标题"), QStringLiteral("第三级标题")}) {
        const int col = g.column(field);
        for (int r = 1; col >= 0 && r < g.rows(); ++r)
            if (!g.text(r, col).isEmpty())
                headings.insert(g.text(r, col));
    }
    return int(headings.size());
}

} // namespace

AboutWindow::AboutWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint)
{
    setObjectName(QStringLiteral("about"));
    setWindowTitle(QStringLiteral("技术支持"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->setSpacing(10);

    auto *banner = new QLabel(this);
    banner->setPixmap(Artwork::splash(QSize(300, 60)));
    banner->setAlignment(Qt::AlignCenter);
    banner->setStyleSheet(QStringLiteral("background: rgb(128,128,255); border-radius: 6px; padding: 6px;"));
    layout->addWidget(banner);

    auto *title = new QLabel(QStringLiteral("Velmora %1　化学品电子手册").arg(QApplication::applicationVersion().isEmpty()
                                                                              ? QStringLiteral("3.0")
                                                                              : QApplication::applicationVersion()),
                             this);
    title->setObjectName(QStringLiteral("aboutTitle"));
    QFont f = Fonts::ui(13);
    f.setBold(true);
    title->setFont(f);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);

    m_counts = new QLabel(this);
    m_counts->setObjectName(QStringLiteral("aboutCounts"));
    m_counts->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_counts);

    auto *support = new QLabel(
        QStringLiteral("本手册收录常用化学品的名称、性质、用途和制备方法，内容仅供参考。\n"
                       "使用中遇到问题或发现数据有误，请联系您的软件提供者，并注明化学品名称和所见内容。"),
        this);
    support->setWordWrap(true);
    support->setAlignment(Qt::AlignCenter);
    layout->addWidget(support);

    auto *close = new QPushButton(QStringLiteral("关闭"), this);
    close->setObjectName(QStringLiteral("aboutClose"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(close, 0, Qt::AlignCenter);
    refresh();
    SkinSetup::apply(this);
    fitContents();
}

bool AboutWindow::event(QEvent *event)
{
    const bool done = QWidget::event(event);
    if (event->type() == QEvent::ContentsRectChange)
        fitContents();
    return done;
}

void AboutWindow::fitContents()
{
    constexpr int ContentWidth = 440;
    const QMargins m = contentsMargins();
    const int width = ContentWidth + m.left() + m.right();
    int height = heightForWidth(width);
    if (height <= 0)
        height = sizeHint().height();
    setMinimumSize(width, height);
    resize(width, height);
}

void AboutWindow::refresh()
{
    m_chemicals = countRecords(QStringLiteral("\\data\\sj1.data"), QStringLiteral("sj"));
    m_categories = countHeadings();
    if (m_chemicals < 0)
        m_counts->setText(QStringLiteral("未能打开化学品数据库。"));
    else
        m_counts->setText(QStringLiteral("数据库收录化学品 %1 种，分类标题 %2 个。").arg(m_chemicals).arg(m_categories));
}

} // namespace velmora::app
