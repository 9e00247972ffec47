#include "Viewer/ScriptPlayer.h"

#include <chrono>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "Common/Clock.h"
#include "Viewer/ViewerImpl.h"

namespace qel {

namespace {

constexpr double kNanosecondsPerSecond = 1e9;

std::chrono::nanoseconds toNanoseconds(double seconds) {
  // The script bounds dt (InputScript::kMaxFrameDt), so this cannot overflow.
  return std::chrono::nanoseconds(std::llround(seconds * kNanosecondsPerSecond));
}

}  // namespace

ScriptPlayer::ScriptPlayer(ViewerImpl& viewer, InputScript script) : viewer_(viewer), script_(std::move(script)) {}

bool ScriptPlayer::step() {
  if (!Clock::isManual()) {
    throw std::logic_error(
        "qel::ScriptPlayer needs the manual clock (Clock::useManualTime()) so that the session is reproducible");
  }
  const auto& steps = script_.steps();
  while (next_ < steps.size()) {
    const InputScript::Step& current = steps[next_];
    switch (current.kind) {
      case InputScript::Step::Kind::Event:
        viewer_.queueEvent(current.event);
        ++next_;
        break;
      case InputScript::Step::Kind::Mark:
        ++next_;
        if (onMark_) {
          onMark_(current.mark, framesPlayed_);
        }
        break;
      case InputScript::Step::Kind::Frames: {
        if (!framesLeft_) {
          framesLeft_ = current.frames;
        }
        if (*framesLeft_ == 0) {
          framesLeft_.reset();
          ++next_;
          break;
        }
        // Advance first: the frame's stamp is the moment the events are taken in.
        Clock::advance(toNanoseconds(current.dt));
        --*framesLeft_;
        if (*framesLeft_ == 0) {
          framesLeft_.reset();
          ++next_;
        }
        viewer_.frame();
        ++framesPlayed_;
        if (onFrame_) {
          onFrame_(framesPlayed_);
        }
        return true;
      }
    }
  }
  return false;
}

void ScriptPlayer::playAll() {
  while (step()) {
  }
}

}  // namespace qel
