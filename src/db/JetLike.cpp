#include "db/JetLike.h"

#include "db/DbError.h"
#include "db/TextForm.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <array>

namespace velmora::db {

namespace {

std::u32string toFolded(const QString &text)
{
    std::u32string out;
    out.reserve(text.size());
    for (char32_t c : text.toStdU32String())
        out.push_back(JetLike::fold(c));
    return out;
}

bool isDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

// Where case folding leads, worked out once from the folding itself: which
// characters are folded to from another one, and which characters beyond
// ASCII fold into ASCII (the Kelvin sign, the long s) with their lead bytes.
// No character above U+1FFFF has a case.
struct FoldTargets {
    std::vector<char32_t> targets; // sorted, beyond ASCII
    std::vector<std::pair<char32_t, char32_t>> sources; // (folded, source beyond ASCII), sorted
    std::array<bool, 128> asciiFromAfar{};
    std::array<bool, 256> leadOfAfar{};

    FoldTargets()
    {
        for (char32_t c = 0x80; c < 0x20000; ++c) {
            const char32_t f = JetLike::fold(c);
            if (f == c)
                continue;
            sources.emplace_back(f, c);
            if (f >= 0x80) {
                targets.push_back(f);
            } else {
                asciiFromAfar[f] = true;
                leadOfAfar[QString::fromStdU32String(std::u32string(1, c)).toUtf8().at(0) & 0xFF] = true;
            }
        }
        std::sort(targets.begin(), targets.end());
        targets.erase(std::unique(targets.begin(), targets.end()), targets.end());
        std::sort(sources.begin(), sources.end());
    }
    // The characters beyond ASCII that fold to c.
    std::vector<char32_t> sourcesOf(char32_t c) const
    {
        std::vector<char32_t> out;
        auto it = std::lower_bound(sources.begin(), sources.end(), std::make_pair(c, char32_t(0)));
        for (; it != sources.end() && it->first == c; ++it)
            out.push_back(it->second);
        return out;
    }
    static const FoldTargets &get()
    {
        static const FoldTargets t;
        return t;
    }
};

unsigned char asciiLower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

} // namespace

char32_t JetLike::fold(char32_t c)
{
    if (c < 0x80)
        return c >= U'A' && c <= U'Z' ? c + 32 : c;
    // CJK punctuation, kana and ideographs have no case: the common text of
    // the names takes no table look-up.
    if (c >= 0x3000 && c < 0xA000)
        return c;
    return char32_t(u_foldCase(UChar32(c), U_FOLD_CASE_DEFAULT));
}

bool JetLike::isFoldTarget(char32_t c)
{
    if (c < 0x80)
        return c >= U'a' && c <= U'z';
    if (c >= 0x3000 && c < 0xA000)
        return false;
    const auto &t = FoldTargets::get().targets;
    return std::binary_search(t.begin(), t.end(), c);
}

void JetLike::foldUtf8(std::string_view s, std::u32string &out)
{
    out.clear();
    out.reserve(s.size());
    const auto *p = reinterpret_cast<const unsigned char *>(s.data());
    const auto *end = p + s.size();
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            out.push_back(asciiLower(b));
            ++p;
            continue;
        }
        char32_t c = 0, least = 0;
        int extra = 0;
        if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F, extra = 1, least = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F, extra = 2, least = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07, extra = 3, least = 0x10000;
        } else {
            break;
        }
        if (end - p <= extra)
            break;
        bool ok = true;
        for (int i = 1; i <= extra && ok; ++i) {
            ok = (p[i] & 0xC0) == 0x80;
            c = (c << 6) | (p[i] & 0x3F);
        }
        if (!ok || c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            break;
        out.push_back(fold(c));
        p += extra + 1;
    }
    if (p == end)
        return;
    // A malformed text (rare): decoded exactly as it is for display.
    out.clear();
    for (const char32_t c : decodeUtf8(s).toStdU32String())
        out.push_back(fold(c));
}

int JetLike::compare(std::string_view a, std::string_view b)
{
    // ASCII on both sides (English names, numbers) is compared byte by byte.
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    for (; i < n; ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if ((x | y) >= 0x80)
            break;
        if (asciiLower(x) != asciiLower(y))
            return asciiLower(x) < asciiLower(y) ? -1 : 1;
    }
    if (i == n)
        return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
    // The rest starts at a character boundary on both sides.
    thread_local std::u32string fa, fb;
    foldUtf8(a.substr(i), fa);
    foldUtf8(b.substr(i), fb);
    return fa.compare(fb) < 0 ? -1 : fa == fb ? 0 : 1;
}

JetLike::JetLike(const QString &pattern) : JetLike(pattern, false) {}

JetLike::JetLike(const QString &pattern, bool literal)
{
    const std::u32string p = withoutLoneSurrogates(pattern).toStdU32String();
    bool plainOnly = true;
    for (size_t i = 0; i < p.size(); ++i) {
        const char32_t c = p[i];
        Token token{Kind::Literal};
        if (literal) {
            token.ch = fold(c);
        } else if (c == U'*') {
            token.kind = Kind::Star;
            // Runs of stars are one star.
            if (!m_tokens.empty() && m_tokens.back().kind == Kind::Star)
                continue;
        } else if (c == U'?') {
            token.kind = Kind::Any;
            plainOnly = false;
        } else if (c == U'#') {
            token.kind = Kind::Digit;
            plainOnly = false;
        } else if (c == U'[') {
            plainOnly = false;
            const size_t close = p.find(U']', i + 1);
            if (close == std::u32string::npos)
                throw DbError(errors::InvalidPattern, QStringLiteral("Invalid pattern string."));
            token.kind = Kind::Class;
            size_t j = i + 1;
            if (j < close && p[j] == U'!') {
                token.negated = true;
                ++j;
            }
            token.emptyClass = (j == close);
            for (; j < close; ++j) {
                char32_t lo = fold(p[j]);
                char32_t hi = lo;
                if (j + 2 < close && p[j + 1] == U'-') {
                    hi = fold(p[j + 2]);
                    j += 2;
                }
                if (hi < lo)
                    std::swap(lo, hi);
                token.ranges.emplace_back(lo, hi);
            }
            i = close;
        } else if (c == U']') {
            throw DbError(errors::InvalidPattern, QStringLiteral("Invalid pattern string."));
        } else {
            token.ch = fold(c);
        }
        m_tokens.push_back(std::move(token));
    }

    if (!plainOnly)
        return;
    // Recognise the shapes the searches use, to match without backtracking.
    const bool lead = !m_tokens.empty() && m_tokens.front().kind == Kind::Star;
    const bool trail = !m_tokens.empty() && m_tokens.back().kind == Kind::Star;
    const size_t first = lead ? 1 : 0;
    const size_t last = m_tokens.size() - (trail && m_tokens.size() > first ? 1 : 0);
    for (size_t i = first; i < last; ++i) {
        if (m_tokens[i].kind != Kind::Literal)
            return; // a star in the middle
        m_plain.push_back(m_tokens[i].ch);
    }
    if (lead && m_plain.empty())
        m_shape = Shape::All;
    else if (lead && trail)
        m_shape = Shape::Contains;
    else if (!lead && trail)
        m_shape = Shape::Prefix;
    else if (!lead && !trail)
        m_shape = Shape::Exact;

    if (m_shape == Shape::General || m_shape == Shape::All)
        return;
    // U+FFFD stands for a malformed byte only after decoding.
    bool ascii = true, foldTarget = false, replacement = false;
    for (const char32_t c : m_plain) {
        ascii = ascii && c < 0x80;
        foldTarget = foldTarget || isFoldTarget(c);
        replacement = replacement || c == 0xFFFD;
        if (c < 0x80 && FoldTargets::get().asciiFromAfar[c])
            m_guarded = true;
    }
    m_plainUtf8 = QString::fromStdU32String(m_plain).toStdString();
    if (replacement) {
        m_bytes = Bytes::No;
    } else if (!foldTarget) {
        m_bytes = Bytes::AsIs;
    } else if (ascii) {
        m_bytes = Bytes::AsciiFolded;
    } else {
        // Letters beyond ASCII (α-萘酚): the bytes serve when the text holds
        // no other character that folds to one of the pattern's.
        m_bytes = Bytes::Guarded;
        std::u32string others;
        for (const char32_t c : m_plain) {
            if (c >= U'a' && c <= U'z')
                others.push_back(c - 32);
            for (const char32_t d : FoldTargets::get().sourcesOf(c))
                if (d != c)
                    others.push_back(d);
        }
        std::sort(others.begin(), others.end());
        others.erase(std::unique(others.begin(), others.end()), others.end());
        for (const char32_t d : others)
            m_guards.push_back(QString::fromStdU32String(std::u32string(1, d)).toStdString());
    }
}

bool JetLike::byteSafe(std::string_view text) const
{
    if (m_bytes == Bytes::Guarded) {
        for (const std::string &other : m_guards)
            if (text.find(other) != std::string_view::npos)
                return false;
        return true;
    }
    if (m_bytes != Bytes::AsciiFolded || !m_guarded)
        return true;
    // A character beyond ASCII that folds into one of the pattern's letters.
    const auto &lead = FoldTargets::get().leadOfAfar;
    for (const char c : text)
        if (lead[static_cast<unsigned char>(c)])
            return false;
    return true;
}

bool JetLike::matchesBytes(std::string_view text) const
{
    const std::string_view plain(m_plainUtf8);
    if (m_bytes != Bytes::AsciiFolded) {
        switch (m_shape) {
        case Shape::Contains: return text.find(plain) != std::string_view::npos;
        case Shape::Prefix: return text.substr(0, plain.size()) == plain;
        default: return text == plain;
        }
    }
    // ASCII only: a byte of a longer UTF-8 sequence never equals one of the
    // pattern's, so comparing bytes with A-Z folded is comparing characters.
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
    auto equalAt = [&](size_t at) {
        for (size_t k = 0; k < plain.size(); ++k)
            if (lower(text[at + k]) != plain[k])
                return false;
        return true;
    };
    if (text.size() < plain.size())
        return false;
    switch (m_shape) {
    case Shape::Contains:
        for (size_t at = 0; at + plain.size() <= text.size(); ++at)
            if (equalAt(at))
                return true;
        return false;
    case Shape::Prefix: return equalAt(0);
    default: return text.size() == plain.size() && equalAt(0);
    }
}

bool JetLike::classMatches(const Token &token, char32_t c)
{
    if (token.emptyClass)
        return false;
    bool inside = false;
    for (const auto &[lo, hi] : token.ranges) {
        if (c >= lo && c <= hi) {
            inside = true;
            break;
        }
    }
    return inside != token.negated;
}

bool JetLike::matchTokens(std::u32string_view text) const
{
    // Greedy matching with one backtrack point: every token but the star
    // consumes exactly one character.
    size_t t = 0, k = 0;
    size_t starToken = SIZE_MAX, starText = 0;
    const size_t n = m_tokens.size();
    while (t < text.size()) {
        if (k < n && m_tokens[k].kind == Kind::Star) {
            starToken = k++;
            starText = t;
            continue;
        }
        if (k < n) {
            const Token &tok = m_tokens[k];
            const char32_t c = text[t];
            bool ok = false;
            switch (tok.kind) {
            case Kind::Literal: ok = (c == tok.ch); break;
            case Kind::Any: ok = true; break;
            case Kind::Digit: ok = isDigit(c); break;
            case Kind::Class: ok = classMatches(tok, c); break;
            case Kind::Star: break;
            }
            if (ok) {
                ++t;
                ++k;
                continue;
            }
        }
        if (starToken == SIZE_MAX)
            return false;
        k = starToken + 1;
        t = ++starText;
    }
    while (k < n && m_tokens[k].kind == Kind::Star)
        ++k;
    return k == n;
}

bool JetLike::matches(std::u32string_view folded) const
{
    switch (m_shape) {
    case Shape::All:
        return true;
    case Shape::Contains:
        return folded.find(m_plain) != std::u32string_view::npos;
    case Shape::Prefix:
        return folded.substr(0, m_plain.size()) == m_plain;
    case Shape::Exact:
        return folded == m_plain;
    case Shape::General:
        break;
    }
    return matchTokens(folded);
}

bool JetLike::matchesUtf8(std::string_view utf8) const
{
    if (m_shape == Shape::All)
        return true;
    if (m_bytes != Bytes::No && byteSafe(utf8))
        return matchesBytes(utf8);
    thread_local std::u32string buffer;
    foldUtf8(utf8, buffer);
    return matches(std::u32string_view(buffer));
}

bool JetLike::matches(const QString &text) const
{
    const std::u32string folded = toFolded(text);
    return matches(std::u32string_view(folded));
}

} // namespace velmora::db
