// Hands the characters typed in one control to its window's key handler,
// the way a form's KeyPress event sees them: the handler may change a key
// or swallow it (by setting it to 0). Enter reaches the handler instead of
// the dialog manager, which would otherwise press a default button; a
// multi-line text box can be told to leave Tab and Esc to the dialog
// manager, as a single-line one does.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

namespace sw {

class KeyRelay {
public:
    using Handler = std::function<void(std::int16_t& key)>;
    enum class DialogKeys { AsControlAsks, ToDialog };

    KeyRelay() = default;
    ~KeyRelay();
    KeyRelay(const KeyRelay&) = delete;
    KeyRelay& operator=(const KeyRelay&) = delete;

    // Relays the control's keys to handler until the control or the relay
    // goes. One control per relay.
    void Attach(HWND control, Handler handler, DialogKeys dialogKeys = DialogKeys::AsControlAsks);

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Detach();

    HWND control_ = nullptr;
    WNDPROC previous_ = nullptr;
    Handler handler_;
    DialogKeys dialogKeys_ = DialogKeys::AsControlAsks;
};

}  // namespace sw
