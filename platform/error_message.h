#pragma once

#include <string>

// Reports an error to the user: always on standard error as "caption: text", and, when a
// display is available (DISPLAY or WAYLAND_DISPLAY set), also in a modal dialog from the
// first of zenity, kdialog, yad, gxmessage and xmessage found on PATH. Returns once the dialog
// is closed.
//
// Caption and text are in the process locale's encoding (CP_ACP). When the environment's
// locale is not UTF-8, the dialog gets them in UTF-8 with LC_ALL=C.UTF-8 in its own environment,
// so that every tool reads them as UTF-8; the caller's environment is left as it is.
void ShowErrorMessage(std::string caption, std::string text);
