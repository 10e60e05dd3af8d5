#include "text/edit/tests/EditWindow.h"

#include "app/winutil/Input.h"
#include "core/DefaultGrid.h"
#include "core/Selection.h"
#include "core/Transaction.h"
#include "core/UndoHandler.h"
#include "text/Editing.h"
#include "text/edit/TextView.h"
#include "text/win/UniscribeSetup.h"

namespace EditTest {

Core::FactoryRegistry& Registry() {
  static Core::FactoryRegistry registry = [] {
    Core::FactoryRegistry r;
    Note::Factory().ReportTo(r);
    Text::FreeText::Factory().ReportTo(r);
    Text::Anchor::Factory().ReportTo(r);
    TextBlock::Text::Factory().ReportTo(r);
    return r;
  }();
  return registry;
}

namespace {
class CommandDock : public View::CmdHandlerList {
 public:
  explicit CommandDock(View::IDefaultTask& task) {
    Add(std::make_unique<View::StdCreateCmdHandler>(
        task, Dock::kNewFreeText,
        [](Core::Env& env, const zq::Point& p) { return Text::FreeText::Create(env, p); }));
  }
};
}  // namespace

std::unique_ptr<View::ICmdHandlerDock> Dock::CreateDock(View::IDefaultTask& task) {
  return std::make_unique<CommandDock>(task);
}

EditWindow::EditWindow()
    : diagram(std::make_unique<Core::Diagram>(Registry(), nullptr, nullptr, &View::DefaultGrid::Instance())) {
  TextBlock::InstallUniscribeMeasurer();
  TextBlock::RegisterTextViews();
  static WinUtil::WindowClass cls(L"QuorvelEditTestWindow", nullptr, nullptr, CS_DBLCLKS,
                                  reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), LoadCursorW(nullptr, IDC_ARROW));
  hwnd = window.Create(cls, L"Edit test", WS_POPUP | WS_VISIBLE, 0, 0, 0, kW, kH);
  HWND hBar = CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | SBS_HORZ, 0, 0, 10, 10, hwnd, nullptr, nullptr, nullptr);
  HWND vBar = CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | SBS_VERT, 0, 0, 10, 10, hwnd, nullptr, nullptr, nullptr);
  canvas = DrawingKernel::CreateScreenCanvas(hwnd, hBar, vBar);
  mouse_ = std::make_unique<WinUtil::MouseInputControl>(hwnd);
  View::DiagramViewSetup setup;
  setup.canvas = canvas.get();
  setup.commander = &router;
  setup.window = &window;
  setup.mouse = mouse_.get();
  view = std::make_unique<View::DiagramView>(*diagram, setup, &dock);
  view->SetActive(true);
  canvas->ScrollPointTo({0, 6000}, {0, 0});
  SetForegroundWindow(hwnd);
  SetFocus(hwnd);
  UpdateWindow(hwnd);
  Pump();
}

EditWindow::~EditWindow() {
  view.reset();
  canvas.reset();
  window.Destroy();
  Pump();
}

std::shared_ptr<Note> EditWindow::AddNote(const std::wstring& text) {
  Core::Transaction t(*diagram, view.get());
  Core::Env env(t);
  auto note = Note::Factory().CreateTyped(env);
  auto owned = TextBlock::Text::Create(env, *note);
  note->SetText(env, owned.get());
  owned->SetName(env, text);
  diagram->GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
  diagram->UpdateAllViews();
  return note;
}

int EditWindow::InkedPixels(const zq::Rect& r) {
  view->ProcessUpdates();
  canvas->Update();
  UpdateWindow(hwnd);
  const POINT a = At({r.left, r.top}), b = At({r.right, r.bottom});
  HDC dc = GetDC(hwnd);
  int inked = 0;
  for (int y = a.y + 2; y < b.y - 2; ++y)
    for (int x = a.x + 2; x < b.x - 2; ++x) {
      const COLORREF c = GetPixel(dc, x, y);
      if (c != CLR_INVALID && GetRValue(c) + GetGValue(c) + GetBValue(c) < 700) ++inked;
    }
  ReleaseDC(hwnd, dc);
  return inked;
}

POINT EditWindow::At(const zq::Point& p) const {
  const zq::Point c = zq::RoundPoint(canvas->LogicalToClient(zq::float8Point(p)));
  return POINT{c.x, c.y};
}

POINT EditWindow::AtPlace(const TextBlock::Text& text, std::size_t paragraph, std::size_t unit) const {
  zq::Point origin;
  text.GetTextOwner()->GetTextOrigin(origin);
  const TextBlock::CaretPlace caret = TextBlock::PlaceCaret(*text.GetLayout(), {paragraph, unit});
  return At(zq::RoundPoint({origin.x + caret.x, origin.y - caret.top - caret.height / 2}));
}

void EditWindow::Post(UINT message, WPARAM wParam, LPARAM lParam) {
  PostMessageW(hwnd, message, wParam, lParam);
  Pump();
}

void EditWindow::Type(std::u16string_view units) {
  for (char16_t u : units) PostMessageW(hwnd, WM_CHAR, u, 1);
  Pump();
}

void EditWindow::Key(UINT key, bool shift, bool ctrl) {
  BYTE state[256];
  GetKeyboardState(state);
  state[VK_SHIFT] = shift ? 0x80 : 0;
  state[VK_CONTROL] = ctrl ? 0x80 : 0;
  SetKeyboardState(state);
  PostMessageW(hwnd, WM_KEYDOWN, key, 1);
  PostMessageW(hwnd, WM_KEYUP, key, 0xC0000001);
  Pump();
  state[VK_SHIFT] = state[VK_CONTROL] = 0;
  SetKeyboardState(state);
}

void EditWindow::DoubleClick(POINT client) {
  const LPARAM at = MAKELPARAM(client.x, client.y);
  PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(hwnd, WM_LBUTTONUP, 0, at);
  PostMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  PostMessageW(hwnd, WM_LBUTTONUP, 0, at);
  Pump();
}

void EditWindow::Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void EditWindow::Undo() {
  {
    Core::SelectionTracker tracker(view.get());
    diagram->GetUndoHandler().Undo(view.get(), &tracker);
  }
  diagram->UpdateAllViews();
}

void EditWindow::Redo() {
  {
    Core::SelectionTracker tracker(view.get());
    diagram->GetUndoHandler().Redo(view.get(), &tracker);
  }
  diagram->UpdateAllViews();
}

std::vector<Core::IModelElement*> EditWindow::Selection() const {
  std::vector<Core::IModelElement*> out;
  const Core::ModelElementSet selection = view->GetSelection();
  for (const auto& e : selection.Elements()) out.push_back(e.get());
  return out;
}

DWORD RunClipboardPeer(const std::wstring& arguments) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  path = path.substr(0, path.find_last_of(L"\\/") + 1) + TEXT(QUORVEL_CLIPBOARD_PEER);
  std::wstring command = L"\"" + path + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return DWORD(-1);
  WaitForSingleObject(process.hProcess, 30000);
  DWORD code = DWORD(-1);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

}  // namespace EditTest
