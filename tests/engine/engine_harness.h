#pragma once

#include "core/base/exceptions.h"
#include "core/engine/substitution.h"
#include "engine/reference_replace.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

// Runs one pass through a chosen engine configuration and collects what it produced, in the
// same shape as the reference's result, so tests can run against every configuration alike.
namespace swapwright::test {

enum class EngineKind { Reference, Portable, Simd, PortableTinySteps, SimdTinySteps };

inline const char* engineName(EngineKind k) {
    switch (k) {
    case EngineKind::Reference: return "Reference";
    case EngineKind::Portable: return "Portable";
    case EngineKind::Simd: return "Simd";
    case EngineKind::PortableTinySteps: return "PortableTinySteps";
    case EngineKind::SimdTinySteps: return "SimdTinySteps";
    }
    return "?";
}

inline const std::vector<EngineKind> kAllEngines = {EngineKind::Reference, EngineKind::Portable, EngineKind::Simd,
                                                     EngineKind::PortableTinySteps, EngineKind::SimdTinySteps};

struct CollectingReport final : IReportSink {
    std::vector<std::string> lines;
    std::vector<TReportLook> looks;
    void clear() override { lines.clear(); }
    void show() override {}
    void addLine(std::string_view text, const TReportLook& look) override {
        lines.emplace_back(text);
        looks.push_back(look);
    }
};

inline PassOptions optionsFor(EngineKind kind) {
    PassOptions o;
    o.yieldInterval = std::chrono::nanoseconds(0);
    switch (kind) {
    case EngineKind::Portable: o.scan = CandidateScan::Portable; break;
    case EngineKind::Simd: o.scan = CandidateScan::Simd; break;
    case EngineKind::PortableTinySteps:
        o.scan = CandidateScan::Portable;
        o.bytesPerCheck = 1;
        o.testsPerCheck = 1;
        break;
    case EngineKind::SimdTinySteps:
        o.scan = CandidateScan::Simd;
        o.bytesPerCheck = 3;
        o.testsPerCheck = 2;
        break;
    case EngineKind::Reference: break;
    }
    return o;
}

// A copy of the bytes in a heap block of exactly their size, so the address sanitizer sees
// any read behind the end (a std::string would hide one byte behind its terminator).
class ExactBuffer {
public:
    explicit ExactBuffer(std::string_view bytes)
        : m_size(bytes.size()), m_data(bytes.empty() ? nullptr : new char[bytes.size()]) {
        if (m_size)
            std::memcpy(m_data.get(), bytes.data(), m_size);
    }
    std::string_view view() const { return {m_data.get(), m_size}; }

private:
    std::size_t m_size;
    std::unique_ptr<char[]> m_data;
};

// One pass; the run's Counts in `definitions` grow as the engine makes them.
inline ReferenceResult runEngine(EngineKind kind, const std::string& source, TStrLenPrefix prefix,
                                 std::vector<TFindReplace>& definitions, const PassOptions* options = nullptr) {
    if (kind == EngineKind::Reference)
        return ReferenceReplace(source, prefix, definitions);
    ReferenceResult r;
    StringSink sink;
    CollectingReport report;
    PassReceivers receivers;
    receivers.report = &report;
    const PassOptions o = options ? *options : optionsFor(kind);
    std::vector<std::int32_t> before;
    for (const auto& d : definitions)
        before.push_back(d.Count);
    try {
        const ExactBuffer exact(source);
        ReplaceInStream(exact.view(), sink, prefix, definitions, receivers, o);
    } catch (const Exception& e) {
        r.failed = true;
        r.errorClass = e.className();
        r.errorMessage = e.message();
    }
    r.output = sink.bytes();
    r.reportLines = report.lines;
    // Without a grid every row counts, so the run's growth is this file's count.
    for (std::size_t i = 0; i < definitions.size(); ++i)
        r.fileCounts.push_back(definitions[i].Count - before[i]);
    return r;
}

} // namespace swapwright::test
