#pragma once

#include <string>
#include <string_view>

namespace korvan {

// The window layer's edge between the system's GBK texts and the wide
// Win32 API. Code page 936 is named explicitly, never CP_ACP, so the texts
// come out right whatever code page Windows uses for non-Unicode programs.
// Bytes that are not valid GBK become U+FFFD instead of being dropped.
std::wstring wideFromGbk(std::string_view gbk);
// Characters without a GBK form become '?'.
std::string gbkFromWide(std::wstring_view wide);

}  // namespace korvan
