#include "Scene/ImageSize.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <map>
#include <mutex>

namespace qel {
namespace {

// A PNG starts with an 8-byte signature, then the IHDR chunk: 4 bytes length, 4 bytes
// "IHDR", 4 bytes width, 4 bytes height (big endian).
constexpr std::array<unsigned char, 8> kPngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr std::size_t kHeaderBytes = 24;
constexpr std::size_t kWidthOffset = 16;
constexpr std::size_t kHeightOffset = 20;
constexpr std::size_t kChunkTypeOffset = 12;

std::uint32_t bigEndian(const unsigned char* p) noexcept {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]};
}

std::optional<Vector2<int>> readUncached(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  std::ifstream in(path, std::ios::binary);
  std::array<unsigned char, kHeaderBytes> header{};
  if (!in.read(reinterpret_cast<char*>(header.data()), header.size())) return std::nullopt;
  if (!std::equal(kPngSignature.begin(), kPngSignature.end(), header.begin())) return std::nullopt;
  if (!std::equal(header.begin() + kChunkTypeOffset, header.begin() + kChunkTypeOffset + 4, "IHDR"))
    return std::nullopt;
  const std::uint32_t width = bigEndian(header.data() + kWidthOffset);
  const std::uint32_t height = bigEndian(header.data() + kHeightOffset);
  // The format allows up to 2^31 - 1 in each direction.
  if (width == 0 || height == 0 || width > 0x7fffffffu || height > 0x7fffffffu) return std::nullopt;
  return Vector2<int>(static_cast<int>(width), static_cast<int>(height));
}

}  // namespace

std::optional<Vector2<int>> readImageSize(const std::string& path) {
  static std::mutex mutex;
  static std::map<std::string, std::optional<Vector2<int>>> cache;
  const std::lock_guard<std::mutex> lock(mutex);
  const auto found = cache.find(path);
  if (found != cache.end()) return found->second;
  return cache.emplace(path, readUncached(path)).first->second;
}

}  // namespace qel
