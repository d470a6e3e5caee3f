// Adapters for the editor dialog's controls: text boxes (EDIT), the
// drop-down list (COMBOBOX) and the framing boxes that hold a field.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win32/Win32Controls.h"

namespace sw {

class Win32TextBox final : public Win32Control<TextBox> {
public:
    Twips twips;
    std::string Text() const override;
    void SetText(const std::string& text) override;
    void PlaceCaretAtEnd() override;
    void SetHeight(int twipsHeight) override;
};

class Win32ComboBox final : public Win32Control<ComboBox> {
public:
    int ListIndex() const override;
    void SetListIndex(int index) override;
    void AddItem(const std::string& item);
};

// A STATIC frame with the fields it holds. The fields are the dialog's own
// children laid over the frame, so their notifications reach the dialog;
// the frame shows and hides them with itself.
class Win32PictureBox final : public Win32Control<PictureBox> {
public:
    void Hold(HWND field) { held_.push_back(field); }
    void SetVisible(bool visible) override;

private:
    std::vector<HWND> held_;
};

}  // namespace sw
