// Measuring text as the program's labels should be sized: in a font given by
// face, size and weight at the screen's DPI.
#include "Driver.h"

namespace e2e {

// {"cmd":"text_extent","text":"Zugehörigkeit","face":"Tahoma","points100":975,"bold":true}
//   -> {"cx": .., "cy": .., "dpi": ..}
Json CmdTextExtent(const Json& a) {
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    LOGFONTW wanted{};
    wanted.lfHeight = -MulDiv(static_cast<int>(a.Get("points100").Int(900)), dpi, 7200);
    wanted.lfWeight = a.Get("bold").Bool(false) ? FW_BOLD : FW_NORMAL;
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(wanted.lfFaceName, a.Get("face").String(L"Tahoma").c_str(), LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&wanted);
    HGDIOBJ old = SelectObject(dc, font);
    const std::wstring text = a.Get("text").String();
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    Json r;
    r["cx"] = static_cast<long long>(size.cx);
    r["cy"] = static_cast<long long>(size.cy);
    r["dpi"] = dpi;
    return r;
}

}  // namespace e2e
