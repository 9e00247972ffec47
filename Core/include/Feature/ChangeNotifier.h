#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

#include "Common/FunctionWrapper.h"
#include "Common/Publisher.h"

namespace qel::Feature {

/// What styles, symbols and materials share: a definition that announces each of its
/// changes to whatever holds it, so that a change deep inside a style (the colour of the
/// material of a style's line symbol) reaches the style and, through it, the scene and
/// the editors that follow the style.
///
/// Each change gets a process-wide serial number. A definition passes a change on to its
/// holders once per serial, so a part reached along two paths (one material used for a
/// polygon's fill and for its outline, one symbol held by two styles' parts) announces a
/// change to each holder exactly once, and holders that hold each other do not loop.
///
/// A part may be held by any number of holders at once: a symbol shared by two styles
/// notifies both. Changed and read on the main thread.
class ChangeNotifier {
 public:
  using ChangeListener = std::function<void(std::uint64_t serial)>;

  virtual ~ChangeNotifier();
  ChangeNotifier(const ChangeNotifier&) = delete;
  ChangeNotifier& operator=(const ChangeNotifier&) = delete;

  /// Calls `listener` with the change's serial after every change of this definition or
  /// of a part it holds; invoking the returned handle removes it. An empty listener is
  /// refused (logged) and gets an expired handle.
  std::weak_ptr<FunctionWrapper> _addChangeListener(ChangeListener listener);
  /// Counts the changes announced: what was built from version v is current as long as
  /// the version is still v.
  std::uint64_t _getVersion() const noexcept { return version_; }
  /// Announces a new change of this definition (also for a public member written
  /// directly).
  void _raiseDefinitionChanged();

 protected:
  ChangeNotifier();

  /// Passes change `serial` on, unless this definition has announced it already.
  void propagate(std::uint64_t serial);
  /// Called once per announced change, before the holders hear of it.
  virtual void onDefinitionChanged() {}

  /// A part held by a definition (a style's symbol, a symbol's material): holding it
  /// subscribes the holder to the part's changes, replacing or dropping it (or the
  /// holder going away) unsubscribes. Setting a part does not itself announce anything;
  /// the holder's setter does.
  template <class T>
  class Part {
   public:
    explicit Part(ChangeNotifier& holder) noexcept : holder_(holder) {}
    ~Part() { release(); }
    Part(const Part&) = delete;
    Part& operator=(const Part&) = delete;

    const std::shared_ptr<T>& get() const noexcept { return part_; }
    void set(std::shared_ptr<T> part) {
      if (part == part_) return;
      release();
      part_ = std::move(part);
      if (!part_) return;
      ChangeNotifier& holder = holder_;
      handle_ = static_cast<ChangeNotifier&>(*part_)._addChangeListener(
          [&holder](std::uint64_t serial) { holder.propagate(serial); });
    }

   private:
    void release() {
      if (std::shared_ptr<FunctionWrapper> handle = handle_.lock()) (*handle)();
      handle_.reset();
    }

    ChangeNotifier& holder_;
    std::shared_ptr<T> part_;
    std::weak_ptr<FunctionWrapper> handle_;
  };

 private:
  std::uint64_t version_ = 0;
  std::uint64_t lastSerial_ = 0;
  std::unique_ptr<Publisher<ChangeListener>> changed_;
};

}  // namespace qel::Feature
