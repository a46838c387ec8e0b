#pragma once

#include <windows.h>

namespace korvan {

// The face of every control and dialog. A Chinese face is named on purpose:
// the system's default dialog font has no Chinese glyphs on a Windows set to
// another language, and relying on font linking there gives a mixed look.
// Every Windows from 7 on carries this one, whatever its language.
inline constexpr const wchar_t* kUiFontFace = L"Microsoft YaHei";
inline constexpr int kUiFontPoints = 9;

// The control font of the main window (9 pt at the screen's resolution).
// Made once; lives as long as the process.
HFONT uiFont();

}  // namespace korvan
