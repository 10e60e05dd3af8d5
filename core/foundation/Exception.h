// The base of the system's own exceptions: a narrow (UTF-8) message and the flag that marks it
// as already shown to the user, so that outer handlers do not report it twice.
#pragma once

#include <exception>
#include <string>

namespace zq {

class Exception : public std::exception {
public:
    // An exception with a UTF-8 message.
    explicit Exception(std::string message) : message_(std::move(message)) {}
    // The UTF-8 message.
    const char* what() const noexcept override { return message_.c_str(); }
    // The message as a string.
    const std::string& Message() const noexcept { return message_; }
    // Whether the exception has already been shown to the user.
    bool IsShown() const noexcept { return shown_; }
    // Marks the exception as shown; handlers further out then stay silent.
    void MarkShown() const noexcept { shown_ = true; }

protected:
    // Replaces the message (an error that learns where it belongs).
    void SetMessage(std::string message) { message_ = std::move(message); }

private:
    std::string message_;
    mutable bool shown_ = false;
};

} // namespace zq
