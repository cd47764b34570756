#pragma once
// Window icons from PNG bytes. The application and its main window show the same embedded
// icon, so the last one decoded is kept and handed out again instead of being decoded anew.
#include <QIcon>
#include <span>

namespace kavrin::ui::qt {

// A null icon when the bytes are not a PNG image.
QIcon IconFromPng(std::span<const unsigned char> png);

}  // namespace kavrin::ui::qt
