#include "gui/exception_handler.h"

#include "gui/exception_dialog.h"
#include "gui/exception_information.h"
#include "gui/message_box.h"
#include "gui/text_convert.h"

namespace swapwright::gui {

TWqApplication::TWqApplication(int& argc, char** argv) : QApplication(argc, argv) {
    connect(this, &QCoreApplication::aboutToQuit, this, [this] { m_terminating = true; });
}

TWqApplication* TWqApplication::instance() noexcept { return qobject_cast<TWqApplication*>(QCoreApplication::instance()); }

bool TWqApplication::notify(QObject* receiver, QEvent* event) {
    std::exception_ptr escaped;
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        escaped = std::current_exception();
    }
    // Handled outside the catch block: the handler runs a modal dialog with its own event loop.
    handleException(escaped);
    return false;
}

void TWqApplication::handleException(const std::exception_ptr& exception) noexcept {
    if (!m_handler) {
        showException(exception);
        return;
    }
    try {
        m_handler(exception);
    } catch (...) {
        showException(std::current_exception());
    }
}

void TWqApplication::showException(const std::exception_ptr& exception) noexcept {
    try {
        const TWqExceptionInformation info = exceptionInformation(exception);
        const std::string& text = info.Message.empty() ? info.ExceptionClass : info.Message;
        MessageBox::show(nullptr, MessageSeverity::Error, toDisplayText(text), QMessageBox::Ok);
    } catch (...) {
        // Nothing is left to show it with.
    }
}

TWqExceptionHandlerObj::TWqExceptionHandlerObj(TWqApplication& application, TWqPersistentData* store)
    : m_application(application), m_previous(application.exceptionHandler()), m_store(store) {
    m_application.setExceptionHandler([this](const std::exception_ptr& e) { handleException(e); });
}

TWqExceptionHandlerObj::~TWqExceptionHandlerObj() { m_application.setExceptionHandler(m_previous); }

void TWqExceptionHandlerObj::passOn(const std::exception_ptr& exception) noexcept {
    if (!m_previous) {
        TWqApplication::showException(exception);
        return;
    }
    try {
        m_previous(exception);
    } catch (...) {
        TWqApplication::showException(std::current_exception());
    }
}

void TWqExceptionHandlerObj::handleException(const std::exception_ptr& exception) noexcept {
    if (m_busy || m_application.terminating()) {
        passOn(exception);
        return;
    }
    m_busy = true;
    try {
        TWqExceptionDlg dialog(exception, kLevel, m_store, QApplication::activeWindow());
        dialog.exec();
    } catch (...) {
        // The dialog could not be shown (or closing it failed): the plain display still tells the user.
        m_busy = false;
        passOn(exception);
        return;
    }
    m_busy = false;
}

bool guardedCall(const std::function<void()>& routine) noexcept {
    std::exception_ptr exception;
    try {
        routine();
        return true;
    } catch (...) {
        exception = std::current_exception();
    }
    if (TWqApplication* application = TWqApplication::instance())
        application->handleException(exception);
    else
        TWqApplication::showException(exception);
    return false;
}

void processEventsGuarded() noexcept {
    guardedCall([] { QCoreApplication::processEvents(); });
}

} // namespace swapwright::gui
