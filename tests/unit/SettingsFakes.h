// A fake editor dialog and its factory, and a main window fixture that opens
// it. The dialog lives only while the opening runs, so the factory records
// what each dialog showed when it was shown, and a test acts on the open
// dialog through `whileShown`.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/Settings.h"
#include "unit/Fakes.h"

namespace sw::test {

class FakePictureBox final : public FakeControl<PictureBox> {};

// What the dialog held at the moment it was shown.
struct ShownDialog {
    std::string caption;
    std::string description;
    std::string regName;
    std::string image;
    int startItem = -1;
    bool caretAtEnd = false;
    int descriptionHeight = 0;
    bool imageRowVisible = false;
    std::string focus;
};

class FakeSettingsDialog final : public SettingsDialog {
public:
    explicit FakeSettingsDialog(int& alive) : alive_(alive) {
        ++alive_;
        RDescription.height = kDescriptionHeight;
        // The real window tells the form when the key-name field gets the
        // focus; every focus change is tracked by name.
        const auto track = [this](auto& control, const char* name) {
            control.onFocus = [this, name] {
                focus = name;
                if (form_ != nullptr && std::string(name) == "RRegName") form_->RRegName_GotFocus();
            };
        };
        track(RDescription, "RDescription");
        track(LStartType, "LStartType");
        track(bReady, "bReady");
        track(bAbbrechen, "bAbbrechen");
        track(RRegName, "RRegName");
        track(RImage, "RImage");
    }
    ~FakeSettingsDialog() override { --alive_; }

    SettingsControls& Controls() override { return controls; }
    void ShowModal(Settings& form) override {
        form_ = &form;
        RDescription.SetFocus();
        if (onShow) onShow(*this);
        if (whileShown) whileShown(form, *this);
        form_ = nullptr;
    }
    void Unload() override { ++unloads; }

    FakeLabel RCaption;
    FakeTextBox RDescription;
    FakeComboBox LStartType;
    FakeButton bReady, bAbbrechen;
    FakePictureBox Picture1;
    FakeTextBox RRegName;
    FakePictureBox PImage;
    FakeTextBox RImage;
    SettingsControls controls{RCaption, RDescription, LStartType, bReady, bAbbrechen,
                              Picture1, RRegName,     PImage,     RImage};

    std::string focus;
    int unloads = 0;
    std::function<void(FakeSettingsDialog&)> onShow;
    std::function<void(Settings&, FakeSettingsDialog&)> whileShown;

private:
    int& alive_;
    Settings* form_ = nullptr;
};

class FakeSettingsFactory final : public SettingsFactory {
public:
    int loads = 0;
    int alive = 0;  // dialogs not yet destroyed
    std::vector<ShownDialog> shown;
    std::vector<int> unloads;  // per shown dialog, counted when its show ends
    std::function<void(Settings&, FakeSettingsDialog&)> whileShown;

    std::unique_ptr<SettingsDialog> Load() override {
        ++loads;
        auto dialog = std::make_unique<FakeSettingsDialog>(alive);
        dialog->onShow = [this](FakeSettingsDialog& d) {
            shown.push_back({d.RCaption.Caption(), d.RDescription.text, d.RRegName.text, d.RImage.text,
                             d.LStartType.index, d.RDescription.caretAtEnd, d.RDescription.height, d.PImage.visible,
                             d.focus});
        };
        dialog->whileShown = [this](Settings& form, FakeSettingsDialog& d) {
            if (whileShown) whileShown(form, d);
            unloads.push_back(d.unloads);
        };
        return dialog;
    }
};

// A service manager that records what it is told and the "Description"
// stored at that moment; it refuses when `refuse` is set, as for an entry it
// does not know or without rights.
class FakeServiceManager final : public ServiceManager {
public:
    struct Call {
        std::string keyName;
        std::uint32_t start;
        std::string storedDescription;  // the registry's "Description" bytes when called
    };
    explicit FakeServiceManager(const MemoryRegistry& memory) : memory_(memory) {}
    std::vector<Call> calls;
    bool refuse = false;

    bool SetStartType(const std::string& keyName, std::uint32_t start) override {
        const auto* stored = memory_.GetRaw(kHkeyLocalMachine, ServiceKeyPath(keyName), "Description");
        calls.push_back({keyName, start, stored == nullptr ? "<missing>" : stored->Utf8Data()});
        return !refuse;
    }

private:
    const MemoryRegistry& memory_;
};

// A main window whose editor is the fake dialog above.
struct EditorFixture : RootFixture {
    FakeSettingsFactory settings;
    FakeServiceManager serviceManager{memory};

    EditorFixture() {
        services.settings = &settings;
        services.serviceManager = &serviceManager;
    }

    // Puts one service line into the list the way the list build does.
    void Line(const std::string& display, const std::string& description, const std::string& key) {
        LObjekte.AddItem(display + "\t" + description + "\t" + key, key);
    }
    void Select(int index) { LObjekte.SetListIndex(index); }
    void RemoveValue(const std::string& key, const std::string& name) {
        memory.DeleteValue(kHkeyLocalMachine, ServiceKeyPath(key), name);
    }
    const MemoryRegistry::Value* Value(const std::string& key, const std::string& name) const {
        return memory.GetRaw(kHkeyLocalMachine, ServiceKeyPath(key), name);
    }
};

}  // namespace sw::test
