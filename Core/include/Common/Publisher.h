#pragma once

#include "Common/FunctionWrapper.h"
#include "Common/Log.h"

#include <cstddef>
#include <functional>
#include <iterator>
#include <limits>
#include <list>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>
#include <vector>

namespace qel {

template <class F>
class Publisher;

/// An event source. Listeners are called in the order they were added, on the thread that
/// raises the event, while that thread holds the publisher's (recursive) mutex: a listener
/// may add and remove listeners of the same publisher, or raise it again.
///
/// `addEventListener` returns a weak handle; invoking it removes the listener. The
/// publisher is the handle's only strong owner, so the handle expires as soon as the
/// listener is removed (at once, even when that happens during a raise).
///
/// What one raise calls is fixed when it starts: every listener present then, in order,
/// including one removed by an earlier listener of the same raise (it was still listening
/// when the event happened). A listener added during a raise is first called by the next
/// raise, and a raise that starts after a removal (a nested raise, or a later one) does
/// not call the removed listener; in particular a listener that removed itself is never
/// called again.
///
/// A publisher is owned by one object and handed out by pointer or reference; it must
/// outlive every call it is given. Its handles need not: a handle invoked after the
/// publisher is gone (or while it is being destroyed, from another thread that had
/// already locked it) does nothing.
template <class... Args>
class Publisher<std::function<void(Args...)>> {
 public:
  using Listener = std::function<void(Args...)>;

  Publisher() = default;
  Publisher(const Publisher&) = delete;
  Publisher& operator=(const Publisher&) = delete;

  ~Publisher() {
    // Cut the handles' way in first. A handle being invoked on another thread right now
    // holds the mutex, so this waits for it to finish with an intact publisher; any
    // handle invoked later finds no publisher.
    {
      std::lock_guard lock(anchor->mutex);
      anchor->publisher = nullptr;
    }
    // Expire every handle before the callables go, so that a callable whose destructor
    // invokes a handle of this publisher finds it expired instead of a half-torn list.
    for (Entry& entry : listeners) {
      entry.handle.reset();
    }
  }

  /// An empty listener is refused (logged) and gets an already expired handle.
  std::weak_ptr<FunctionWrapper> addEventListener(Listener&& listener) { return add(std::move(listener)); }

  std::weak_ptr<FunctionWrapper> addEventListener(const Listener& listener) { return add(Listener(listener)); }

  template <class L>
  requires(!std::is_same_v<std::remove_cvref_t<L>, Listener> &&
           std::is_constructible_v<Listener, L&&>) std::weak_ptr<FunctionWrapper> addEventListener(L&& listener) {
    return add(Listener(std::forward<L>(listener)));
  }

  /// Calls the listeners (see the class comment for which). If a listener throws, the
  /// raise stops there, the publisher is left usable (removals made so far take effect)
  /// and the exception propagates to the caller.
  void raiseEvent(Args... args) {
    std::lock_guard lock(anchor->mutex);
    if (listeners.empty()) {
      return;
    }
    const bool outermost = !raising;
    raising = true;
    // Entries queued for removal before this raise began are skipped by it; those
    // removed while it runs are not (see the class comment).
    const std::size_t removedBeforeStart = pendingRemovals.size();
    const auto last = std::prev(listeners.end());
    try {
      for (auto it = listeners.begin();; ++it) {
        if (it->removalIndex >= removedBeforeStart) {
          it->callback(args...);
        }
        if (it == last) {
          break;
        }
      }
    } catch (...) {
      finishRaise(outermost);
      throw;
    }
    finishRaise(outermost);
  }

  /// Listeners currently registered (not counting those removed during a raise that is
  /// still running).
  std::size_t listenerCount() const {
    std::lock_guard lock(anchor->mutex);
    return listeners.size() - pendingRemovals.size();
  }

 private:
  static constexpr std::size_t kNotRemoved = std::numeric_limits<std::size_t>::max();

  struct Entry {
    Listener callback;
    std::shared_ptr<FunctionWrapper> handle;
    /// Position in pendingRemovals once removed during a raise.
    std::size_t removalIndex = kNotRemoved;
  };
  using Iterator = typename std::list<Entry>::iterator;

  /// What the handles reach their publisher through, shared with them. The publisher's
  /// mutex lives here so that a handle can learn, under that very mutex, whether the
  /// publisher still exists.
  struct Anchor {
    explicit Anchor(Publisher* owner) : publisher(owner) {}
    std::recursive_mutex mutex;
    Publisher* publisher;  // null once the publisher is being destroyed; under `mutex`
  };

  /// The callable behind a handle. `done` makes a second call (through a strong copy
  /// somebody kept) harmless.
  struct Remover {
    std::shared_ptr<Anchor> anchor;
    Iterator entry;
    bool done = false;
    void operator()() {
      // Declared before the lock so that what they own dies after it is released:
      // a listener's captures may have destructors that call back into this publisher.
      std::shared_ptr<FunctionWrapper> released;
      std::list<Entry> doomed;
      std::lock_guard lock(anchor->mutex);
      if (anchor->publisher == nullptr || done) {
        return;
      }
      anchor->publisher->removeLocked(entry, released, doomed);
      done = true;
    }
  };

  std::weak_ptr<FunctionWrapper> add(Listener&& listener) {
    if (!listener) {
      Log::getInstance().log(
          SourceLocation{"Core/include/Common/Publisher.h", __LINE__, "qel::Publisher::addEventListener"},
          Log::kRefused, "An empty listener cannot be added to a publisher.");
      return {};
    }
    // Build the entry and its handle in a list of its own, then splice it in: the
    // publisher's list never holds an entry without a handle, even if an allocation
    // fails, and splicing keeps the iterator the handle holds valid.
    std::list<Entry> fresh;
    fresh.push_back(Entry{std::move(listener), nullptr});
    const Iterator entry = fresh.begin();
    entry->handle = std::make_shared<FunctionWrapper>(Remover{anchor, entry});
    std::weak_ptr<FunctionWrapper> weak = entry->handle;
    std::lock_guard lock(anchor->mutex);
    listeners.splice(listeners.end(), fresh);
    return weak;
  }

  /// Caller holds the mutex; what the entry owned is handed out to die after it.
  void removeLocked(Iterator entry, std::shared_ptr<FunctionWrapper>& released, std::list<Entry>& doomed) {
    if (raising) {
      pendingRemovals.push_back(entry);
      entry->removalIndex = pendingRemovals.size() - 1;
      released = std::move(entry->handle);
    } else {
      doomed.splice(doomed.end(), listeners, entry);
    }
  }

  void finishRaise(bool outermost) {
    // Only the outermost raise may unlink entries: an outer raise still walks the list.
    if (!outermost) {
      return;
    }
    std::list<Entry> doomed;
    for (const Iterator& entry : pendingRemovals) {
      doomed.splice(doomed.end(), listeners, entry);
    }
    pendingRemovals.clear();
    raising = false;
    // Destroy the callables with the publisher's state already consistent.
    doomed.clear();
  }

  std::list<Entry> listeners;
  std::vector<Iterator> pendingRemovals;
  // Holds the publisher's recursive mutex (see Anchor).
  const std::shared_ptr<Anchor> anchor = std::make_shared<Anchor>(this);
  bool raising = false;
};

}  // namespace qel
