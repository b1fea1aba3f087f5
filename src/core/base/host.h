#pragma once

#include <string_view>

// What the core asks of whoever shows it: a yes/no question and a cooperative yield.
// The GUI answers with message boxes and its event loop, the CLI with the terminal,
// tests with recorders.
namespace swapwright {

enum class MessageSeverity { Information, Confirm, Warning, Error };

class IQuestion {
public:
    virtual ~IQuestion() = default;
    // Shows the text with the buttons Yes and No; true for Yes.
    virtual bool askYesNo(MessageSeverity severity, std::string_view text) = 0;
};

class IYield {
public:
    virtual ~IYield() = default;
    // Lets the front end serve pending events (repaint, cancel button, ...).
    virtual void processPendingMessages() = 0;
};

} // namespace swapwright
