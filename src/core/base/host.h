#pragma once

#include <string_view>

// What the core asks of whoever shows it: a yes/no question, a cooperative yield and the wait
// cursor.
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

// The wait cursor during long work: show() and restore() come in pairs, also when the work fails.
class IWaitCursor {
public:
    virtual ~IWaitCursor() = default;
    virtual void show() = 0;
    // Back to the cursor that was there before show().
    virtual void restore() = 0;
};

} // namespace swapwright
