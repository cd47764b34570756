#pragma once
// A modal dialog in the manner of a classic dialog class: a template (caption, size in dialog
// units, font, template controls), virtual handlers, a command map for buttons.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/framework/control.h"
#include "ui/framework/toolkit.h"

namespace kavrin::ui {

// Template control: rect in dialog units.
struct TemplateControl {
  ControlSpec params;
};

struct DialogTemplate {
  std::u16string caption;
  Size sizeDialogUnits;
  std::u16string fontName;
  int fontPoints = 9;
  std::vector<TemplateControl> controls;
};

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

class Dialog {
 public:
  // While one lives, the dialog's window takes no user input, and what the user clicked or
  // typed in it meanwhile (queued while the thread was busy) is dropped when the last one
  // ends, never delivered afterwards: one click is one operation. Holds nest.
  class InputHold {
   public:
    explicit InputHold(Dialog& dialog);
    ~InputHold();
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;

   private:
    Dialog& dialog_;
  };

  Dialog(Toolkit& toolkit, DialogTemplate tmpl);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Creates the window and its template controls, runs OnInitDialog, shows the window, then
  // runs the modal loop and returns the result given to EndDialog (-1 when no window could
  // be made). After Create it only shows the window and runs the loop. The window is kept
  // (hidden by the modal end) until the dialog is destroyed, so controls that a derived
  // class refers to stay valid.
  int DoModal();
  // Creates the window and runs OnInitDialog without entering the modal loop (tests). False
  // when the window could not be made or already exists.
  bool Create();
  void EndDialog(int result);

  // Valid from Create/DoModal until the dialog is destroyed.
  WindowHost* Window() { return window_.get(); }
  Control* GetDlgItem(int id);
  Toolkit& GetToolkit() { return toolkit_; }
  const DialogTemplate& Template() const { return template_; }

  // Entry points for the backends.
  // The result says whether the dialog set the focus itself; the dialog runs either way.
  virtual bool OnInitDialog() { return true; }
  // A command from a control: a button click has notifyCode 0 (kNotifyClicked). The base
  // routing acts on clicks only: it runs the handler registered for the id; IDOK and
  // IDCANCEL end the dialog when none is registered. True when something acted.
  virtual bool OnCommand(int id, int notifyCode);
  virtual void OnTimer(int /*id*/) {}
  // The window has just become visible (each time it does): what a person sees timed
  // starts here, not at initialisation, which comes before the window shows.
  virtual void OnShowWindow() {}
  // The platform reports that devices came or went.
  virtual void OnDeviceChange() {}
  // The close box or Escape: the same as IDCANCEL.
  void OnClose() { OnCommand(IDCANCEL, 0); }

 protected:
  // The command map: the handler a button click runs.
  void MapCommand(int id, std::function<void()> handler);

 private:
  void CreateWindowAndTemplateControls();

  Toolkit& toolkit_;
  DialogTemplate template_;
  std::unique_ptr<WindowHost> window_;
  std::map<int, std::function<void()>> commands_;
  int inputHolds_ = 0;
};

// Maps a rectangle in dialog units to pixels with the window's base units (each edge mapped
// on its own, as the platform's dialog-rect mapping does).
Rect DialogRectToPixels(const WindowHost& window, const Rect& dialogUnits);

}  // namespace kavrin::ui
