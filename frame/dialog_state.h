// The state a dialog keeps while it runs: made at WM_INITDIALOG, reachable from
// the dialog window through one window property, destroyed at WM_NCDESTROY.
// The window-data slot (DWLP_USER) stays the host record's, as hosts expect.
// Each dialog runs on its own state, so two dialogs of one kind can run at the
// same time, on one thread or on two.
#pragma once

#include <windows.h>

#include <new>
#include <utility>

namespace w32k {

namespace detail {
// The one property that holds a dialog's state (each dialog has one kind).
inline constexpr const char* kDialogStateProperty = "W32K_DialogState";
} // namespace detail

template <typename State>
class DialogState {
public:
    // Makes the dialog's state from args; null when there is no memory for it
    // or the property cannot be set (the dialog then refuses to open).
    template <typename... Args>
    static State* create(HWND dialog, Args&&... args) noexcept
    {
        State* state = nullptr;
        try {
            state = new State(std::forward<Args>(args)...);
        } catch (...) {
            return nullptr;
        }
        if (!SetPropA(dialog, detail::kDialogStateProperty, state)) {
            delete state;
            return nullptr;
        }
        return state;
    }

    // The dialog's state, null before create() or after destroy().
    static State* of(HWND dialog) noexcept
    {
        return static_cast<State*>(GetPropA(dialog, detail::kDialogStateProperty));
    }

    // Ends the state's life; called at WM_NCDESTROY, the dialog's last message.
    static void destroy(HWND dialog) noexcept
    {
        delete static_cast<State*>(RemovePropA(dialog, detail::kDialogStateProperty));
    }
};

} // namespace w32k
