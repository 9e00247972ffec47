#include "Scene/DrawItem.h"

namespace qel {

void DrawItemDetail::clear() noexcept {
  // A cleared string still writes its terminator into its buffer: only touch what holds
  // something.
  if (!text.empty()) text.clear();
  if (!holes.empty()) holes.clear();
  entity.reset();
  tileFeature.reset();
}

const DrawItemDetail& DrawItem::read() const noexcept {
  static const DrawItemDetail kNone;
  return detail_.part ? *detail_.part : kNone;
}

}  // namespace qel
