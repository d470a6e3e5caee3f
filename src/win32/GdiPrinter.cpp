#include "win32/GdiPrinter.h"

#include <windows.h>
#include <winspool.h>

#include <vector>

#include "win32/WideText.h"

namespace sw {
namespace {

constexpr int kTwipsPerInch = 1440;
// The font every printout uses: Arial at 10 points, the usual default of a
// printer. A printer's device context starts with a stock font sized in
// device pixels (under Wine a monospaced face 100 pixels high, 24 points at
// 300 dpi), which is no usable default. Face and size never change; bold is
// the only emphasis.
constexpr int kFontHeightTwips = 200;
const wchar_t* const kFontFace = L"Arial";
const wchar_t* const kDocumentName = L"Tavrine Startwart";

std::wstring DefaultPrinterName() {
    DWORD size = 0;
    GetDefaultPrinterW(nullptr, &size);
    if (size == 0) return {};
    std::vector<wchar_t> name(size);
    if (!GetDefaultPrinterW(name.data(), &size)) return {};
    return std::wstring(name.data());
}

// The printer's name in double quotes, for the messages.
std::string Quoted(const std::wstring& name) {
    std::string quoted(1, '"');
    quoted += Utf8(name);
    quoted += '"';
    return quoted;
}

std::string CannotOpen(const std::wstring& name) {
    return "Der Standarddrucker " + Quoted(name) + " kann nicht geöffnet werden.";
}

std::string Aborted(const std::wstring& name) {
    return "Der Druckauftrag für " + Quoted(name) + " wurde abgebrochen.";
}

FontOwner MakeFont(int weight) {
    LOGFONTW font{};
    font.lfHeight = -kFontHeightTwips;
    font.lfWeight = weight;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_TT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(font.lfFaceName, kFontFace, LF_FACESIZE);
    return FontOwner(CreateFontIndirectW(&font));
}

}  // namespace

GdiPrinter::~GdiPrinter() {
    if (begun_) AbortDoc(dc_.Get());
}

void GdiPrinter::Fail(const std::string& reason) {
    if (failed_) return;
    failed_ = true;
    error_ = reason;
    if (begun_) {
        AbortDoc(dc_.Get());
        begun_ = false;
    }
}

bool GdiPrinter::Ready() {
    if (failed_) return false;
    if (begun_) return true;
    printerName_ = DefaultPrinterName();
    if (printerName_.empty()) {
        Fail(kNoDefaultPrinter);
        return false;
    }
    dc_ = DcOwner(CreateDCW(L"WINSPOOL", printerName_.c_str(), nullptr, nullptr));
    if (!dc_) {
        Fail(CannotOpen(printerName_));
        return false;
    }
    normalFont_ = MakeFont(FW_NORMAL);
    boldFont_ = MakeFont(FW_BOLD);
    const int dpiY = GetDeviceCaps(dc_.Get(), LOGPIXELSY);
    const int rows = GetDeviceCaps(dc_.Get(), VERTRES);
    if (!normalFont_ || !boldFont_ || dpiY <= 0 || rows <= 0) {
        Fail(CannotOpen(printerName_));
        return false;
    }
    cursor_.SetPageHeight(static_cast<float>(MulDiv(rows, kTwipsPerInch, dpiY)));

    DOCINFOW doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = kDocumentName;
    if (StartDocW(dc_.Get(), &doc) <= 0) {
        Fail("Der Druckauftrag für " + Quoted(printerName_) + " konnte nicht begonnen werden.");
        return false;
    }
    begun_ = true;
    return StartPage();
}

bool GdiPrinter::StartPage() {
    if (::StartPage(dc_.Get()) <= 0) {
        Fail(Aborted(printerName_));
        return false;
    }
    PreparePage();
    return true;
}

void GdiPrinter::PreparePage() {
    HDC dc = dc_.Get();
    // Logical units are twips from the printable area's top-left corner,
    // y growing downwards like the print position.
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, kTwipsPerInch, kTwipsPerInch, nullptr);
    SetViewportExtEx(dc, GetDeviceCaps(dc, LOGPIXELSX), GetDeviceCaps(dc, LOGPIXELSY), nullptr);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    SelectFont();
}

void GdiPrinter::SelectFont() { fontSelection_.Select(dc_.Get(), bold_ ? boldFont_.Get() : normalFont_.Get()); }

float GdiPrinter::LineHeight() const {
    TEXTMETRICW metrics{};
    if (!GetTextMetricsW(dc_.Get(), &metrics)) return static_cast<float>(kFontHeightTwips);
    return static_cast<float>(metrics.tmHeight + metrics.tmExternalLeading);
}

void GdiPrinter::PrintOnLine(const std::string& text) {
    if (cursor_.Overflows(LineHeight())) {
        if (EndPage(dc_.Get()) <= 0) {
            Fail(Aborted(printerName_));
            return;
        }
        cursor_.NewPage();
        if (!StartPage()) return;
    }
    if (text.empty()) return;
    const std::wstring wide = Wide(text);
    const int x = static_cast<int>(cursor_.x + 0.5f);
    const int y = static_cast<int>(cursor_.y + 0.5f);
    TextOutW(dc_.Get(), x, y, wide.c_str(), static_cast<int>(wide.size()));
    SIZE extent{};
    if (GetTextExtentPoint32W(dc_.Get(), wide.c_str(), static_cast<int>(wide.size()), &extent))
        cursor_.Advance(static_cast<float>(extent.cx));
}

void GdiPrinter::PrintLine(const std::string& text) {
    if (!Ready()) return;
    for (const std::string& line : BreakLines(text)) {
        PrintOnLine(line);
        if (failed_) return;
        cursor_.EndLine(LineHeight());
    }
}

void GdiPrinter::PrintKeep(const std::string& text) {
    if (!Ready()) return;
    const std::vector<std::string> lines = BreakLines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) cursor_.EndLine(LineHeight());
        PrintOnLine(lines[i]);
        if (failed_) return;
    }
}

void GdiPrinter::SetCurrentX(float twips) {
    if (Ready()) cursor_.x = twips;
}

float GdiPrinter::CurrentY() const { return cursor_.y; }

void GdiPrinter::SetBold(bool on) {
    if (!Ready()) return;
    bold_ = on;
    SelectFont();
}

void GdiPrinter::Line(float x1, float y1, float x2, float y2, std::uint32_t colour) {
    if (!Ready()) return;
    HDC dc = dc_.Get();
    // One twip wide: the thinnest line the device can draw.
    PenOwner pen(CreatePen(PS_SOLID, 1, static_cast<COLORREF>(colour)));
    if (!pen) return;
    SelectedObject selection(dc, pen.Get());
    MoveToEx(dc, static_cast<int>(x1 + 0.5f), static_cast<int>(y1 + 0.5f), nullptr);
    LineTo(dc, static_cast<int>(x2 + 0.5f), static_cast<int>(y2 + 0.5f));
}

bool GdiPrinter::EndDoc() {
    if (failed_) return false;
    if (!begun_) return true;  // nothing was printed: no document
    if (EndPage(dc_.Get()) <= 0) {
        Fail(Aborted(printerName_));
        return false;
    }
    begun_ = false;
    if (::EndDoc(dc_.Get()) <= 0) {
        Fail(Aborted(printerName_));
        return false;
    }
    return true;
}

}  // namespace sw
