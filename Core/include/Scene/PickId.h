#pragma once

#include <memory>
#include <string>
#include <variant>

#include "Common/Uuid.h"

namespace qel {

class Entity;

/// What an application or a tool gave a drawn thing to recognise it by when it is
/// picked: nothing, the entity drawn for a feature, a string ("moveUp") or a `Uuid`
/// (the instance id of a primitive's geometry).
using PickId = std::variant<std::monostate, std::weak_ptr<Entity>, std::string, Uuid>;

}  // namespace qel
