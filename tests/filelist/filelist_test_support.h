#pragma once

#include "core/base/host.h"

#include <deque>
#include <string>

namespace swapwright::test {

// Answers Yes/No questions from a script (Yes when the script is used up) and counts them.
class ScriptedQuestion final : public IQuestion {
public:
    std::deque<bool> answers;
    int asked = 0;
    std::string lastText;
    MessageSeverity lastSeverity = MessageSeverity::Information;
    bool askYesNo(MessageSeverity severity, std::string_view text) override {
        ++asked;
        lastText = text;
        lastSeverity = severity;
        if (answers.empty())
            return true;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
};

class CountingYield final : public IYield {
public:
    int count = 0;
    void processPendingMessages() override { ++count; }
};

} // namespace swapwright::test
