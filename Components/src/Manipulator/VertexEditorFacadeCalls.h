#pragma once

// The line and area editors' public calls, each carried to the main thread. Included by
// each editor's unit, which instantiates them for its implementation.

#include "Manipulator/ToolSingleton.h"
#include "Manipulator/VertexEditorFacade.h"

namespace qel {

template <class Derived, class ImplT>
Derived* VertexEditorFacade<Derived, ImplT>::instance(bool destroy) {
  return toolInstance<Derived>(destroy, [] { return new Derived(); });
}

template <class Derived, class ImplT>
void VertexEditorFacade<Derived, ImplT>::startEditing(std::shared_ptr<Feature::Feature> feature) {
  this->command([feature](Impl& impl) { impl.startEditing(feature); });
}

template <class Derived, class ImplT>
void VertexEditorFacade<Derived, ImplT>::continueDrawing(std::shared_ptr<Feature::Feature> feature) {
  this->command([feature](Impl& impl) { impl.continueDrawing(feature); });
}

template <class Derived, class ImplT>
void VertexEditorFacade<Derived, ImplT>::stopEditing(bool discard, bool endDrawing) {
  this->command([discard, endDrawing](Impl& impl) { impl.finishEditing(discard, endDrawing); });
}

template <class Derived, class ImplT>
void VertexEditorFacade<Derived, ImplT>::deletePoint(bool enabled) {
  this->command([enabled](Impl& impl) { impl.deletePoint(enabled); });
}

template <class Derived, class ImplT>
void VertexEditorFacade<Derived, ImplT>::addPoint(bool enabled) {
  this->command([enabled](Impl& impl) { impl.addPoint(enabled); });
}

template <class Derived, class ImplT>
void VertexEditorFacade<Derived, ImplT>::setStyle(std::shared_ptr<Feature::Style> style) {
  this->command([style](Impl& impl) { impl.setStyle(style); });
}

template <class Derived, class ImplT>
void VertexEditorFacade<Derived, ImplT>::resetStyle() {
  this->command([](Impl& impl) { impl.resetStyle(); });
}

template <class Derived, class ImplT>
std::shared_ptr<Feature::Style> VertexEditorFacade<Derived, ImplT>::getStyle() const {
  return this->query([](Impl& impl) { return impl.getStyle(); });
}

template <class Derived, class ImplT>
void VertexEditorFacade<Derived, ImplT>::undo() {
  this->command([](Impl& impl) { impl.undo(); });
}

template <class Derived, class ImplT>
void VertexEditorFacade<Derived, ImplT>::setMiddlePointImage(std::variant<std::string, std::shared_ptr<Image>> image) {
  this->command([image](Impl& impl) { impl.setMiddlePointImage(image); });
}

template <class Derived, class ImplT>
bool VertexEditorFacade<Derived, ImplT>::isMiddlePointVisible() const {
  return this->query([](Impl& impl) { return impl.isMiddlePointVisible(); });
}

template <class Derived, class ImplT>
void VertexEditorFacade<Derived, ImplT>::setMiddlePointVisible(bool visible) {
  this->command([visible](Impl& impl) { impl.setMiddlePointVisible(visible); });
}

template <class Derived, class ImplT>
bool VertexEditorFacade<Derived, ImplT>::isObjectMovingEnabled() const {
  return this->query([](Impl& impl) { return impl.isObjectMovingEnabled(); });
}

template <class Derived, class ImplT>
void VertexEditorFacade<Derived, ImplT>::setObjectMovingEnabled(bool enabled) {
  this->command([enabled](Impl& impl) { impl.setObjectMovingEnabled(enabled); });
}

template <class Derived, class ImplT>
void VertexEditorFacade<Derived, ImplT>::deleteVertex(unsigned int index) {
  this->command([index](Impl& impl) { impl.deleteVertex(index); });
}

template <class Derived, class ImplT>
typename VertexEditorFacade<Derived, ImplT>::StoppedEvent* VertexEditorFacade<Derived, ImplT>::getStoppedEvent() const {
  return &this->impl().getStoppedEvent();
}

template <class Derived, class ImplT>
typename VertexEditorFacade<Derived, ImplT>::GeometryChangedEvent*
VertexEditorFacade<Derived, ImplT>::getGeometryChangedEvent() const {
  return &this->impl().getGeometryChangedEvent();
}

}  // namespace qel
