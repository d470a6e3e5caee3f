// A fake editor dialog and its factory, and a main window fixture that opens
// it. The dialog lives only while the opening runs, so the factory records
// what each dialog showed when it was shown, and a test acts on the open
// dialog through `whileShown`.
#pragma once

#include <functional>
#include <map>
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
// does not know or without rights. For the restore it knows the services in
// `known` by key name, logs every call in `log`, refuses the calls for a key
// in `refusals` with that code, and, like Wine's, writes its whole copy of a
// service into the registry when told a change.
class FakeServiceManager final : public ServiceManager {
public:
    struct Call {
        std::string keyName;
        std::uint32_t start;
        std::string storedDescription;  // the registry's "Description" bytes when called
    };
    explicit FakeServiceManager(MemoryRegistry& memory) : memory_(memory) {}
    std::vector<Call> calls;
    bool refuse = false;
    std::map<std::string, ServiceConfig> known;
    std::map<std::string, std::uint32_t> refusals;
    std::vector<std::string> log;
    // Like Wine's: answers the delayed start with error 124 and keeps no
    // failure command.
    bool likeWine = false;

    bool SetStartType(const std::string& keyName, std::uint32_t start) override {
        const auto* stored = memory_.GetRaw(kHkeyLocalMachine, ServiceKeyPath(keyName), "Description");
        calls.push_back({keyName, start, stored == nullptr ? "<missing>" : stored->Utf8Data()});
        return !refuse;
    }
    std::uint32_t QueryConfig(const std::string& keyName, ServiceConfig& config) override {
        const auto it = known.find(keyName);
        if (it == known.end()) return kErrorServiceDoesNotExist;
        config = it->second;
        return 0;
    }
    std::uint32_t ChangeConfig(const std::string& keyName, const ServiceConfigChange& change) override {
        std::string entry = "change " + keyName;
        if (change.type) entry += " type=" + std::to_string(*change.type);
        if (change.start) entry += " start=" + std::to_string(*change.start);
        if (change.imagePath) entry += " image=" + *change.imagePath;
        if (change.group) entry += " group=" + *change.group;
        if (change.account) entry += " account=" + *change.account;
        if (change.displayName) entry += " display=" + *change.displayName;
        log.push_back(entry);
        ServiceConfig* config = Find(keyName);
        if (const auto refused = Refused(keyName, config)) return refused;
        if (change.type) config->type = *change.type;
        if (change.start) config->start = *change.start;
        if (change.imagePath) config->imagePath = *change.imagePath;
        if (change.group) config->group = *change.group;
        if (change.account) config->account = *change.account;
        if (change.displayName) config->displayName = *change.displayName;
        WriteCopy(keyName, *config);
        return 0;
    }
    std::uint32_t SetDelayedAutoStart(const std::string& keyName, bool delayed) override {
        log.push_back("delayed " + keyName + " " + (delayed ? "1" : "0"));
        ServiceConfig* config = Find(keyName);
        if (const auto refused = Refused(keyName, config)) return refused;
        if (likeWine) return 124;  // ERROR_INVALID_LEVEL
        config->delayedAutoStart = delayed;
        memory_.SetDword(kHkeyLocalMachine, ServiceKeyPath(keyName), "DelayedAutostart", delayed ? 1 : 0);
        return 0;
    }
    std::uint32_t SetFailureCommand(const std::string& keyName, const std::string& command) override {
        log.push_back("failure " + keyName + " " + command);
        ServiceConfig* config = Find(keyName);
        if (const auto refused = Refused(keyName, config)) return refused;
        if (likeWine) return 0;  // reports success, keeps nothing
        config->failureCommand = command;
        memory_.SetString(kHkeyLocalMachine, ServiceKeyPath(keyName), "FailureCommand", command);
        return 0;
    }
    std::uint32_t Create(const NewService& service) override {
        log.push_back("create " + service.keyName + " type=" + std::to_string(service.type) +
                      " start=" + std::to_string(service.start) + " image=" + service.imagePath);
        if (known.count(service.keyName)) return kErrorServiceExists;
        if (const auto it = refusals.find(service.keyName); it != refusals.end()) return it->second;
        ServiceConfig config;
        config.type = service.type;
        config.start = service.start;
        config.errorControl = service.errorControl;
        config.imagePath = service.imagePath;
        config.group = service.group;
        config.account = service.account.empty() ? "LocalSystem" : service.account;
        config.displayName = service.displayName;
        known[service.keyName] = config;
        WriteCopy(service.keyName, config);
        return 0;
    }
    std::string SystemMessage(std::uint32_t error) override {
        switch (error) {
            case 5: return "Zugriff verweigert";
            case 124: return "Die Ebene des Systemaufrufs ist falsch.";
            case 1060: return "Der angegebene Dienst ist kein installierter Dienst.";
            default: return {};
        }
    }

private:
    ServiceConfig* Find(const std::string& keyName) {
        const auto it = known.find(keyName);
        return it == known.end() ? nullptr : &it->second;
    }
    std::uint32_t Refused(const std::string& keyName, const ServiceConfig* config) const {
        if (config == nullptr) return kErrorServiceDoesNotExist;
        const auto it = refusals.find(keyName);
        return it == refusals.end() ? 0 : it->second;
    }
    // Wine's manager writes its whole copy into the key, a missing text deleted.
    void WriteCopy(const std::string& keyName, const ServiceConfig& config) {
        const std::string path = ServiceKeyPath(keyName);
        memory_.SetDword(kHkeyLocalMachine, path, "Type", config.type);
        memory_.SetDword(kHkeyLocalMachine, path, "Start", config.start);
        memory_.SetDword(kHkeyLocalMachine, path, "ErrorControl", config.errorControl);
        memory_.SetRaw(kHkeyLocalMachine, path, "ImagePath", kRegExpandSz, config.imagePath + std::string(1, '\0'));
        const auto text = [&](const char* name, const std::string& value) {
            if (value.empty()) memory_.DeleteValue(kHkeyLocalMachine, path, name);
            else memory_.SetString(kHkeyLocalMachine, path, name, value);
        };
        text("DisplayName", config.displayName);
        text("ObjectName", config.account);
        text("Group", config.group);
    }

    MemoryRegistry& memory_;
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
