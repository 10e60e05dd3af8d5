#pragma once
// A window with a screen canvas and a diagram view for the editing tests, with helpers that post
// input and pump it through the message loop as the program's own loop would.
#include <memory>
#include <string>
#include <vector>

#include "app/Commands.h"
#include "app/winutil/Window.h"
#include "core/Diagram.h"
#include "drawing/DrawingKernel.h"
#include "text/edit/tests/EditKinds.h"
#include "view/CmdHandler.h"
#include "view/DefaultTask.h"

namespace EditTest {

// The factories of the editing tests.
Core::FactoryRegistry& Registry();

// The dock of the test views: the background's free-text command.
class Dock : public View::ICmdHandlerDockCreator {
 public:
  static constexpr UINT kNewFreeText = 40117;
  std::unique_ptr<View::ICmdHandlerDock> CreateDock(View::IDefaultTask& task) override;
};

class EditWindow {
 public:
  static constexpr int kW = 800, kH = 600;
  EditWindow();
  ~EditWindow();

  // Adds a note with the text as one undo step.
  std::shared_ptr<Note> AddNote(const std::wstring& text = std::wstring());
  // The client pixel of a model point.
  POINT At(const zq::Point& p) const;
  // The client pixel of a place in the text (the caret's middle there).
  POINT AtPlace(const TextBlock::Text& text, std::size_t paragraph, std::size_t unit) const;
  // Posts the message and processes everything waiting.
  void Post(UINT message, WPARAM wParam, LPARAM lParam = 1);
  // Posts WM_CHAR for each unit.
  void Type(std::u16string_view units);
  // Posts a key down and up, with Shift and Ctrl held in the thread's key state while it is handled.
  void Key(UINT key, bool shift = false, bool ctrl = false);
  // Posts a double click at the client point.
  void DoubleClick(POINT client);
  // Processes the waiting messages.
  void Pump();
  // Pixels of the window that are not white inside the model rectangle, two pixels off its edges
  // (where the selection marks lie); after the view and the window are brought up to date.
  int InkedPixels(const zq::Rect& r);
  void Undo();
  void Redo();
  View::DefaultTask& Task() const { return dynamic_cast<View::DefaultTask&>(view->GetTaskHost()); }
  bool Editing() const { return Task().IsBusy(); }
  std::vector<Core::IModelElement*> Selection() const;

  std::unique_ptr<Core::Diagram> diagram;
  WinUtil::Window window;
  HWND hwnd = nullptr;
  std::unique_ptr<ICanvas::IScreenCanvas> canvas;
  Application::CommandRouter router;
  Dock dock;
  std::unique_ptr<View::DiagramView> view;

 private:
  std::unique_ptr<WinUtil::MouseInputControl> mouse_;
};

// Runs the clipboard peer program with the arguments; answers its exit code.
DWORD RunClipboardPeer(const std::wstring& arguments);

}  // namespace EditTest
