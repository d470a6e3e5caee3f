// Adapters from the portable control interfaces to real USER32 controls.
// Positions are twips, turned into pixels through the screen's DPI.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/Controls.h"
#include "win32/GdiHandles.h"

namespace sw {

// Twips to pixels and back at the screen's DPI (15 twips a pixel at 96 DPI).
struct Twips {
    int dpi = 96;
    int ToPx(int twips) const { return MulDiv(twips, dpi, 1440); }
    int ToTwips(int px) const { return MulDiv(px, 1440, dpi); }
};

// The screen's DPI, which the program's windows are laid out at.
Twips ScreenTwips();

struct ControlTemplate {
    const wchar_t* className;
    std::string caption;  // UTF-8
    int id;
    DWORD style;
    DWORD exStyle;
    int left, top, width, height;  // twips
};

// Tahoma at a size in hundredths of a point, for the screen's DPI.
FontOwner MakeTahoma(int dpi, int hundredthsOfPoint, int weight);

// The average character width of a control's font, as the system computes it
// to turn dialog template units into pixels (a quarter of it per unit): the
// width of the alphabet, halved per letter and rounded.
int AverageCharWidth(HWND control);

// Creates a child control from its shape.
HWND CreateChild(HWND parent, const ControlTemplate& shape, const Twips& twips, HFONT font);

template <class Interface>
class Win32Control : public Interface {
public:
    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    HWND Hwnd() const { return hwnd_; }
    bool Enabled() const override { return IsWindowEnabled(hwnd_) != FALSE; }
    void SetEnabled(bool enabled) override { EnableWindow(hwnd_, enabled ? TRUE : FALSE); }
    bool Visible() const override { return (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }
    void SetVisible(bool visible) override { ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }
    void SetFocus() override { ::SetFocus(hwnd_); }

protected:
    HWND hwnd_ = nullptr;
};

class Win32ListBox final : public Win32Control<ListBox> {
public:
    // Runs once on every change of the selection: one made by the user, which
    // the control reports as LBN_SELCHANGE, and every SetListIndex by the
    // program, which the control does not report.
    std::function<void()> onClick;

    // To be called on LBN_SELCHANGE. The control also reports keys and
    // clicks that leave the selection where it was (Home on the first line,
    // a click on the selected line); those do not run onClick.
    void SelectionReported();

    void AddItem(const std::string& line, const std::string& key) override;
    void AddItems(const std::vector<ListItem>& items) override;
    void RemoveItem(int index) override;
    void Clear() override;
    int ListCount() const override;
    int ListIndex() const override;
    void SetListIndex(int index) override;
    std::string List(int index) const override;
    std::string Key(int index) const override;
    std::string Text() const override;
    void SetTabStops(int first, int second) override;
    void Refresh() override;

private:
    // The keys of the lines: each line's item data is the place of its key
    // here. A removed line's key stays until the list is emptied.
    std::vector<std::string> keys_;
    // Adds one line with its key, without keeping seen_ in step.
    void Add(const std::wstring& line, const std::string& key);

    // The selected index as the handler last saw it, kept in step when lines
    // are added or removed above the selection.
    int seen_ = -1;
    void KeepSeenInStep() { seen_ = ListIndex(); }
};

class Win32Label final : public Win32Control<Label> {
public:
    Twips twips;
    bool autoSize = false;
    bool rightAligned = false;  // an auto-sized label keeps its right edge
    // Where SetLeft puts the label, in pixels of its parent, for a left edge
    // in twips. Empty: the twips at the screen's DPI.
    std::function<int(int twipsLeft)> leftInPixels;

    std::string Caption() const override;
    void SetCaption(const std::string& caption) override;
    int Left() const override;
    void SetLeft(int twipsLeft) override;
    void FitToText();
};

class Win32Button final : public Win32Control<Button> {
public:
    std::string Tag() const override { return tag_; }
    void SetTag(const std::string& tag) override { tag_ = tag; }

private:
    std::string tag_;
};

// A check box whose value only the program changes: a user's click arrives
// as BN_CLICKED and is turned into SetValue, which runs onClick.
class Win32CheckBox final : public Win32Control<CheckBox> {
public:
    std::function<void()> onClick;
    int Value() const override;
    void SetValue(int value) override;
};

std::string WindowText(HWND hwnd);

}  // namespace sw
