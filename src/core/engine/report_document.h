#pragma once

#include "core/engine/run_interfaces.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The report of a run as a document: its lines with their looks, kept until cleared, saved as
// plain text or rich text. The report window shows it; the command line saves it.
namespace swapwright {

struct TReportLine {
    std::string Text; // bytes as the run wrote them, line breaks inside included
    TReportLook Look;
    friend bool operator==(const TReportLine&, const TReportLine&) = default;
};

// The font of the report's normal lines (looks of size 0). 12 pixels at 96 dots per inch.
struct TReportFont {
    std::string Name = "Lucida Console";
    double Size = 9.0; // points
};

// Whoever shows the document hears of every change.
class IReportView {
public:
    virtual ~IReportView() = default;
    virtual void reportCleared() = 0;
    // Line `index` (the last one) was appended.
    virtual void reportLineAdded(std::size_t index) = 0;
    // The run asks for the report to be shown (without waiting for it to be closed).
    virtual void reportShowRequested() = 0;
};

class TReportDocument final : public IReportSink {
public:
    // IReportSink: what the run writes.
    void clear() override;
    void show() override;
    void addLine(std::string_view text, const TReportLook& look) override;

    void setView(IReportView* view) noexcept { m_view = view; }
    const std::vector<TReportLine>& lines() const noexcept { return m_lines; }
    bool empty() const noexcept { return m_lines.empty(); }

    // Saves by the file name's extension: rich text when it is "rtf" (blanks and dots trimmed,
    // any letter case), else plain text. The file is replaced in one step; a failure raises
    // EFCreateError and leaves any old file as it was.
    void saveToFile(const std::string& fileName, const TReportFont& normalFont) const;

private:
    std::vector<TReportLine> m_lines;
    IReportView* m_view = nullptr;
};

// Whether a report saved under this name is rich text.
bool IsRichTextFileName(std::string_view fileName) noexcept;

// Every line's bytes followed by CR LF.
std::string ReportPlainText(std::span<const TReportLine> lines);

} // namespace swapwright
