#pragma once

#include "core/base/host.h"

#include <cstdint>
#include <string_view>

// The receivers a run talks to. The run never knows whether a window, a terminal or a test
// recorder stands behind them.
namespace swapwright {

struct TReportColor {
    std::uint8_t Red = 0, Green = 0, Blue = 0;
    friend bool operator==(const TReportColor&, const TReportColor&) = default;
};

// The looks of report lines: colour, size (0 = the report's normal size) and weight.
struct TReportLook {
    TReportColor Color;
    int Size = 0;
    bool Bold = false;
    friend bool operator==(const TReportLook&, const TReportLook&) = default;
};
inline constexpr TReportLook kLookPlain{{0, 0, 0}, 0, false};
inline constexpr TReportLook kLookHeading{{0, 0, 128}, 10, true};
inline constexpr TReportLook kLookFileDetail{{0, 0, 128}, 0, false};
inline constexpr TReportLook kLookError{{255, 0, 0}, 0, false};

// The report window: lines are appended, never dropped.
class IReportSink {
public:
    virtual ~IReportSink() = default;
    virtual void clear() = 0;
    virtual void show() = 0;
    virtual void addLine(std::string_view text, const TReportLook& look) = 0;
};

// The progress window of a run: one item per file, a range and position per item, a cancel state.
class IProgressSink {
public:
    virtual ~IProgressSink() = default;
    virtual void setItem(int index, std::string_view text) = 0;
    virtual void setItemRange(std::int64_t minimum, std::int64_t maximum, std::int64_t position) = 0;
    virtual void setPosition(std::int64_t position) = 0;
    virtual void setResolution(int resolution) = 0;
    virtual bool canceled() const = 0;
};

// The grid's "Sum" column, written with the running count of a definition's row.
class ISumCells {
public:
    virtual ~ISumCells() = default;
    // Whether the row still lies within the grid's definition rows (the grid may change meanwhile).
    virtual bool isDefinitionRow(int row) const = 0;
    virtual void setSum(int row, std::string_view text) = 0;
};

} // namespace swapwright
