#pragma once

#include <QApplication>

#include <exception>
#include <functional>
#include <utility>

namespace swapwright {
class TWqPersistentData;
}

// Exceptions never cross Qt's event loop. TWqApplication::notify catches what escapes an event handler,
// a slot or a timer and hands it to the application's exception handler; TWqExceptionHandlerObj is that
// handler for the program and shows the exception dialog. guardedCall() and processEventsGuarded() do
// the same for code that runs outside an event (a run's cooperative yield).
namespace swapwright::gui {

using ExceptionHandler = std::function<void(const std::exception_ptr&)>;

class TWqApplication : public QApplication {
    Q_OBJECT
public:
    TWqApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The handler for exceptions nothing else handled; none: the default display.
    const ExceptionHandler& exceptionHandler() const noexcept { return m_handler; }
    void setExceptionHandler(ExceptionHandler handler) { m_handler = std::move(handler); }

    // Gives the exception to the handler; never throws.
    void handleException(const std::exception_ptr& exception) noexcept;
    // The default display: a message box with the exception's message.
    static void showException(const std::exception_ptr& exception) noexcept;

    // Once the event loop has been told to quit, and while the application is being torn down.
    bool terminating() const noexcept { return m_terminating || QCoreApplication::closingDown(); }

    // The running application when it is one of ours.
    static TWqApplication* instance() noexcept;

private:
    ExceptionHandler m_handler;
    bool m_terminating = false;
};

// The program's exception handler: installs itself in the application (keeping the handler that was
// there) and puts that one back when it is destroyed. An exception shows the exception dialog at level 3;
// a second one while the dialog is up, or one during termination, goes to the kept handler or, without
// one, to the default display.
class TWqExceptionHandlerObj {
public:
    static constexpr int kLevel = 3;

    explicit TWqExceptionHandlerObj(TWqApplication& application, TWqPersistentData* store = nullptr);
    ~TWqExceptionHandlerObj();
    TWqExceptionHandlerObj(const TWqExceptionHandlerObj&) = delete;
    TWqExceptionHandlerObj& operator=(const TWqExceptionHandlerObj&) = delete;

    // Where the dialog keeps its position and size (none: nowhere).
    void setStore(TWqPersistentData* store) noexcept { m_store = store; }
    bool busy() const noexcept { return m_busy; }

    void handleException(const std::exception_ptr& exception) noexcept;

private:
    void passOn(const std::exception_ptr& exception) noexcept;

    TWqApplication& m_application;
    ExceptionHandler m_previous;
    TWqPersistentData* m_store;
    bool m_busy = false;
};

// Runs the routine; what it raises goes to the application's exception handler (or the default display
// when the application is not a TWqApplication). True when the routine returned normally.
bool guardedCall(const std::function<void()>& routine) noexcept;

// A slot that runs the callable through guardedCall, so nothing it raises crosses Qt's code.
template <typename F>
auto guarded(F callable) {
    return [callable = std::move(callable)](auto&&... args) {
        guardedCall([&] { callable(std::forward<decltype(args)>(args)...); });
    };
}

// A slot without arguments that runs the callable through guardedCall (for signals whose arguments
// it does not need).
template <typename F>
auto guardedSlot(F callable) {
    return [callable = std::move(callable)]() { guardedCall(callable); };
}

// Serves pending events; nothing they raise reaches the caller (the yield of a run calls this).
void processEventsGuarded() noexcept;

} // namespace swapwright::gui
