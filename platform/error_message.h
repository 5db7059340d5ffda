#pragma once

#include <string>

// Reports an error to the user: always on standard error as "caption: text", and, when a
// display is available (DISPLAY or WAYLAND_DISPLAY set), also in a modal dialog from the
// first of zenity, kdialog and xmessage found on PATH. Returns once the dialog is closed.
void ShowErrorMessage(std::string caption, std::string text);
