#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace qel {

/// A 16-byte universally unique identifier, compared and ordered byte by byte.
struct Uuid {
  std::array<std::uint8_t, 16> bytes{};

  /// Lower-case hex in the 8-4-4-4-12 form, e.g. "1b4e28ba-2fa1-41d2-883f-0016d3cca427".
  std::string toString() const;

  bool operator==(const Uuid&) const = default;
  std::strong_ordering operator<=>(const Uuid&) const = default;
};

/// A fresh random identifier (version 4, variant 1). Safe to call from any thread.
Uuid uuid4();

}  // namespace qel

template <>
struct std::hash<qel::Uuid> {
  std::size_t operator()(const qel::Uuid& id) const noexcept;
};
