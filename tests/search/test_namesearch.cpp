// The search command and the name route, driven through the real main
// window: typing, Enter, the list, the record, the result file.
#include "record/RichTextBox.h"
#include "search/HistoryCombo.h"
#include "support/MainWindowHarness.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QTextBlock>

using velmora::test::MainWindowHarness;

class TestNameSearch : public QObject {
    Q_OBJECT
private slots:
    void startupRepeatsTheRememberedSearch()
    {
        MainWindowHarness h(QStringLiteral("苯"));
        QCOMPARE(h.listEntries(), (QStringList{"苯", "苯酚；石炭酸", "对苯二胺"}));
        QCOMPARE(h.selectedEntry(), QString("苯"));
        QCOMPARE(h.w().Label3->text(), QString("找到 3 个相关的化学品"));
        QVERIFY(h.recordText().contains("【中文名称】苯\n"));
    }

    void emptyRememberedNameSearchesFormicAcid()
    {
        MainWindowHarness h(QString(""));
        QCOMPARE(h.selectedEntry(), QString("甲酸；蚁酸"));
    }

    void nothingFoundAtStartShowsTheWelcome()
    {
        MainWindowHarness h(QStringLiteral("不存在的名字"));
        QCOMPARE(h.w().List1->count(), 0);
        QVERIFY(h.recordText().startsWith("    欢迎使用《Velmora》"));
        QVERIFY(h.recordText().contains("本软件内容仅供参考。使用本软件前，请仔细阅读帮助。"));
        QCOMPARE(h.w().Label3->text(), QString("找到 0 个相关的化学品"));
        QVERIFY(!h.w().recordCommandsEnabled());
    }

    void wholeNameIsSelected()
    {
        MainWindowHarness h;
        h.search("蚁酸");
        QCOMPARE(h.listEntries(), QStringList{"甲酸；蚁酸"});
        h.search("酸");
        QCOMPARE(h.listEntries(),
                 (QStringList{"苯酚；石炭酸", "甲酸；蚁酸", "硫酸铜；胆矾", "乙酸；醋酸；冰醋酸"}));
        QCOMPARE(h.selectedEntry(), QString("苯酚；石炭酸"));
        h.search("醋酸");
        QCOMPARE(h.selectedEntry(), QString("乙酸；醋酸；冰醋酸"));
        QCOMPARE(h.w().Label3->text(), QString("找到 1 个相关的化学品"));
        QCOMPARE(h.resultFile(), QString("醋酸"));
        QVERIFY(h.w().recordCommandsEnabled());
    }

    void englishNamesSplitAtHalfWidthSemicolons()
    {
        MainWindowHarness h;
        h.search("octo", "英文名称");
        // "sample eight；octo" holds a full-width separator: not a name boundary.
        QCOMPARE(h.listEntries(), QStringList{"sample eight；octo;melt sample"});
        h.search("acid", "英文名称");
        QCOMPARE(h.selectedEntry(), QString("acetic acid;ethanoic acid"));
        h.search("benzol", "英文名称");
        QCOMPARE(h.selectedEntry(), QString("benzene;benzol"));
        QVERIFY(!h.w().recordCommandsEnabled());
        QVERIFY(h.recordText().contains("【英文名称】benzene;benzol"));
    }

    void refusedAndFailingTexts()
    {
        MainWindowHarness h;
        const QString before = h.recordText();
        h.search("**");
        QCOMPARE(h.w().Combo2->text(), QString("请输入检索条件……"));
        QCOMPARE(h.w().Label3->text(), QString("找到 1 个相关的化学品"));
        h.search("");
        QCOMPARE(h.w().Combo2->text(), QString("请输入检索条件……"));

        // A "[" is an invalid pattern: a warning, and the list and record stay.
        h.search("甲[酸");
        QCOMPARE(h.messages, QStringList{"警告！|不能含有无效字符[]！"});
        QCOMPARE(h.listEntries(), QStringList{"甲酸；蚁酸"});
        QCOMPARE(h.recordText(), before);
        QCOMPARE(h.resultFile(), QString("甲酸")); // the bad text is not remembered

        // A quote is part of a name.
        h.search("2,2'-联");
        QCOMPARE(h.listEntries(), QStringList{"2,2'-联吡啶"});
        QVERIFY(h.recordText().contains("【中文名称】2,2'-联吡啶"));
        h.search("2,2'-bipyridine", "英文名称");
        QCOMPARE(h.selectedEntry(), QString("2,2'-bipyridine;2,2'-dipyridyl"));
    }

    void notFound()
    {
        MainWindowHarness h;
        h.search("没有这种化学品");
        QCOMPARE(h.w().List1->count(), 0);
        QCOMPARE(h.recordText(), QString("你所要找的化学品未找到，请检查途径是否正确或把条件放宽，再进行检索！\n"));
        QCOMPARE(h.w().Label3->text(), QString("找到 0 个相关的化学品"));
        QVERIFY(!h.w().recordCommandsEnabled());
    }

    void recordText()
    {
        MainWindowHarness h;
        h.search("甲酸");
        const QString picture = QString(QChar::ObjectReplacementCharacter);
        const QString expected =
            "\n【中文名称】甲酸；蚁酸\n"
            "\n【英文名称】formic acid;methanoic acid\n"
            "\n【结构或分子式】\n" + QString(69, ' ') + "\n" + QString(71, ' ') + picture + "\n" + QString(43, ' ') +
            "\n【相对分子量或原子量】46.03\n"
            "\n【CAS号】\n\n    64-18-6\n"
            "\n【密度】1.220（20℃）\n"
            "\n【性状】\n\n    无色透明发烟液体，有强烈刺激性气味。\n"
            "\n【熔点（℃）】8.4\n"
            "\n【沸点（℃）】100.8\n"
            "\n【折射率】1.3714（20℃）\n"
            "\n【闪点（℃）】69\n"
            "\n【溶解性】\n\n    与水、乙醇、乙醚和甘油任意混溶。\n"
            "\n【用途】\n\n    基本有机化工原料，用于农药、皮革、染料和医药工业。也用作橡胶凝固剂和塑料增塑剂的原料。\n"
            "\n【制备方法】\n\n    以一氧化碳和氢氧化钠为原料制得甲酸钠，再经硫酸酸解、蒸馏得到。\n"
            "\n【消耗定额（t/t）】\n\n    甲酸钠 1.63，硫酸 1.18\n"
            "\n【安全性】\n\n    具强腐蚀性，能灼伤皮肤和眼睛。\n"
            // The structure, as text a reader can copy, after the fields.
            "\n【结构式】\n\n    SMILES：OC=O\n    InChIKey：BDAGIHXWWSANSR-UHFFFAOYSA-N\n";
        QCOMPARE(h.recordText(), expected);
        QCOMPARE(h.w().RichTextBox1->textCursor().position(), 0);
        QVERIFY(h.w().RichTextBox1->isVisibleTo(&h.w()));

        // Headings are bold, values are not; block values are indented.
        auto *box = h.w().RichTextBox1;
        const QTextDocument *doc = box->document();
        QTextCursor c = doc->find("【用途】");
        QVERIFY(c.charFormat().fontWeight() == QFont::Bold);
        QTextCursor v = doc->find("基本有机化工原料");
        QVERIFY(v.charFormat().fontWeight() != QFont::Bold);
        QVERIFY(v.block().blockFormat().leftMargin() > c.block().blockFormat().leftMargin());
    }

    void recordWithoutPictureAndWithEllipsis()
    {
        MainWindowHarness h;
        h.search("对苯二胺");
        QVERIFY(!h.recordText().contains("结构或分子式"));
        h.search("苯");
        QCOMPARE(h.selectedEntry(), QString("苯"));
        QVERIFY(h.recordText().contains("【结构或分子式】"));
        QVERIFY(!h.recordText().contains("【用途】")); // "……"
        QVERIFY(!h.recordText().contains("C6H6"));     // the formula is never text
    }

    void searchedWordsAreBlue()
    {
        MainWindowHarness h;
        h.search("甲酸");
        const QTextDocument *doc = h.w().RichTextBox1->document();
        QTextCursor first = doc->find("甲酸");
        QCOMPARE(first.charFormat().foreground().color(), QColor(0, 0, 255));
        QTextCursor second = doc->find("甲酸", first);
        QVERIFY(!second.isNull());
        QVERIFY(second.charFormat().foreground().color() != QColor(0, 0, 255));
    }
};

QTEST_MAIN(TestNameSearch)
#include "test_namesearch.moc"
