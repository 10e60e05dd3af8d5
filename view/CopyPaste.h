// The Edit commands of a view's default task: Cut, Copy, Paste, Delete and Select All, and the
// Delete key. Every change is one undo step of the default task's pending change.
#pragma once

#include "app/Clipboard.h"
#include "app/DragData.h"
#include "view/CmdHandler.h"

#include <functional>
#include <memory>
#include <string>

namespace View {

// Command ids of the Edit menu.
inline constexpr UINT kCmdCut = 40012;
inline constexpr UINT kCmdCopy = 40013;
inline constexpr UINT kCmdPaste = 40014;
inline constexpr UINT kCmdDelete = 40015;
inline constexpr UINT kCmdSelectAll = 40016;

class DefaultTaskCopyPaste : public ICmdHandler, private Application::IClipboardObserver {
public:
    // Shows a paste error (caption, text); replaces the message box, for tests (empty: the box).
    using MessageSink = std::function<void(const std::wstring& caption, const std::wstring& text)>;
    static void SetMessageSink(MessageSink sink);

    // Binds the five commands, watches the clipboard and reads its state.
    explicit DefaultTaskCopyPaste(IDefaultTask& task);
    ~DefaultTaskCopyPaste() override;

    // Enables the commands from the selection, the view's activity and the clipboard's contents.
    void UpdateCommands() override;
    // Reads whether the clipboard holds a transfer set or text.
    void UpdateClipboardState();
    // The Delete key deletes the selection; every key updates the cursor.
    void OnKeyDown(WinMessage::KeyMsg& msg);
    void OnKeyUp(WinMessage::KeyMsg& msg);

    void OnCut(const Application::CommandMsg&);
    void OnCopy(const Application::CommandMsg&);
    void OnPaste(const Application::CommandMsg&);
    void OnDelete(const Application::CommandMsg&);
    void OnSelectAll(const Application::CommandMsg&);

private:
    void ClipboardChanged() override;
    // No sub-task runs and the document may be changed (also what the Delete key asks).
    bool MayChange() const;
    void Copy();
    void DeleteSnapshot();
    void Paste();
    void PasteTransferSet();
    void PlacePasted(Core::Env& env, const Core::ModelElementSet& pasted);
    void ShowError(const std::wstring& detail, bool malformed);

    Application::IClipboard* clipboard_;
    Application::ClipboardViewer* viewer_;
    bool acceptable_ = false;  // the clipboard holds data the format handler accepts
    bool text_ = false;        // the clipboard holds text
    std::unique_ptr<Application::DragData> copied_;  // the data object of the last copy
};

} // namespace View
