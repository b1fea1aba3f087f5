#pragma once

#include "core/base/stream.h"
#include "core/formfile/stored_format.h"

#include <string>

// Conversion of form files between the binary form stream (optionally wrapped in a resource
// header) and the text form. All of them work on the streams' current positions. On failure they
// raise (EReadError, EInvalidImage, EParserError, EConvertError) and leave what was produced up to
// the failure in the output, except ObjectTextToResource, which then writes nothing.
namespace swapwright {

// Binary form stream starting with "TPF0" -> text form.
void ObjectBinaryToText(Stream& input, Stream& output);

// Resource-format form file -> text form.
void ObjectResourceToText(Stream& input, Stream& output);

// The detecting conversion of a form file whose storage may be unknown. With fmtUnknown it looks
// at the first byte: 0xFF converts a resource and reports fmtBinary; TAB, VT, CR, blank or one of
// I O i o copies the text unchanged and reports fmtText; anything else fails as a resource would.
// A given fmtText copies a text form (and converts a resource); a given fmtBinary copies a
// resource unchanged (and fails on anything else).
void ObjectResourceToText(Stream& input, Stream& output, TStoredFormat& storedFormat);

// Text form -> binary form stream ("TPF0" and the root component).
void ObjectTextToBinary(Stream& input, Stream& output);

// Text form -> resource-format form file, named after the root's class.
void ObjectTextToResource(Stream& input, Stream& output);

// The same two, given the form the text was made from: `original` is a binary form stream at its
// signature, or a resource-format form file at its header. Where the text shows what the original
// holds, it is written as the original has it (integer widths, wide and long strings, float
// bytes, component prefixes, collection indexes, the resource name and flags), so a text that
// was not changed converts to the original's bytes. Values a replacement changed keep the kind
// the original gave them where they still fit it (a wide string stays wide). The original is
// only read; one that does not read, or a text whose structure differs from it from some point
// on, only means that the encodings are chosen as without it from there.
void ObjectTextToBinary(Stream& input, Stream& output, Stream& original);
void ObjectTextToResource(Stream& input, Stream& output, Stream& original);

// The detecting conversion above into memory: the text form in one block of exactly its size
// (a converted form is measured by a first pass that keeps nothing). For a form file whose text
// form is large, memory holds that text once. The input must be able to go back to its position.
std::string readFormText(Stream& input, TStoredFormat& storedFormat);

} // namespace swapwright
