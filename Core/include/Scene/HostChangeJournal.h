#pragma once

#include <cstdint>
#include <vector>

namespace qel {

/// The order in which event handlers and scene primitives came and went, for tests that
/// check a tool's life cycle (a tool taken off one viewer before it joins another; its
/// primitive added before its handler). Records nothing until recording is turned on,
/// so a long-running application never grows it. Main thread only.
class HostChangeJournal {
 public:
  enum class Kind : std::uint8_t { HandlerAdded, HandlerRemoved, PrimitiveAdded, PrimitiveRemoved };

  struct Entry {
    Kind kind;
    /// The handler or primitive (compared by address, never dereferenced).
    const void* object;
    bool operator==(const Entry&) const noexcept = default;
  };

  void setRecording(bool recording) noexcept { recording_ = recording; }
  bool isRecording() const noexcept { return recording_; }
  void record(Kind kind, const void* object) {
    if (recording_) entries_.push_back({kind, object});
  }
  const std::vector<Entry>& entries() const noexcept { return entries_; }
  void clear() noexcept { entries_.clear(); }

 private:
  bool recording_ = false;
  std::vector<Entry> entries_;
};

}  // namespace qel
