#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

// Chemical structures from SMILES: the one place of the program that knows
// the cheminformatics library. Everything here is plain data in and out, so
// that no other file needs that library's headers.
namespace velmora::structure {

// Fingerprint sizes in bytes: the substructure screen (a bit set in the
// query's screen must be set in every molecule that contains it) and the
// circular fingerprint for similarity (Morgan, radius 2).
constexpr int ScreenBytes = 256;
constexpr int MorganBytes = 256;

// Why a text is no structure: a Chinese explanation that names the
// position (1-based, in characters of the text) of the fault.
struct ParseError {
    int position = 0;
    QString message; // "结构式无法识别：…"
};

// What is stored for one chemical.
struct Facts {
    QString canonical;  // canonical SMILES
    QString inchiKey;   // standard InChIKey; empty when it cannot be made
    QByteArray screen;  // ScreenBytes
    QByteArray morgan;  // MorganBytes
};

// Parses a SMILES; nothing (and the reason in error) when it does not parse.
std::optional<Facts> describe(const QString &smiles, ParseError *error = nullptr);

// The canonical SMILES alone; empty when the text does not parse.
QString canonical(const QString &smiles, ParseError *error = nullptr);

// The molecular formula in the handbook's writing: Hill order for a
// compound with carbon, cation first for an inorganic salt ("CuSO4·5H2O"),
// water of crystallisation after "·"; and the average molecular weight.
struct Composition {
    QString formula;
    double weight = 0;
};
std::optional<Composition> composition(const QString &smiles);

// A PNG picture of the structure, drawn as the shipped pictures are (600 x
// 400, salts part by part with their counts); empty when it does not parse.
QByteArray drawPng(const QString &smiles, int width = 600, int height = 400);

// Tanimoto similarity of two fingerprints of equal size.
double tanimoto(const unsigned char *a, const unsigned char *b, int bytes);

// A substructure query: a SMILES, or failing that a SMARTS.
class Query {
public:
    // Nothing (and the reason) when the text is neither.
    static std::unique_ptr<Query> parse(const QString &text, ParseError *error = nullptr);
    ~Query();

    const QByteArray &screen() const;
    // The Morgan fingerprint of the query as a molecule; empty for a SMARTS
    // that cannot be read as one.
    const QByteArray &morgan() const;
    int atomCount() const;
    // True when the molecule of the SMILES holds the query, each part of a
    // query of several parts somewhere in it (a salt's anion, its water).
    // Stereo in the query must be matched. Safe to call from several threads.
    bool matches(const QString &smiles) const;
    bool matches(const std::string &smiles) const;

private:
    struct Data;
    explicit Query(std::unique_ptr<Data> d);
    std::unique_ptr<Data> d;
};

// A derivative of a molecule for made-up test data: one substituent (taken
// by variant from a short list) on a carbon that has a hydrogen. The SMILES
// itself when there is no such carbon or it does not parse.
QString derivative(const QString &smiles, unsigned variant);

} // namespace velmora::structure
