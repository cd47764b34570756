#include "ui/dialog_templates.h"

#include <utility>

namespace kavrin {
namespace {

// x, y, width, height in dialog units, as a resource script writes a control.
ui::Rect DialogUnits(int x, int y, int width, int height) { return {x, y, x + width, y + height}; }

ui::TemplateControl HiddenButton(int id, std::u16string caption, ui::Rect rect,
                                 bool defaultButton = false) {
  ui::ControlSpec params;
  params.type = ui::ControlType::PushButton;
  params.id = id;
  params.rect = rect;
  params.text = std::move(caption);
  params.defaultButton = defaultButton;
  params.visible = false;  // the template leaves out the visible style
  return {params};
}

// Template 137's frame: the caption, the 10-point System font, the centred message and the
// hidden OK and Cancel buttons.
ui::DialogTemplate NotifyTemplate(ui::Size size, ui::Rect textRect, std::u16string message) {
  ui::DialogTemplate tmpl;
  tmpl.caption = u"Kavrin";
  tmpl.sizeDialogUnits = size;
  tmpl.fontName = u"System";
  tmpl.fontPoints = 10;

  ui::ControlSpec text;
  text.type = ui::ControlType::Label;
  text.id = IDC_STATIC;
  text.rect = textRect;
  text.text = std::move(message);
  text.align = ui::TextAlign::Center;
  text.visible = true;
  tmpl.controls = {
      {text},
      HiddenButton(ui::IDC_OK, u"OK", DialogUnits(74, 7, 6, 14), true),
      HiddenButton(ui::IDC_CANCEL, u"Cancel", DialogUnits(7, 7, 6, 14)),
  };
  return tmpl;
}

}  // namespace

ui::DialogTemplate MainDialogTemplate() {
  ui::DialogTemplate tmpl;
  tmpl.caption = u"KavrinTool";
  tmpl.sizeDialogUnits = {380, 440};
  tmpl.fontName = u"新細明體";
  tmpl.fontPoints = 9;
  tmpl.controls = {
      HiddenButton(ui::IDC_OK, u"確定", DialogUnits(323, 400, 50, 14), true),
      HiddenButton(ui::IDC_CANCEL, u"取消", DialogUnits(323, 419, 50, 14)),
      HiddenButton(IDC_READ, u"Read", DialogUnits(269, 419, 36, 14)),
      HiddenButton(IDC_WRITE, u"Write", DialogUnits(268, 402, 36, 14)),
  };
  return tmpl;
}

ui::DialogTemplate FinishNotifyTemplate(std::u16string message) {
  return NotifyTemplate({87, 28}, DialogUnits(7, 7, 73, 14), std::move(message));
}

ui::DialogTemplate FailNotifyTemplate(std::u16string message) {
  // Room for "Kavrin fail ! (clock, settings, commit)" and an OK button under it.
  ui::DialogTemplate tmpl =
      NotifyTemplate({170, 48}, DialogUnits(7, 7, 156, 14), std::move(message));
  ui::ControlSpec& ok = tmpl.controls[1].params;
  ok.rect = DialogUnits(60, 27, 50, 14);
  ok.visible = true;
  return tmpl;
}

}  // namespace kavrin
