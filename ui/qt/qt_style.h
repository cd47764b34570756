#pragma once
// The style of the Qt backend's widgets: the application's own style, except that drop-down
// lists open below their box and scroll past the rows the box's rectangle leaves room for,
// as the platform's drop-down lists do, instead of a menu laid over the box with the current
// entry on it (Qt's SH_ComboBox_Popup).
class QWidget;

namespace kavrin::ui::qt {

// Makes that the application's style. Done once, before the first widget is built: it then
// costs nothing per widget. (Given to each box on its own, the style change makes every box
// build its hidden pop-up list at once; a style sheet per box is parsed for each one.)
void InstallDropDownStyle();

// For a box built while another application style is in place: gives it the style on its own.
void EnsureDropDownStyle(QWidget& comboBox);

}  // namespace kavrin::ui::qt
