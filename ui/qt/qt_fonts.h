#pragma once
// The fonts of the Qt backend. The dialog templates name Windows fonts ("新細明體", "System");
// where a name is not installed the match falls back to a CJK-capable sans face, so Chinese
// captions and option texts stay legible.
#include <QFont>
#include <string_view>

namespace kavrin::ui::qt {

// The dialog's own font, which controls keep unless given another: the template's face and
// point size with the fallbacks.
QFont TemplateFont(std::u16string_view family, int points);

// The platform's default GUI font, which command buttons and the path display take: the
// application's face at 9 points, the size the window's pixel layout leaves room for.
QFont DefaultGuiFont();

}  // namespace kavrin::ui::qt
