#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "Scene/Scene.h"
#include "Scene/SceneImpl.h"
#include "Viewer/CameraManipulatorImpl.h"
#include "Viewer/CursorAction.h"
#include "Viewer/EventHandler.h"
#include "Viewer/GUIEventAdapter.h"

namespace qel {

class Viewer;
class CameraManipulator;

/// The viewer's engine: owns the scene, queues input, runs the frame loop on the main
/// thread. Frame order, once per `frame()`:
///  1. drain AsyncSystem's main-thread queue;
///  2. deliver each queued input event to the event handlers in the order they were
///     added, then to the installed manipulator; a handler returning true marks the
///     event handled and those after it (the manipulator included) ignore it;
///  3. deliver the frame event to all of them whatever they return;
///  4. the manipulator's `doKeyDownOperateSaved` (clearing its `keyStepRestart` when
///     that call took a step);
///  5. the scene's frame work (primitives' updates, frame-state tasks, post-cull);
///  6. the manipulator's `updateCamera` with the scene's camera;
///  7. the render callback, if any (the demo draws there; tests have none).
/// A handler or step that throws is logged and the frame goes on.
///
/// Handlers may add and remove handlers (and install a manipulator) while they are being
/// called: each event goes to the handlers registered when its delivery starts, less those
/// removed meanwhile, so a handler added during a frame gets events from the next one on.
///
/// `queueEvent`, `releaseAllKeys`, `stop` and `hasEnded` may be called from any thread;
/// everything else belongs to the main thread.
///
/// End of life. A viewer ends once, whichever comes first: `stop()`, the application
/// releasing the last pointer `create` gave it (or a copy of it; also when a facade call
/// on another thread still holds the viewer at that moment), or the registered main
/// thread ending. From then on the facades treat it as gone: commands do nothing and
/// queries return their default, also those that were waiting for the main thread when
/// it ended (their queued work is dropped at once). Work posted from other threads is
/// never run on its callers instead, since the old main thread may still be using the
/// implementations. Frames may still be run; they no longer see posted work.
///
/// Per frame the viewer allocates nothing once warmed up (the event queue, the handler
/// list it walks and the cursor history keep their capacity).
class ViewerImpl : public std::enable_shared_from_this<ViewerImpl> {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  /// A viewer over a new scene (procedural terrain, an 800 × 600 window). The returned
  /// pointer and its copies are the application's: when the last of them is released
  /// the viewer ends (see the class comment), even if the library still holds it.
  static std::shared_ptr<ViewerImpl> create();
  static std::shared_ptr<ViewerImpl> create(std::shared_ptr<SceneImpl> scene);
  ~ViewerImpl();
  ViewerImpl(const ViewerImpl&) = delete;
  ViewerImpl& operator=(const ViewerImpl&) = delete;

  SceneImpl& getScene() const noexcept { return *scene_; }
  const Scene& getPublicScene() const noexcept { return publicScene_; }
  /// The public face handed to handlers.
  const Viewer& getViewer() const noexcept { return *viewer_; }

  /// Adding a null handler or one already registered does nothing.
  void addEventHandler(std::shared_ptr<EventHandler> handler);
  /// Removing a handler that is not registered does nothing.
  void removeEventHandler(EventHandler& handler);
  std::size_t getEventHandlerCount() const noexcept { return handlers_.size(); }

  /// Installs a manipulator (the facade's viewer reference is set to this viewer); a null
  /// facade removes the installed manipulator.
  void setCameraManipulator(const std::shared_ptr<CameraManipulator>& manipulator);
  void setCameraManipulatorImpl(std::shared_ptr<CameraManipulatorImpl> manipulator);
  std::shared_ptr<CameraManipulatorImpl> getCameraManipulator() const noexcept { return manipulator_; }

  /// The current frame's time stamp (read from the clock once at the start of each frame).
  TimePoint getFrameStamp() const noexcept { return frameStamp_; }
  /// Frames started so far: during the first frame this is 1.
  std::uint64_t getFrameNumber() const noexcept { return frameNumber_; }

  /// Queues an input event for the next frame, as given (the handlers judge positions and
  /// deltas themselves), except for key events:
  ///  - a key event without Shift, Control or Alt gets `ModKey::None` added, so that the
  ///    navigation table can tell a plain key from a modified one;
  ///  - a key-up reports every modifier its key went down with, whatever is held when it
  ///    comes up, so that releasing the modifier first leaves no navigation bit set.
  void queueEvent(const GUIEventAdapter& event);
  std::size_t getQueuedEventCount() const noexcept;
  /// Queues a key-up for every key that is down (for a window losing the focus, which
  /// then never sees those keys come up).
  void releaseAllKeys();

  /// Runs one frame (see the class comment). A call from inside a frame (a handler
  /// calling it) is refused and logged.
  void frame();
  /// Called at the end of every frame, after `updateCamera`.
  void setRenderCallback(std::function<void(ViewerImpl&)> callback);

  /// Registers the calling thread as the main thread of AsyncSystem: from then on the
  /// facades' calls from other threads are queued and run by `frame`. Does nothing once
  /// the viewer has ended.
  void registerMainThread();
  /// Ends the viewer (see the class comment): if it registered the main thread, that
  /// thread's queue is closed and the work waiting in it is dropped, so every waiting
  /// query returns at once. Calling it again does nothing.
  void stop();
  /// The viewer has ended (also when the main thread it registered has ended).
  bool hasEnded() const noexcept;

  void setSceneCursor(CursorAction action);
  /// The cursor shown now.
  CursorAction getSceneCursor() const noexcept { return cursor_; }
  /// Test hook: every cursor action set, in order (the oldest are dropped once it grows
  /// long, so that a long session does not keep them all).
  const std::vector<CursorAction>& getCursorHistory() const noexcept { return cursorHistory_; }
  void clearCursorHistory() { cursorHistory_.clear(); }

 private:
  explicit ViewerImpl(std::shared_ptr<SceneImpl> scene);
  // Calls `deliver(GUIEventHandler&)` on each registered GUI handler, then on the
  // manipulator, each call guarded so that a throwing one is logged (at `line` of
  // `function`, the delivering caller) and the rest still run.
  template <class F>
  void deliverToHandlers(int line, const char* function, F&& deliver);
  void deliverInput(const GUIEventAdapter& event);
  void deliverFrameEvent();
  void runKeyboardStep();
  bool isRegistered(const EventHandler* handler) const noexcept;
  /// Ends the viewer when the application's last pointer goes, then lets go of it.
  struct EndWhenReleased {
    std::shared_ptr<ViewerImpl> viewer;
    void operator()(ViewerImpl* /*same object as viewer*/);
  };

  std::shared_ptr<SceneImpl> scene_;
  Scene publicScene_;
  std::unique_ptr<Viewer> viewer_;
  std::vector<std::shared_ptr<EventHandler>> handlers_;
  // The handlers one delivery walks (a copy of handlers_, refilled in place each time).
  std::vector<std::shared_ptr<EventHandler>> deliveryHandlers_;
  std::shared_ptr<CameraManipulatorImpl> manipulator_;
  // Guards the queue and the held keys: window systems may queue from their own thread.
  mutable std::mutex queueMutex_;
  std::vector<GUIEventAdapter> queuedEvents_;
  // The events one frame delivers, swapped with queuedEvents_ so both keep their capacity.
  std::vector<GUIEventAdapter> deliveringEvents_;
  // Key code -> every modifier mask the key went down with while held.
  std::map<std::int32_t, std::int32_t> heldKeyModifiers_;
  // Shared, so that a frame can hold on to it (it may replace itself) without copying it.
  std::shared_ptr<const std::function<void(ViewerImpl&)>> renderCallback_;
  TimePoint frameStamp_{};
  std::uint64_t frameNumber_ = 0;
  CursorAction cursor_ = CursorAction::Default;
  std::vector<CursorAction> cursorHistory_;
  // Written on the main thread, read by `stop` on whichever thread ends the viewer.
  std::atomic<bool> registeredMainThread_{false};
  std::atomic<std::uint32_t> registeredThreadId_{0};
  // Mutable: `hasEnded` notes there that the main thread ended.
  mutable std::atomic<bool> ended_{false};
  bool inFrame_ = false;
};

}  // namespace qel
