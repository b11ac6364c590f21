#include "structure/Structure.h"

#include <DataStructs/ExplicitBitVect.h>
#include <GraphMol/Depictor/RDDepictor.h>
#include <GraphMol/Descriptors/MolDescriptors.h>
#include <GraphMol/FileParsers/MolFileStereochem.h>
#include <GraphMol/Fingerprints/Fingerprints.h>
#include <GraphMol/Fingerprints/MorganFingerprints.h>
#include <GraphMol/GraphMol.h>
#include <GraphMol/MolDraw2D/MolDraw2DCairo.h>
#include <GraphMol/MolDraw2D/MolDraw2DUtils.h>
#include <GraphMol/MolOps.h>
#include <GraphMol/PeriodicTable.h>
#include <GraphMol/SmilesParse/SmilesParse.h>
#include <GraphMol/SmilesParse/SmilesWrite.h>
#include <GraphMol/Substruct/SubstructMatch.h>
#include <RDGeneral/RDLog.h>

#include <inchi_api.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>

namespace velmora::structure {

using namespace RDKit;

namespace {

// The library writes its parse errors to the console; the program says them
// in its own words.
void quietLogs()
{
    static std::once_flag once;
    std::call_once(once, [] {
        boost::logging::disable_logs("rdApp.error");
        boost::logging::disable_logs("rdApp.warning");
        boost::logging::disable_logs("rdApp.info");
    });
}

// ------------------------------------------------------------ parse errors

// Where the atoms of a SMILES stand in the text, and its first fault of
// writing, found by reading it as the SMILES grammar does.
struct Scan {
    std::vector<int> atomAt; // character position of each atom, in the parser's order
    int fault = -1;
    QString message;
};

Scan scan(const QString &s)
{
    Scan r;
    std::vector<int> open;
    std::map<int, int> rings; // label -> position where it was opened
    const auto fail = [&r](int at, const QString &message) {
        if (r.fault < 0) {
            r.fault = at;
            r.message = message;
        }
    };
    const int n = int(s.size());
    for (int i = 0; i < n && r.fault < 0;) {
        const QChar c = s[i];
        if (c.isSpace())
            break; // what follows is an extension (CXSMILES coordinates) or a name
        if (s.mid(i, 2) == QLatin1String("->") || s.mid(i, 2) == QLatin1String("<-")) {
            i += 2; // a dative bond
            continue;
        }
        if (c == u'[') {
            const int end = int(s.indexOf(u']', i));
            if (end < 0) {
                fail(i, QStringLiteral("“[”没有对应的“]”"));
                break;
            }
            r.atomAt.push_back(i);
            i = end + 1;
        } else if (s.mid(i, 2) == QLatin1String("Cl") || s.mid(i, 2) == QLatin1String("Br")) {
            r.atomAt.push_back(i);
            i += 2;
        } else if (QStringLiteral("BCNOPSFIbcnops*").contains(c)) {
            r.atomAt.push_back(i);
            ++i;
        } else if (QStringLiteral("-=#$:/\\.").contains(c)) {
            ++i;
        } else if (c == u'(') {
            open.push_back(i++);
        } else if (c == u')') {
            if (open.empty())
                fail(i, QStringLiteral("“)”没有对应的“(”"));
            else
                open.pop_back();
            ++i;
        } else if (c.isDigit() && c.unicode() < 128 || c == u'%') {
            int label = 0, width = 1;
            if (c == u'%') {
                if (i + 2 >= n || !s[i + 1].isDigit() || !s[i + 2].isDigit()) {
                    fail(i, QStringLiteral("“%”后应是两位数字"));
                    break;
                }
                label = s.mid(i + 1, 2).toInt();
                width = 3;
            } else {
                label = c.digitValue();
            }
            if (rings.erase(label) == 0)
                rings.emplace(label, i);
            i += width;
        } else {
            fail(i, QStringLiteral("“%1”不是结构式中的写法").arg(c));
        }
    }
    if (r.fault < 0 && !open.empty())
        fail(open.back(), QStringLiteral("“(”没有闭合"));
    if (r.fault < 0 && !rings.empty()) {
        const auto first = std::min_element(rings.begin(), rings.end(),
                                            [](const auto &a, const auto &b) { return a.second < b.second; });
        fail(first->second, QStringLiteral("环标记“%1”没有闭合").arg(first->first));
    }
    return r;
}

ParseError parseError(int at, const QString &what)
{
    return {at + 1, QStringLiteral("结构式无法识别：第%1个字符处%2").arg(at + 1).arg(what)};
}

// Parses and checks a SMILES; nothing when it is none, with the reason.
std::unique_ptr<RWMol> parseSmiles(const QString &text, ParseError *error)
{
    quietLogs();
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        if (error)
            *error = {1, QStringLiteral("结构式无法识别：没有写结构式")};
        return nullptr;
    }
    const Scan sc = scan(trimmed);
    std::unique_ptr<RWMol> mol;
    if (sc.fault < 0) {
        SmilesParserParams params;
        params.sanitize = false;
        try {
            mol.reset(SmilesToMol(trimmed.toStdString(), params));
        } catch (const std::exception &) {
            mol.reset();
        }
    }
    if (!mol) {
        if (error)
            *error = sc.fault >= 0 ? parseError(sc.fault, sc.message)
                                   : parseError(0, QStringLiteral("起有不合写法的地方"));
        return nullptr;
    }
    const auto atomPlace = [&sc](unsigned atom) {
        return atom < sc.atomAt.size() ? sc.atomAt[atom] : 0;
    };
    try {
        MolOps::sanitizeMol(*mol);
    } catch (const AtomValenceException &e) {
        if (error)
            *error = parseError(atomPlace(e.getAtomIdx()),
                                QStringLiteral("的原子“%1”价态不合理")
                                    .arg(QString::fromStdString(mol->getAtomWithIdx(e.getAtomIdx())->getSymbol())));
        return nullptr;
    } catch (const AtomKekulizeException &e) {
        if (error)
            *error = parseError(atomPlace(e.getAtomIdx()), QStringLiteral("的芳香原子不能成环"));
        return nullptr;
    } catch (const KekulizeException &e) {
        const auto atoms = e.getAtomIndices();
        if (error)
            *error = parseError(atoms.empty() ? 0 : atomPlace(atoms.front()),
                                QStringLiteral("起的芳香环不能成立"));
        return nullptr;
    } catch (const std::exception &) {
        if (error)
            *error = parseError(0, QStringLiteral("起的结构不合化学规则"));
        return nullptr;
    }
    return mol;
}

QByteArray bitBytes(const ExplicitBitVect &bits, int bytes)
{
    QByteArray out(bytes, '\0');
    std::vector<int> on;
    bits.getOnBits(on);
    for (int b : on)
        if (b / 8 < bytes)
            out[b / 8] = char(uchar(out[b / 8]) | uchar(1u << (b % 8)));
    return out;
}

QByteArray screenOf(const ROMol &mol)
{
    std::unique_ptr<ExplicitBitVect> fp(PatternFingerprintMol(mol, ScreenBytes * 8));
    return bitBytes(*fp, ScreenBytes);
}

QByteArray morganOf(const ROMol &mol)
{
    std::unique_ptr<ExplicitBitVect> fp(MorganFingerprints::getFingerprintAsBitVect(mol, 2, MorganBytes * 8));
    return bitBytes(*fp, MorganBytes);
}

// The standard InChIKey, made by the InChI library from the atoms, bonds and
// 2D coordinates (stereo centres as wedges, double bonds by their geometry).
QString inchiKeyOf(const ROMol &source)
{
    RWMol mol(source);
    try {
        MolOps::Kekulize(mol, true);
        RDDepict::compute2DCoords(mol);
        WedgeMolBonds(mol, &mol.getConformer());
    } catch (const std::exception &) {
        return {};
    }
    const unsigned n = mol.getNumAtoms();
    if (n == 0 || n >= 1024)
        return {};
    std::vector<inchi_Atom> atoms(n);
    std::memset(atoms.data(), 0, sizeof(inchi_Atom) * n);
    const Conformer &conf = mol.getConformer();
    for (const Atom *a : mol.atoms()) {
        inchi_Atom &t = atoms[a->getIdx()];
        const std::string symbol = a->getAtomicNum() == 0 ? std::string("Zz") : a->getSymbol();
        std::strncpy(t.elname, symbol.c_str(), ATOM_EL_LEN - 1);
        const auto p = conf.getAtomPos(a->getIdx());
        t.x = p.x;
        t.y = p.y;
        t.charge = S_CHAR(a->getFormalCharge());
        t.num_iso_H[0] = S_CHAR(a->getTotalNumHs(false));
        t.isotopic_mass = AT_NUM(a->getIsotope());
        const unsigned radicals = a->getNumRadicalElectrons();
        t.radical = radicals == 1 ? INCHI_RADICAL_DOUBLET : radicals == 2 ? INCHI_RADICAL_TRIPLET : INCHI_RADICAL_NONE;
    }
    for (const Bond *b : mol.bonds()) {
        inchi_Atom &t = atoms[b->getBeginAtomIdx()];
        if (t.num_bonds >= MAXVAL)
            return {};
        const int k = t.num_bonds++;
        t.neighbor[k] = AT_NUM(b->getEndAtomIdx());
        switch (b->getBondType()) {
        case Bond::DOUBLE: t.bond_type[k] = INCHI_BOND_TYPE_DOUBLE; break;
        case Bond::TRIPLE: t.bond_type[k] = INCHI_BOND_TYPE_TRIPLE; break;
        default: t.bond_type[k] = INCHI_BOND_TYPE_SINGLE; break;
        }
        switch (b->getBondDir()) {
        case Bond::BEGINWEDGE: t.bond_stereo[k] = INCHI_BOND_STEREO_SINGLE_1UP; break;
        case Bond::BEGINDASH: t.bond_stereo[k] = INCHI_BOND_STEREO_SINGLE_1DOWN; break;
        case Bond::UNKNOWN: t.bond_stereo[k] = INCHI_BOND_STEREO_SINGLE_1EITHER; break;
        default:
            t.bond_stereo[k] = b->getBondType() == Bond::DOUBLE && b->getStereo() == Bond::STEREOANY
                                   ? INCHI_BOND_STEREO_DOUBLE_EITHER
                                   : INCHI_BOND_STEREO_NONE;
        }
    }
    static std::mutex inchiLock; // the InChI library keeps global state
    std::lock_guard<std::mutex> hold(inchiLock);
    char options[] = "";
    inchi_Input input{atoms.data(), nullptr, options, AT_NUM(n), 0};
    inchi_Output output;
    std::memset(&output, 0, sizeof output);
    const int rc = GetStdINCHI(&input, &output);
    QString key;
    if ((rc == inchi_Ret_OKAY || rc == inchi_Ret_WARNING) && output.szInChI) {
        char buffer[32] = {};
        if (GetStdINCHIKeyFromStdINCHI(output.szInChI, buffer) == INCHIKEY_OK)
            key = QString::fromLatin1(buffer);
    }
    FreeStdINCHI(&output);
    return key;
}

// ------------------------------------------------------------ formula

struct Part {
    std::map<std::string, int> counts; // element -> atoms, hydrogens included
    std::vector<std::string> order;    // elements in order of first appearance
    int charge = 0;
    bool water = false;
    bool organic = false; // a carbon with hydrogen or another carbon
};

Part partOf(const ROMol &frag)
{
    Part p;
    const auto add = [&p](const std::string &symbol, int n) {
        if (n <= 0)
            return;
        if (!p.counts.count(symbol))
            p.order.push_back(symbol);
        p.counts[symbol] += n;
    };
    for (const Atom *a : frag.atoms()) {
        add(a->getSymbol(), 1);
        p.charge += a->getFormalCharge();
        if (a->getAtomicNum() == 6) {
            bool carbonNeighbour = false;
            for (const Atom *n : frag.atomNeighbors(a))
                carbonNeighbour = carbonNeighbour || n->getAtomicNum() == 6;
            p.organic = p.organic || carbonNeighbour || a->getTotalNumHs() > 0;
        }
    }
    for (const Atom *a : frag.atoms())
        add("H", int(a->getTotalNumHs()));
    p.water = frag.getNumAtoms() == 1 && p.counts.size() == 2 && p.counts.count("O") && p.counts["H"] == 2
              && p.charge == 0;
    return p;
}

QString countText(const std::string &symbol, int n)
{
    return QString::fromStdString(symbol) + (n > 1 ? QString::number(n) : QString());
}

// An inorganic part as a chemist writes it: hydrogen first in acids and acid
// anions (HNO3, HCO3), last in a cation or hydride (NH4, PH3), OH for
// hydroxide; oxygen after the other elements.
QString inorganicText(const Part &p)
{
    if (p.counts.size() == 2 && p.counts.count("O") && p.counts.count("H") && p.counts.at("O") == 1)
        return QStringLiteral("OH");
    std::vector<std::string> order;
    for (const auto &e : p.order)
        if (e != "H" && e != "O")
            order.push_back(e);
    const bool acidic = p.counts.count("O") || p.charge < 0
                        || std::any_of(order.begin(), order.end(), [](const std::string &e) {
                               return e == "F" || e == "Cl" || e == "Br" || e == "I" || e == "S" || e == "Se";
                           });
    QString text;
    if (p.counts.count("H") && acidic && p.charge <= 0)
        text += countText("H", p.counts.at("H"));
    for (const auto &e : order)
        text += countText(e, p.counts.at(e));
    if (p.counts.count("O"))
        text += countText("O", p.counts.at("O"));
    if (p.counts.count("H") && !(acidic && p.charge <= 0))
        text += countText("H", p.counts.at("H"));
    return text;
}

QString hillText(const std::map<std::string, int> &counts)
{
    QString text;
    const bool carbon = counts.count("C");
    if (carbon) {
        text += countText("C", counts.at("C"));
        if (counts.count("H"))
            text += countText("H", counts.at("H"));
    }
    for (const auto &[symbol, n] : counts) // std::map: alphabetical
        if (!carbon || (symbol != "C" && symbol != "H"))
            text += countText(symbol, n);
    return text;
}

// ------------------------------------------------------------ drawing

// Layout lengths in 2D coordinate units (a bond is 1.5), as the shipped
// pictures were drawn.
constexpr double Gap = 1.0, Char = 0.45, LabelHeight = 0.5, PartBondPixels = 80, Padding = 0.08;

QString chargeText(int charge)
{
    if (!charge)
        return {};
    const QChar sign = charge > 0 ? u'+' : u'-';
    return std::abs(charge) == 1 ? QString(sign) : QString::number(std::abs(charge)) + sign;
}

std::string ionLabel(const Atom *atom, int count)
{
    static const std::set<std::string> hFirst{"O", "S", "Se", "Te", "F", "Cl", "Br", "I"};
    const std::string symbol = atom->getSymbol();
    const unsigned hs = atom->getTotalNumHs();
    const std::string h = !hs ? "" : hs == 1 ? "H" : "H<sub>" + std::to_string(hs) + "</sub>";
    const bool hydroxide = symbol == "O" && atom->getFormalCharge() < 0;
    std::string body = hFirst.count(symbol) && !hydroxide ? h + symbol : symbol + h;
    const QString charge = chargeText(atom->getFormalCharge());
    if (!charge.isEmpty())
        body += "<sup>" + charge.toStdString() + "</sup>";
    return (count > 1 ? std::to_string(count) : std::string()) + body;
}

// Turns each O- on a positive halogen back into a double bond (ClO3- is
// drawn with Cl=O, as in a handbook).
void restoreHalogenOxo(RWMol &mol)
{
    for (Atom *atom : mol.atoms()) {
        const std::string s = atom->getSymbol();
        if (s != "Cl" && s != "Br" && s != "I")
            continue;
        for (Bond *bond : mol.atomBonds(atom)) {
            if (atom->getFormalCharge() <= 0)
                break;
            Atom *other = bond->getOtherAtom(atom);
            if (other->getAtomicNum() == 8 && other->getFormalCharge() == -1 && bond->getBondType() == Bond::SINGLE) {
                bond->setBondType(Bond::DOUBLE);
                other->setFormalCharge(0);
                atom->setFormalCharge(atom->getFormalCharge() - 1);
            }
        }
    }
    mol.updatePropertyCache(false);
}

// The distinct parts of a salt or hydrate side by side in one row, each once
// with its count in front (2Na⁺, 5H₂O): cations, anions, then neutral parts.
std::unique_ptr<RWMol> partsInRow(const ROMol &mol)
{
    std::vector<ROMOL_SPTR> frags = MolOps::getMolFrags(mol, false);
    std::vector<std::string> keys;
    std::map<std::string, std::pair<ROMOL_SPTR, int>> distinct;
    for (const auto &f : frags) {
        const std::string key = MolToSmiles(*f);
        auto it = distinct.find(key);
        if (it == distinct.end()) {
            distinct.emplace(key, std::make_pair(f, 1));
            keys.push_back(key);
        } else {
            ++it->second.second;
        }
    }
    const auto chargeRank = [&distinct](const std::string &k) {
        int charge = 0;
        for (const Atom *a : distinct.at(k).first->atoms())
            charge += a->getFormalCharge();
        return charge > 0 ? 0 : charge < 0 ? 1 : 2;
    };
    std::stable_sort(keys.begin(), keys.end(),
                     [&](const std::string &a, const std::string &b) { return chargeRank(a) < chargeRank(b); });
    auto result = std::make_unique<RWMol>();
    auto *conf = new Conformer(0);
    result->addConformer(conf, true);
    double x = 0;
    const auto place = [&](const ROMol &part, double dx, double dy) {
        std::map<unsigned, unsigned> index;
        for (const Atom *a : part.atoms()) {
            index[a->getIdx()] = result->addAtom(new Atom(*a), false, true);
            const auto p = part.getConformer().getAtomPos(a->getIdx());
            result->getConformer().setAtomPos(index[a->getIdx()], RDGeom::Point3D(p.x + dx, p.y + dy, 0));
        }
        for (const Bond *b : part.bonds()) {
            result->addBond(index[b->getBeginAtomIdx()], index[b->getEndAtomIdx()], b->getBondType());
            Bond *nb = result->getBondBetweenAtoms(index[b->getBeginAtomIdx()], index[b->getEndAtomIdx()]);
            nb->setIsAromatic(b->getIsAromatic());
        }
    };
    for (const std::string &k : keys) {
        RWMol part(*distinct.at(k).first);
        const int count = distinct.at(k).second;
        if (part.getNumAtoms() == 1)
            part.getAtomWithIdx(0)->setProp(common_properties::atomLabel, ionLabel(part.getAtomWithIdx(0), count));
        RDDepict::compute2DCoords(part);
        double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
        for (const Atom *a : part.atoms()) {
            const auto p = part.getConformer().getAtomPos(a->getIdx());
            double half = Char;
            if (a->hasProp(common_properties::atomLabel))
                half = Char * double(a->getProp<std::string>(common_properties::atomLabel).size()) / 3;
            else if (a->getAtomicNum() != 6 || a->getDegree() == 0)
                half = Char * (1 + (a->getTotalNumHs() ? 1 : 0));
            x0 = std::min(x0, p.x - half);
            x1 = std::max(x1, p.x + half);
            y0 = std::min(y0, p.y - LabelHeight);
            y1 = std::max(y1, p.y + LabelHeight);
        }
        if (count > 1 && part.getNumAtoms() > 1) {
            RWMol label;
            auto *atom = new Atom(0);
            atom->setProp(common_properties::atomLabel, std::to_string(count));
            atom->setNoImplicit(true);
            label.addAtom(atom, false, true);
            label.updatePropertyCache(false);
            auto *lc = new Conformer(1);
            lc->setAtomPos(0, RDGeom::Point3D(0, 0, 0));
            label.addConformer(lc, true);
            const double digits = Char * double(std::to_string(count).size());
            place(label, x + digits / 2, 0);
            x += digits + Char / 2;
        }
        place(part, x - x0, -(y0 + y1) / 2);
        x += (x1 - x0) + Gap;
    }
    result->updatePropertyCache(false);
    return result;
}

} // namespace

// ------------------------------------------------------------ interface

std::optional<Facts> describe(const QString &smiles, ParseError *error)
{
    const auto mol = parseSmiles(smiles, error);
    if (!mol)
        return std::nullopt;
    Facts f;
    f.canonical = QString::fromStdString(MolToSmiles(*mol));
    f.screen = screenOf(*mol);
    f.morgan = morganOf(*mol);
    f.inchiKey = inchiKeyOf(*mol);
    return f;
}

QString canonical(const QString &smiles, ParseError *error)
{
    const auto mol = parseSmiles(smiles, error);
    return mol ? QString::fromStdString(MolToSmiles(*mol)) : QString();
}

std::optional<Composition> composition(const QString &smiles)
{
    const auto mol = parseSmiles(smiles, nullptr);
    if (!mol || mol->getNumAtoms() == 0)
        return std::nullopt;
    Composition c;
    for (const Atom *a : mol->atoms()) {
        if (a->getAtomicNum() == 0)
            return std::nullopt; // a polymer's open ends: no formula of its own
        c.weight += a->getMass() + double(a->getTotalNumHs()) * PeriodicTable::getTable()->getAtomicWeight(1);
    }
    c.weight = std::round(c.weight * 100) / 100;
    std::vector<Part> parts;
    int waters = 0;
    bool carbon = false;
    for (const auto &f : MolOps::getMolFrags(*mol, false)) {
        Part p = partOf(*f);
        if (p.water) {
            ++waters;
            continue;
        }
        carbon = carbon || p.organic;
        parts.push_back(std::move(p));
    }
    if (parts.empty()) { // water itself
        c.formula = QStringLiteral("H2O");
        --waters;
    } else if (carbon) {
        std::map<std::string, int> all;
        for (const Part &p : parts)
            for (const auto &[e, n] : p.counts)
                all[e] += n;
        c.formula = hillText(all);
    } else {
        // Cations first, then anions and neutral parts; equal parts counted.
        std::stable_sort(parts.begin(), parts.end(),
                         [](const Part &a, const Part &b) { return (a.charge <= 0) < (b.charge <= 0); });
        std::vector<std::pair<QString, int>> written;
        for (const Part &p : parts) {
            const QString text = inorganicText(p);
            if (!written.empty() && written.back().first == text)
                ++written.back().second;
            else
                written.emplace_back(text, 1);
        }
        for (const auto &[text, n] : written) {
            const bool group = n > 1 && std::count_if(text.begin(), text.end(), [](QChar ch) { return ch.isUpper(); }) > 1;
            c.formula += group ? QStringLiteral("(%1)%2").arg(text).arg(n)
                               : n > 1 ? text + QString::number(n) : text;
        }
    }
    if (waters)
        c.formula += QStringLiteral("·%1H2O").arg(waters > 1 ? QString::number(waters) : QString());
    return c;
}

QByteArray drawPng(const QString &smiles, int width, int height)
{
    auto parsed = parseSmiles(smiles, nullptr);
    if (!parsed)
        return {};
    try {
        for (Atom *a : parsed->atoms())
            a->setNumRadicalElectrons(0);
        restoreHalogenOxo(*parsed);
        MolDraw2DCairo drawer(width, height);
        auto &opts = drawer.drawOptions();
        std::unique_ptr<RWMol> mol;
        std::vector<int> mapping;
        if (MolOps::getMolFrags(*parsed, mapping) > 1) {
            mol = partsInRow(*parsed);
            opts.fixedBondLength = PartBondPixels;
        } else {
            mol = std::move(parsed);
        }
        opts.bondLineWidth = 3;
        opts.minFontSize = 22;
        opts.maxFontSize = 40;
        opts.padding = Padding;
        opts.clearBackground = true;
        opts.backgroundColour = DrawColour(1, 1, 1, 1);
        opts.addStereoAnnotation = false;
        opts.atomColourPalette[0] = DrawColour(0, 0, 0);
        MolDraw2DUtils::prepareAndDrawMolecule(drawer, *mol);
        drawer.finishDrawing();
        const std::string png = drawer.getDrawingText();
        return QByteArray(png.data(), qsizetype(png.size()));
    } catch (const std::exception &) {
        return {};
    }
}

double tanimoto(const unsigned char *a, const unsigned char *b, int bytes)
{
    int both = 0, either = 0;
    int i = 0;
    for (; i + 8 <= bytes; i += 8) {
        quint64 x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        both += std::popcount(x & y);
        either += std::popcount(x | y);
    }
    for (; i < bytes; ++i) {
        both += std::popcount(unsigned(a[i] & b[i]));
        either += std::popcount(unsigned(a[i] | b[i]));
    }
    return either ? double(both) / either : 0.0;
}

// ------------------------------------------------------------ query

struct Query::Data {
    std::unique_ptr<RWMol> mol;
    std::vector<ROMOL_SPTR> parts;
    QByteArray screen, morgan;
    bool chiral = false;
};

Query::Query(std::unique_ptr<Data> data) : d(std::move(data)) {}
Query::~Query() = default;

std::unique_ptr<Query> Query::parse(const QString &text, ParseError *error)
{
    auto data = std::make_unique<Data>();
    ParseError smilesError;
    data->mol = parseSmiles(text, &smilesError);
    if (data->mol) {
        data->morgan = morganOf(*data->mol);
    } else {
        // Not a SMILES: a SMARTS pattern ("C(=O)[OX2H1]", "[#7+](=O)[O-]"),
        // which is plain ASCII.
        const QString trimmed = text.trimmed();
        const bool ascii = std::all_of(trimmed.begin(), trimmed.end(), [](QChar c) { return c.unicode() < 128; });
        try {
            if (!ascii)
                throw std::invalid_argument("not ASCII");
            data->mol.reset(SmartsToMol(text.trimmed().toStdString()));
        } catch (const std::exception &) {
            data->mol.reset();
        }
        if (!data->mol || data->mol->getNumAtoms() == 0) {
            if (error)
                *error = smilesError;
            return nullptr;
        }
        data->mol->updatePropertyCache(false);
        try {
            MolOps::fastFindRings(*data->mol);
            data->morgan = morganOf(*data->mol);
        } catch (const std::exception &) {
            data->morgan.clear();
        }
    }
    MolOps::fastFindRings(*data->mol);
    try {
        data->screen = screenOf(*data->mol);
    } catch (const std::exception &) {
        data->screen = QByteArray(ScreenBytes, '\0'); // no screen: every molecule is matched
    }
    for (const Atom *a : data->mol->atoms())
        if (a->getChiralTag() == Atom::CHI_TETRAHEDRAL_CW || a->getChiralTag() == Atom::CHI_TETRAHEDRAL_CCW)
            data->chiral = true;
    for (const Bond *b : data->mol->bonds())
        if (b->getStereo() > Bond::STEREOANY || b->getBondDir() == Bond::ENDUPRIGHT
            || b->getBondDir() == Bond::ENDDOWNRIGHT)
            data->chiral = true;
    data->parts = MolOps::getMolFrags(*data->mol, false);
    for (auto &p : data->parts)
        MolOps::fastFindRings(*p);
    return std::unique_ptr<Query>(new Query(std::move(data)));
}

const QByteArray &Query::screen() const { return d->screen; }
const QByteArray &Query::morgan() const { return d->morgan; }
int Query::atomCount() const { return int(d->mol->getNumAtoms()); }

bool Query::matches(const QString &smiles) const { return matches(smiles.toStdString()); }

bool Query::matches(const std::string &smiles) const
{
    // The stored canonical SMILES came from a checked molecule: read without
    // the full check (aromatic flags come from the lower-case atoms), which
    // is most of the cost of reading it; hydrogens and rings are all a
    // match needs.
    std::unique_ptr<RWMol> mol;
    try {
        SmilesParserParams read;
        read.sanitize = false;
        mol.reset(SmilesToMol(smiles, read));
        if (!mol)
            return false;
        mol->updatePropertyCache(false);
        MolOps::fastFindRings(*mol);
    } catch (const std::exception &) {
        return false;
    }
    SubstructMatchParameters params;
    params.useChirality = d->chiral;
    params.maxMatches = 1;
    if (d->parts.size() == 1)
        return !SubstructMatch(*mol, *d->mol, params).empty();
    // A query of several parts (an anion and water): each part in a part of
    // its own of the chemical, so that the water is no oxygen of the anion.
    const std::vector<ROMOL_SPTR> frags = MolOps::getMolFrags(*mol, false);
    std::vector<std::vector<char>> fits(d->parts.size(), std::vector<char>(frags.size(), 0));
    for (size_t q = 0; q < d->parts.size(); ++q) {
        bool any = false;
        for (size_t t = 0; t < frags.size(); ++t) {
            fits[q][t] = !SubstructMatch(*frags[t], *d->parts[q], params).empty();
            any = any || fits[q][t];
        }
        if (!any)
            return false;
    }
    std::vector<char> used(frags.size(), 0);
    const std::function<bool(size_t)> assign = [&](size_t q) {
        if (q == d->parts.size())
            return true;
        for (size_t t = 0; t < frags.size(); ++t) {
            if (!fits[q][t] || used[t])
                continue;
            used[t] = 1;
            if (assign(q + 1))
                return true;
            used[t] = 0;
        }
        return false;
    };
    return assign(0);
}

// ------------------------------------------------------------ made-up data

QString derivative(const QString &smiles, unsigned variant)
{
    static const char *const groups[] = {"C", "Cl", "F", "O", "N", "CC", "Br", "OC", "C(=O)O", "C#N"};
    auto mol = parseSmiles(smiles, nullptr);
    if (!mol)
        return smiles;
    std::vector<unsigned> sites;
    for (const Atom *a : mol->atoms())
        if (a->getAtomicNum() == 6 && a->getTotalNumHs() > 0)
            sites.push_back(a->getIdx());
    if (sites.empty())
        return smiles;
    const unsigned site = sites[(variant / 10) % sites.size()];
    std::unique_ptr<RWMol> group(SmilesToMol(groups[variant % 10]));
    if (!group)
        return smiles;
    const unsigned offset = mol->getNumAtoms();
    mol->insertMol(*group);
    mol->addBond(site, offset, Bond::SINGLE);
    try {
        MolOps::sanitizeMol(*mol);
    } catch (const std::exception &) {
        return smiles;
    }
    return QString::fromStdString(MolToSmiles(*mol));
}

} // namespace velmora::structure
