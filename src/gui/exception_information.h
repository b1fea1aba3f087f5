#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

// What the exception dialog shows of an exception, and the text its copy button puts on the clipboard.
namespace swapwright::gui {

struct TWqExceptionInformation {
    std::string Message;
    std::string ExceptionClass;
    std::string ObjectName;
    std::string ObjectClass;
    std::string RoutineName;
    // Where the exception was raised. A C++ exception does not carry the address of its throw, so
    // this stays 0 unless the caller knows better.
    std::uint32_t ExceptionAddress = 0;
};

inline constexpr std::string_view kNoExceptionInformation = "No Exception Information because the Exception was nil";
inline constexpr std::string_view kUnknown = "Unknown";

// The library's exceptions give their class name, and EWqException also its object and routine;
// other exceptions give their type's name and what(); anything else its type's name only. A null
// pointer gives the "nil" message.
TWqExceptionInformation exceptionInformation(const std::exception_ptr& exception);

// The text for an empty exception class, object class or routine name.
std::string orUnknown(std::string_view value);

// The dialog's text: program file name (the directory dropped, ASCII letters in upper case), the five
// fields ("Unknown" for the empty ones as the dialog shows them) and the message, lines ending in CR LF.
std::string exceptionText(const TWqExceptionInformation& information, std::string_view programFileName);

} // namespace swapwright::gui
