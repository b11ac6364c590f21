#include "support/Fixture.h"

#include "DataBuilder.h"
#include "db/AppFolder.h"

#include <QFile>
#include <stdexcept>

namespace velmora::test {

Fixture::Fixture(Sources sources)
{
    velmora::data::BuildOptions options;
    if (sources == Sources::Fixtures) {
        options.sources = QStringLiteral(VELMORA_FIXTURE_SOURCES);
        options.pictures = QStringLiteral(VELMORA_FIXTURE_SOURCES "/pictures");
    } else {
        options.sources = QStringLiteral(VELMORA_SHIPPED_SOURCES);
        options.pictures = QStringLiteral(VELMORA_SHIPPED_PICTURES);
    }
    options.elements = QStringLiteral(VELMORA_SHIPPED_SOURCES "/elements.tsv");
    options.out = m_dir.path() + QStringLiteral("/data");
    velmora::data::build(options);
    QFile::copy(options.elements, options.out + QStringLiteral("/elements.tsv"));
}

QString Fixture::file(const QString &relative) const
{
    return velmora::db::AppFolder::join(m_dir.path(), relative);
}

void Fixture::install() const
{
    velmora::db::AppFolder::setPath(m_dir.path());
}

} // namespace velmora::test
