#include "ui/qt/qt_icon.h"

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <memory>

namespace kavrin::ui::qt {
namespace {

struct DecodedIcon {
  QByteArray png;
  QIcon icon;
};

// Pixmaps must not outlive the application object: the entry goes when it does.
std::unique_ptr<DecodedIcon>& LastDecoded() {
  static std::unique_ptr<DecodedIcon> last;
  return last;
}

QImage DecodePng(const QByteArray& png) {
  QBuffer buffer;
  buffer.setData(png);
  if (!buffer.open(QIODevice::ReadOnly)) return {};
  QImageReader reader(&buffer, "png");
  // Only the built-in PNG reader. With detection on, Qt first loads every image-format plugin
  // installed (GIF, ICO, JPEG and their libraries) to ask whether it wants to read PNG.
  reader.setAutoDetectImageFormat(false);
  return reader.read();
}

}  // namespace

QIcon IconFromPng(std::span<const unsigned char> png) {
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(png.data()),
                                                   static_cast<qsizetype>(png.size()));
  std::unique_ptr<DecodedIcon>& last = LastDecoded();
  if (last && last->png == bytes) return last->icon;
  const QImage image = DecodePng(bytes);
  if (image.isNull()) return {};
  if (!last) qAddPostRoutine([] { LastDecoded().reset(); });
  last = std::make_unique<DecodedIcon>(
      DecodedIcon{QByteArray(bytes.constData(), bytes.size()), QIcon(QPixmap::fromImage(image))});
  return last->icon;
}

}  // namespace kavrin::ui::qt
