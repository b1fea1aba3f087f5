#pragma once

#include "core/base/exceptions.h"
#include "core/base/stream.h"
#include "core/formfile/form_conversion.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <typeinfo>

namespace swapwright::test {

// "06 05 41" -> the bytes 06 05 41; blanks are ignored.
inline std::string bytes(std::string_view hex) {
    std::string out;
    int high = -1;
    for (const char c : hex) {
        if (c == ' ')
            continue;
        const int v = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        if (high < 0) {
            high = v;
        } else {
            out += static_cast<char>(high * 16 + v);
            high = -1;
        }
    }
    return out;
}

// A short string: its length byte and bytes.
inline std::string str(std::string_view s) { return static_cast<char>(s.size()) + std::string(s); }

// A binary form stream: the signature, then `body`.
inline std::string formStream(std::string_view body) { return "TPF0" + std::string(body); }

// A root component of class TForm1 named Form1 holding one property P with the given value bytes.
inline std::string rootWithProperty(std::string_view value) {
    return formStream(str("TForm1") + str("Form1") + str("P") + std::string(value) + std::string(2, '\0'));
}

inline std::string binaryToText(const std::string& binary) {
    MemoryStream in(binary);
    MemoryStream out;
    ObjectBinaryToText(in, out);
    return out.takeBytes();
}

inline std::string textToBinary(const std::string& text) {
    MemoryStream in(text);
    MemoryStream out;
    ObjectTextToBinary(in, out);
    return out.takeBytes();
}

inline std::string resourceToText(const std::string& resource) {
    MemoryStream in(resource);
    MemoryStream out;
    ObjectResourceToText(in, out);
    return out.takeBytes();
}

inline std::string textToResource(const std::string& text) {
    MemoryStream in(text);
    MemoryStream out;
    ObjectTextToResource(in, out);
    return out.takeBytes();
}

// The conversions back given the binary form stream, or the resource form file, the text came from.
inline std::string textToBinary(const std::string& text, const std::string& original) {
    MemoryStream in(text);
    MemoryStream from(original);
    MemoryStream out;
    ObjectTextToBinary(in, out, from);
    return out.takeBytes();
}

inline std::string textToResource(const std::string& text, const std::string& original) {
    MemoryStream in(text);
    MemoryStream from(original);
    MemoryStream out;
    ObjectTextToResource(in, out, from);
    return out.takeBytes();
}

// The message of the exception `run` raises, which must be of class E; empty when it raises none.
template <typename E>
std::string failure(const std::function<void()>& run) {
    try {
        run();
    } catch (const E& e) {
        return e.message();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "unexpected " << typeid(e).name() << ": " << e.what();
        return "(wrong exception class)";
    }
    return {};
}

} // namespace swapwright::test
