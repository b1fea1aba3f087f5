#pragma once

#include "core/base/host.h"
#include "core/engine/run_interfaces.h"

#include <deque>
#include <string>
#include <vector>

namespace swapwright::test {

// Keeps every report line with its look.
class RecordingReport final : public IReportSink {
public:
    struct Line {
        std::string text;
        TReportLook look;
    };
    std::vector<Line> lines;
    int clears = 0, shows = 0;

    void clear() override {
        ++clears;
        lines.clear();
    }
    void show() override { ++shows; }
    void addLine(std::string_view text, const TReportLook& look) override { lines.push_back({std::string(text), look}); }

    std::vector<std::string> texts() const {
        std::vector<std::string> r;
        for (const auto& l : lines)
            r.push_back(l.text);
        return r;
    }
};

// Answers questions from a queue (No when it runs dry) and keeps what was asked.
class ScriptedQuestion final : public IQuestion {
public:
    std::deque<bool> answers;
    std::vector<std::string> asked;
    bool askYesNo(MessageSeverity, std::string_view text) override {
        asked.emplace_back(text);
        if (answers.empty())
            return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
};

} // namespace swapwright::test
