#include "maintenance/HeadingPicker.h"

#include "db/AppFolder.h"
#include "db/DataSource.h"
#include "db/DbError.h"
#include "db/SqlText.h"
#include "maintenance/BoundTextBox.h"
#include "maintenance/WizardForm.h"

#include <QComboBox>
#include <QLabel>
#include <QMessageBox>

namespace velmora::maintenance {

namespace {

const QString Level1 = QStringLiteral("第一级标题");
const QString Level2 = QStringLiteral("第二级标题");
const QString Level3 = QStringLiteral("第三级标题");

QString quoted(const QString &value) { return QLatin1Char('\'') + db::sqlValue(value) + QLatin1Char('\''); }

} // namespace

int HeadingPicker::levelOf(const QString &item)
{
    if (item == Level1)
        return 1;
    if (item == Level2)
        return 2;
    if (item == Level3)
        return 3;
    return 0;
}

QString HeadingPicker::levelField(int level)
{
    switch (level) {
    case 1: return Level1;
    case 2: return Level2;
    case 3: return Level3;
    default: return {};
    }
}

QString HeadingPicker::currentHeading(int level) const
{
    switch (level) {
    case 1: return f.Text7->text();
    case 2: return f.Text8->text();
    case 3: return f.Text9->text();
    default: return {};
    }
}

void HeadingPicker::com_com()
{
    const int level = levelOf(f.itemText(f.selectedItem()));
    f.Combo1->setVisible(level != 0);
    f.pickerLabel->setVisible(level != 0);

    db::DataSource &d = *f.Data2;
    d.setConnect(QStringLiteral(";pwd=5817402"));
    d.setDatabaseName(db::AppFolder::file(QStringLiteral("\\data\\index.data")));
    switch (level) {
    case 1:
        d.setRecordSource(QStringLiteral("select * from index where ") + Level1 + QStringLiteral(" like ")
                          + QStringLiteral("'*'") + QStringLiteral(" order by 第一级标题"));
        break;
    case 2:
        if (f.Text7->text().isEmpty()) {
            f.showPrompt(WizardForm::applicationTitle(),
                         QStringLiteral("请首先选定第一级标题，然后再能选定第二级标题！"), QMessageBox::NoIcon);
            return;
        }
        d.setRecordSource(QStringLiteral("select * from index where ") + Level1 + QStringLiteral(" = ")
                          + quoted(f.Text7->text()) + QStringLiteral(" order by 第二级标题"));
        break;
    case 3:
        if (f.Text8->text().isEmpty()) {
            f.showPrompt(WizardForm::applicationTitle(),
                         QStringLiteral("请首先选定第二级标题，然后再能选定第三级标题！"), QMessageBox::NoIcon);
            return;
        }
        d.setRecordSource(QStringLiteral("select * from index where ") + Level2 + QStringLiteral(" = ")
                          + quoted(f.Text8->text()) + QStringLiteral(" order by 第三级标题"));
        break;
    default:
        break;
    }
    if (level != 0)
        d.refresh();

    const QString current = currentHeading(level);
    // Sorted by the level's field, so a heading differs from the row above
    // exactly where it first appears; row 0 holds the field name.
    f.Combo1->clear();
    if (level != 0) {
        const db::ReadingGrid &g = d.grid();
        const int col = level + 1; // index stores the three headings at positions 2 to 4
        for (int r = 1; r < g.rows(); ++r) {
            const QString cell = g.text(r, col);
            if (!cell.isEmpty() && cell != g.text(r - 1, col))
                f.Combo1->addItem(cell);
        }
    }
    f.Combo1->setCurrentIndex(-1);
    if (f.preselectsHeading()) {
        if (current.isEmpty() && f.Combo1->count() > 0) {
            f.Combo1->setCurrentIndex(0);
            choose();
        } else {
            f.Combo1->setEditText(current);
        }
    } else {
        f.Combo1->setEditText(QString());
    }
}

void HeadingPicker::choose()
{
    const int level = levelOf(f.itemText(f.selectedItem()));
    const QString t = f.Combo1->currentText();
    // An empty text names no heading: storing it would add a blank index row.
    if (level == 0 || t.isEmpty())
        return;
    // A heading needs the levels above it: the list may still show an
    // earlier fill, but nothing is filed without a parent.
    if (level == 2 && f.Text7->text().isEmpty()) {
        f.showPrompt(WizardForm::applicationTitle(), QStringLiteral("请首先选定第一级标题，然后再能选定第二级标题！"),
                     QMessageBox::NoIcon);
        return;
    }
    if (level == 3 && f.Text8->text().isEmpty()) {
        f.showPrompt(WizardForm::applicationTitle(), QStringLiteral("请首先选定第二级标题，然后再能选定第三级标题！"),
                     QMessageBox::NoIcon);
        return;
    }
    const QString L = levelField(level);
    const QString A = level == 1 ? Level2 : Level1;
    const QString B = level == 3 ? Level2 : Level3;

    db::DataSource &d = *f.Data2;
    d.setRecordSource(QStringLiteral("Select * From index Where ") + A + QStringLiteral(" = ") + quoted(t)
                      + QStringLiteral("or ") + B + QStringLiteral(" = ") + quoted(t));
    d.refresh();
    if (d.grid().rows() > 1) {
        f.showPrompt(WizardForm::applicationTitle(), QStringLiteral("你所添加的标题已经存在，不能添加！"),
                     QMessageBox::NoIcon);
        return;
    }
    // The editor takes the heading only while it shows this level's field;
    // otherwise the heading would land in whatever field it is bound to.
    if (!f.text1Bound() || f.Text1->dataField() != L)
        return;
    d.setRecordSource(QStringLiteral("Select * From index Where ") + L + QStringLiteral(" = ") + quoted(t));
    d.refresh();
    if (d.grid().rows() == 1) {
        // A new heading: one index row holding the chemical's path down to
        // it, stored in one transaction with the chemical's field.
        QStringList fields{Level1};
        QVariantList values;
        switch (level) {
        case 1:
            values << t;
            break;
        case 2:
            fields << Level2;
            values << f.Text7->text() << t;
            break;
        default:
            fields << Level2 << Level3;
            values << f.Text7->text() << f.Text8->text() << t;
            break;
        }
        f.Data1->addCompanionRow(db::AppFolder::file(QStringLiteral("\\data\\index.data")), QStringLiteral("index"),
                                 fields, values);
    }
    f.Text1->setText(t);
    f.storeNow();
}

} // namespace velmora::maintenance
