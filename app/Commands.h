// Command routing: bindings of command ids to handlers, the per-window router and the views
// (menu items, toolbar buttons) that show a command's enabled and check state.
#pragma once

#include "app/winmessage/WinMsgPlug.h"
#include "app/winutil/Platform.h"

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace Application {

class IWinCommander;

// The contents of one WM_COMMAND message.
struct CommandMsg {
    UINT id = 0;            // command id (LOWORD of wParam)
    UINT code = 0;          // notification code (HIWORD of wParam): 0 menu, 1 accelerator
    HWND control = nullptr; // the sending control, if any
};

// Check states of a command.
enum CheckState : int { Unchecked = 0, Checked = 1, RadioChecked = 2 };

// The binding of one command id to a handler; created enabled, detached from its router when destroyed.
class IWinCmdPlug {
public:
    // A binding for the command id, not yet attached.
    explicit IWinCmdPlug(UINT id) : id_(id) {}
    IWinCmdPlug(const IWinCmdPlug&) = delete;
    IWinCmdPlug& operator=(const IWinCmdPlug&) = delete;
    // Detaches the binding from its router.
    virtual ~IWinCmdPlug();
    // Asked before execution; the command runs only when every enabled binding agrees.
    virtual bool CanExecute(const CommandMsg&) { return true; }
    // Runs the handler.
    virtual void Execute(const CommandMsg& msg) = 0;

    // The command id.
    UINT GetId() const { return id_; }
    // Whether the binding is enabled.
    bool IsEnabled() const { return enabled_; }
    // Sets the enabled flag; on a change an attached binding tells its router.
    void SetEnabled(bool enabled);
    // The router the binding is attached to (null until attached).
    IWinCommander* GetCommander() const { return commander_; }
    // The handler told of exceptions leaving Execute (may be null).
    WinMessage::IExceptionHandler* GetExceptionHandler() const { return exceptionHandler_; }
    void SetExceptionHandler(WinMessage::IExceptionHandler* handler) { exceptionHandler_ = handler; }

private:
    friend class CommandRouter;
    UINT id_;
    bool enabled_ = true;
    IWinCommander* commander_ = nullptr;
    WinMessage::IExceptionHandler* exceptionHandler_ = nullptr;
};

// A binding to a member function of its owner.
template <class T>
class WinCmdPlug : public IWinCmdPlug {
public:
    using Handler = void (T::*)(const CommandMsg&);
    // Binds the command id to owner->*handler.
    WinCmdPlug(UINT id, T* owner, Handler handler) : IWinCmdPlug(id), owner_(owner), handler_(handler) {}
    void Execute(const CommandMsg& msg) override { (owner_->*handler_)(msg); }

private:
    T* owner_;
    Handler handler_;
};

// A binding to a callable, with an optional veto.
class FunctionCmdPlug : public IWinCmdPlug {
public:
    // Binds the command id to the callable; canExecute (when given) may veto.
    FunctionCmdPlug(UINT id, std::function<void(const CommandMsg&)> execute,
                    std::function<bool(const CommandMsg&)> canExecute = {})
        : IWinCmdPlug(id), execute_(std::move(execute)), canExecute_(std::move(canExecute)) {}
    bool CanExecute(const CommandMsg& msg) override { return canExecute_ ? canExecute_(msg) : true; }
    void Execute(const CommandMsg& msg) override { if (execute_) execute_(msg); }

private:
    std::function<void(const CommandMsg&)> execute_;
    std::function<bool(const CommandMsg&)> canExecute_;
};

// Something that shows a command: a menu item or a toolbar button.
class IWinCmdView {
public:
    virtual ~IWinCmdView() = default;
    // Called with the command's state whenever it changes (and once when the view is added).
    virtual void Update(bool enabled, int checkState) = 0;
};

// The per-window command router.
class IWinCommander {
public:
    virtual ~IWinCommander() = default;
    // Attaches a binding (detaching it from any other router first).
    virtual void AddPlug(IWinCmdPlug& plug) = 0;
    // Detaches a binding; during a command it leaves the list only afterwards.
    virtual void RemovePlug(IWinCmdPlug& plug) = 0;
    // Told that an attached binding's enabled flag changed.
    virtual void PlugChanged(IWinCmdPlug& plug) = 0;
    // Adds a view of a command; it is updated at once.
    virtual void AddView(UINT id, IWinCmdView& view) = 0;
    // Removes a view of a command.
    virtual void RemoveView(UINT id, IWinCmdView& view) = 0;
    // Sets the check state (0, 1 or 2) and passes it to the command's views.
    virtual void SetCheckState(UINT id, int state) = 0;
    // Whether any binding of the command is enabled.
    virtual bool IsEnabled(UINT id) const = 0;
    // The command's check state.
    virtual int GetCheckState(UINT id) const = 0;
    // Runs a command: every enabled binding is asked, and only when all agree do they all execute.
    // Answers whether the command ran.
    virtual bool Execute(const CommandMsg& msg) = 0;
    // The window the router serves (null for a router without a window).
    virtual HWND GetWindow() const = 0;
};

// The router's bookkeeping, without a window; WinCommander puts it on a window's WM_COMMAND.
class CommandRouter : public IWinCommander {
public:
    CommandRouter() = default;
    CommandRouter(const CommandRouter&) = delete;
    CommandRouter& operator=(const CommandRouter&) = delete;
    // Detaches every binding still attached.
    ~CommandRouter() override;

    void AddPlug(IWinCmdPlug& plug) override;
    void RemovePlug(IWinCmdPlug& plug) override;
    void PlugChanged(IWinCmdPlug& plug) override;
    void AddView(UINT id, IWinCmdView& view) override;
    void RemoveView(UINT id, IWinCmdView& view) override;
    void SetCheckState(UINT id, int state) override;
    bool IsEnabled(UINT id) const override;
    int GetCheckState(UINT id) const override;
    bool Execute(const CommandMsg& msg) override;
    HWND GetWindow() const override { return nullptr; }

private:
    struct Command {
        std::vector<IWinCmdPlug*> plugs;  // null slots are removals deferred during a command
        std::vector<IWinCmdView*> views;
        bool enabled = false;
        int checkState = Unchecked;
    };
    void Recompute(UINT id, Command& command, bool force);
    void Compact();

    std::map<UINT, Command> commands_;
    int executing_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The bindings of one owner (a command handler or a dialog) on one router, kept by command id.
class WinCmdPlugSet {
public:
    // Bindings attach to the router; exceptions leaving them are told to the handler (may be null).
    explicit WinCmdPlugSet(IWinCommander& commander, WinMessage::IExceptionHandler* handler = nullptr)
        : commander_(commander), handler_(handler) {}
    WinCmdPlugSet(const WinCmdPlugSet&) = delete;
    WinCmdPlugSet& operator=(const WinCmdPlugSet&) = delete;
    // Destroys (and so detaches) every binding.
    ~WinCmdPlugSet();

    // Adds and attaches a binding; a second binding for an id already present is destroyed.
    // Answers whether it was added.
    bool Add(std::unique_ptr<IWinCmdPlug> plug);
    // Adds a binding of the id to a callable.
    bool Add(UINT id, std::function<void(const CommandMsg&)> handler);
    // Adds a binding of the id to a member function of owner.
    template <class T>
    bool Add(UINT id, T* owner, void (T::*handler)(const CommandMsg&)) {
        return Add(std::make_unique<WinCmdPlug<T>>(id, owner, handler));
    }
    // Removes (destroys) the binding of the id; false when there is none.
    bool Remove(UINT id);
    // Sets the enabled flag of the set's binding for the id.
    void Enable(UINT id, bool enabled);
    // Hands the check state (0, 1 or 2) to the router.
    void SetCheckState(UINT id, int state);
    // The set's binding for the id (null when none).
    IWinCmdPlug* Find(UINT id) const;
    // The router.
    IWinCommander& GetCommander() const { return commander_; }

private:
    IWinCommander& commander_;
    WinMessage::IExceptionHandler* handler_;
    std::map<UINT, std::unique_ptr<IWinCmdPlug>> plugs_;
};

// Shows a command in a menu item (by command id): greyed when disabled, check or radio mark.
class MenuItemView : public IWinCmdView {
public:
    // The item with the command id in the menu.
    MenuItemView(HMENU menu, UINT id) : menu_(menu), id_(id) {}
    void Update(bool enabled, int checkState) override;

private:
    HMENU menu_;
    UINT id_;
};

// Shows a command in a toolbar button: enabled or disabled, pressed when checked.
class ToolbarButtonView : public IWinCmdView {
public:
    // The button with the command id in the toolbar control.
    ToolbarButtonView(HWND toolbar, UINT id) : toolbar_(toolbar), id_(id) {}
    void Update(bool enabled, int checkState) override;

private:
    HWND toolbar_;
    UINT id_;
};

// Views for every command item of a menu and its submenus on one router; removed with the object.
class MenuViews {
public:
    // Adds a view for every item with a command id (submenus included).
    MenuViews(IWinCommander& commander, HMENU menu);
    MenuViews(const MenuViews&) = delete;
    MenuViews& operator=(const MenuViews&) = delete;
    ~MenuViews();

private:
    void Collect(HMENU menu, int depth);
    IWinCommander& commander_;
    std::vector<std::pair<UINT, std::unique_ptr<MenuItemView>>> views_;
};

} // namespace Application
