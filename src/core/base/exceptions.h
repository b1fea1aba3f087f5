#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace swapwright {

// Root of every failure the core raises. The message is the user-facing text;
// className() names the kind of failure the way the exception dialog shows it.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string message() const { return what(); }
    virtual const char* className() const noexcept { return "Exception"; }
};

#define SWAPWRIGHT_EXCEPTION(Name, Base)                                                   \
    class Name : public Base {                                                             \
    public:                                                                                \
        using Base::Base;                                                                  \
        const char* className() const noexcept override { return #Name; }                  \
    }

// Streams and files.
SWAPWRIGHT_EXCEPTION(EStreamError, Exception);
SWAPWRIGHT_EXCEPTION(EFilerError, EStreamError);
SWAPWRIGHT_EXCEPTION(EReadError, EFilerError);
SWAPWRIGHT_EXCEPTION(EWriteError, EFilerError);
SWAPWRIGHT_EXCEPTION(EInvalidImage, EFilerError);
SWAPWRIGHT_EXCEPTION(EFOpenError, EStreamError);
SWAPWRIGHT_EXCEPTION(EFCreateError, EStreamError);
SWAPWRIGHT_EXCEPTION(EInOutError, Exception);
SWAPWRIGHT_EXCEPTION(EOutOfMemory, Exception);

// Text conversions and parsing.
SWAPWRIGHT_EXCEPTION(EConvertError, Exception);
SWAPWRIGHT_EXCEPTION(EParserError, Exception);

// A broken internal assumption.
SWAPWRIGHT_EXCEPTION(EAssertionFailed, Exception);

#undef SWAPWRIGHT_EXCEPTION

// The library's own failure: it also names the object it was raised for and the routine.
class EWqException : public Exception {
public:
    EWqException(const std::string& message, std::string routineName, std::string objectName = {},
                 std::string objectClass = {})
        : Exception(message), m_routineName(std::move(routineName)), m_objectName(std::move(objectName)),
          m_objectClass(std::move(objectClass)) {}
    const char* className() const noexcept override { return "EWqException"; }
    const std::string& routineName() const { return m_routineName; }
    const std::string& objectName() const { return m_objectName; }
    const std::string& objectClass() const { return m_objectClass; }

private:
    std::string m_routineName;
    std::string m_objectName;
    std::string m_objectClass;
};

// Standard messages shared by the streams and the converters.
inline constexpr std::string_view kStreamReadError = "Stream read error";
inline constexpr std::string_view kStreamWriteError = "Stream write error";

} // namespace swapwright
