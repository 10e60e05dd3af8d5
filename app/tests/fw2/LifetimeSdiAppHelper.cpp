// A small application on ISdiApp: one empty window per command-line document (a new one when
// none is named); it ends when the last window closes.
#include "app/SdiApp.h"
#include "app/winutil/Window.h"

#include <memory>

using namespace Application;

namespace {

class EmptyWindow : public IDocumentWindow {
public:
    EmptyWindow(IDocument& document, LifeTimeSupervisor& node) : IDocumentWindow(document, node) {}
    void Open() {
        static WinUtil::WindowClass cls(L"Quorvel.SdiTestWindow", nullptr, nullptr, 0,
                                        reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), LoadCursorW(nullptr, IDC_ARROW));
        std::wstring title = L"Quorvel SDI Test - " + GetDocument().GetName();
        Create(cls, title.c_str(), WS_OVERLAPPEDWINDOW, 0, CW_USEDEFAULT, CW_USEDEFAULT, 320, 200);
    }
};

class Factory;

class EmptyDocument : public IDocument {
public:
    EmptyDocument(Factory& factory, IApplication& app, LifeTimeSupervisor& node, std::wstring name);
    ~EmptyDocument() override;

protected:
    IDocumentWindow* CreateDocumentWindow(NewWindowDefaultsProvider*) override {
        LifeTimeSupervisor& node = GetNode().CreateChild();
        auto window = std::make_unique<EmptyWindow>(*this, node);
        EmptyWindow* raw = window.get();
        node.SetClient(std::move(window));
        raw->Open();
        return raw;
    }

private:
    Factory& factory_;
};

class Factory : public IDocumentFactory, public CommandLine::IReceiver {
public:
    using IDocumentFactory::IDocumentFactory;
    void Receive(const std::wstring&, const std::wstring& commandLine) override {
        std::vector<std::wstring> names = CommandLine::SplitArguments(commandLine);
        if (names.empty()) names.push_back(L"Untitled");
        for (const std::wstring& name : names) {
            LifeTimeSupervisor& node = GetNode().CreateChild();
            auto document = std::make_unique<EmptyDocument>(*this, GetApplication(), node, name);
            EmptyDocument* raw = document.get();
            node.SetClient(std::move(document));
            AddDocument(*raw);
            raw->BringToFront(SW_SHOWNORMAL);
        }
    }
};

EmptyDocument::EmptyDocument(Factory& factory, IApplication& app, LifeTimeSupervisor& node, std::wstring name)
    : IDocument(app, node, std::move(name)), factory_(factory) {}

EmptyDocument::~EmptyDocument() { factory_.RemoveDocument(*this); }

class App : public ISdiApp {
protected:
    std::unique_ptr<IDocumentFactory> GetDocumentFactory(LifeTimeSupervisor& root) override {
        return std::make_unique<Factory>(*this, root);
    }
};

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    App app;
    wchar_t directory[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, directory);
    return app.Run(directory, commandLine ? commandLine : L"");
}
