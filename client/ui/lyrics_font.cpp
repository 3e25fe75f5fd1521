#include "client/ui/lyrics_font.h"

#include <QFontDatabase>
#include <QGuiApplication>

namespace quilla::client {

QStringList LyricsFontCandidates(const QString& requested) {
  const QString list = requested + QStringLiteral(";微软雅黑;楷体;黑体;宋体;Tahoma");
  QStringList candidates = list.split(QLatin1Char(';'), Qt::SkipEmptyParts);
  for (auto system : {QFontDatabase::SimplifiedChinese, QFontDatabase::TraditionalChinese}) {
    for (const QString& family : QFontDatabase::families(system)) {
      if (!candidates.contains(family)) candidates << family;
    }
  }
  return candidates;
}

std::optional<QFont> ResolveLyricsFont(const QString& requested, int size_px, bool bold,
                                       bool italic, bool underline) {
  if (size_px <= 0) return std::nullopt;
  QString family = QGuiApplication::font().family();
  for (const QString& candidate : LyricsFontCandidates(requested)) {
    if (QFontDatabase::hasFamily(candidate)) {
      family = candidate;
      break;
    }
  }
  QFont font(family);
  font.setPixelSize(size_px);
  font.setBold(bold);
  font.setItalic(italic);
  font.setUnderline(underline);
  // The line is drawn from glyph outlines; hinting would move them away from the
  // positions the layout measured.
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setStyleStrategy(QFont::ForceOutline);
  return font;
}

}  // namespace quilla::client
