// The wizards' SMILES entry on the picture item: a typed SMILES draws the
// picture, fills an empty 分子式 and 分子量, offers the canonical form and is
// stored with the row; a SMILES that does not parse is refused.
#include "WizardTestKit.h"

#include "app/BoundPictureBox.h"
#include "db/AppFolder.h"
#include "db/Database.h"
#include "maintenance/AddForm.h"
#include "maintenance/DataForm.h"
#include "structure/Structure.h"
#include "support/MainWindowHarness.h"

#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

using velmora::maintenance::AddForm;
using velmora::maintenance::DataForm;
using velmora::test::MainWindowHarness;
using namespace velmora::test;

namespace {

const QString Structure = QStringLiteral("结构式或分子式");

// The stored structure row of a chemical: "smiles|canonical|inchikey".
QString storedStructure(const QString &name)
{
    velmora::db::Database db(velmora::db::AppFolder::file(QStringLiteral("\\data\\sj1.data")),
                             QStringLiteral(";pwd=5817402"), velmora::db::Database::Mode::ReadOnly);
    velmora::db::Statement s(db.handle(),
                             QStringLiteral("SELECT s.smiles || '|' || s.canonical || '|' || coalesce(s.inchikey, '') "
                                            "FROM velmora_structure s JOIN sj ON sj.rowid = s.rowkey "
                                            "WHERE sj.\"中文名称\" = ?1"));
    s.bind(1, name);
    return s.step() ? s.text(0) : QString();
}

void typeSmiles(velmora::maintenance::WizardForm &f, const QString &smiles)
{
    clickOn(f.Smiles1);
    QTest::keyClick(windowOf(f.Smiles1), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(windowOf(f.Smiles1), Qt::Key_Delete);
    typeText(f.Smiles1, smiles);
    QTest::keyClick(windowOf(f.Smiles1), Qt::Key_Return);
}

} // namespace

class TestSmilesWizard : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        delete AddForm::instance();
        delete DataForm::instance();
    }

    void aNewChemicalDrawnFromItsSmiles()
    {
        MainWindowHarness h;
        clickMainButton(h.w(), 17);
        AddForm &f = *AddForm::instance();
        typeInto(f.Text2, QStringLiteral("测试阿司匹林"));
        clickItem(f, Structure);
        QTRY_VERIFY(f.Smiles1->isVisible());
        QVERIFY(f.Smiles1->text().isEmpty());
        QVERIFY(!f.Picture1->hasPicture());

        typeSmiles(f, QStringLiteral("OC(=O)c1ccccc1OC(C)=O"));
        QVERIFY(h.messages.isEmpty());
        QVERIFY(f.Picture1->hasPicture());
        QImage image;
        QVERIFY(image.loadFromData(f.Picture1->bytes(), "PNG"));
        QCOMPARE(image.size(), QSize(600, 400)); // as the shipped pictures
        const QString status = f.StatusBar1->currentMessage();
        QVERIFY2(status.contains(QStringLiteral("填入分子式 C9H8O4、分子量 180.16")), qPrintable(status));
        QVERIFY2(status.contains(QStringLiteral("规范写法：CC(=O)Oc1ccccc1C(=O)O")), qPrintable(status));

        // The canonical form, offered and taken.
        QVERIFY(f.canonicalButton->isVisible());
        clickOn(f.canonicalButton);
        QCOMPARE(f.Smiles1->text(), QStringLiteral("CC(=O)Oc1ccccc1C(=O)O"));
        QVERIFY(!f.canonicalButton->isVisible());

        // Stored with the row when the wizard moves on.
        clickItem(f, QStringLiteral("分子量"));
        QVERIFY(h.messages.isEmpty());
        QCOMPARE(chemical("测试阿司匹林", "分子式"), QStringList{"C9H8O4"});
        QCOMPARE(chemical("测试阿司匹林", "分子量"), QStringList{"180.16"});
        QCOMPARE(picture("测试阿司匹林"), velmora::structure::drawPng("OC(=O)c1ccccc1OC(C)=O")); // as drawn
        QCOMPARE(storedStructure("测试阿司匹林"),
                 QStringLiteral("CC(=O)Oc1ccccc1C(=O)O|CC(=O)Oc1ccccc1C(=O)O|BSYNRYMUTXBXSQ-UHFFFAOYSA-N"));
    }

    void anEditKeepsWhatIsFilledAndRefusesBadSmiles()
    {
        MainWindowHarness h;
        clickMainButton(h.w(), 16);
        DataForm &f = *DataForm::instance();
        QCOMPARE(f.Text2->text(), QStringLiteral("甲酸；蚁酸"));
        const QStringList formula = chemical("甲酸；蚁酸", "分子式");
        const QStringList weight = chemical("甲酸；蚁酸", "分子量");
        QVERIFY(!formula.value(0).isEmpty());
        clickItem(f, Structure);
        // The stored SMILES is there to be changed.
        QTRY_COMPARE(f.Smiles1->text(), QStringLiteral("OC=O"));
        const QByteArray before = f.Picture1->bytes();

        // Refused with its reason; nothing changes.
        typeSmiles(f, QStringLiteral("C1CC"));
        QCOMPARE(h.messages.size(), 1);
        QVERIFY2(h.messages.first().endsWith(QStringLiteral("结构式无法识别：第2个字符处环标记“1”没有闭合")),
                 qPrintable(h.messages.first()));
        QCOMPARE(f.Picture1->bytes(), before);
        QVERIFY(!f.Picture1->isDataChanged());

        // A deuterated form: drawn, the filled fields kept as they are.
        typeSmiles(f, QStringLiteral("[2H]C(=O)O"));
        QCOMPARE(h.messages.size(), 1);
        QVERIFY(f.Picture1->bytes() != before);
        QVERIFY(!f.StatusBar1->currentMessage().contains(QStringLiteral("填入")));
        clickItem(f, QStringLiteral("分子量"));
        QCOMPARE(h.messages.size(), 1);
        QCOMPARE(chemical("甲酸；蚁酸", "分子式"), formula);
        QCOMPARE(chemical("甲酸；蚁酸", "分子量"), weight);
        QCOMPARE(storedStructure("甲酸；蚁酸").section(u'|', 0, 1), QStringLiteral("[2H]C(=O)O|[2H]C(=O)O"));
        QCOMPARE(picture("甲酸；蚁酸"), velmora::structure::drawPng("[2H]C(=O)O"));
    }
};

QTEST_MAIN(TestSmilesWizard)
#include "test_smileswizard.moc"
