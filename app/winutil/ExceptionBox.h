// The error box: shows error reports from a thread of its own, system-modal and topmost,
// so that a report appears even while the user-interface thread cannot pump messages.
#pragma once

#include <functional>
#include <string>

namespace WinUtil {

class ExceptionBox {
public:
    // Receives a report instead of the box (caption, text); used by tests and tools.
    using Sink = std::function<void(const std::wstring& caption, const std::wstring& text)>;

    // Sets the caption of every later box (the application sets it from its string table).
    static void SetCaption(const std::wstring& caption);
    // The current caption; "Quorvel UML Editor: Unhandled Exception Error" until set.
    static std::wstring GetCaption();
    // Shows text in the error box and waits until the user closes it; reports are serialised.
    static void Show(const std::wstring& text);
    // Replaces the box by a sink (an empty sink restores the box); answers the previous sink.
    static Sink SetSink(Sink sink);
};

} // namespace WinUtil
