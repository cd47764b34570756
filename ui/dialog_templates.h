#pragma once
// The two dialog templates of the desktop tool, as data for the dialog framework.
#include <string>

#include "ui/framework/dialog.h"

namespace kavrin {

inline constexpr int IDD_KAVRINTOOL_DIALOG = 102;
inline constexpr int IDD_FINISH_NOTIFY = 137;

// Template buttons of the main window that never show: the hidden Read and Write buttons
// keep their handlers reachable by command.
inline constexpr int IDC_READ = 1004;
inline constexpr int IDC_WRITE = 1005;
// The id every static text without a handler gets.
inline constexpr int IDC_STATIC = 0xFFFF;

// Template 102: "KavrinTool", 380 x 440 dialog units, 9-point 新細明體, four hidden buttons.
ui::DialogTemplate MainDialogTemplate();

// Template 137: "Kavrin", 87 x 28 dialog units, 10-point System, the centred message and
// hidden OK/Cancel buttons. The message is "Kavrin finish !" unless told otherwise.
ui::DialogTemplate FinishNotifyTemplate(std::u16string message = u"Kavrin finish !");

// The failure's notification: template 137 widened for a message that names the failed
// step, with its OK button shown so that the operator can close it.
ui::DialogTemplate FailNotifyTemplate(std::u16string message);

}  // namespace kavrin
