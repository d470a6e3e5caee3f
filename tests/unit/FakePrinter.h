// A printer that records what it is asked to do, one entry per operation,
// and a fixture whose main window prints to it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Fakes.h"
#include "printing/Printer.h"

namespace sw::test {

// Every printer opened by the factory writes into the same log:
//   "line:TEXT"  "keep:TEXT"  "x:1000"  "y"  "bold:on"  "bold:off"
//   "rule:1000,480,11000,480,0"  "end"
// The vertical position moves one line (240 twips) per ended line and per
// LF CR pair inside a line, as the real printer moves.
class RecordingPrinters final : public PrinterFactory {
public:
    std::vector<std::string> log;
    int opened = 0;
    bool noPrinter = false;         // Open() finds no printer
    std::string failWith;           // EndDoc() fails with this error
    static constexpr float kLineHeight = 240;

    std::unique_ptr<Printer> Open() override {
        ++opened;
        if (noPrinter) return nullptr;
        return std::make_unique<Recorder>(*this);
    }

    // The log without the leading document set-up, for assertions on parts.
    std::vector<std::string> LinesStartingWith(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& entry : log)
            if (entry.rfind(prefix, 0) == 0) out.push_back(entry);
        return out;
    }

private:
    class Recorder final : public Printer {
    public:
        explicit Recorder(RecordingPrinters& owner) : owner_(owner) {}
        void PrintLine(const std::string& text) override {
            owner_.log.push_back("line:" + text);
            for (std::size_t at = text.find("\n\r"); at != std::string::npos; at = text.find("\n\r", at + 2))
                y_ += kLineHeight;
            y_ += kLineHeight;
        }
        void PrintKeep(const std::string& text) override { owner_.log.push_back("keep:" + text); }
        void SetCurrentX(float twips) override { owner_.log.push_back("x:" + Number(twips)); }
        float CurrentY() const override {
            owner_.log.push_back("y");
            return y_;
        }
        void SetBold(bool on) override { owner_.log.push_back(on ? "bold:on" : "bold:off"); }
        void Line(float x1, float y1, float x2, float y2, std::uint32_t colour) override {
            owner_.log.push_back("rule:" + Number(x1) + "," + Number(y1) + "," + Number(x2) + "," + Number(y2) + "," +
                                 std::to_string(colour));
        }
        bool EndDoc() override {
            owner_.log.push_back("end");
            return owner_.failWith.empty();
        }
        std::string Error() const override { return owner_.failWith; }

    private:
        static std::string Number(float v) { return std::to_string(static_cast<long>(v)); }
        RecordingPrinters& owner_;
        float y_ = 0;
    };
};

struct PrintingFixture : RootFixture {
    RecordingPrinters printers;
    PrintingFixture() { services.printers = &printers; }

    // Builds the service view as start-up does, without the rotation.
    void Build() {
        root.GetProfile(kHkeyLocalMachine, kServicesPath);
        root.ReadProfile();
    }
};

}  // namespace sw::test
