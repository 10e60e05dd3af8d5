// The program's cursor and the wait cursor shown by a thread of its own when the user-interface
// thread has been busy for 300 ms.
#pragma once

#include "app/winutil/Platform.h"

namespace WinUtil {

class CursorManager {
public:
    // The program-wide manager, made on first use by the user-interface thread.
    static CursorManager& Instance();

    // Sets the normal cursor (shown at once unless the wait cursor is up; then after it).
    void SetCursor(HCURSOR cursor);
    // Begins the busy state: the wait cursor appears when it lasts 300 ms (no effect when busy).
    void BeginBusy();
    // Ends the busy state, restores the normal cursor; answers whether the state was on.
    bool EndBusy();
    // Whether the busy state is on.
    bool IsBusy() const;
    // Whether the wait cursor is shown now.
    bool IsWaitCursorShown() const;

    // Ends the busy state while a modal box or loop runs and restores it afterwards.
    class ModalGuard {
    public:
        ModalGuard();
        ModalGuard(const ModalGuard&) = delete;
        ModalGuard& operator=(const ModalGuard&) = delete;
        ~ModalGuard();

    private:
        bool wasBusy_;
    };

    class Impl;
    CursorManager(const CursorManager&) = delete;
    CursorManager& operator=(const CursorManager&) = delete;

private:
    CursorManager();
    ~CursorManager();
    Impl* impl_;
};

} // namespace WinUtil
