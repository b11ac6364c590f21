#include "record/PdfTextLayer.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <algorithm>
#include <cctype>
#include <map>
#include <vector>

namespace velmora::record {

namespace {

// CJK Radicals Supplement characters whose glyph the Simplified Chinese
// fonts share with an ideograph, and that ideograph.
const std::pair<char16_t, char16_t> SupplementRadicals[] = {
    {0x2E82, 0x4E5B}, {0x2E83, 0x4E5A}, {0x2E85, 0x4EBB}, {0x2E89, 0x5202}, {0x2E8E, 0x5140}, {0x2E8F, 0x5C23},
    {0x2E90, 0x5C22}, {0x2E92, 0x5DF3}, {0x2E93, 0x5E7A}, {0x2E94, 0x5F51}, {0x2E95, 0x5F50}, {0x2E96, 0x5FC4},
    {0x2E98, 0x624C}, {0x2E99, 0x6535}, {0x2E9B, 0x65E1}, {0x2E9E, 0x6B7A}, {0x2E9F, 0x6BCD}, {0x2EA0, 0x6C11},
    {0x2EA1, 0x6C35}, {0x2EA3, 0x706C}, {0x2EA4, 0x722B}, {0x2EA6, 0x4E2C}, {0x2EA8, 0x72AD}, {0x2EAB, 0x7F52},
    {0x2EAD, 0x793B}, {0x2EAF, 0x7CF9}, {0x2EB0, 0x7E9F}, {0x2EB1, 0x7F53}, {0x2EB9, 0x8002}, {0x2EBA, 0x8080},
    {0x2EBE, 0x8279}, {0x2EC1, 0x864E}, {0x2EC2, 0x8864}, {0x2EC3, 0x8980}, {0x2EC5, 0x89C1}, {0x2EC6, 0x89D2},
    {0x2EC8, 0x8BA0}, {0x2EC9, 0x8D1D}, {0x2ECB, 0x8F66}, {0x2ECC, 0x8FB6}, {0x2ED0, 0x9485}, {0x2ED1, 0x9577},
    {0x2ED2, 0x9578}, {0x2ED3, 0x957F}, {0x2ED4, 0x95E8}, {0x2ED6, 0x961D}, {0x2ED8, 0x9752}, {0x2ED9, 0x97E6},
    {0x2EDA, 0x9875}, {0x2EDB, 0x98CE}, {0x2EDC, 0x98DE}, {0x2EDD, 0x98DF}, {0x2EDF, 0x98E0}, {0x2EE0, 0x9963},
    {0x2EE2, 0x9A6C}, {0x2EE3, 0x9AA8}, {0x2EE4, 0x9B3C}, {0x2EE5, 0x9C7C}, {0x2EE6, 0x9E1F}, {0x2EE7, 0x5364},
    {0x2EE8, 0x9EA6}, {0x2EE9, 0x9EC4}, {0x2EEA, 0x9EFE}, {0x2EEB, 0x6589}, {0x2EEC, 0x9F50}, {0x2EEE, 0x9F7F},
    {0x2EEF, 0x7ADC}, {0x2EF0, 0x9F99}, {0x2EF1, 0x9F9C}, {0x2EF2, 0x4E80}, {0x2EF3, 0x9F9F},
};

// Other characters below the one Chinese text uses with the same glyph.
const std::pair<char16_t, char16_t> SharedGlyphs[] = {
    {0x0009, 0x0020}, // tab: space
    {0x2003, 0x3000}, // em space: ideographic space
    {0x2329, 0x3008}, {0x232A, 0x3009}, // angle brackets
    {0x2F3E, 0x6237}, // ⼾: 户, the simplified form these fonts draw
    {0x301C, 0xFF5E}, // wave dash: full-width tilde (70～73)
};

struct Cmap {
    qsizetype begin = 0; // the stream's content
    qsizetype end = 0;
    qsizetype lengthAt = 0; // the number after /Length
    qsizetype lengthSize = 0;
};

// The ToUnicode map with its entries mended, or an empty text when none changes.
QByteArray mended(const QByteArray &cmap)
{
    const qsizetype open = cmap.indexOf("beginbfrange");
    const qsizetype close = cmap.indexOf("endbfrange");
    if (open < 0 || close < open || cmap.contains("beginbfchar"))
        return {};
    // Qt writes "n beginbfrange" blocks of "<a> <b> <u>" and "<a> <b> [<u>...]".
    const qsizetype blockStart = cmap.lastIndexOf('\n', open) + 1;
    const qsizetype lastClose = cmap.lastIndexOf("endbfrange");
    const QByteArray body = cmap.mid(blockStart, lastClose + 10 - blockStart);
    std::map<uint, uint> glyphs;
    static const QRegularExpression entry(QStringLiteral("<([0-9A-Fa-f]+)>\\s*<([0-9A-Fa-f]+)>\\s*(\\[[^\\]]*\\]|<[0-9A-Fa-f]+>)"));
    static const QRegularExpression code(QStringLiteral("<([0-9A-Fa-f]+)>"));
    bool changed = false;
    for (auto it = entry.globalMatch(QString::fromLatin1(body)); it.hasNext();) {
        const auto m = it.next();
        const uint first = m.captured(1).toUInt(nullptr, 16);
        const uint last = m.captured(2).toUInt(nullptr, 16);
        const QString target = m.captured(3);
        std::vector<uint> codes;
        for (auto c = code.globalMatch(target); c.hasNext();)
            codes.push_back(c.next().captured(1).toUInt(nullptr, 16));
        if (codes.empty() || last < first)
            return {};
        for (uint g = first; g <= last; ++g) {
            const uint original = target.startsWith(QLatin1Char('[')) ? (g - first < codes.size() ? codes[g - first] : 0)
                                                                     : codes[0] + (g - first);
            const uint better = PdfTextLayer::preferred(original);
            changed = changed || better != original;
            glyphs[g] = better;
        }
    }
    if (!changed)
        return {};
    QByteArray out = cmap.left(blockStart);
    auto hex = [](uint v) { return QByteArray::number(v, 16).toUpper().rightJustified(4, '0'); };
    std::vector<std::pair<uint, uint>> all(glyphs.begin(), glyphs.end());
    for (size_t i = 0; i < all.size(); i += 100) {
        const size_t n = std::min<size_t>(100, all.size() - i);
        out += QByteArray::number(qulonglong(n)) + " beginbfchar\n";
        for (size_t k = i; k < i + n; ++k)
            out += '<' + hex(all[k].first) + "> <" + hex(all[k].second) + ">\n";
        out += "endbfchar\n";
    }
    out += cmap.mid(lastClose + 10).trimmed().prepend('\n').mid(1);
    if (!out.endsWith('\n'))
        out += '\n';
    return out;
}

} // namespace

char32_t PdfTextLayer::preferred(char32_t c)
{
    for (const auto &[from, to] : SharedGlyphs)
        if (c == from)
            return to;
    if (c >= 0x2F00 && c <= 0x2FD5) {
        // Each Kangxi radical stands for one ideograph.
        const QString folded = QString(QChar(char16_t(c))).normalized(QString::NormalizationForm_KC);
        if (folded.size() == 1)
            return folded.at(0).unicode();
    }
    if (c >= 0x2E80 && c <= 0x2EFF)
        for (const auto &[from, to] : SupplementRadicals)
            if (c == from)
                return to;
    return c;
}

QByteArray PdfTextLayer::repaired(const QByteArray &pdf)
{
    // The ToUnicode streams, each with a direct /Length.
    std::vector<Cmap> cmaps;
    for (qsizetype at = pdf.indexOf("begincmap"); at >= 0; at = pdf.indexOf("begincmap", at + 1)) {
        const qsizetype streamKey = pdf.lastIndexOf("stream", at);
        const qsizetype dict = pdf.lastIndexOf("<<", streamKey);
        const qsizetype end = pdf.indexOf("endstream", at);
        if (streamKey < 0 || dict < 0 || end < 0)
            return pdf;
        Cmap c;
        c.begin = streamKey + 6;
        if (pdf.at(c.begin) == '\r')
            ++c.begin;
        if (pdf.at(c.begin) == '\n')
            ++c.begin;
        c.end = end;
        const QByteArray head = pdf.mid(dict, streamKey - dict);
        static const QRegularExpression length(QStringLiteral("/Length\\s+(\\d+)\\s*(\\d+\\s+R)?"));
        const auto m = length.match(QString::fromLatin1(head));
        if (!m.hasMatch() || !m.captured(2).isEmpty() || head.contains("/Filter"))
            return pdf; // a compressed or indirectly measured stream: not Qt's layout
        c.lengthAt = dict + m.capturedStart(1);
        c.lengthSize = m.capturedLength(1);
        cmaps.push_back(c);
        at = end;
    }

    // The pieces that change, in file order: the length numbers and the maps.
    struct Change {
        qsizetype at, size;
        QByteArray with;
    };
    std::vector<Change> changes;
    for (const Cmap &c : cmaps) {
        const QByteArray content = pdf.mid(c.begin, c.end - c.begin);
        const QByteArray better = mended(content);
        if (better.isEmpty())
            continue;
        changes.push_back({c.lengthAt, c.lengthSize, QByteArray::number(better.size())});
        changes.push_back({c.begin, content.size(), better});
    }
    if (changes.empty())
        return pdf;

    // The cross-reference table: offsets behind a change move with it.
    const qsizetype startxref = pdf.lastIndexOf("startxref");
    if (startxref < 0)
        return pdf;
    const qsizetype numberAt = startxref + 9;
    qsizetype numberEnd = numberAt;
    while (numberEnd < pdf.size() && (pdf.at(numberEnd) == ' ' || pdf.at(numberEnd) == '\n' || pdf.at(numberEnd) == '\r'))
        ++numberEnd;
    const qsizetype digitsAt = numberEnd;
    while (numberEnd < pdf.size() && std::isdigit(static_cast<unsigned char>(pdf.at(numberEnd))))
        ++numberEnd;
    bool ok = false;
    const qsizetype xref = pdf.mid(digitsAt, numberEnd - digitsAt).toLongLong(&ok);
    if (!ok || !pdf.mid(xref).startsWith("xref"))
        return pdf;
    auto shifted = [&changes](qsizetype offset) {
        qsizetype delta = 0;
        for (const Change &c : changes)
            if (c.at < offset)
                delta += c.with.size() - c.size;
        return offset + delta;
    };
    // "xref", then sections of "first count" and count 20-byte entries.
    qsizetype line = pdf.indexOf('\n', xref) + 1;
    while (line > 0 && line < pdf.size() && !pdf.mid(line).startsWith("trailer")) {
        const qsizetype eol = pdf.indexOf('\n', line);
        const QList<QByteArray> section = pdf.mid(line, eol - line).trimmed().split(' ');
        if (section.size() != 2)
            return pdf;
        const qsizetype count = section[1].toLongLong();
        line = eol + 1;
        for (qsizetype k = 0; k < count; ++k, line += 20) {
            const QByteArray entry = pdf.mid(line, 20);
            if (entry.size() != 20 || (entry.at(17) != 'n' && entry.at(17) != 'f'))
                return pdf;
            if (entry.at(17) == 'n') {
                const qsizetype offset = entry.left(10).toLongLong();
                changes.push_back({line, 10, QByteArray::number(shifted(offset)).rightJustified(10, '0')});
            }
        }
    }
    changes.push_back({digitsAt, numberEnd - digitsAt, QByteArray::number(shifted(xref))});
    // The xref entries were measured against the map changes only.
    std::stable_sort(changes.begin(), changes.end(), [](const Change &a, const Change &b) { return a.at < b.at; });

    QByteArray out;
    out.reserve(pdf.size() + 4096);
    qsizetype from = 0;
    for (const Change &c : changes) {
        out += pdf.mid(from, c.at - from);
        out += c.with;
        from = c.at + c.size;
    }
    out += pdf.mid(from);
    return out;
}

bool PdfTextLayer::repair(const QString &path)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray pdf = in.readAll();
    in.close();
    const QByteArray better = repaired(pdf);
    if (better == pdf)
        return true;
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(better) != better.size())
        return false;
    return out.commit();
}

} // namespace velmora::record
