#include "core/engine/report_document.h"

#include "core/base/file_replace.h"
#include "core/base/files.h"
#include "core/base/text.h"
#include "core/engine/rtf_writer.h"

namespace swapwright {

void TReportDocument::clear() {
    m_lines.clear();
    if (m_view != nullptr)
        m_view->reportCleared();
}

void TReportDocument::show() {
    if (m_view != nullptr)
        m_view->reportShowRequested();
}

void TReportDocument::addLine(std::string_view text, const TReportLook& look) {
    m_lines.push_back({std::string(text), look});
    if (m_view != nullptr)
        m_view->reportLineAdded(m_lines.size() - 1);
}

void TReportDocument::saveToFile(const std::string& fileName, const TReportFont& normalFont) const {
    files::writeFileAtomically(fileName, IsRichTextFileName(fileName) ? ReportRichText(m_lines, normalFont)
                                                                      : ReportPlainText(m_lines));
}

bool IsRichTextFileName(std::string_view fileName) noexcept {
    const std::string_view name = files::nameOf(fileName);
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    return text::equalsIgnoreCase(text::trim(name.substr(dot), " ."), "rtf");
}

std::string ReportPlainText(std::span<const TReportLine> lines) {
    std::size_t size = 0;
    for (const auto& line : lines)
        size += line.Text.size() + 2;
    std::string out;
    out.reserve(size);
    for (const auto& line : lines) {
        out += line.Text;
        out += "\r\n";
    }
    return out;
}

} // namespace swapwright
