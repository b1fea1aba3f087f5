#include "gui/exception_information.h"

#include "core/base/exceptions.h"
#include "core/base/text.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace swapwright::gui {

namespace {

std::string demangled(const std::type_info* type) {
    if (!type)
        return {};
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> name(abi::__cxa_demangle(type->name(), nullptr, nullptr, &status),
                                                           &std::free);
    return status == 0 && name ? std::string(name.get()) : std::string(type->name());
}

} // namespace

TWqExceptionInformation exceptionInformation(const std::exception_ptr& exception) {
    TWqExceptionInformation info;
    if (!exception) {
        info.Message = std::string(kNoExceptionInformation);
        return info;
    }
    try {
        std::rethrow_exception(exception);
    } catch (const EWqException& e) {
        info.ExceptionClass = e.className();
        info.Message = e.message();
        info.ObjectName = e.objectName();
        info.ObjectClass = e.objectClass();
        info.RoutineName = e.routineName();
    } catch (const Exception& e) {
        info.ExceptionClass = e.className();
        info.Message = e.message();
    } catch (const std::exception& e) {
        info.ExceptionClass = demangled(&typeid(e));
        info.Message = e.what();
    } catch (...) {
        info.ExceptionClass = demangled(abi::__cxa_current_exception_type());
    }
    return info;
}

std::string orUnknown(std::string_view value) { return std::string(value.empty() ? kUnknown : value); }

std::string exceptionText(const TWqExceptionInformation& info, std::string_view programFileName) {
    const auto slash = programFileName.find_last_of('/');
    const std::string program =
        text::toAsciiUpper(slash == std::string_view::npos ? programFileName : programFileName.substr(slash + 1));
    const std::string templ = std::string("Exeption in Application") + ": %s\r\n\r\n" + "Exception Class" +
                              ":      %s\r\n" + "Object Name" + ":          %s\r\n" + "Object Class" +
                              ":           %s\r\n" + "Routine Name" + ":         %s\r\n" + "Exception Address" +
                              ":     %x\r\n\r\n" + "Message" + ":\r\n" + "---------------\r\n" + "%s\r\n\r\n";
    return text::format(templ, program, orUnknown(info.ExceptionClass), info.ObjectName, orUnknown(info.ObjectClass),
                        orUnknown(info.RoutineName), info.ExceptionAddress, info.Message);
}

} // namespace swapwright::gui
