#pragma once
#include <QString>
#include <string>
#include <string_view>

class QWidget;

// The application title: caption of every error box and the program's name to the desktop.
inline constexpr const char* ApplicationTitle = "Harvik";

// The standard error box: shows `text` with the error icon, the caption "Harvik" and an OK button,
// and returns once the user has dismissed it. Tests install a recorder instead.
class IErrorBox
{
public:
    virtual ~IErrorBox() = default;
    virtual void Show(QWidget* owner, const QString& text) = 0;
};

// Makes `box` the error box of the whole program and returns the one it replaces; nullptr goes
// back to the real message box. The caller keeps ownership.
IErrorBox* InstallErrorBox(IErrorBox* box);

// A failure's message (Shift-JIS) as the error box shows it: the message followed by "." when the
// first byte of its last character is above 0x2E. The empty message stays empty.
std::string WithFullStop(std::string_view message);

// Shows the Shift-JIS `message` in the installed error box, by the full-stop rule, converted for
// the screen (bytes that start no valid character show as U+FFFD).
void ShowErrorBox(QWidget* owner, std::string_view message);
