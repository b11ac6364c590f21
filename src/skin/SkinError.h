#pragma once

#include <QString>
#include <stdexcept>

namespace velmora::skin {

// The error object the skin raises: the object-error number (base 80040000
// hexadecimal plus the code), the source "<program>.WindowProc" and a fixed
// description.
class SkinError : public std::runtime_error {
public:
    enum Code {
        CantSubclass = 13081,
        AlreadyHandled = 13082,
        InvalidWindow = 13083,
        ExternalWindow = 13084,
        TooManyTimers = 13651,
        CantCreateTimer = 13652,
    };

    explicit SkinError(Code code);

    int code() const { return m_code; }
    // The full object-error number, as a signed 32-bit value.
    qint32 number() const;
    QString source() const { return m_source; }
    QString description() const { return m_description; }

    static QString descriptionOf(Code code);

private:
    int m_code;
    QString m_source;
    QString m_description;
};

} // namespace velmora::skin
