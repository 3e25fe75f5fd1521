#include "client/app/pictures.h"

#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QSvgRenderer>

#include <iterator>

#include "client/app/window_style.h"

// The drawings are compiled into this static library; its resources must be registered
// by hand (outside any namespace), once, before the first is read.
static void InitPictureResources() {
  Q_INIT_RESOURCE(pictures);
}

namespace quilla::client {
namespace {

// The drawings' files, in the order of Picture.
constexpr const char* kFiles[] = {"logo.svg",   "gear.svg",       "search.svg", "source.svg",
                                  "avatar.svg", "cover.svg",      "note.svg",   "history.svg",
                                  "person.svg", "header_wave.svg"};
static_assert(std::size(kFiles) == static_cast<std::size_t>(Picture::kHeaderWave) + 1);

QString ResourceOf(Picture picture) {
  return QStringLiteral(":/quilla/client/") + QLatin1String(kFiles[static_cast<int>(picture)]);
}

// The drawing's text with its ink swapped; read once per picture.
QByteArray SvgText(Picture picture, const QColor& ink) {
  RegisterPictureResources();
  static QHash<int, QByteArray> texts;
  const int key = static_cast<int>(picture);
  if (!texts.contains(key)) {
    QFile file(ResourceOf(picture));
    texts.insert(key, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
  }
  QByteArray text = texts.value(key);
  if (ink.isValid()) {
    const QByteArray original = QColor(kPictureInk).name().toLatin1();
    text.replace(original, ink.name().toLatin1());
  }
  return text;
}

}  // namespace

void RegisterPictureResources() {
  static const bool registered = (InitPictureResources(), true);
  (void)registered;
}

void PaintPicture(QPainter& painter, Picture picture, const QRectF& target, const QColor& ink) {
  QSvgRenderer renderer(SvgText(picture, ink));
  renderer.setAspectRatioMode(Qt::KeepAspectRatio);
  renderer.render(&painter, target);
}

QPixmap RenderPicture(Picture picture, QSize size, qreal device_pixel_ratio, const QColor& ink) {
  QPixmap pixmap(size * device_pixel_ratio);
  pixmap.setDevicePixelRatio(device_pixel_ratio);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  PaintPicture(painter, picture, QRectF(QPointF(0, 0), QSizeF(size)), ink);
  return pixmap;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int side : {16, 24, 32, 48, 64, 128, 256}) {
    icon.addPixmap(RenderPicture(Picture::kLogo, QSize(side, side), 1.0));
  }
  return icon;
}

ButtonPictures PictureButtonFaces(Picture picture, QSize size, QSize glyph) {
  const qreal ratio = qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
  auto face = [&](const QColor& ink) {
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area((size.width() - glyph.width()) / 2.0, (size.height() - glyph.height()) / 2.0,
                      glyph.width(), glyph.height());
    PaintPicture(painter, picture, area, ink);
    return pixmap;
  };
  return ButtonPictures{face(QColor(kPictureInk)), face(style::kAccent), face(style::kAccentDark),
                        face(style::kFaded)};
}

}  // namespace quilla::client
