#pragma once
#include <exception>

#include "ErrorBox.h"

// Message for a failure that carries no text of its own: "予期しないエラーが発生しました" (Shift-JIS).
inline constexpr const char* UnknownFailureText =
    "\x97\x5C\x8A\xFA\x82\xB5\x82\xC8\x82\xA2\x83\x47\x83\x89\x81\x5B\x82\xAA\x94\xAD\x90\xB6\x82\xB5"
    "\x82\xDC\x82\xB5\x82\xBD";

// Wraps a handler for a Qt connection: an exception never leaves a slot. A failure is shown in the
// error box owned by `owner` and the command is abandoned; the program goes on.
template <class F>
auto Guard(QWidget* owner, F handler)
{
    return [owner, handler] {
        try {
            handler();
        } catch (const std::exception& e) {
            ShowErrorBox(owner, e.what());
        } catch (...) {
            ShowErrorBox(owner, UnknownFailureText);
        }
    };
}
