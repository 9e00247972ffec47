#include "AppCommands.h"

#include "Manipulator/GlobeManipulatorImpl.h"
#include "Viewer/KeyCodes.h"

namespace qel::demo {

AppCommands::AppCommands(std::shared_ptr<GlobeManipulatorImpl> manipulator, NamedPlaces places)
    : manipulator_(std::move(manipulator)), places_(std::move(places)) {}

bool AppCommands::isCommandKey(int key) noexcept {
  switch (key) {
    case 'h':
    case 'n':
    case 't':
    case 'u':
    case '1':
    case '2':
    case '3':
    case '4':
    case Key::Escape:
    case Key::F1: return true;
    default: return false;
  }
}

bool AppCommands::handle(const GUIEventAdapter& ea, const Viewer&) {
  if (ea.getHandled()) return false;
  const auto type = ea.getEventType();
  if (type != GUIEventAdapter::KEYDOWN && type != GUIEventAdapter::KEYUP) return false;
  if (!isCommandKey(ea.getKey())) return false;
  // Commands ignore modifiers: Shift+H is still "home". The key-up is swallowed too, so
  // the manipulator sees neither half of a command key.
  if (type == GUIEventAdapter::KEYDOWN) runCommand(ea.getKey());
  return true;
}

void AppCommands::goTo(const NamedPlace& place) {
  manipulator_->stopCamera();
  manipulator_->setPosition(place.position);
  manipulator_->setOrientation(place.orientation);
}

void AppCommands::runCommand(int key) {
  GlobeManipulatorImpl& m = *manipulator_;
  switch (key) {
    case 'h':
      m.stopCamera();
      m.home();
      break;
    case 'n': m.turnNorthUp(); break;
    case 't': m.setTopViewFixed(!m.isTopViewFixed()); break;
    case 'u': m.setUndergroundAllowed(!m.isUndergroundAllowed()); break;
    case Key::Escape: m.stopCamera(); break;
    case Key::F1:
      if (helpToggle_) helpToggle_();
      break;
    default:
      if (const NamedPlace* place = places_.forKey(key - '0')) goTo(*place);
      break;
  }
}

}  // namespace qel::demo
