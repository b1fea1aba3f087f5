#pragma once

#include "core/engine/report_document.h"

#include <span>
#include <string>
#include <string_view>

// The report as a rich text (RTF 1.x) document.
namespace swapwright {

// One paragraph per line in the line's colour, size (0: the normal font's size) and weight,
// all in the normal font. The document declares code page 1252, and every byte above 0x7F is
// written as an \'hh escape of that very byte, so the file keeps the report's bytes exactly.
// Tabs become \tab; a line break inside a line (CR LF, CR or LF) becomes \line, so the line
// stays one paragraph with one look.
std::string ReportRichText(std::span<const TReportLine> lines, const TReportFont& normalFont);

// The bytes of a text as RTF text: \ { } escaped, tabs and line breaks as above, bytes below
// 0x20 and above 0x7F as \'hh. A blank after a blank is set off by an empty group, since some
// readers turn runs of plain blanks into other spacing characters.
std::string RtfEscapedText(std::string_view text);

} // namespace swapwright
