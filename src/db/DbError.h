#pragma once

#include <QString>
#include <exception>

namespace velmora::db {

// The one error the data layer raises: an engine-style error number and its
// description. The windows decide what a person sees.
class DbError : public std::exception {
public:
    DbError(int number, QString description)
        : m_number(number), m_description(std::move(description)),
          m_what(m_description.toUtf8()) {}

    int number() const noexcept { return m_number; }
    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};

// Error numbers of the database engine that callers may test for.
namespace errors {
inline constexpr int InvalidPattern = 93;
inline constexpr int CouldNotFindFile = 3024;
inline constexpr int NotValidPassword = 3031;
inline constexpr int TooFewParameters = 3061;   // a field the table lacks
inline constexpr int SyntaxError = 3075;
inline constexpr int InputTableNotFound = 3078;
inline constexpr int NoCurrentRecord = 3021;
inline constexpr int InvalidSqlStatement = 3129;
inline constexpr int UnrecognizedFormat = 3343;
inline constexpr int Corrupt = 3049; // damaged pages
inline constexpr int FileLocked = 3045;
inline constexpr int EngineFailure = 3146;
} // namespace errors

} // namespace velmora::db
