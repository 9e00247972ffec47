#pragma once

#include <functional>
#include <memory>

#include "NamedPlaces.h"
#include "Viewer/GUIEventHandler.h"

namespace qel {
class GlobeManipulatorImpl;
}

namespace qel::demo {

/// The demo's command keys, handled before the manipulator sees them (registered as the
/// viewer's first event handler, so a command key never also moves the camera):
///
/// | key | command |
/// |---|---|
/// | h | home |
/// | n | turn the view north up |
/// | t | toggle the fixed top-down view |
/// | u | toggle underground navigation |
/// | 1–4 | jump to a named place (mountain, valley, coast, north pole) |
/// | Esc | stop every motion (flights, momentum, inertia) |
/// | F1 | toggle the key help (through `setHelpToggle`) |
///
/// Each command is one call of the library; the app adds no motion of its own. Because
/// it is an ordinary event handler, a scripted session played into a bare viewer with
/// this handler gives the same camera as the demo window does.
class AppCommands : public GUIEventHandler {
 public:
  AppCommands(std::shared_ptr<GlobeManipulatorImpl> manipulator, NamedPlaces places);

  using GUIEventHandler::handle;
  bool handle(const GUIEventAdapter& ea, const Viewer& viewer) override;

  /// Called on the main thread when F1 goes down.
  void setHelpToggle(std::function<void()> toggle) { helpToggle_ = std::move(toggle); }
  const NamedPlaces& getPlaces() const noexcept { return places_; }

  /// Jumps to a place (stops every motion first).
  void goTo(const NamedPlace& place);

  /// True for the keys this handler owns.
  static bool isCommandKey(int key) noexcept;

 private:
  void runCommand(int key);

  std::shared_ptr<GlobeManipulatorImpl> manipulator_;
  NamedPlaces places_;
  std::function<void()> helpToggle_;
};

}  // namespace qel::demo
