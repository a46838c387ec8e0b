#pragma once

#include <string>

namespace korvan {

// The 38-line connection profile with its ten placeholders, as GBK bytes:
// CR LF between lines and none after the last, 986 bytes in all. The RDP
// client reads it as is, so every byte counts. Thread-safe.
const std::string& ProfileTemplate();

}  // namespace korvan
