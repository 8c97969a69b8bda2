#pragma once
// <windows.h> with the common controls and dialogs for the native window.
// The A/W name macros would rename the seams' methods that carry the Win32
// names (MsgBox's GetOpenFileName, ...), so they are dropped; the window
// calls the A functions by name, and its texts are code page 1252 bytes.

#include "platform/win32/windows_api.h"

#include <commctrl.h>
#include <commdlg.h>

#undef GetOpenFileName
#undef GetSaveFileName
#undef MessageBox
