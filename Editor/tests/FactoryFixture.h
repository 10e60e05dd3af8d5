// An in-process document factory with its lifetime tree, whose open failures are collected and
// whose documents are closed again after each test; and a reader of saved diagram files.
#pragma once

#include "Editor/DiagramFactory.h"
#include "Editor/ElementFactories.h"
#include "Editor/StorageHolder.h"
#include "Editor/tests/EditorWindows.h"
#include "core/DefaultGrid.h"
#include "core/Transaction.h"
#include "core/tests/TestKinds.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace EditorTest {

struct TestApp : Application::IApplication {
    WinUtil::MessageLoop& GetMessageLoop() override { throw std::logic_error("no loop"); }
    Application::LifeTimeSupervisor& GetLifeTimeSupervisor() override { throw std::logic_error("no tree"); }
    HINSTANCE GetInstance() const override { return GetModuleHandleW(nullptr); }
};

struct NoCollect : Application::LifeTimeSupervisor::IScheduler {
    void ScheduleCollect(Application::LifeTimeSupervisor&) override {}
};

struct FactoryFixture : ::testing::Test {
    TestApp app;
    NoCollect keep;
    std::unique_ptr<Application::LifeTimeSupervisor> root = Application::LifeTimeSupervisor::CreateRoot(&keep);
    Application::Clipboard clipboard;
    std::unique_ptr<Editor::DiagramFactory> factory = std::make_unique<Editor::DiagramFactory>(app, *root, clipboard);
    std::vector<std::wstring> reports;
    TempFolder folder{L"QvFactory"};

    FactoryFixture() {
        factory->SetReporter([this](const std::wstring& text) { reports.push_back(text); });
    }
    ~FactoryFixture() override {
        Editor::Diagram::SetSaveQuestion({});
        factory->Shutdown();
        root->Collect();
        factory.reset();
    }
    bool IsOpen(const Editor::Diagram* d) {
        return !factory->ForEachDocument([&](Application::IDocument& doc) { return &doc != d; });
    }
    static void Modify(Editor::Diagram& d) {
        Core::Transaction t(d.GetModel());
        Core::Env env(t);
        TestKinds::Box::Factory().CreateTyped(env);
        d.GetModel().GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
};

// A document file read into a model of the editor's element kinds.
struct ReadBack {
    Core::FactoryRegistry registry;
    std::unique_ptr<Core::Diagram> model;
    std::unique_ptr<Editor::StorageHolder> storage;
    unsigned warnings = 0;  // the read flags: skipped elements, newer version
    explicit ReadBack(const std::wstring& path) {
        Editor::RegisterElementFactories(registry);
        model = std::make_unique<Core::Diagram>(registry, nullptr, nullptr, &View::DefaultGrid::Instance());
        storage = std::make_unique<Editor::StorageHolder>(*model, Editor::SystemFileIo(),
                                                          [this](unsigned flags) { warnings |= flags; });
        storage->Open(path, true);
    }
};

} // namespace EditorTest
