#include "ui/qt/qt_window.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "ui/qt/qt_fonts.h"
#include "ui/qt/qt_icon.h"
#include "ui/qt/qt_text.h"

namespace kavrin::ui::qt {
namespace {

// a * b / c rounded half away from zero, as the platform's dialog-unit mapping rounds.
int MulDivRound(int a, int b, int c) {
  if (c == 0) return 0;
  const long long product = static_cast<long long>(a) * b;
  const long long half = c / 2;
  return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

// Dialog base units of a font: the average width of the 52 Latin letters and the line
// height, the classic measure that dialog templates are laid out in.
Size BaseUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return {(letters + 26) / 52, metrics.height()};
}

}  // namespace

class QtWindow::DialogWidget : public QDialog {
 public:
  explicit DialogWidget(QtWindow& owner) : owner_(owner) {}

  // Escape and the close box: the dialog decides, as with Cancel.
  void reject() override { owner_.OnCloseRequested(); }

 protected:
  bool event(QEvent* event) override {
    const bool handled = QDialog::event(event);
    // A window manager tells the frame's size only after the window is shown, and no event
    // says so: look again at the events that follow showing (the margins are cached, and
    // nothing is done while they stay the same).
    if (event->type() == QEvent::Show) owner_.OnShown();
    switch (event->type()) {
      case QEvent::Show:
      case QEvent::Move:
      case QEvent::Paint:
      case QEvent::WindowActivate:
      case QEvent::ActivationChange:
        owner_.ApplyOuterGeometry();
        break;
      default:
        break;
    }
    return handled;
  }

 private:
  QtWindow& owner_;
};

// Drops the user's input for one window and everything in it (its drop-down lists' pop-ups
// included), as an application-wide filter, so that nothing reaches a control.
class QtWindow::InputDropper : public QObject {
 public:
  explicit InputDropper(QWidget& window) : window_(window) {
    QCoreApplication::instance()->installEventFilter(this);
  }
  ~InputDropper() override { QCoreApplication::instance()->removeEventFilter(this); }
  InputDropper(const InputDropper&) = delete;
  InputDropper& operator=(const InputDropper&) = delete;

 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override {
    return IsUserInput(event->type()) && BelongsToWindow(receiver);
  }

 private:
  static bool IsUserInput(QEvent::Type type) {
    switch (type) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::Shortcut:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
      case QEvent::TabletPress:
      case QEvent::TabletRelease:
      case QEvent::ContextMenu:
      case QEvent::Close:  // the close box
        return true;
      default:
        return false;
    }
  }
  bool BelongsToWindow(QObject* receiver) const {
    if (receiver->isWindowType()) return receiver == window_.windowHandle();
    if (!receiver->isWidgetType()) return false;
    // Up through parents, across the pop-up windows of drop-down lists.
    for (auto* widget = static_cast<QWidget*>(receiver); widget; widget = widget->parentWidget())
      if (widget == &window_) return true;
    return false;
  }

  QWidget& window_;
};

QtWindow::QtWindow(Dialog& dialog, const DialogTemplate& tmpl)
    : dialog_(dialog), widget_(std::make_unique<DialogWidget>(*this)) {
  // Modal from the first show on: exec() cannot make a window modal that already shows, and
  // the main window shows during its initialisation.
  widget_->setWindowModality(Qt::ApplicationModal);
  widget_->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint);
  widget_->setFont(TemplateFont(tmpl.fontName, tmpl.fontPoints));
  baseUnits_ = BaseUnitsOf(widget_->font());
  widget_->setWindowTitle(ToQString(tmpl.caption));
  // A template gives the client area's size; the frame comes on top of it.
  templateClient_ = DialogUnitsToPixels(tmpl.sizeDialogUnits);
  outer_ = {0, 0, templateClient_->width, templateClient_->height};
  ApplyOuterGeometry();
}

QtWindow::~QtWindow() {
  closing_ = true;
  inputDropper_.reset();
  for (auto& [id, timer] : timers_) timer->stop();
  controls_.clear();
  widget_.reset();  // deletes the child widgets and timers
}

QDialog* QtWindow::Widget() const { return widget_.get(); }

Control* QtWindow::CreateControl(const ControlSpec& params) {
  CommandSink sink = [this](int id, int notifyCode) {
    if (!closing_) dialog_.OnCommand(id, notifyCode);
  };
  std::unique_ptr<QtControl> control = MakeQtControl(params, *widget_, std::move(sink));
  if (!control) return nullptr;
  controls_.push_back(std::move(control));
  return controls_.back().get();
}

QtControl* QtWindow::Find(int id) {
  for (const auto& control : controls_)
    if (control->Id() == id) return control.get();
  return nullptr;
}

void QtWindow::SetTitle(std::u16string_view title) { widget_->setWindowTitle(ToQString(title)); }

std::u16string QtWindow::Title() const { return FromQString(widget_->windowTitle()); }

void QtWindow::SetIcon(std::span<const unsigned char> png) {
  const QIcon icon = IconFromPng(png);
  if (!icon.isNull()) widget_->setWindowIcon(icon);
}

void QtWindow::SetOuterGeometry(const Rect& rect) {
  templateClient_.reset();  // the outer size is given from now on
  MoveOuter(rect);
}

Size QtWindow::ClientSize() const { return {widget_->width(), widget_->height()}; }

void QtWindow::SetClientSize(Size size) {
  templateClient_ = size;
  MoveOuter(outer_);
}

void QtWindow::MoveOuter(const Rect& rect) {
  outer_ = rect;
  appliedFrame_ = QMargins(-1, -1, -1, -1);  // apply even when the frame is unchanged
  ApplyOuterGeometry();
}

void QtWindow::ApplyOuterGeometry() {
  if (closing_ || !widget_) return;
  const QWindow* handle = widget_->windowHandle();
  const QMargins frame = (handle && widget_->isVisible()) ? handle->frameMargins() : QMargins();
  if (frame == appliedFrame_) return;
  appliedFrame_ = frame;
  if (templateClient_) {
    outer_.right = outer_.left + templateClient_->width + frame.left() + frame.right();
    outer_.bottom = outer_.top + templateClient_->height + frame.top() + frame.bottom();
  }
  const int width = std::max(1, outer_.Width() - frame.left() - frame.right());
  const int height = std::max(1, outer_.Height() - frame.top() - frame.bottom());
  widget_->setFixedSize(width, height);
  widget_->move(outer_.left, outer_.top);  // a top-level's position is its frame's
}

void QtWindow::CenterOnScreen() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const int width = outer_.Width(), height = outer_.Height();
  const int left = area.x() + (area.width() - width) / 2;
  const int top = area.y() + (area.height() - height) / 2;
  MoveOuter({left, top, left + width, top + height});
}

Size QtWindow::ScreenSize() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return {};
  const QRect area = screen->availableGeometry();
  return {area.width(), area.height()};
}

void QtWindow::Show() { widget_->show(); }

Size QtWindow::DialogUnitsToPixels(Size dialogUnits) const {
  return {MulDivRound(dialogUnits.width, baseUnits_.width, 4),
          MulDivRound(dialogUnits.height, baseUnits_.height, 8)};
}

void QtWindow::SetTimer(int id, int milliseconds) {
  QTimer*& timer = timers_[id];
  if (!timer) {
    timer = new QTimer(widget_.get());
    // A coarse timer may fire up to 5 % early; a person watches these (the notification's
    // two seconds).
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, widget_.get(), [this, id] {
      if (!closing_) dialog_.OnTimer(id);
    });
  }
  // Setting an existing id starts it again; it repeats until killed.
  timer->start(std::max(0, milliseconds));
}

void QtWindow::KillTimer(int id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  it->second->stop();
  // The timer may be the one whose timeout is being handled right now.
  it->second->deleteLater();
  timers_.erase(it);
}

int QtWindow::RunModal() {
  if (ended_) return result_;  // ended during its initialisation
  inModalLoop_ = true;
  const int result = widget_->exec();
  inModalLoop_ = false;
  return ended_ ? result_ : result;
}

void QtWindow::EndModal(int result) {
  ended_ = true;
  result_ = result;
  widget_->done(result);  // leaves exec(), or just hides a window not yet run
}

void QtWindow::HoldInput(bool hold) {
  if (hold) {
    if (!inputDropper_) inputDropper_ = std::make_unique<InputDropper>(*widget_);
    return;
  }
  if (!inputDropper_) return;
  // Fetch what the window system holds for us (a round trip to the display server) and run
  // it through the dropper before input is let through again.
  QGuiApplication::sync();
  inputDropper_.reset();
}

void QtWindow::OnShown() {
  if (!closing_) dialog_.OnShowWindow();
}

void QtWindow::OnCloseRequested() {
  if (!closing_) dialog_.OnClose();
}

}  // namespace kavrin::ui::qt
