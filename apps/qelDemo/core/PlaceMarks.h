#pragma once

namespace qel {
class SceneImpl;
}

namespace qel::demo {

class NamedPlaces;

/// A pin (the point editor's marker image) and a label with its name in Chinese and
/// English over the named places the number keys jump to, drawn by the scene as a
/// billboard and a label collection: they show that the demo draws what the scene
/// submits, images and CJK text included. Behind the Earth they are hidden.
///
/// The valley has none: its sample features and boxes fill the view there, and the
/// editing tour picks them. The marks are select-disabled (landmarks, not objects to
/// collect): a rectangle pick passes them over, a click pick still names them.
void addPlaceMarks(SceneImpl& scene, const NamedPlaces& places);

}  // namespace qel::demo
