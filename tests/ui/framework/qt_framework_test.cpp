// The framework on the Qt 6 Widgets backend, offscreen: the shared behaviour with real
// widgets, then what the widgets themselves must show.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QTimer>
#include <memory>

#include "device/device_change_monitor.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/framework/framework_cases.h"
#include "tests/ui/qt_queued_input.h"
#include "ui/qt/qt_combo_box.h"
#include "ui/qt/qt_edit.h"
#include "ui/qt/qt_file_dialog.h"
#include "ui/qt/qt_fonts.h"
#include "ui/qt/qt_icon.h"
#include "ui/qt/qt_style.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/qt_toolkit.h"
#include "ui/qt/qt_window.h"

namespace kavrin::ui::test {
namespace {

using qt::QtControl;
using qt::QtWindow;

QtWindow& HostOf(Dialog& dialog) { return static_cast<QtWindow&>(*dialog.Window()); }

QWidget* ControlWidget(const Control& control) {
  return static_cast<const QtControl&>(control).Widget();
}

// Shows the window as a user would see it before acting in it.
QtControl* Visible(Dialog& dialog, int id) {
  QtWindow& window = HostOf(dialog);
  window.Widget()->show();
  QtControl* control = window.Find(id);
  if (!control || !control->Widget()->isVisible()) return nullptr;
  return control;
}

struct QtDriver {
  qt::QtToolkit toolkit;
  Toolkit& Kit() { return toolkit; }
  bool Click(Dialog& d, int id) {
    QtControl* control = Visible(d, id);
    if (!control) return false;
    // A real mouse click: Qt itself ignores it on a disabled button.
    QTest::mouseClick(control->Widget(), Qt::LeftButton);
    return true;
  }
  bool Type(Dialog& d, int id, std::u16string_view text) {
    QtControl* control = Visible(d, id);
    if (!control) return false;
    QLineEdit* edit = nullptr;
    if (auto* combo = qobject_cast<QComboBox*>(control->Widget())) edit = combo->lineEdit();
    if (auto* line = qobject_cast<QLineEdit*>(control->Widget())) edit = line;
    if (!edit) return false;
    // The user's field has the focus (completion acts only then) and is replaced.
    HostOf(d).Widget()->activateWindow();
    if (!QTest::qWaitForWindowActive(HostOf(d).Widget())) return false;
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, qt::ToQString(text));
    return true;
  }
  bool Select(Dialog& d, int id, int index) {
    QtControl* control = Visible(d, id);
    auto* combo = control ? qobject_cast<QComboBox*>(control->Widget()) : nullptr;
    if (!combo || !combo->isEnabled() || index < 0 || index >= combo->count()) return false;
    // What picking an entry in the dropped-down list does.
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    return true;
  }
  void CloseBox(Dialog& d) { QTest::keyClick(HostOf(d).Widget(), Qt::Key_Escape); }
  Rect ShownRect(Dialog&, const Control& c) { return qt::FromQRect(ControlWidget(c)->geometry()); }
  bool IsAbove(Dialog&, const Control& a, const Control& b) {
    // A parent lists its children in stacking order, the topmost last.
    const QObjectList& siblings = ControlWidget(a)->parentWidget()->children();
    return siblings.indexOf(ControlWidget(a)) > siblings.indexOf(ControlWidget(b));
  }
  Rect ScreenRect() { return qt::FromQRect(QGuiApplication::primaryScreen()->availableGeometry()); }
  // Through the dialog's window, as the window system delivers a mouse: a window that a
  // modal one blocks never sees it.
  bool WindowClick(Dialog& d, int id) {
    QtControl* control = Visible(d, id);
    if (!control) return false;
    QWidget* top = HostOf(d).Widget();
    const QPoint at = control->Widget()->mapTo(top, control->Widget()->rect().center());
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
    return true;
  }
  void WindowEscape(Dialog& d) {
    QTest::keyClick(HostOf(d).Widget()->windowHandle(), Qt::Key_Escape);
  }
  void WindowClickAt(Dialog& d, int x, int y) {
    QWidget* top = HostOf(d).Widget();
    top->show();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
  }
  void ClickWhileBusy(Dialog& d, int id) { kavrin::test::QueueClick(HostOf(d).Find(id)->Widget()); }
  void Settle() { QCoreApplication::processEvents(); }
  void WhileNestedShows(std::function<void()> action) {
    QTimer::singleShot(0, [action = std::move(action)] {
      // The nested dialog is the application's modal window while it shows.
      EXPECT_NE(QApplication::activeModalWidget(), nullptr);
      action();
    });
  }
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, FrameworkTest, QtDriver);

namespace {

class QtFrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dialog.Create()); }
  QtWindow& Host() { return HostOf(dialog); }
  template <typename W>
  W* WidgetOf(int id) {
    return qobject_cast<W*>(Host().Find(id)->Widget());
  }

  qt::QtToolkit toolkit;
  TestDialog dialog{toolkit};
};

TEST_F(QtFrameworkTest, HiddenControlsStayHiddenWhenTheWindowShows) {
  Host().Show();
  EXPECT_FALSE(Host().Find(IDC_OK)->Widget()->isVisible());
  EXPECT_FALSE(dialog.hidden->IsVisible());
  EXPECT_FALSE(ControlWidget(*dialog.hidden)->isVisible());
  EXPECT_TRUE(ControlWidget(*dialog.shown)->isVisible());
  EXPECT_TRUE(ControlWidget(*dialog.label)->isVisible());
}

TEST_F(QtFrameworkTest, LabelsAreTopAlignedPlainTextWithTheirHorizontalAlignment) {
  const struct {
    TextAlign align;
    Qt::Alignment expected;
  } cases[] = {{TextAlign::Left, Qt::AlignLeft | Qt::AlignTop},
               {TextAlign::Right, Qt::AlignRight | Qt::AlignTop},
               {TextAlign::Center, Qt::AlignHCenter | Qt::AlignTop}};
  int id = 500;
  for (const auto& c : cases) {
    ControlSpec params;
    params.type = ControlType::Label;
    params.id = ++id;
    params.rect = {0, 0, 100, 20};
    params.align = c.align;
    params.text = u"<b>1 &min</b>";
    auto* label =
        qobject_cast<QLabel*>(static_cast<QtControl*>(Host().CreateControl(params))->Widget());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->alignment(), c.expected);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);  // configured texts are never markup
    EXPECT_EQ(Host().Find(id)->Text(), u"<b>1 &min</b>");
  }
}

TEST_F(QtFrameworkTest, DropDownsAreNaturalHeightWithTheRestAsTheirList) {
  for (int id : {TestDialog::kList, TestDialog::kBox}) {
    auto* combo = WidgetOf<QComboBox>(id);
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->height(), combo->sizeHint().height());
    EXPECT_LT(combo->height(), 40);
    // A 300-pixel list shows many rows before it scrolls.
    EXPECT_GT(combo->maxVisibleItems(), 5);
  }
  EXPECT_FALSE(WidgetOf<QComboBox>(TestDialog::kList)->isEditable());
  EXPECT_TRUE(WidgetOf<QComboBox>(TestDialog::kBox)->isEditable());
}

// As the platform's drop-down lists do: the list opens below the box, not as a menu laid over
// it with the current entry on the box.
TEST_F(QtFrameworkTest, DropDownListsOpenBelowTheirBox) {
  Host().Show();
  for (int id : {TestDialog::kList, TestDialog::kBox}) {
    SCOPED_TRACE(id);
    auto* combo = WidgetOf<QComboBox>(id);
    ASSERT_NE(combo, nullptr);
    combo->showPopup();
    QWidget* popup = combo->view()->window();
    ASSERT_TRUE(popup->isVisible());
    EXPECT_GE(popup->geometry().top(), combo->mapToGlobal(combo->rect().bottomLeft()).y());
    combo->hidePopup();
  }
}

// A box that is not on the application's style (one set after the toolkit, or its own) still
// gets its list below the box.
TEST(QtDropDownStyleTest, ABoxOnAnotherStyleGetsTheDropDownStyleOnItsOwn) {
  std::unique_ptr<QStyle> plain(QStyleFactory::create(QStringLiteral("Fusion")));
  ASSERT_NE(plain, nullptr);
  QComboBox combo;
  combo.setStyle(plain.get());
  QStyleOptionComboBox option;
  option.initFrom(&combo);
  option.editable = false;
  ASSERT_NE(combo.style()->styleHint(QStyle::SH_ComboBox_Popup, &option, &combo),
            0);  // Fusion's menu

  qt::EnsureDropDownStyle(combo);
  EXPECT_NE(combo.style(), plain.get());
  EXPECT_EQ(combo.style()->styleHint(QStyle::SH_ComboBox_Popup, &option, &combo), 0);
  const QStyle* given = combo.style();
  qt::EnsureDropDownStyle(combo);  // already there: left as it is
  EXPECT_EQ(combo.style(), given);
}

TEST_F(QtFrameworkTest, OutOfRangeSelectionShowsAnEmptyFaceOnTheWidgets) {
  dialog.list->SetCurSel(7);
  dialog.box->SetCurSel(7);
  EXPECT_EQ(WidgetOf<QComboBox>(TestDialog::kList)->currentIndex(), -1);
  EXPECT_TRUE(WidgetOf<QComboBox>(TestDialog::kList)->currentText().isEmpty());
  EXPECT_TRUE(WidgetOf<QComboBox>(TestDialog::kBox)->lineEdit()->text().isEmpty());
}

TEST_F(QtFrameworkTest, EditsAreReadOnlyWithTheirFramesAndTheCentringAsTextMargin) {
  auto* info = WidgetOf<QLineEdit>(TestDialog::kInfo);
  auto* path = WidgetOf<QLineEdit>(TestDialog::kPath);
  ASSERT_NE(info, nullptr);
  ASSERT_NE(path, nullptr);
  EXPECT_TRUE(info->isReadOnly());
  EXPECT_FALSE(info->hasFrame());
  EXPECT_TRUE(path->isReadOnly());
  EXPECT_TRUE(path->hasFrame());
  EXPECT_EQ(path->textMargins().top(),
            dialog.pathEdit->TextRect().top - dialog.pathEdit->ClientRect().top);
  EXPECT_GT(path->textMargins().top(), 0);
  EXPECT_EQ(path->alignment() & Qt::AlignVertical_Mask, Qt::AlignTop);
  // The font the centring was measured in is the one the widget draws with.
  EXPECT_EQ(path->font().family(), qt::DefaultGuiFont().family());
  EXPECT_EQ(path->font().pointSize(), qt::DefaultGuiFont().pointSize());
}

TEST_F(QtFrameworkTest, ControlDefaultFontIsTheDialogsAndTheGuiFontIsSetOnButtons) {
  EXPECT_EQ(ControlWidget(*dialog.label)->font(), Host().Widget()->font());
  EXPECT_EQ(ControlWidget(*dialog.shown)->font().pointSize(), qt::DefaultGuiFont().pointSize());
  dialog.shown->SetFont(FontChoice::ControlDefault);
  EXPECT_EQ(ControlWidget(*dialog.shown)->font(), Host().Widget()->font());
}

TEST_F(QtFrameworkTest, WindowIsFixedSizeAndTakesAPngIcon) {
  Host().SetOuterGeometry({0, 0, 640, 520});
  Host().Show();
  QCoreApplication::processEvents();
  EXPECT_EQ(Host().Widget()->minimumSize(), Host().Widget()->maximumSize());
  EXPECT_EQ(Host().Widget()->frameGeometry().size(), QSize(640, 520));

  const unsigned char garbage[] = {1, 2, 3};
  Host().SetIcon(garbage);
  EXPECT_TRUE(Host().Widget()->windowIcon().isNull());
  QImage image(32, 32, QImage::Format_ARGB32);
  image.fill(Qt::darkCyan);
  QByteArray png;
  QBuffer buffer(&png);
  ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
  ASSERT_TRUE(image.save(&buffer, "PNG"));
  Host().SetIcon(
      {reinterpret_cast<const unsigned char*>(png.constData()), static_cast<size_t>(png.size())});
  EXPECT_FALSE(Host().Widget()->windowIcon().isNull());
}

QByteArray PngOf(QColor color, int side) {
  QImage image(side, side, QImage::Format_ARGB32);
  image.fill(color);
  QByteArray png;
  QBuffer buffer(&png);
  if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return {};
  return png;
}

std::span<const unsigned char> Bytes(const QByteArray& data) {
  return {reinterpret_cast<const unsigned char*>(data.constData()),
          static_cast<size_t>(data.size())};
}

// The application and the main window share one decoded icon; other bytes never get it.
TEST(QtIconTest, SameBytesShareOneDecodedIconAndOtherBytesGetTheirOwn) {
  const QByteArray red = PngOf(Qt::red, 8);
  const QByteArray blue = PngOf(Qt::blue, 16);
  ASSERT_FALSE(red.isEmpty());
  ASSERT_FALSE(blue.isEmpty());
  const struct {
    const QByteArray* png;
    QColor color;
    int side;
  } cases[] = {{&red, Qt::red, 8}, {&red, Qt::red, 8}, {&blue, Qt::blue, 16}, {&red, Qt::red, 8}};
  qint64 previousKey = 0;
  const QByteArray* previous = nullptr;
  for (const auto& c : cases) {
    const QByteArray copy(c.png->constData(), c.png->size());  // equal bytes, another buffer
    const QIcon icon = qt::IconFromPng(Bytes(copy));
    ASSERT_FALSE(icon.isNull());
    const QImage shown = icon.pixmap(c.side, c.side).toImage();
    EXPECT_EQ(shown.size(), QSize(c.side, c.side));
    EXPECT_EQ(shown.pixelColor(c.side / 2, c.side / 2), c.color);
    if (previous == c.png) {
      EXPECT_EQ(icon.cacheKey(), previousKey);  // not decoded again
    }
    previous = c.png;
    previousKey = icon.cacheKey();
  }
  const unsigned char garbage[] = {0x89, 'P', 'N', 'G', 1, 2, 3};
  EXPECT_TRUE(qt::IconFromPng(garbage).isNull());
  EXPECT_TRUE(qt::IconFromPng({}).isNull());
}

TEST_F(QtFrameworkTest, DialogUnitsFollowTheTemplateFont) {
  const QFontMetrics metrics(Host().Widget()->font());
  EXPECT_EQ(Host().DialogUnitsToPixels({0, 8}).height, metrics.height());
  // The notice's larger font gives larger units.
  NoticeDialog notice(toolkit);
  ASSERT_TRUE(notice.Create());
  EXPECT_GT(notice.Window()->DialogUnitsToPixels({0, 80}).height,
            Host().DialogUnitsToPixels({0, 80}).height);
}

// A monitor on a pipe: each byte written is an event, 'c' one worth re-attaching for.
class PipeMonitor : public DeviceChangeMonitor {
 public:
  PipeMonitor() {
    if (pipe(fds_) != 0) fds_[0] = fds_[1] = -1;
  }
  ~PipeMonitor() override {
    close(fds_[0]);
    close(fds_[1]);
  }
  PipeMonitor(const PipeMonitor&) = delete;
  PipeMonitor& operator=(const PipeMonitor&) = delete;
  int Descriptor() const override { return fds_[0]; }
  bool ConsumeEvents() override {
    char byte = 0;
    ++consumed;
    return read(fds_[0], &byte, 1) == 1 && byte == 'c';
  }
  bool WaitForChange(std::chrono::milliseconds) override { return ConsumeEvents(); }
  bool Send(char event) { return write(fds_[1], &event, 1) == 1; }
  int consumed = 0;

 private:
  int fds_[2];
};

TEST(QtToolkitTest, DeviceChangesOnTheMonitorsDescriptorCallBackUntilStopped) {
  qt::QtToolkit toolkit;
  PipeMonitor monitor;
  ASSERT_GE(monitor.Descriptor(), 0);
  int calls = 0;
  QEventLoop loop;
  toolkit.WatchDeviceChanges(monitor, [&] {
    ++calls;
    loop.quit();
  });
  ASSERT_TRUE(monitor.Send('n'));  // an event that is no change: consumed, no call
  ASSERT_TRUE(monitor.Send('c'));
  QTimer::singleShot(5000, &loop, &QEventLoop::quit);  // a guard against a hang, not a measure
  loop.exec();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(monitor.consumed, 2);

  toolkit.StopDeviceChanges();
  ASSERT_TRUE(monitor.Send('c'));
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(calls, 1);
}

struct FilterCase {
  std::u16string filter;
  QStringList expected;
};

TEST(QtFileDialogTest, FiltersConvertToQtNameFilters) {
  const FilterCase cases[] = {
      {u"BIN (*.bin)|*.bin|All file (*.*)|*.*|", {"BIN (*.bin)", "All file (*)"}},
      {u"Logs|*.txt;*.log|", {"Logs (*.txt *.log)"}},
      {u"A (*.a)|*.a|B", {"A (*.a)"}},  // a description without patterns is dropped
      {u"", {}},
      {u"|*.bin|", {}},
  };
  for (const FilterCase& c : cases)
    EXPECT_EQ(qt::ConvertFileFilter(c.filter), c.expected) << qt::ToQString(c.filter).toStdString();
}

int CountFileDialogs() {
  int count = 0;
  for (QWidget* widget : QApplication::allWidgets())
    count += qobject_cast<QFileDialog*>(widget) != nullptr;
  return count;
}

// The window owns its file dialog from the start, but the widget costs a start-up its icon
// theme and file system look-ups: it is built when the dialog first runs, once.
TEST(QtFileDialogTest, BuildsItsWidgetWhenFirstRunAndKeepsIt) {
  const int before = CountFileDialogs();
  qt::QtToolkit toolkit;
  std::unique_ptr<FileDialog> dialog =
      toolkit.CreateFileOpenDialog(u"BIN (*.bin)|*.bin|All file (*.*)|*.*|");
  auto& qtDialog = static_cast<qt::QtFileDialog&>(*dialog);
  EXPECT_FALSE(qtDialog.WidgetBuilt());
  EXPECT_EQ(CountFileDialogs(), before);

  QStringList shownFilters;
  for (int run = 0; run < 2; ++run) {
    QTimer::singleShot(0, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      auto* shown = qobject_cast<QFileDialog*>(modal);
      EXPECT_NE(shown, nullptr);
      if (shown) shownFilters = shown->nameFilters();
      if (auto* modalDialog = qobject_cast<QDialog*>(modal)) modalDialog->reject();
    });
    EXPECT_FALSE(dialog->Run());
    EXPECT_EQ(shownFilters, (QStringList{"BIN (*.bin)", "All file (*)"}));
    EXPECT_EQ(CountFileDialogs(), before + 1);  // the second run reuses the first one's widget
  }
  dialog.reset();
  EXPECT_EQ(CountFileDialogs(), before);
}

TEST(QtFileDialogTest, AcceptsANewNameAndOffersTheLastPathAgain) {
  kavrin::test::TempDir dir;
  qt::QtFileDialog dialog(u"BIN (*.bin)|*.bin|All file (*.*)|*.*|");
  QFileDialog* widget = dialog.Widget();
  EXPECT_EQ(widget->acceptMode(), QFileDialog::AcceptOpen);
  EXPECT_EQ(widget->fileMode(), QFileDialog::AnyFile);
  EXPECT_TRUE(widget->defaultSuffix().isEmpty());
  EXPECT_EQ(widget->nameFilters(), (QStringList{"BIN (*.bin)", "All file (*)"}));

  const std::filesystem::path chosen = dir / "new name";  // does not exist, no extension
  QTimer::singleShot(0, widget, [&] {
    widget->selectFile(QString::fromStdString(chosen.string()));
    static_cast<QDialog*>(widget)->accept();  // public in QDialog
  });
  ASSERT_TRUE(dialog.Run());
  EXPECT_EQ(dialog.PathName(), chosen);

  QString offered;
  QTimer::singleShot(0, widget, [&] {
    offered = widget->selectedFiles().value(0);
    widget->reject();
  });
  EXPECT_FALSE(dialog.Run());
  EXPECT_EQ(offered.toStdString(), chosen.string());
  EXPECT_EQ(dialog.PathName(), chosen);  // a cancel keeps the last choice
}

TEST(QtFileDialogTest, IsModalWhileItRuns) {
  QtDriver driver;
  TestDialog owner(driver.Kit());
  ASSERT_TRUE(owner.Create());
  HostOf(owner).Widget()->show();
  qt::QtFileDialog files(u"BIN (*.bin)|*.bin|");
  bool wasModal = false;
  QTimer::singleShot(0, [&] {
    auto* shown = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    wasModal = shown != nullptr;
    driver.WindowClick(owner, TestDialog::kShown);  // blocked behind the file dialog
    if (shown) shown->reject();
  });
  EXPECT_FALSE(files.Run());
  EXPECT_TRUE(wasModal);
  EXPECT_EQ(owner.shownClicks, 0);
}

}  // namespace
}  // namespace kavrin::ui::test

int main(int argc, char** argv) {
  // Real widgets without a display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
