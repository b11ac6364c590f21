#include "db/JetLike.h"

#include "db/DbError.h"

#include <algorithm>

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

} // namespace

char32_t JetLike::fold(char32_t c)
{
    if (c >= U'A' && c <= U'Z')
        return c + 32;
    // Latin-1 capitals (not the multiplication sign).
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 32;
    // Full-width Latin capitals.
    if (c >= 0xFF21 && c <= 0xFF3A)
        return c + 32;
    return c;
}

void JetLike::foldUtf8(std::string_view s, std::u32string &out)
{
    out.clear();
    out.reserve(s.size());
    const auto *p = reinterpret_cast<const unsigned char *>(s.data());
    const auto *end = p + s.size();
    while (p < end) {
        char32_t c = *p;
        int extra = 0;
        if (c < 0x80) {
            extra = 0;
        } else if ((c & 0xE0) == 0xC0) {
            c &= 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            c &= 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            c &= 0x07;
            extra = 3;
        } else {
            c = 0xFFFD;
        }
        ++p;
        for (int i = 0; i < extra && p < end; ++i, ++p)
            c = (c << 6) | (*p & 0x3F);
        out.push_back(fold(c));
    }
}

JetLike::JetLike(const QString &pattern)
{
    const std::u32string p = pattern.toStdU32String();
    bool plainOnly = true;
    for (size_t i = 0; i < p.size(); ++i) {
        const char32_t c = p[i];
        Token token{Kind::Literal};
        if (c == U'*') {
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
    bool ascii = true, foldTarget = false;
    for (const char32_t c : m_plain) {
        ascii = ascii && c < 0x80;
        foldTarget = foldTarget || (c >= U'a' && c <= U'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)
                     || (c >= 0xFF41 && c <= 0xFF5A);
    }
    m_bytes = !foldTarget ? Bytes::AsIs : ascii ? Bytes::AsciiFolded : Bytes::No;
    m_plainUtf8 = QString::fromStdU32String(m_plain).toStdString();
}

bool JetLike::matchesBytes(std::string_view text) const
{
    const std::string_view plain(m_plainUtf8);
    if (m_bytes == Bytes::AsIs) {
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
    if (m_bytes != Bytes::No)
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
