// Jet LIKE semantics: wildcards, classes, case and invalid patterns.
#include "db/DbError.h"
#include "db/JetLike.h"

#include <QTest>

using velmora::db::DbError;
using velmora::db::JetLike;

class TestJetLike : public QObject {
    Q_OBJECT
private slots:
    void matching_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("match");

        QTest::newRow("substring") << "*甲酸*" << "甲酸；蚁酸" << true;
        QTest::newRow("substring in the middle") << "*蚁*" << "甲酸；蚁酸" << true;
        QTest::newRow("substring missing") << "*乙醇*" << "甲酸；蚁酸" << false;
        QTest::newRow("prefix") << "1.22*" << "1.220（20℃）" << true;
        QTest::newRow("prefix is not substring") << "22*" << "1.220" << false;
        QTest::newRow("star matches empty") << "*" << "" << true;
        QTest::newRow("exact without wildcards") << "苯" << "苯" << true;
        QTest::newRow("exact needs whole text") << "苯" << "苯酚" << false;
        QTest::newRow("empty pattern, empty text") << "" << "" << true;
        QTest::newRow("question mark is one character") << "C?H6" << "C6H6" << true;
        QTest::newRow("question mark needs a character") << "C6H6?" << "C6H6" << false;
        QTest::newRow("hash is a digit") << "C#H#" << "C6H6" << true;
        QTest::newRow("hash is not a letter") << "C#" << "Cl" << false;
        QTest::newRow("class") << "[ab]c" << "bc" << true;
        QTest::newRow("class misses") << "[ab]c" << "dc" << false;
        QTest::newRow("range") << "[a-c]x" << "bx" << true;
        QTest::newRow("negated class") << "[!a-c]x" << "dx" << true;
        QTest::newRow("negated class misses") << "[!a-c]x" << "bx" << false;
        QTest::newRow("star inside a class is plain") << "a[*]" << "a*" << true;
        QTest::newRow("latin case ignored") << "*FORMIC*" << "formic acid" << true;
        QTest::newRow("latin case ignored in a class") << "[A-C]" << "b" << true;
        QTest::newRow("backtracking") << "*ab*ab" << "aabxab" << true;
        QTest::newRow("backtracking fails") << "*ab*ab" << "aabxa" << false;
        QTest::newRow("quote is plain") << "*2,2'-*" << "2,2'-bipyridine" << true;
        QTest::newRow("run of stars") << "***" << "anything" << true;
        // Plain patterns are matched on the UTF-8 bytes when case cannot matter.
        QTest::newRow("chinese among capitals") << "*酸*" << "ACID 硫酸 SALT" << true;
        QTest::newRow("chinese prefix") << "2,4-二*" << "2,4-二氯苯酚" << true;
        QTest::newRow("chinese prefix misses") << "2,4-二*" << "2,6-二氯苯酚" << false;
        QTest::newRow("english any case") << "*chloride*" << "Sodium CHLORIDE" << true;
        QTest::newRow("english prefix any case") << "benz*" << "BENZENE" << true;
        QTest::newRow("english exact any case") << "benzene" << "BenZene" << true;
        QTest::newRow("english exact needs all") << "benzene" << "benzenes" << false;
        QTest::newRow("ascii letter is no full-width one") << "*a*" << "ａｂｃ" << false;
        QTest::newRow("full-width capitals fold") << "*ａｂ*" << "ＡＢＣ" << true;
        QTest::newRow("latin-1 capitals fold") << "*é*" << "CAFÉ" << true;
        QTest::newRow("mixed latin-1 and ascii") << "*café*" << "CAFÉ" << true;
        QTest::newRow("digits among others") << "*12*" << "C12H22O11" << true;
        QTest::newRow("longer than the text") << "*chloride*" << "chlor" << false;
    }
    void matching()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QFETCH(bool, match);
        const JetLike like(pattern);
        QCOMPARE(like.matches(text), match);
        QCOMPARE(like.matchesUtf8(text.toStdString()), match);
    }

    void invalidPatterns_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::newRow("open bracket") << "*[*";
        QTest::newRow("open bracket at the end") << "abc[";
        QTest::newRow("stray closing bracket") << "*]*";
    }
    void invalidPatterns()
    {
        QFETCH(QString, pattern);
        try {
            JetLike like(pattern);
            QFAIL("an invalid pattern was accepted");
        } catch (const DbError &error) {
            QCOMPARE(error.number(), 93);
        }
    }
};

QTEST_GUILESS_MAIN(TestJetLike)
#include "test_jetlike.moc"
