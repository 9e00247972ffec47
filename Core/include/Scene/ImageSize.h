#pragma once

#include <optional>
#include <string>

#include "Common/Vector2.h"

namespace qel {

/// Width and height (pixels) of a PNG file, read from its header; empty when the file
/// cannot be read or is not a PNG. Backslashes in `path` count as folder separators,
/// so the Windows-style paths the tools build work here too. Results are cached per
/// path for the process (images do not change while the program runs).
std::optional<Vector2<int>> readImageSize(const std::string& path);

}  // namespace qel
