// The yardstick of the start-up benchmark: the simplest Qt 6 program that shows what
// kavrintool shows at start with the shipped configuration and no switches. The same visible
// widgets at the same places (11 labelled drop-down lists with their options, the date-stamp
// logo's label and editable box, 3 information rows, the Kavrin button), the same window
// size, title and font set-up (the template's face with the same fallback faces, 9 points;
// the button in the application's face with the same fallbacks, as command buttons are),
// and nothing else: no configuration, no device, no single-instance lock, no icon.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QStringList>

namespace {

QFont FontWithFallbacks(const QString& family) {
  QFont font;
  font.setFamilies({family, QStringLiteral("Noto Sans CJK TC"), QStringLiteral("Noto Sans CJK SC"),
                    QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
  font.setPointSize(9);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

struct Item {
  const char* title;
  QStringList options;
  int selected;
};

QLabel* AddLabel(QDialog& dialog, const QString& text, Qt::Alignment align, const QRect& rect) {
  auto* label = new QLabel(text, &dialog);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setAlignment(align | Qt::AlignTop);
  label->setGeometry(rect);
  return label;
}

QComboBox* AddComboBox(QDialog& dialog, const QRect& rect, bool editable) {
  auto* combo = new QComboBox(&dialog);
  combo->setEditable(editable);
  combo->setGeometry(rect);
  return combo;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);

  QDialog dialog;
  dialog.setWindowTitle(QStringLiteral("ZK742 User Kavrin Tool 20130418-1"));
  dialog.setFont(FontWithFallbacks(QStringLiteral("新細明體")));
  dialog.setFixedSize(600, 500);

  const Item items[] = {
      {"Cycle Time", {"3 min", "5 min", "10 min", "15 min"}, 1},
      {"TV System", {"NTSC", "PAL"}, 0},
      {"Slideshow", {"OFF", "ON"}, 1},
      {"Power Saving", {"OFF", "1 min", "3 min"}, 1},
      {"Date Stamp", {"OFF", "ON"}, 1},
      {"Flicker", {"50 Hz", "60 Hz"}, 1},
      {"Volume", {"Off", "1", "2", "3"}, 1},
      {"Voice Recording", {"OFF", "ON"}, 1},
      {"Record LED Off", {"ON", "OFF"}, 0},
      {"EV", {"-1", "-0.5", "0", "+0.5", "+1", "+1.5", "+2"}, 2},
      {"Roate Video 180°", {"OFF", "ON"}, 1},
  };
  int row = 0;
  for (const Item& item : items) {
    const int y = 90 + row++ * 30;
    AddLabel(dialog, QString::fromUtf8(item.title), Qt::AlignRight, QRect(20, y + 8, 180, 20));
    QComboBox* list = AddComboBox(dialog, QRect(206, y + 4, 120, 24), false);
    list->addItems(item.options);
    list->setCurrentIndex(item.selected);
  }

  AddLabel(dialog, QStringLiteral("Date Stamp Logo"), Qt::AlignLeft, QRect(350, 180, 160, 20));
  AddComboBox(dialog, QRect(350, 202, 160, 24), true);

  const char* infoTitles[] = {"Model", "HW Ver", "FW Ver"};
  row = 0;
  for (const char* title : infoTitles) {
    const int y = 100 + row++ * 20;
    AddLabel(dialog, QString::fromUtf8(title) + QStringLiteral(" : "), Qt::AlignRight,
             QRect(350, y, 120, 20));
    auto* content = new QLineEdit(&dialog);
    content->setReadOnly(true);
    content->setFrame(false);
    QPalette palette = content->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    content->setPalette(palette);
    content->setGeometry(474, y, 140, 20);
  }

  auto* kavrin = new QPushButton(QStringLiteral("Kavrin"), &dialog);
  kavrin->setGeometry(410, 12, 80, 30);
  kavrin->setEnabled(false);
  kavrin->setFont(FontWithFallbacks(QApplication::font().family()));

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    dialog.move(screen->availableGeometry().center() - dialog.rect().center());
  }
  dialog.show();
  return application.exec();
}
