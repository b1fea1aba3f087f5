#pragma once

#include <cstdint>

// The building blocks of the binary form stream: value tags, component flags and the limits
// shared by both conversion directions.
namespace swapwright {

enum TValueType : std::uint8_t {
    tagNull = 0, // the identifier Null in a value position, the end marker everywhere else
    tagList = 1,
    tagInt8 = 2,
    tagInt16 = 3,
    tagInt32 = 4,
    tagExtended = 5,
    tagShortString = 6,
    tagIdent = 7,
    tagFalse = 8,
    tagTrue = 9,
    tagBinary = 10,
    tagSet = 11,
    tagLongString = 12,
    tagNil = 13,
    tagCollection = 14,
    tagSingle = 15,
    tagCurrency = 16,
    tagDate = 17,
    tagWideString = 18,
    tagInt64 = 19,
};
inline constexpr std::uint8_t kLastValueType = tagInt64;

// Component flags, stored in the low nibble of the optional prefix byte 0xF?.
enum TFilerFlag : std::uint8_t {
    flagInherited = 1,
    flagChildPos = 2,
    flagInline = 4,
};
using TFilerFlags = std::uint8_t;

inline constexpr char kSignature[4] = {'T', 'P', 'F', '0'};

// Short strings carry a one-byte length.
inline constexpr std::size_t kMaxShortString = 255;
// A component record without prefix starts with its class name's length byte, which must not
// look like a prefix (0xF0..0xFF).
inline constexpr std::size_t kMaxPlainClassName = 239;

// The deepest text nesting level (two blanks of indentation each) either conversion accepts.
// Components, lists, collections and collection items each open one level. Real forms stay
// within a few dozen; the limit keeps hostile input from exhausting memory or time.
inline constexpr int kMaxNestingLevel = 256;
inline constexpr const char* kNestingTooDeep = "Nesting deeper than %d levels";

inline constexpr const char* kInvalidStreamFormat = "Invalid stream format";
inline constexpr const char* kInvalidPropertyValue = "Invalid property value";

} // namespace swapwright
