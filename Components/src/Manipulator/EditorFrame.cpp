#include "Manipulator/EditorFrame.h"

#include "Common/AsyncSystem.h"
#include "Common/Log.h"
#include "Common/ModulePath.h"
#include "Manipulator/HandleImages.h"
#include "Scene/SceneImpl.h"

namespace qel {

namespace {

// The module the images ship beside, and their folder in it.
constexpr const char* kImageModule = "qelCommon";
constexpr const char* kTextureFolder = "\\Resource\\Texture\\";
constexpr const char* kMarkerFile = "Resource\\Texture\\markIcon.png";

template <class F>
void postToMainThread(F&& f) {
  auto future = AsyncSystem::instance(false).runInMainThread(std::forward<F>(f));
  (void)future;  // reactions never wait
}

}  // namespace

std::string HandleImages::path(const std::string& fileName) {
  return getModulePath(kImageModule) + kTextureFolder + fileName;
}

std::string HandleImages::markerPath() { return getModulePath(kImageModule) + "/" + kMarkerFile; }

EditorFrame::EditorFrame(std::shared_ptr<Feature::Style> defaultStyle) : style(std::move(defaultStyle)) {}

EditorFrame::~EditorFrame() {
  // The listeners capture this editor weakly; removing them keeps the followed objects
  // from carrying dead entries.
  if (auto handle = geometryListener.lock()) (*handle)();
  if (auto handle = styleListener.lock()) (*handle)();
}

void EditorFrame::setStyle(std::shared_ptr<Feature::Style> newStyle) {
  if (!newStyle || !isStyleOfKind(*newStyle)) {
    Log::getInstance().log(styleRefusedAt(), Log::kRefused, styleRefusedMessage());
    return;
  }
  if (auto handle = styleListener.lock()) (*handle)();
  style = std::move(newStyle);
  styleChanged(style);
  std::weak_ptr<EditorFrame> weakSelf = weak_from_this();
  std::weak_ptr<Feature::Style> weakStyle = style;
  // Variadic: the style's listener type may hand over the changed style or nothing.
  styleListener = style->_addDefinitionChangedEventListener([weakSelf, weakStyle](auto&&...) {
    std::shared_ptr<EditorFrame> self = weakSelf.lock();
    if (self) self->styleChanged(weakStyle.lock());
  });
}

void EditorFrame::setGeometry(std::shared_ptr<Feature::Geometry> newGeometry) {
  if (auto handle = geometryListener.lock()) (*handle)();
  geometry = std::move(newGeometry);
  if (!geometry) return;
  geometryChanged(geometry);
  std::weak_ptr<EditorFrame> weakSelf = weak_from_this();
  std::weak_ptr<Feature::Geometry> weakGeometry = geometry;
  geometryListener = geometry->_addDefinitionChangedEventListener([weakSelf, weakGeometry] {
    std::shared_ptr<EditorFrame> self = weakSelf.lock();
    if (self) self->geometryChanged(weakGeometry.lock());
  });
}

void EditorFrame::geometryChanged(const std::shared_ptr<Feature::Geometry>& changed) {
  // The editor's own write announces itself once; it must not read back what it wrote.
  if (!changed || selfChange.exchange(false)) return;
  std::shared_ptr<EditorFrame> self = shared_from_this();
  postToMainThread([self, weakGeometry = std::weak_ptr<Feature::Geometry>(changed)] {
    if (std::shared_ptr<Feature::Geometry> alive = weakGeometry.lock()) self->refreshFromGeometry(*alive);
  });
}

void EditorFrame::styleChanged(const std::shared_ptr<Feature::Style>& changed) {
  if (!changed || !isStyleOfKind(*changed) || !geometry) return;
  std::shared_ptr<EditorFrame> self = shared_from_this();
  postToMainThread([self] {
    if (!self->style) return;
    const HeightReference current = self->style->getHeightReference();
    if (current == self->heightReference) return;
    self->heightReference = current;
    self->heightReferenceChanged();
  });
}

Cartographic EditorFrame::adjustHeight(const Cartographic& position) {
  if (heightReference == HeightReference::None || scene == nullptr) return position;
  heightQueryActive = true;
  const std::optional<double> surface = scene->getHeight(position, heightReference);
  heightQueryActive = false;
  if (!surface) return position;
  Cartographic adjusted = position;
  adjusted.height = isHeightReferenceRelative(heightReference) ? *surface + position.height : *surface;
  return adjusted;
}

}  // namespace qel
