#pragma once
// <windows.h> for the backends. Its A/W name macros would rename the seam
// methods that carry the Win32 names (CopyFile, GetSystemDirectory, ...), so
// they are dropped here; the backends call the A functions by name.

#include <windows.h>

#undef CopyFile
#undef GetSystemDirectory
#undef SetWindowsHookEx
#undef GetVersionEx
#undef GetOpenFileName
#undef GetSaveFileName
#undef MessageBox
