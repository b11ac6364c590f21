#pragma once

#include "structure/Structure.h"

#include <QString>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace velmora::db {

// Structure search over one connection's velmora_structure table.
//
// The fingerprints of every chemical are read once into memory (and read
// again when the file changed, through any connection). A substructure
// query is screened first: a chemical can hold the query only when every bit
// of the query's screen is set in its own; the survivors are then matched
// atom by atom, on all cores. Results come most similar first (Tanimoto on
// the Morgan fingerprints), ties in the order of the keys (the handbook's).
class StructureIndex {
public:
    explicit StructureIndex(sqlite3 *db);
    ~StructureIndex();
    StructureIndex(const StructureIndex &) = delete;
    StructureIndex &operator=(const StructureIndex &) = delete;

    struct Hit {
        qint64 key;
        double similarity;
    };
    // Every chemical that holds the query (a SMILES or SMARTS); nothing, and
    // the reason in error, when the text is neither.
    std::optional<std::vector<Hit>> substructure(const QString &text, structure::ParseError *error = nullptr);
    // The chemicals most like the SMILES: at most limit, none below floor.
    std::optional<std::vector<Hit>> similar(const QString &text, structure::ParseError *error = nullptr,
                                            int limit = 50, double floor = 0.2);

    int size();

private:
    void checkCurrent();

    sqlite3 *m_db;
    sqlite3_stmt *m_dataVersion = nullptr;
    qint64 m_version = -1;
    qint64 m_changes = -1;
    bool m_loaded = false;
    std::vector<qint64> m_keys;
    std::vector<std::string> m_canonical;
    std::vector<unsigned char> m_screen; // ScreenBytes per chemical
    std::vector<unsigned char> m_morgan; // MorganBytes per chemical
};

} // namespace velmora::db
