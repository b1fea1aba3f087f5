#pragma once

// Shared checks of the form file fuzz targets: every failure must be one of the converters' own
// exceptions with one of their messages, and text that converts must reach a fixed point after
// one normalising round trip.
#include "core/base/exceptions.h"
#include "core/base/stream.h"
#include "core/formfile/form_conversion.h"
#include "core/formfile/form_stream.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <typeinfo>

namespace swapwright::fuzz {

[[noreturn]] inline void fail(const char* what, std::string_view detail = {}) {
    std::fprintf(stderr, "fuzz check failed: %s %.*s\n", what, static_cast<int>(detail.size()), detail.data());
    std::abort();
}

inline bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

inline std::string nestingMessage() {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, kNestingTooDeep, kMaxNestingLevel);
    return buffer;
}

// The failures the binary side may raise.
inline void checkBinaryFailure(const Exception& e) {
    const std::string m = e.message();
    const bool known = m == "Invalid stream format" || m == "Stream read error" || m == "Invalid property value" ||
                       m == nestingMessage();
    if (!known || (dynamic_cast<const EReadError*>(&e) == nullptr && dynamic_cast<const EInvalidImage*>(&e) == nullptr))
        fail("unexpected binary failure", m);
}

// The failures the text side may raise: "<message> on line <n>", or a number conversion.
inline void checkTextFailure(const Exception& e) {
    const std::string m = e.message();
    if (dynamic_cast<const EConvertError*>(&e) != nullptr) {
        if (m.find("' is not a valid integer value") == std::string::npos &&
            m.find("' is not a valid floating point value") == std::string::npos)
            fail("unexpected conversion failure", m);
        return;
    }
    if (dynamic_cast<const EParserError*>(&e) == nullptr)
        fail("unexpected text failure class", e.className());
    static const char* const kMessages[] = {
        "Identifier expected", "String expected", "Number expected", "''", "OBJECT expected", "item expected",
        "Invalid string constant", "Invalid property value", "Invalid binary value", "Line too long",
        "Number out of range", "Class name too long", "Nesting deeper than", "Class name longer than 255",
        "Component name longer than 255", "Property name longer than 255", "Identifier longer than 255",
        "Set element longer than 255"};
    for (const char* known : kMessages)
        if (startsWith(m, known) && m.find(" on line ") != std::string::npos)
            return;
    fail("unexpected parser message", m);
}

inline std::string toText(const std::string& resource) {
    MemoryStream in(resource);
    MemoryStream out;
    ObjectResourceToText(in, out);
    return out.takeBytes();
}

// Text that converted to `resource` must give text that converts and reads back to itself, and
// that converts to `resource` itself given it as the original.
inline void checkNormalisedRoundTrip(const std::string& resource) {
    std::string text;
    try {
        text = toText(resource);
    } catch (const Exception& e) {
        fail("binary written from text does not convert back", e.message());
    }
    MemoryStream in(text);
    MemoryStream again;
    try {
        MemoryStream guidedIn(text);
        MemoryStream original(resource);
        MemoryStream guided;
        ObjectTextToResource(guidedIn, guided, original);
        if (guided.bytes() != resource)
            fail("text not changed does not give its original back");
        ObjectTextToResource(in, again);
    } catch (const EParserError& e) {
        // The text form puts a set on one line; long ones can exceed the tokenizer's window.
        if (startsWith(e.message(), "Line too long"))
            return;
        fail("text written from binary does not parse", e.message());
    } catch (const Exception& e) {
        fail("text written from binary does not convert", e.message());
    }
    std::string textAgain;
    try {
        textAgain = toText(again.bytes());
    } catch (const Exception& e) {
        fail("second binary does not convert", e.message());
    }
    if (textAgain != text)
        fail("text round trip is not stable");
}

} // namespace swapwright::fuzz
