#include "Viewer/ViewerImpl.h"

#include <algorithm>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

#include "Common/AsyncSystem.h"
#include "Common/Clock.h"
#include "Common/Log.h"
#include "Viewer/CameraManipulator.h"
#include "Viewer/GUIEventHandler.h"
#include "Viewer/KeyCodes.h"
#include "Viewer/Viewer.h"

namespace qel {

namespace {

// The window a new viewer opens with when the application gives no scene of its own.
constexpr int kDefaultWindowWidth = 800;
constexpr int kDefaultWindowHeight = 600;
// Cursor changes kept for inspection: a drag sets the cursor on every event, so a long
// session would otherwise grow the history without bound. Half of it goes when full.
constexpr std::size_t kMaxCursorHistory = 4096;
// Modifiers that make a key event "modified" for the navigation table.
constexpr std::int32_t kRealModifiers = ModKey::Shift | ModKey::Control | ModKey::Alt;

constexpr const char* kSourceFile = "Core/src/Viewer/ViewerImpl.cpp";

void logRefused(int line, const char* function, std::string_view text) {
  Log::getInstance().log(SourceLocation{kSourceFile, line, function}, Log::kRefused, text);
}

std::string describeCurrentException() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "an exception that is not a std::exception";
  }
}

// Runs one piece of the frame. A failure is logged and swallowed: one faulty tool must not
// stop the viewer, and the rest of the frame still runs.
template <class F>
void runGuarded(int line, const char* function, std::string_view what, F&& f) {
  try {
    f();
  } catch (...) {
    std::string text(what);
    text += " threw: ";
    text += describeCurrentException();
    logRefused(line, function, text);
  }
}

std::int32_t withPlainBit(std::int32_t modKeyMask) {
  return (modKeyMask & kRealModifiers) == 0 ? (modKeyMask | ModKey::None) : modKeyMask;
}

}  // namespace

std::shared_ptr<ViewerImpl> ViewerImpl::create() {
  auto scene = std::make_shared<SceneImpl>();
  scene->setWindowSize(kDefaultWindowWidth, kDefaultWindowHeight);
  return create(std::move(scene));
}

std::shared_ptr<ViewerImpl> ViewerImpl::create(std::shared_ptr<SceneImpl> scene) {
  if (!scene) {
    return create();
  }
  // Two owners: the library's (the first, which weak_from_this and so every facade's
  // viewer reference follow) and the application's, whose last release ends the viewer.
  // A query waiting on another thread holds the library's, so it cannot keep the viewer
  // from ending when the application lets go.
  std::shared_ptr<ViewerImpl> library(new ViewerImpl(std::move(scene)));
  ViewerImpl* const raw = library.get();
  return std::shared_ptr<ViewerImpl>(raw, EndWhenReleased{std::move(library)});
}

void ViewerImpl::EndWhenReleased::operator()(ViewerImpl*) {
  const std::shared_ptr<ViewerImpl> last = std::move(viewer);
  last->stop();
}

ViewerImpl::ViewerImpl(std::shared_ptr<SceneImpl> scene)
    : scene_(std::move(scene)),
      publicScene_(scene_),
      // The face handed to handlers must not own this object (the object owns it): an
      // aliasing pointer with no owner gives it a pointer without a reference count.
      viewer_(std::make_unique<Viewer>(std::shared_ptr<ViewerImpl>(std::shared_ptr<ViewerImpl>(), this))) {
  // The history's whole capacity up front, so that dragging never allocates for it.
  cursorHistory_.reserve(kMaxCursorHistory);
}

ViewerImpl::~ViewerImpl() { stop(); }

void ViewerImpl::addEventHandler(std::shared_ptr<EventHandler> handler) {
  if (!handler || isRegistered(handler.get())) {
    return;
  }
  getScene().getChangeJournal().record(HostChangeJournal::Kind::HandlerAdded, handler.get());
  handlers_.push_back(std::move(handler));
}

void ViewerImpl::removeEventHandler(EventHandler& handler) {
  if (isRegistered(&handler)) getScene().getChangeJournal().record(HostChangeJournal::Kind::HandlerRemoved, &handler);
  std::erase_if(handlers_, [&](const std::shared_ptr<EventHandler>& h) { return h.get() == &handler; });
}

bool ViewerImpl::isRegistered(const EventHandler* handler) const noexcept {
  return std::any_of(handlers_.begin(), handlers_.end(),
                     [&](const std::shared_ptr<EventHandler>& h) { return h.get() == handler; });
}

void ViewerImpl::setCameraManipulator(const std::shared_ptr<CameraManipulator>& manipulator) {
  if (!manipulator) {
    setCameraManipulatorImpl(nullptr);
    return;
  }
  manipulator->_setViewer(weak_from_this());
  setCameraManipulatorImpl(manipulator->_getImplHandle());
}

void ViewerImpl::setCameraManipulatorImpl(std::shared_ptr<CameraManipulatorImpl> manipulator) {
  manipulator_ = std::move(manipulator);
}

void ViewerImpl::queueEvent(const GUIEventAdapter& event) {
  GUIEventAdapter queued = event;
  const std::uint32_t type = queued.getEventType();
  std::lock_guard lock(queueMutex_);
  if (type == GUIEventAdapter::KEYDOWN) {
    const std::int32_t mods = withPlainBit(queued.getModKeyMask());
    queued.setModKeyMask(mods);
    // A key repeating while the user changes modifiers goes down with several masks;
    // its key-up must clear whatever any of them set.
    heldKeyModifiers_[queued.getKey()] |= mods;
  } else if (type == GUIEventAdapter::KEYUP) {
    const auto held = heldKeyModifiers_.find(queued.getKey());
    if (held != heldKeyModifiers_.end()) {
      queued.setModKeyMask(held->second);
      heldKeyModifiers_.erase(held);
    } else {
      // A key that went down before this viewer saw it (the window just got the focus).
      queued.setModKeyMask(withPlainBit(queued.getModKeyMask()));
    }
  }
  queuedEvents_.push_back(queued);
}

std::size_t ViewerImpl::getQueuedEventCount() const noexcept {
  std::lock_guard lock(queueMutex_);
  return queuedEvents_.size();
}

void ViewerImpl::releaseAllKeys() {
  std::lock_guard lock(queueMutex_);
  for (const auto& [key, mods] : heldKeyModifiers_) {
    queuedEvents_.push_back(GUIEventAdapter::makeKeyUp(key, mods));
  }
  heldKeyModifiers_.clear();
}

void ViewerImpl::frame() {
  constexpr const char* kFunction = "qel::ViewerImpl::frame";
  if (inFrame_) {
    // A handler driving the loop from inside the loop would deliver the rest of this
    // frame's events after a whole nested frame.
    logRefused(__LINE__, kFunction, "frame() called while a frame is running; ignored");
    return;
  }
  inFrame_ = true;
  struct FrameExit {
    bool& flag;
    ~FrameExit() { flag = false; }
  } frameExit{inFrame_};

  frameStamp_ = Clock::now();
  ++frameNumber_;

  // 1. Work posted by the facades from other threads. With no main thread registered,
  // calls run on their callers and only leftovers of an earlier registration can wait
  // here; a viewer on another thread than the registered one must not touch the queue.
  AsyncSystem& async = AsyncSystem::instance(false);
  if (!async.hasMainThreadId.load(std::memory_order_acquire) || async.isMainThread()) {
    runGuarded(__LINE__, kFunction, "draining the main-thread queue", [&] { async.drainMainThreadTasks(); });
  }

  // 2. Input. Events queued while these are delivered wait for the next frame. The two
  // buffers trade places and keep their capacity: no allocation once warmed up.
  {
    std::lock_guard lock(queueMutex_);
    deliveringEvents_.swap(queuedEvents_);
  }
  struct ClearOnExit {
    std::vector<GUIEventAdapter>& events;
    ~ClearOnExit() { events.clear(); }
  } clearDelivered{deliveringEvents_};
  for (const GUIEventAdapter& event : deliveringEvents_) {
    deliverInput(event);
  }

  // 3. The frame event, 4. the keyboard step.
  deliverFrameEvent();
  runKeyboardStep();

  // 5. Scene work: primitives' updates, frame-state tasks, post-cull.
  runGuarded(__LINE__, kFunction, "the scene's frame work", [&] { scene_->render(frameStamp_); });

  // 6. The camera takes the manipulator's pose.
  if (const auto manipulator = manipulator_) {
    runGuarded(__LINE__, kFunction, "the manipulator's updateCamera",
               [&] { manipulator->updateCamera(scene_->getCamera()); });
  }

  // 7. Drawing. Held by a second reference, so that the callback may replace itself.
  if (const auto callback = renderCallback_) {
    runGuarded(__LINE__, kFunction, "the render callback", [&] { (*callback)(*this); });
  }
}

template <class F>
void ViewerImpl::deliverToHandlers(int line, const char* function, F&& deliver) {
  // A copy of the list, so handlers may add and remove handlers while being called; one
  // removed meanwhile is skipped (the copy still keeps it alive until we are done). The
  // copy is refilled in place: no allocation unless the list grew.
  deliveryHandlers_.assign(handlers_.begin(), handlers_.end());
  struct ReleaseOnExit {
    std::vector<std::shared_ptr<EventHandler>>& handlers;
    ~ReleaseOnExit() { handlers.clear(); }
  } release{deliveryHandlers_};
  for (const auto& handler : deliveryHandlers_) {
    auto* guiHandler = dynamic_cast<GUIEventHandler*>(handler.get());
    if (guiHandler == nullptr || !isRegistered(handler.get())) {
      continue;
    }
    runGuarded(line, function, "an event handler", [&] { deliver(*guiHandler); });
  }
  if (const auto manipulator = manipulator_) {
    runGuarded(line, function, "the camera manipulator", [&] { deliver(*manipulator); });
  }
}

void ViewerImpl::deliverInput(const GUIEventAdapter& event) {
  constexpr const char* kFunction = "qel::ViewerImpl::deliverInput";
  // The handled flag lives on this copy: it travels from handler to handler for this
  // delivery only.
  const GUIEventAdapter ea = event;
  const Viewer& viewer = *viewer_;
  // Handled events are still delivered: each handler is responsible for ignoring them.
  deliverToHandlers(__LINE__, kFunction, [&](GUIEventHandler& handler) {
    if (handler.handle(ea, viewer)) {
      ea.setHandled(true);
    }
  });
}

void ViewerImpl::deliverFrameEvent() {
  constexpr const char* kFunction = "qel::ViewerImpl::deliverFrameEvent";
  const GUIEventAdapter frameEvent = GUIEventAdapter::makeFrame();
  const Viewer& viewer = *viewer_;
  // Every handler gets the frame event whatever the others return: time-driven work
  // (flights, inertia, previews) must advance in all of them.
  deliverToHandlers(__LINE__, kFunction, [&](GUIEventHandler& handler) { handler.handle(frameEvent, viewer); });
}

void ViewerImpl::runKeyboardStep() {
  constexpr const char* kFunction = "qel::ViewerImpl::runKeyboardStep";
  const auto manipulator = manipulator_;
  if (!manipulator) {
    return;
  }
  const TimePoint before = manipulator->lastKeyStepTime;
  runGuarded(__LINE__, kFunction, "the manipulator's doKeyDownOperateSaved",
             [&] { manipulator->doKeyDownOperateSaved(*viewer_); });
  // A step was taken (its time was recorded): the first step of a key press uses a fixed
  // short time, the ones after it the time measured since the previous step.
  if (manipulator->lastKeyStepTime != before) {
    manipulator->keyStepRestart = false;
  }
}

void ViewerImpl::setRenderCallback(std::function<void(ViewerImpl&)> callback) {
  renderCallback_ = callback ? std::make_shared<const std::function<void(ViewerImpl&)>>(std::move(callback)) : nullptr;
}

void ViewerImpl::registerMainThread() {
  if (hasEnded()) {
    return;
  }
  registeredThreadId_.store(AsyncSystem::currentThreadId(), std::memory_order_release);
  registeredMainThread_.store(true, std::memory_order_release);
  AsyncSystem& async = AsyncSystem::instance(false);
  async.registerMainThread();
  // Ended meanwhile on another thread, which may have looked before the registration.
  if (hasEnded()) {
    async.closeMainThread(registeredThreadId_.load(std::memory_order_acquire));
  }
}

bool ViewerImpl::hasEnded() const noexcept {
  if (ended_.load(std::memory_order_acquire)) {
    return true;
  }
  if (!registeredMainThread_.load(std::memory_order_acquire)) {
    return false;
  }
  // Its main thread ended without stopping it: AsyncSystem closed that thread's queue.
  // Remembered, so that a later main thread of another viewer does not revive this one.
  const AsyncSystem& async = AsyncSystem::instance(false);
  if (async.isMainThreadClosed() &&
      async.mainThreadId.load(std::memory_order_acquire) == registeredThreadId_.load(std::memory_order_acquire)) {
    ended_.store(true, std::memory_order_release);
    return true;
  }
  return false;
}

void ViewerImpl::stop() {
  // The flag first: a facade call that sees it posts nothing, and one that posted just
  // before finds its work dropped below and, seeing the flag, answers with the default.
  if (ended_.exchange(true, std::memory_order_acq_rel)) {
    return;
  }
  if (!registeredMainThread_.load(std::memory_order_acquire)) {
    return;
  }
  // Closed, not unregistered: calls from other threads must not start running on their
  // callers while the old main thread may still be in a frame. Another viewer may have
  // registered its own thread since; that registration is not ours to close.
  AsyncSystem::instance(false).closeMainThread(registeredThreadId_.load(std::memory_order_acquire));
}

void ViewerImpl::setSceneCursor(CursorAction action) {
  cursor_ = action;
  if (cursorHistory_.size() >= kMaxCursorHistory) {
    cursorHistory_.erase(cursorHistory_.begin(),
                         cursorHistory_.begin() + static_cast<std::ptrdiff_t>(kMaxCursorHistory / 2));
  }
  cursorHistory_.push_back(action);
}

}  // namespace qel
