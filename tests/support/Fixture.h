#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace velmora::test {

// An application folder in a temporary directory holding database files
// built from the fixture sources (or the shipped sources), so that a test
// may change them freely.
class Fixture {
public:
    enum class Sources { Fixtures, Shipped };
    explicit Fixture(Sources sources = Sources::Fixtures);

    QString folder() const { return m_dir.path(); }
    QString file(const QString &relative) const; // "\data\sj1.data"
    // Makes this folder the program's application folder.
    void install() const;

private:
    QTemporaryDir m_dir;
};

} // namespace velmora::test
