#pragma once

#include <QString>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::db {

// A compiled LIKE pattern with the wildcards of the Jet engine:
//   *        any run of characters (also none)
//   ?        exactly one character
//   #        exactly one digit 0-9
//   [abc]    one character of the class; [!abc] one character not in it;
//            a-z inside a class is a range; * ? # are plain inside a class.
// Letters compare without regard to case: both sides are case folded (Unicode
// simple case folding, so Greek, Cyrillic, Roman numerals and full-width
// letters too). A "[" without its "]", or a "]" that closes nothing, makes the
// pattern invalid (error 93). Stored UTF-8 is read as decodeUtf8 reads it.
class JetLike {
public:
    // Throws DbError 93 for an invalid pattern.
    explicit JetLike(const QString &pattern);
    // The text itself, without wildcards: matches what "=" finds, that is
    // equal(text, value), on the fast paths that plain patterns take.
    static JetLike literal(const QString &text) { return JetLike(text, true); }

    bool matches(std::u32string_view folded) const;
    bool matchesUtf8(std::string_view utf8) const;
    bool matches(const QString &text) const;

    // Case folding used for both sides of every text comparison.
    static char32_t fold(char32_t c);
    static void foldUtf8(std::string_view utf8, std::u32string &out);
    // Whether a character other than c folds to c (so that a text can hold c
    // in another case). c is taken as already folded.
    static bool isFoldTarget(char32_t c);

    // Text comparison without regard to case, on stored UTF-8: the order of
    // the folded characters. "=" of the query dialect is compare() == 0, in
    // the engine (as a collation) and in the column copies alike; embedded
    // NUL characters are characters like any other.
    static int compare(std::string_view a, std::string_view b);
    static bool equal(std::string_view a, std::string_view b) { return compare(a, b) == 0; }

private:
    JetLike(const QString &pattern, bool literal);

    enum class Kind { Literal, Any, Digit, Class, Star };
    struct Token {
        Kind kind;
        char32_t ch = 0;
        bool negated = false;
        std::vector<std::pair<char32_t, char32_t>> ranges; // folded, inclusive
        bool emptyClass = false; // "[]" matches no character at all
    };

    bool matchTokens(std::u32string_view text) const;
    static bool classMatches(const Token &token, char32_t c);

    bool matchesBytes(std::string_view utf8) const;
    // False when the text holds a character other than the pattern's own that
    // folds into one of them, which the byte comparison would miss.
    bool byteSafe(std::string_view utf8) const;

    std::vector<Token> m_tokens;
    // Fast path: the pattern is "*text*" (or "text*") with plain text only.
    enum class Shape { General, Contains, Prefix, Exact, All } m_shape = Shape::General;
    std::u32string m_plain;
    // Faster still, on the UTF-8 bytes themselves, when folding the text
    // cannot change the answer: the plain text holds no letter that a capital
    // folds to (Chinese names, digits), or only ASCII (English names, whose
    // bytes are compared with ASCII capitals folded), or letters beyond ASCII
    // whose other cases the text does not hold (Guarded, α-萘酚).
    enum class Bytes { No, AsIs, AsciiFolded, Guarded } m_bytes = Bytes::No;
    bool m_guarded = false; // the plain text has a letter such as k or s
    std::vector<std::string> m_guards; // UTF-8 of the other cases, when Guarded
    std::string m_plainUtf8;
};

} // namespace velmora::db
