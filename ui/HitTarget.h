#pragma once
#include <cstdint>

// The main window's clickable targets, as the pointer and the keys press them.
enum class HitTarget : int32_t { None = 0, Button = 1, CheckBox = 2, Refresh = 3 };
constexpr HitTarget TARGET_NONE = HitTarget::None;
constexpr HitTarget TARGET_BUTTON = HitTarget::Button;
constexpr HitTarget TARGET_CHECKBOX = HitTarget::CheckBox;
constexpr HitTarget TARGET_REFRESH = HitTarget::Refresh;
