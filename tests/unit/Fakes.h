// Fakes of the control and platform seams for the native tests. They record
// what the handlers did so that tests can assert on it.
#pragma once

#include <algorithm>
#include <cctype>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "mainwindow/Root.h"
#include "platform/EventLog.h"
#include "platform/FileIdentity.h"
#include "registry/MemoryRegistry.h"

namespace sw::test {

template <class Interface>
class FakeControl : public Interface {
public:
    bool enabled = true;
    bool visible = true;
    int focusCount = 0;
    std::function<void()> onFocus;  // lets a fixture track which control has the focus
    bool Enabled() const override { return enabled; }
    void SetEnabled(bool e) override { enabled = e; }
    bool Visible() const override { return visible; }
    void SetVisible(bool v) override { visible = v; }
    void SetFocus() override {
        ++focusCount;
        if (onFocus) onFocus();
    }
};

// Case-insensitive order, as the sorted list box keeps its lines. (The real
// control's locale-aware order is checked by the Windows-side tests.)
inline bool LessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

class FakeListBox final : public FakeControl<ListBox> {
public:
    explicit FakeListBox(bool sortedList) : sorted(sortedList) {}
    bool sorted;
    std::vector<std::string> lines;
    int selected = -1;
    std::pair<int, int> tabStops{0, 0};
    int refreshCount = 0;
    int clickCount = 0;
    std::function<void()> onClick;

    // The keys kept beside the lines, in step with them.
    std::vector<std::string> keys;

    void AddItem(const std::string& line, const std::string& key) override {
        if (!sorted) {
            lines.push_back(line);
            keys.push_back(key);
            return;
        }
        // A new line goes after the lines that compare equal to it.
        auto at = std::upper_bound(lines.begin(), lines.end(), line, LessNoCase);
        const int pos = static_cast<int>(at - lines.begin());
        lines.insert(at, line);
        keys.insert(keys.begin() + pos, key);
        if (selected >= pos) ++selected;
    }
    // The same order as AddItem one by one (equal lines keep their order of
    // arrival, after the lines already there), without its quadratic cost.
    void AddItems(const std::vector<ListItem>& many) override {
        if (!sorted || selected >= 0) {
            for (const auto& item : many) AddItem(item.line, item.key);
            return;
        }
        std::vector<ListItem> all;
        all.reserve(lines.size() + many.size());
        for (std::size_t i = 0; i < lines.size(); ++i) all.push_back(ListItem{lines[i], keys[i]});
        const auto middle = static_cast<std::ptrdiff_t>(all.size());
        all.insert(all.end(), many.begin(), many.end());
        const auto less = [](const ListItem& a, const ListItem& b) { return LessNoCase(a.line, b.line); };
        std::stable_sort(all.begin() + middle, all.end(), less);
        std::inplace_merge(all.begin(), all.begin() + middle, all.end(), less);
        lines.clear();
        keys.clear();
        for (auto& item : all) {
            lines.push_back(std::move(item.line));
            keys.push_back(std::move(item.key));
        }
    }
    void RemoveItem(int index) override {
        if (index < 0 || index >= ListCount()) return;
        lines.erase(lines.begin() + index);
        keys.erase(keys.begin() + index);
        if (selected == index) selected = -1;
        else if (selected > index) --selected;
    }
    void Clear() override {
        lines.clear();
        keys.clear();
        selected = -1;
    }
    int ListCount() const override { return static_cast<int>(lines.size()); }
    int ListIndex() const override { return selected; }
    void SetListIndex(int index) override {
        selected = (index >= 0 && index < ListCount()) ? index : -1;
        ++clickCount;
        if (onClick) onClick();
    }
    std::string List(int index) const override {
        return (index >= 0 && index < ListCount()) ? lines[static_cast<std::size_t>(index)] : std::string();
    }
    std::string Key(int index) const override {
        return (index >= 0 && index < static_cast<int>(keys.size())) ? keys[static_cast<std::size_t>(index)]
                                                                       : std::string();
    }
    std::string Text() const override { return List(selected); }
    void SetTabStops(int first, int second) override { tabStops = {first, second}; }
    void Refresh() override { ++refreshCount; }
};

class FakeLabel final : public FakeControl<Label> {
public:
    explicit FakeLabel(std::string caption = {}, int left = 0) : caption_(std::move(caption)), left_(left) {}
    std::string Caption() const override { return caption_; }
    void SetCaption(const std::string& c) override { caption_ = c; }
    int Left() const override { return left_; }
    void SetLeft(int twips) override { left_ = twips; }

private:
    std::string caption_;
    int left_;
};

class FakeButton final : public FakeControl<Button> {
public:
    std::string Tag() const override { return tag_; }
    void SetTag(const std::string& t) override { tag_ = t; }

private:
    std::string tag_;
};

class FakeCheckBox final : public FakeControl<CheckBox> {
public:
    int value = 0;
    std::function<void()> onClick;
    int Value() const override { return value; }
    void SetValue(int v) override {
        if (v == value) return;
        value = v;
        if (onClick) onClick();
    }
};

class FakeTextBox final : public FakeControl<TextBox> {
public:
    std::string text;
    int height = 0;
    bool caretAtEnd = false;
    std::string Text() const override { return text; }
    void SetText(const std::string& t) override {
        text = t;
        caretAtEnd = false;
    }
    void PlaceCaretAtEnd() override { caretAtEnd = true; }
    void SetHeight(int twips) override { height = twips; }
};

class FakeComboBox final : public FakeControl<ComboBox> {
public:
    int index = -1;
    int ListIndex() const override { return index; }
    void SetListIndex(int i) override { index = i; }
};

class FakeFiles final : public Files {
public:
    std::map<std::string, std::string> files;
    std::set<std::string> folders;          // exist, but cannot be read, written, copied or deleted
    std::set<std::string> readOnly;         // cannot be written, copied over, moved over or deleted
    std::vector<std::string> log;           // "copy a b", "delete a", "write a", "write whole a", "move a b"
    // The disk's size: a write that would need more than is left writes the
    // bytes that fit and fails, as on a full disk. No limit when unset.
    std::optional<std::size_t> capacity;

    bool Exists(const std::string& path) override { return files.count(path) || folders.count(path); }
    bool Copy(const std::string& from, const std::string& to) override {
        log.push_back("copy " + from + " " + to);
        auto it = files.find(from);
        if (it == files.end() || readOnly.count(to) || folders.count(to)) return false;
        return Store(to, std::string(it->second));
    }
    bool Delete(const std::string& path) override {
        log.push_back("delete " + path);
        if (readOnly.count(path) || folders.count(path)) return false;
        return files.erase(path) > 0;
    }
    bool Write(const std::string& path, const std::string& bytes) override {
        log.push_back("write " + path);
        if (readOnly.count(path) || folders.count(path)) return false;
        return Store(path, bytes);
    }
    bool WriteWhole(const std::string& path, const std::string& bytes) override {
        log.push_back("write whole " + path);
        const std::string part = path + ".part";
        if (readOnly.count(path) || folders.count(path) || !Store(part, bytes)) {
            files.erase(part);
            return false;
        }
        files[path] = std::move(files[part]);
        files.erase(part);
        return true;
    }
    bool Move(const std::string& from, const std::string& to) override {
        log.push_back("move " + from + " " + to);
        auto it = files.find(from);
        if (it == files.end() || readOnly.count(to) || folders.count(to) || readOnly.count(from)) return false;
        std::string bytes = std::move(it->second);
        files.erase(it);
        files[to] = std::move(bytes);
        // A move keeps the file's time; where a test gave it one.
        if (const auto time = times.find(from); time != times.end()) times[to] = time->second;
        return true;
    }
    bool Read(const std::string& path, std::string& bytes) override {
        auto it = files.find(path);
        if (it == files.end()) return false;
        bytes = it->second;
        return true;
    }
    std::set<std::string> held;  // open in another program: ReadUnshared fails
    bool ReadUnshared(const std::string& path, std::string& bytes) override {
        return !held.count(path) && Read(path, bytes);
    }
    bool Append(const std::string& path, std::size_t keep, const std::string& bytes) override {
        log.push_back("append " + path);
        if (readOnly.count(path) || folders.count(path) || files[path].size() < keep) return false;
        return Store(path, files[path].substr(0, keep) + bytes);
    }
    std::map<std::string, LocalTime> times;  // when each file was last written, where a test says
    std::optional<LocalTime> LastWritten(const std::string& path) override {
        auto it = times.find(path);
        if (it == times.end() || !files.count(path)) return std::nullopt;
        return it->second;
    }
    // The environment, by names in capitals; %NAME% matches without regard
    // to ASCII case, as the system's does.
    std::map<std::string, std::string> environment{{"SYSTEMROOT", "C:\\Windows"}, {"PROGRAMDATA", "C:\\ProgramData"}};
    std::string ExpandEnvironment(const std::string& text) override {
        std::string out;
        std::size_t at = 0;
        for (;;) {
            const std::size_t open = text.find('%', at);
            const std::size_t close = open == std::string::npos ? open : text.find('%', open + 1);
            if (close == std::string::npos) return out + text.substr(at);
            std::string name = text.substr(open + 1, close - open - 1);
            for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            const auto it = environment.find(name);
            out += text.substr(at, open - at);
            if (it == environment.end()) {
                out += text.substr(open, close - open);
                at = close;  // the closing sign may open the next name
            } else {
                out += it->second;
                at = close + 1;
            }
        }
    }

    std::size_t Used() const {
        std::size_t used = 0;
        for (const auto& [name, bytes] : files) used += bytes.size();
        return used;
    }

private:
    // Puts bytes under path, cut where the disk is full.
    bool Store(const std::string& path, std::string bytes) {
        auto it = files.find(path);
        const std::size_t old = it == files.end() ? 0 : it->second.size();
        if (capacity) {
            const std::size_t left = *capacity - std::min(*capacity, Used() - old);
            if (bytes.size() > left) {
                files[path] = bytes.substr(0, left);
                return false;
            }
        }
        files[path] = std::move(bytes);
        return true;
    }
};

class FakeShell final : public Shell {
public:
    std::vector<std::pair<std::string, ShowStyle>> started;
    bool succeed = true;
    bool Start(const std::string& commandLine, ShowStyle style) override {
        started.emplace_back(commandLine, style);
        return succeed;
    }

    // The watched program: it runs until EndWatched, or until FinishWatched
    // when finishExitCode is set (it ends within the wait).
    std::vector<std::pair<std::string, ShowStyle>> watched;
    ProgramEnd onEnd;
    std::vector<double> finishWaits;
    std::optional<std::uint32_t> finishExitCode;
    bool StartWatched(const std::string& commandLine, ShowStyle style, ProgramEnd end) override {
        watched.emplace_back(commandLine, style);
        if (!succeed) return false;
        onEnd = std::move(end);
        return true;
    }
    void EndWatched(std::optional<std::uint32_t> exitCode) {
        ProgramEnd end = std::move(onEnd);
        onEnd = nullptr;
        if (end) end(exitCode);
    }
    std::function<void()> whileFinishing;  // what the watched program does during the wait
    void FinishWatched(double maxSeconds) override {
        finishWaits.push_back(maxSeconds);
        if (whileFinishing) whileFinishing();
        if (finishExitCode) EndWatched(finishExitCode);
    }

    std::vector<std::pair<std::string, ShowStyle>> batches;  // started batch files
    int batchesEnded = 0;
    std::function<void()> onEndBatch;
    BatchEnd batchEnd;  // the last batch's, until EndLastBatch
    bool StartBatch(const std::string& path, ShowStyle style, BatchEnd end) override {
        batches.emplace_back(path, style);
        batchEnd = std::move(end);
        return succeed;
    }
    // The last batch ends having written output.
    void EndLastBatch(const std::string& output) {
        BatchEnd end = std::move(batchEnd);
        batchEnd = nullptr;
        if (end) end(output);
    }
    void EndBatch() override {
        batchEnd = nullptr;  // an ended batch reports nothing
        ++batchesEnded;
        if (onEndBatch) onEndBatch();
    }
};

class FakeClock final : public Clock {
public:
    double now = 36000.0;  // 10:00:00
    double step = 0.25;    // each reading moves the clock on by this much
    Date today{2026, 3, 7};
    int readings = 0;
    double SecondsSinceMidnight() override {
        ++readings;
        const double reading = now;
        now += step;
        if (now >= 86400.0) now -= 86400.0;
        return reading;
    }
    Date Today() override { return today; }
};

struct ShownMessage {
    std::string text;
    std::string title;
    int flags;
};

class FakeMessageBoxes final : public MessageBoxes {
public:
    std::vector<ShownMessage> shown;
    std::deque<int> answers;  // kAnswerOk when empty
    std::function<void()> whileShown;
    int Show(const std::string& text, const std::string& title, int flags) override {
        shown.push_back({text, title, flags});
        if (whileShown) whileShown();
        if (answers.empty()) return kAnswerOk;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class FakeUserInterface final : public UserInterface {
public:
    std::vector<int> pointers;
    int pointer = kPointerDefault;
    int yields = 0;
    int idles = 0;
    bool commonControls = false;
    std::function<void()> onYield;
    void InitCommonControls() override { commonControls = true; }
    void SetPointer(int p) override {
        pointer = p;
        pointers.push_back(p);
    }
    void DoEvents() override {
        ++yields;
        if (onYield) onYield();
    }
    void Idle(double) override {
        ++idles;
        DoEvents();
    }
};

struct ProgramEnded : std::runtime_error {
    ProgramEnded() : std::runtime_error("program ended") {}
};

class FakeProgram final : public Program {
public:
    VersionRecord version{6, 1, 7601, 2};
    std::string folder = "C:\\Tools";
    std::string baseName = "Merotan";
    std::string windowsFolder = "C:\\Windows";
    bool folderHeldByAnother = false;
    int claims = 0;
    std::optional<HeldFolder> claimedAs;
    VersionRecord Version() override { return version; }
    std::string Folder() override { return folder; }
    std::string BaseName() override { return baseName; }
    std::string WindowsFolder() override { return windowsFolder; }
    bool ClaimFolder(HeldFolder whenHeld) override {
        ++claims;
        claimedAs = whenHeld;
        return !folderHeldByAnother;
    }
    [[noreturn]] void EndNow() override { throw ProgramEnded(); }
};

// What the file system answers about paths, as a test sets it: the
// identities of the files and folders that are there, and long forms.
class FakeFileIdentity final : public FileIdentity {
public:
    std::map<std::string, FileId> ids;              // a path not here is not there
    std::map<std::string, std::string> longPaths;   // a path not here is its own long form
    std::optional<FileId> IdOf(const std::string& path) override {
        const auto at = ids.find(path);
        if (at == ids.end()) return std::nullopt;
        return at->second;
    }
    std::string LongPath(const std::string& path) override {
        const auto at = longPaths.find(path);
        return at == longPaths.end() ? path : at->second;
    }
};

// The event log: what was reported under which source, and a refusal.
class FakeEventLog final : public EventLog {
public:
    std::string messageFile = "C:\\Tools\\Merotan.exe";
    std::uint32_t refuseWith = 0;  // the error code Report answers with, when not 0
    std::string source;
    std::vector<Event> reported;
    int reports = 0;
    std::string MessageFile() override { return messageFile; }
    std::uint32_t Report(const std::string& name, const std::vector<Event>& events) override {
        ++reports;
        source = name;
        if (refuseWith != 0) return refuseWith;
        reported.insert(reported.end(), events.begin(), events.end());
        return 0;
    }
    std::string SystemMessage(std::uint32_t error) override {
        return error == 5 ? "Zugriff verweigert" : "";
    }
};

// The service manager's states and dependents, by key name.
class FakeServiceStatus final : public ServiceStatusQuery {
public:
    std::map<std::string, ServiceStatus> states;  // a key not here is unknown to the manager
    std::map<std::string, std::vector<std::string>> dependents;
    std::optional<ServiceStatus> Status(const std::string& keyName) override {
        const auto at = states.find(keyName);
        if (at == states.end()) return std::nullopt;
        return at->second;
    }
    std::vector<std::string> ActiveDependents(const std::string& keyName) override {
        const auto at = dependents.find(keyName);
        return at == dependents.end() ? std::vector<std::string>{} : at->second;
    }
    std::string ErrorText(std::uint32_t code) override { return "Systemtext " + std::to_string(code) + "."; }
};

// The watch of the Services key: a test says that something changed and
// runs the looks that the timer would run.
class FakeRegistryWatch final : public RegistryWatch {
public:
    bool startFails = false;
    std::string startedOn;          // the path watched
    std::size_t watchedBeforeStart = 0;  // what the shell watched by then (set by the fixture)
    std::function<std::size_t()> countWatched;
    bool changed = false;          // a change since the last look that answered true
    std::function<void()> onLook;  // the looks, while someone listens
    bool Start(RegKey, const std::string& path) override {
        startedOn = path;
        if (countWatched) watchedBeforeStart = countWatched();
        return !startFails;
    }
    bool Changed() override { return std::exchange(changed, false) || startFails; }
    void LookEvery(std::function<void()> look) override { onLook = std::move(look); }
    // One look of the timer, with or without a change since the last.
    void Look(bool withChange) {
        changed = changed || withChange;
        if (const auto look = onLook) look();
    }
};

// A main window over fakes and an in-memory registry, with the list's and
// the check box's events wired to their handlers as the real window does.
struct RootFixture {
    MemoryRegistry memory;
    Cp1252Codec codec;
    Registry registry{memory, codec};
    FakeFiles files;
    FakeShell shell;
    FakeClock clock;
    FakeMessageBoxes messages;
    FakeUserInterface ui;
    FakeProgram program;
    FakeServiceStatus serviceStatus;
    FakeRegistryWatch registryWatch;

    FakeListBox LObjekte{true};
    FakeListBox LProfile{false};
    FakeButton bStarten, bAnhalten, bBearbeiten, bDrucken, bChecker, bBackups, bAbbrechen;
    FakeCheckBox bErweitert;
    FakeLabel bStartCaption{"Startvorgang: ", 8325};
    FakeLabel Label_0{"", 125};
    FakeLabel Label_1{"Name des Dienstes", 180};
    FakeLabel Label_2{"Beschreibung (nährere Erklärungen)", 3915};
    FakeLabel Label_3{"Zugehörigkeit", 7365};

    RootControls controls{LObjekte, LProfile, bStarten, bAnhalten, bBearbeiten, bDrucken, bChecker, bBackups,
                          bErweitert, bStartCaption, bAbbrechen, Label_0, Label_1, Label_2, Label_3};
    RootServices services{registry, files, shell, clock, messages, ui, program};
    Root root{controls, services};

    RootFixture() {
        services.serviceStatus = &serviceStatus;
        services.registryWatch = &registryWatch;
        registryWatch.countWatched = [this] { return shell.watched.size(); };
        LProfile.visible = false;
        LProfile.enabled = false;
        Label_3.visible = false;
        bBackups.visible = false;
        bAbbrechen.visible = false;
        bBackups.SetTag("0");
        LObjekte.onClick = [this] { root.LObjekte_Click(); };
        bErweitert.onClick = [this] { root.bErweitert_Click(); };
    }

    // Seeding helpers for entries below the Services key; names and texts
    // are UTF-8 (stored as UTF-16, as the registry holds them).
    void Service(const std::string& key, const std::string& display, const std::string& description, int start) {
        const std::string path = ServiceKeyPath(key);
        memory.SetString(kHkeyLocalMachine, path, "ObjectName", "LocalSystem");
        memory.SetString(kHkeyLocalMachine, path, "DisplayName", display);
        memory.SetString(kHkeyLocalMachine, path, "Description", description);
        memory.SetDword(kHkeyLocalMachine, path, "Start", static_cast<std::uint32_t>(start));
    }
    void Driver(const std::string& key, const std::string& display, const std::string& group, int start) {
        const std::string path = ServiceKeyPath(key);
        memory.SetString(kHkeyLocalMachine, path, "DisplayName", display);
        if (!group.empty()) memory.SetString(kHkeyLocalMachine, path, "Group", group);
        memory.SetDword(kHkeyLocalMachine, path, "Start", static_cast<std::uint32_t>(start));
    }
    std::string SideFile(const std::string& name) const { return program.folder + "\\" + name; }
};

}  // namespace sw::test
