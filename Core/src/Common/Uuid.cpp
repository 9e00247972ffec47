#include "Common/Uuid.h"

#include <random>

namespace qel {

namespace {

// RFC 4122: the high nibble of byte 6 holds the version (4 = random), the two high bits
// of byte 8 the variant (binary 10).
constexpr std::size_t kVersionByte = 6;
constexpr std::uint8_t kVersionMask = 0x0F;
constexpr std::uint8_t kVersion4 = 0x40;
constexpr std::size_t kVariantByte = 8;
constexpr std::uint8_t kVariantMask = 0x3F;
constexpr std::uint8_t kVariantRfc4122 = 0x80;
// 32 hex digits and 4 dashes.
constexpr std::size_t kTextLength = 36;

/// Byte positions after which the text form has a dash (8-4-4-4-12 hex digits).
constexpr bool dashAfter(std::size_t index) { return index == 3 || index == 5 || index == 7 || index == 9; }

std::mt19937_64& generator() {
  // One engine per thread: no lock, and each seeded on its own from the OS.
  thread_local std::mt19937_64 engine = [] {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device(), device(), device(), device(), device()};
    return std::mt19937_64(seed);
  }();
  return engine;
}

}  // namespace

std::string Uuid::toString() const {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  text.reserve(kTextLength);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    text.push_back(kHex[bytes[i] >> 4]);
    text.push_back(kHex[bytes[i] & 0x0F]);
    if (dashAfter(i)) {
      text.push_back('-');
    }
  }
  return text;
}

Uuid uuid4() {
  Uuid id;
  auto& engine = generator();
  for (std::size_t i = 0; i < id.bytes.size(); i += 8) {
    std::uint64_t word = engine();
    for (std::size_t j = 0; j < 8; ++j) {
      id.bytes[i + j] = static_cast<std::uint8_t>(word >> (8 * j));
    }
  }
  id.bytes[kVersionByte] = static_cast<std::uint8_t>((id.bytes[kVersionByte] & kVersionMask) | kVersion4);
  id.bytes[kVariantByte] = static_cast<std::uint8_t>((id.bytes[kVariantByte] & kVariantMask) | kVariantRfc4122);
  return id;
}

}  // namespace qel

std::size_t std::hash<qel::Uuid>::operator()(const qel::Uuid& id) const noexcept {
  // FNV-1a over the bytes: the bytes are random already, this only folds them.
  constexpr std::size_t kOffsetBasis = 14695981039346656037ULL;
  constexpr std::size_t kPrime = 1099511628211ULL;
  std::size_t hash = kOffsetBasis;
  for (const std::uint8_t byte : id.bytes) {
    hash = (hash ^ byte) * kPrime;
  }
  return hash;
}
