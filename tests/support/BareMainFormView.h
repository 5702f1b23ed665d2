#pragma once

// A main-window view that only hosts the documents' editors headless and keeps the tabs'
// captions: for tests of the model's rules that need real editors but look at no row or panel.

#include "app/MainFormModel.h"
#include "backends/headless/HeadlessHost.h"
#include "editor/QuillEdit.h"

#include <memory>
#include <vector>

namespace quillan::testutil {

class TBareMainFormView : public IMainFormView {
public:
    void AddDocumentTab(TQuillEdit& edit, const std::string& caption, int) override
    {
        Hosts.push_back(std::make_unique<THeadlessHost>());
        edit.SetHost(Hosts.back().get());
        Editors.push_back(&edit);
        Captions.push_back(caption);
    }
    void RemoveDocumentTab(int slot) override
    {
        Editors.at(slot)->SetHost(nullptr);
        Editors.erase(Editors.begin() + slot);
        Hosts.erase(Hosts.begin() + slot);
        Captions.erase(Captions.begin() + slot);
    }
    void SetTabCaption(int slot, const std::string& caption) override { Captions.at(slot) = caption; }
    void SetTabImage(int, int) override { }
    void ActivateTab(int) override { }
    void AddListRow(const std::string&, int) override { }
    void RemoveListRow(int) override { }
    void SetListRowCaption(int, const std::string&) override { }
    void SetListRowImage(int, int) override { }
    void SelectListRow(int) override { }
    void StatusBarChanged() override { }

    std::vector<std::unique_ptr<THeadlessHost>> Hosts;
    std::vector<TQuillEdit*> Editors;
    std::vector<std::string> Captions;
};

} // namespace quillan::testutil
