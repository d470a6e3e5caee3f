// The printer on GDI: a document on the system's default printer, begun at
// the first call and handed to the spooler by EndDoc.
#pragma once

#include <string>

#include "printing/PageCursor.h"
#include "printing/Printer.h"
#include "win32/GdiHandles.h"

namespace sw {

class GdiPrinter final : public Printer {
public:
    GdiPrinter() = default;
    // A document that was begun but not ended is thrown away.
    ~GdiPrinter() override;

    void PrintLine(const std::string& text) override;
    void PrintKeep(const std::string& text) override;
    void SetCurrentX(float twips) override;
    float CurrentY() const override;
    void SetBold(bool on) override;
    void Line(float x1, float y1, float x2, float y2, std::uint32_t colour) override;
    bool EndDoc() override;
    std::string Error() const override { return error_; }

private:
    // Opens the default printer and starts the document and its first
    // page; false (with the reason in error_) when any step fails, and
    // from then on every call does nothing.
    bool Ready();
    bool StartPage();
    // Sets up a fresh page: twips with y growing downwards, the font.
    void PreparePage();
    void SelectFont();
    // Text on the current line, after a page break when the line would not fit.
    void PrintOnLine(const std::string& text);
    float LineHeight() const;
    void Fail(const std::string& reason);

    std::string error_;
    std::wstring printerName_;
    bool begun_ = false;
    bool failed_ = false;
    bool bold_ = false;
    PageCursor cursor_;
    // Declared in this order so that the context gets its own font back
    // first, is deleted next, and the fonts go last.
    FontOwner normalFont_;
    FontOwner boldFont_;
    DcOwner dc_;
    SelectedObject fontSelection_;
};

class GdiPrinterFactory final : public PrinterFactory {
public:
    std::unique_ptr<Printer> Open() override { return std::make_unique<GdiPrinter>(); }
};

}  // namespace sw
