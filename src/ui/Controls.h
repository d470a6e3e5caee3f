// What the window handlers may do with their controls. The Win32 adapters in
// win32/ implement these on real USER32 controls; tests use fakes. Texts are
// UTF-8; positions and sizes are twips.
#pragma once

#include <string>
#include <vector>

#include "ui/ListItem.h"

namespace sw {

class Control {
public:
    virtual ~Control() = default;
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Visible() const = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual void SetFocus() = 0;
};

class ListBox : public Control {
public:
    // Adds a line with the key name of its entry beside it; a sorted list
    // puts it where its text sorts (ignoring case), and the key goes with it.
    virtual void AddItem(const std::string& line, const std::string& key) = 0;
    // Adds many lines at once, with the same resulting order as AddItem one
    // by one; lets an adapter fill the control without redrawing per line.
    virtual void AddItems(const std::vector<ListItem>& items) = 0;
    virtual void RemoveItem(int index) = 0;
    virtual void Clear() = 0;
    virtual int ListCount() const = 0;
    // -1 when no line is selected.
    virtual int ListIndex() const = 0;
    // Selects a line and raises the list's click handler once, as a user's
    // selection does.
    virtual void SetListIndex(int index) = 0;
    virtual std::string List(int index) const = 0;
    // The key name added with the line at index; "" when there is none.
    virtual std::string Key(int index) const = 0;
    // The selected line's key name; "" when no line is selected.
    std::string SelectedKey() const { return Key(ListIndex()); }
    // The selected line; "" when none is selected.
    virtual std::string Text() const = 0;
    // Tab stops in dialog template units.
    virtual void SetTabStops(int first, int second) = 0;
    virtual void Refresh() = 0;
};

class Label : public Control {
public:
    virtual std::string Caption() const = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual int Left() const = 0;
    virtual void SetLeft(int twips) = 0;
};

class Button : public Control {
public:
    virtual std::string Tag() const = 0;
    virtual void SetTag(const std::string& tag) = 0;
};

class CheckBox : public Control {
public:
    virtual int Value() const = 0;
    // A change raises the check box's click handler at once.
    virtual void SetValue(int value) = 0;
};

class TextBox : public Control {
public:
    virtual std::string Text() const = 0;
    virtual void SetText(const std::string& text) = 0;
    virtual void PlaceCaretAtEnd() = 0;
    virtual void SetHeight(int twips) = 0;
};

class ComboBox : public Control {
public:
    virtual int ListIndex() const = 0;
    virtual void SetListIndex(int index) = 0;
};

// A framing box that holds other controls; hiding it hides what it holds.
class PictureBox : public Control {};

}  // namespace sw
