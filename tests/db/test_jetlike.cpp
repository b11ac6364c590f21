// Jet LIKE semantics: wildcards, classes, case and invalid patterns.
#include "db/DbError.h"
#include "db/JetLike.h"

#include <QTest>
#include <unicode/uchar.h>

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
        // Every cased letter, not only Latin ones.
        QTest::newRow("greek capital finds small") << "*Α*" << "α-萘酚" << true;
        QTest::newRow("greek final sigma") << "*ΣΑ*" << "ςα" << true;
        QTest::newRow("greek small finds capital") << "*α-*" << "Α-萘酚" << true;
        QTest::newRow("greek small finds small") << "α-*" << "α-萘酚" << true;
        QTest::newRow("greek among chinese misses") << "*α-萘*" << "β-萘酚" << false;
        QTest::newRow("sigma finds final sigma") << "*σ" << "λόγος" << true;
        QTest::newRow("cyrillic") << "*ДЯ*" << "дя" << true;
        QTest::newRow("roman numeral small finds capital") << "*ⅱ*" << "氯化铁（Ⅱ）" << true;
        QTest::newRow("roman numerals differ") << "*ⅱ*" << "氯化铁（Ⅲ）" << false;
        QTest::newRow("full-width exact") << "ａｂ" << "ＡＢ" << true;
        QTest::newRow("kelvin sign is a k") << "*k*" << "5 \u212A" << true;
        QTest::newRow("long s is an s") << "S*" << "\u017Fulfur" << true;
        QTest::newRow("k among other signs") << "*kg*" << "℃ 1 KG" << true;
        QTest::newRow("angstrom sign") << "*å*" << "1 \u212B" << true;
        QTest::newRow("replacement character") << "*\uFFFD*" << "a\uFFFDb" << true;
        QTest::newRow("NUL is a character") << QString("*") + QChar(0) + "b*" << QString("a") + QChar(0) + "B" << true;
        QTest::newRow("NUL is not the end") << QString("a") + QChar(0) + "b" << QString("a") + QChar(0) + "c" << false;
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

    // Stored bytes that are no UTF-8 are read one replacement character per
    // broken byte, as they are shown: the bytes after a broken lead byte are
    // never swallowed.
    void malformedStoredText_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("match");
        QTest::newRow("lead byte before a character") << "*甲酸*" << QByteArray("\xE7甲酸") << true;
        QTest::newRow("lead byte before ASCII") << "*ab*" << QByteArray("\xF0" "ab") << true;
        QTest::newRow("lead byte before ASCII, any case") << "*AB*" << QByteArray("\xF0" "ab") << true;
        QTest::newRow("one replacement per byte") << "?ab" << QByteArray("\xE7\x94" "ab") << false;
        QTest::newRow("two replacements") << "??ab" << QByteArray("\xE7\x94" "ab") << true;
        QTest::newRow("replacement character matches") << "\uFFFD\uFFFDa" << QByteArray("\xE7\x94" "A") << true;
        QTest::newRow("encoded surrogate") << "???x" << QByteArray("\xED\xA0\x80x") << true;
        QTest::newRow("cut at the end") << "*酸\uFFFD" << QByteArray("甲酸\xE7") << true;
    }
    void malformedStoredText()
    {
        QFETCH(QString, pattern);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, match);
        const JetLike like(pattern);
        QCOMPARE(like.matchesUtf8(std::string_view(bytes.constData(), size_t(bytes.size()))), match);
        // As displayed, the same.
        QCOMPARE(like.matches(QString::fromUtf8(bytes)), match);
    }

    void halfSurrogatesInAPatternAreDropped()
    {
        const JetLike like(QString("*甲") + QChar(0xD800) + "酸*");
        QVERIFY(like.matches(QString("甲酸")));
        QVERIFY(!like.matches(QString("甲?酸")));
    }

    // The folding is the Unicode simple case folding throughout; the ranges
    // that skip the table have no case, and nothing above U+1FFFF does.
    void foldingIsUnicodeCaseFolding()
    {
        for (char32_t c = 0; c < 0x110000; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            const auto expected = char32_t(u_foldCase(UChar32(c), U_FOLD_CASE_DEFAULT));
            if (JetLike::fold(c) != expected)
                QFAIL(qPrintable(QString("U+%1").arg(uint(c), 4, 16, QChar('0'))));
            if (c >= 0x20000 && expected != c)
                QFAIL("a cased character above U+1FFFF");
        }
        QVERIFY(JetLike::isFoldTarget(U'σ'));
        QVERIFY(JetLike::isFoldTarget(U'ⅱ'));
        QVERIFY(JetLike::isFoldTarget(U'k'));
        QVERIFY(!JetLike::isFoldTarget(U'酸'));
        QVERIFY(!JetLike::isFoldTarget(U'1'));
    }

    void comparison_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("ascii any case") << "Benzene" << "BENZENE" << 0;
        QTest::newRow("greek any case") << "ΑΒΓ" << "αβγ" << 0;
        QTest::newRow("ascii then chinese") << "A苯" << "a苯" << 0;
        QTest::newRow("prefix first") << "ab" << "ABC" << -1;
        QTest::newRow("NUL compared") << QString(QChar(0)) + "A" << QString(QChar(0)) + "b" << -1;
        QTest::newRow("NUL compared, equal") << QString(QChar(0)) + "B" << QString(QChar(0)) + "b" << 0;
        QTest::newRow("by characters") << "z" << "é" << -1;
        QTest::newRow("wildcards are plain text") << "a*[b" << "A*[B" << 0;
        QTest::newRow("a star is no wildcard") << "a*" << "ab" << -1;
    }
    void comparison()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        const QByteArray x = a.toUtf8(), y = b.toUtf8();
        QCOMPARE(JetLike::compare(std::string_view(x.constData(), size_t(x.size())),
                                  std::string_view(y.constData(), size_t(y.size()))), order);
        QCOMPARE(JetLike::compare(std::string_view(y.constData(), size_t(y.size())),
                                  std::string_view(x.constData(), size_t(x.size()))), -order);
        // "=" on the column copies: the text as a literal pattern.
        QCOMPARE(JetLike::literal(a).matchesUtf8(std::string_view(y.constData(), size_t(y.size()))), order == 0);
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
