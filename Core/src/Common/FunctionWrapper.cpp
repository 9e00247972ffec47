#include "Common/FunctionWrapper.h"

namespace qel {

FunctionWrapper::impl_base::~impl_base() = default;

}  // namespace qel
