#pragma once

#include "core/base/stream.h"
#include "core/formfile/stored_format.h"

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

} // namespace swapwright
