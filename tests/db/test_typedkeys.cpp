// What a chemist types, read without a database: CAS numbers, formulas as
// written, and pinyin with its chemical readings.
#include "db/CasNumber.h"
#include "db/FormulaComposition.h"
#include "db/Pinyin.h"
#include "db/SortKeys.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using velmora::db::CasNumber;
using velmora::db::FormulaComposition;
namespace pinyin = velmora::db::pinyin;

class TestTypedKeys : public QObject {
    Q_OBJECT
private slots:
    void cas_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("shape"); // CasNumber::Shape
        QTest::addColumn<QString>("normalised");
        QTest::addColumn<int>("expected");
        const int notCas = int(CasNumber::Shape::NotCas), ok = int(CasNumber::Shape::Valid),
                  wrong = int(CasNumber::Shape::WrongCheckDigit);
        QTest::newRow("ethanol") << "64-17-5" << ok << "64-17-5" << 5;
        QTest::newRow("without hyphens") << "64175" << ok << "64-17-5" << 5;
        QTest::newRow("spaces around") << "  7732-18-5 " << ok << "7732-18-5" << 5;
        QTest::newRow("seven leading digits") << "1333-86-4" << ok << "1333-86-4" << 4;
        QTest::newRow("full-width") << "６４－１７－５" << ok << "64-17-5" << 5;
        QTest::newRow("en dash") << "64–17–5" << ok << "64-17-5" << 5;
        QTest::newRow("check digit zero") << "7440-50-8" << ok << "7440-50-8" << 8;
        QTest::newRow("wrong check digit") << "64-17-6" << wrong << "64-17-6" << 5;
        QTest::newRow("wrong, without hyphens") << "64176" << wrong << "64-17-6" << 5;
        QTest::newRow("one leading digit") << "4-17-5" << notCas << "" << -1;
        QTest::newRow("eight leading digits") << "12345678-17-5" << notCas << "" << -1;
        QTest::newRow("three middle digits") << "64-175-5" << notCas << "" << -1;
        QTest::newRow("two groups") << "64-175" << notCas << "" << -1;
        QTest::newRow("double hyphen") << "64--17-5" << notCas << "" << -1;
        QTest::newRow("short number") << "1234" << notCas << "" << -1;
        QTest::newRow("melting point") << "8.4" << notCas << "" << -1;
        QTest::newRow("leading zero") << "064-17-5" << notCas << "" << -1;
        QTest::newRow("letters") << "64-17-x" << notCas << "" << -1;
        QTest::newRow("empty") << "" << notCas << "" << -1;
    }
    void cas()
    {
        QFETCH(QString, typed);
        QFETCH(int, shape);
        QFETCH(QString, normalised);
        QFETCH(int, expected);
        const CasNumber cas = CasNumber::parse(typed);
        QCOMPARE(int(cas.shape), shape);
        QCOMPARE(cas.normalised, normalised);
        QCOMPARE(cas.expectedCheckDigit, expected);
    }

    void formula_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("key"); // empty: not read as a formula

        QTest::newRow("sulfuric acid") << "H2SO4" << "H2O4S";
        QTest::newRow("any order") << "SO4H2" << "H2O4S";
        QTest::newRow("ethanol condensed") << "C2H5OH" << "C2H6O";
        QTest::newRow("acetic acid condensed") << "CH3COOH" << "C2H4O2";
        QTest::newRow("hydrate, middle dot") << "CuSO4·5H2O" << "CuH10O9S";
        QTest::newRow("hydrate, full stop") << "CuSO4.5H2O" << "CuH10O9S";
        QTest::newRow("hydrate, star") << "CuSO4*5H2O" << "CuH10O9S";
        QTest::newRow("hydrate, spaces") << "CuSO4 · 5 H2O" << "CuH10O9S";
        QTest::newRow("group with count") << "Ca(OH)2" << "CaH2O2";
        QTest::newRow("nested groups") << "Fe4[Fe(CN)6]3" << "C18Fe7N18";
        QTest::newRow("double salt") << "Na2CO3·NaHCO3·2H2O" << "C2H5Na3O8";
        QTest::newRow("polymer unit") << "(C2H4)n" << "(C2H4)n";
        QTest::newRow("polymer unit written out") << "(CH2CH2)n" << "(C2H4)n";
        QTest::newRow("cobalt") << "Co" << "Co";
        QTest::newRow("carbon monoxide") << "CO" << "CO";
        QTest::newRow("cobalt chloride") << "CoCl2" << "Cl2Co";
        QTest::newRow("carbon first in Hill order") << "OCH2" << "CH2O";
        QTest::newRow("lower case, unambiguous") << "c2h6o" << "C2H6O";
        QTest::newRow("lower case salt") << "nacl" << "ClNa";
        QTest::newRow("lower case acid") << "h2so4" << "H2O4S";
        QTest::newRow("lower case polymer") << "(c2h4)n" << "(C2H4)n";
        QTest::newRow("lower case, ambiguous co") << "co" << "";
        QTest::newRow("lower case, ambiguous cs2") << "cs2" << "";
        QTest::newRow("unknown symbol") << "Xy2" << "";
        QTest::newRow("mixed case, not a symbol") << "Nacl" << "";
        QTest::newRow("unbalanced") << "Ca(OH2" << "";
        QTest::newRow("empty group") << "Ca()2" << "";
        QTest::newRow("Chinese name") << "乙醇" << "";
        QTest::newRow("polymer inside a formula") << "H(C2H4)nH" << "";
        QTest::newRow("trailing separator") << "CuSO4·" << "";
        QTest::newRow("zero count") << "H0" << "";
    }
    void formula()
    {
        QFETCH(QString, typed);
        QFETCH(QString, key);
        const auto c = FormulaComposition::parseTyped(typed);
        QCOMPARE(c ? c->key() : QString(), key);
    }

    void elementsAreDistinctSymbols()
    {
        const auto c = FormulaComposition::parse(QStringLiteral("K4Fe(CN)6"));
        QVERIFY(c);
        QCOMPARE(c->elements(), QStringList({"C", "Fe", "K", "N"}));
        QCOMPARE(c->counts.at("C"), 6);
    }

    void syllables_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("everyday") << "乙醇" << "yi chun";
        QTest::newRow("dichromate") << "重铬酸钾" << "chong ge suan jia";
        QTest::newRow("diazo stays zhong") << "硝基重氮酚" << "xiao ji zhong dan fen";
        QTest::newRow("heavy spar stays zhong") << "重晶石" << "zhong jing shi";
        QTest::newRow("pyrrolidone") << "吡咯烷酮" << "bi luo wan tong";
        QTest::newRow("piperazine") << "哌嗪" << "pai qin";
        QTest::newRow("purine") << "嘌呤" << "piao ling";
        QTest::newRow("nitrile") << "乙腈" << "yi jing";
        QTest::newRow("carbonyl") << "羰基镍" << "tang ji nie";
        QTest::newRow("mercapto") << "巯基乙酸" << "qiu ji yi suan";
        QTest::newRow("guanidine") << "胍" << "gua";
        QTest::newRow("anthracene") << "蒽醌" << "en kun";
        QTest::newRow("naphthalene") << "萘" << "nai";
        QTest::newRow("rare character") << "二氮䓬" << "er dan zhuo";
        QTest::newRow("acetylene") << "乙炔" << "yi que";
        QTest::newRow("acridine") << "喹吖啶酮" << "kui a ding tong";
        QTest::newRow("proline") << "脯氨酸" << "fu an suan";
        QTest::newRow("gallic acid") << "没食子酸" << "mo shi zi suan";
        QTest::newRow("cortisone") << "氢化可的松" << "qing hua ke di song";
        QTest::newRow("menthol") << "L-薄荷醇" << "l bo he chun";
        QTest::newRow("glauber salt") << "朴硝" << "po xiao";
        QTest::newRow("vat dye") << "还原蓝" << "huan yuan lan";
        QTest::newRow("feldspar") << "钾长石" << "jia chang shi";
        QTest::newRow("chitin: qiao after jia") << "甲壳素" << "jia qiao su";
        QTest::newRow("chitosan stays ke") << "壳聚糖" << "ke ju tang";
        QTest::newRow("u with umlaut as v") << "氯化钠" << "lv hua na";
        QTest::newRow("digits and letters") << "15重氮萘AC" << "15 zhong dan nai ac";
        QTest::newRow("greek letter kept") << "α-萘酚" << "α nai fen";
    }
    void syllables()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(pinyin::syllables(name).join(QLatin1Char(' ')), expected);
    }

    void sortKeyUsesChemicalReadings()
    {
        QCOMPARE(velmora::db::chineseSortKey(QStringLiteral("重铬酸钾；红矾钾")), QStringLiteral("chonggesuanjia"));
        QCOMPARE(velmora::db::chineseSortKey(QStringLiteral("N-甲基吡咯烷酮；NMP")),
                 QStringLiteral("njiajibiluowantong"));
        QCOMPARE(velmora::db::chineseSortKey(QStringLiteral("甲酸；蚁酸")), QStringLiteral("jiasuan"));
    }

    void match_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("match"); // pinyin::Match
        const int whole = 0, start = 1, inside = 2, none = 3;
        QTest::newRow("syllables run together") << "乙醇" << "yichun" << whole;
        QTest::newRow("syllables with a space") << "乙醇" << "yi chun" << whole;
        QTest::newRow("initials") << "乙醇" << "yc" << whole;
        QTest::newRow("character and pinyin") << "乙醇" << "乙chun" << whole;
        QTest::newRow("upper case") << "乙醇" << "YiChun" << whole;
        QTest::newRow("apostrophe") << "乙醇" << "yi'chun" << whole;
        QTest::newRow("full then initial") << "乙醇" << "yic" << whole;
        QTest::newRow("cut last syllable") << "乙醇" << "yichu" << whole;
        QTest::newRow("longer name") << "乙醇胺" << "yichun" << start;
        QTest::newRow("inside") << "聚乙烯醇" << "yixichun" << inside;
        QTest::newRow("initials inside") << "聚乙烯醇" << "yxc" << inside;
        QTest::newRow("chemical reading") << "重铬酸钾" << "chonggesuanjia" << whole;
        QTest::newRow("everyday reading misses") << "重铬酸钾" << "zhonggesuanjia" << none;
        QTest::newRow("lu for lv") << "氯化钠" << "luhuana" << whole;
        QTest::newRow("lv") << "氯化钠" << "lvhuana" << whole;
        QTest::newRow("not across a syllable") << "乙醇" << "ichun" << none;
        QTest::newRow("extra letters") << "乙醇" << "yichunx" << none;
        QTest::newRow("other chemical") << "乙醇" << "jiachun" << none;
    }
    void match()
    {
        QFETCH(QString, name);
        QFETCH(QString, typed);
        QFETCH(int, match);
        QCOMPARE(int(pinyin::match(pinyin::syllables(name), pinyin::typedKey(typed))), match);
    }

    void storedFormKeepsEveryName()
    {
        const QString stored = pinyin::storedForm(QStringLiteral("乙醇；酒精"));
        QCOMPARE(stored, QStringLiteral("yi chun；jiu jing"));
        QCOMPARE(int(pinyin::matchStored(stored, QStringLiteral("jj"))), int(pinyin::Match::Whole));
        QCOMPARE(int(pinyin::matchStored(stored, QStringLiteral("jiuj"))), int(pinyin::Match::Whole));
    }

    // Every word of a public dictionary's chemistry entries that occurs in a
    // shipped Chinese name is read as the dictionary reads it (ignoring
    // tones) unless the readings table decides it, so a character with a
    // chemical reading cannot slip through unreviewed. Runs where the
    // reference tables are on the machine.
    void readingsCoverTheContent()
    {
        const QString reference = qEnvironmentVariable("VELMORA_REFERENCE",
                                                       QStringLiteral(VELMORA_SHIPPED_SOURCES "/../../../shared/reference"));
        const QStringList dictionaries = {reference + "/cedict_chemistry_subset.tsv",
                                          reference + "/cedict_cas_zh_candidates.tsv"};
        if (!QFile::exists(dictionaries[0]))
            QSKIP("the reference tables are not on this machine");

        QString names; // every Chinese name of the shipped sources
        QDir chemicals(QStringLiteral(VELMORA_SHIPPED_SOURCES "/chemicals"));
        for (const QString &file : chemicals.entryList({"*.txt"})) {
            QFile f(chemicals.filePath(file));
            QVERIFY(f.open(QIODevice::ReadOnly));
            for (const QString &line : QString::fromUtf8(f.readAll()).split('\n'))
                if (line.startsWith(QStringLiteral("中文名称")))
                    names += line.section('=', 1) + QChar(0xFF1B);
        }
        QVERIFY(!names.isEmpty());

        QStringList wrong;
        QSet<QString> checked;
        for (const QString &path : dictionaries) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
            const QStringList header = lines.value(0).split('\t');
            const int word = header.indexOf("zh_simplified"), reading = header.indexOf("pinyin");
            for (const QString &line : lines.mid(1)) {
                const QStringList cells = line.split('\t');
                const QString w = cells.value(word);
                // Single characters have several dictionary rows; words decide.
                if (w.size() < 2 || checked.contains(w) || !names.contains(w))
                    continue;
                bool han = true;
                for (const QChar c : w)
                    han = han && c.script() == QChar::Script_Han;
                if (!han)
                    continue;
                checked.insert(w);
                QString expected = cells.value(reading).toLower();
                expected.replace(QStringLiteral("u:"), QStringLiteral("v"));
                expected.remove(QRegularExpression(QStringLiteral("[0-9]")));
                const QString ours = pinyin::syllables(w).join(' ');
                // A reading the table gives was reviewed there, with its reason.
                bool reviewed = !pinyin::tableReading(w).isEmpty();
                for (const QChar c : w)
                    reviewed = reviewed || !pinyin::tableReading(QString(c)).isEmpty();
                if (ours != expected.simplified() && !reviewed)
                    wrong << QStringLiteral("%1: %2 (dictionary: %3)").arg(w, ours, expected.simplified());
            }
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join('\n')));
        QVERIFY(checked.size() > 100);
    }
};

QTEST_GUILESS_MAIN(TestTypedKeys)
#include "test_typedkeys.moc"
