#include "client/ui/lyrics_position.h"

#include <QString>

#include <string>

#include "settings/ini_file.h"

namespace quilla::client {
namespace {

constexpr char kSection[] = "GECI";

std::optional<int> WholeNumber(const std::optional<std::string>& value) {
  if (!value) return std::nullopt;
  bool ok = false;
  const int number = QString::fromStdString(*value).trimmed().toInt(&ok);
  if (!ok) return std::nullopt;
  return number;
}

}  // namespace

std::optional<QPoint> LoadLyricsPosition(const std::filesystem::path& folder) {
  settings::IniDocument file;
  if (folder.empty() || !file.Load(folder / kLyricsPositionFile)) return std::nullopt;
  const std::optional<int> x = WholeNumber(file.Get(kSection, "X"));
  const std::optional<int> y = WholeNumber(file.Get(kSection, "Y"));
  if (!x || !y) return std::nullopt;
  return QPoint(*x, *y);
}

bool SaveLyricsPosition(const std::filesystem::path& folder, QPoint corner) {
  if (folder.empty()) return false;
  const std::filesystem::path path = folder / kLyricsPositionFile;
  settings::IniDocument file;
  if (!file.Load(path)) return false;
  return file.Set(kSection, "X", std::to_string(corner.x())) &&
         file.Set(kSection, "Y", std::to_string(corner.y())) && file.Save(path);
}

bool IsOnAScreen(const QRect& window, const QList<QRect>& screens) {
  const QPoint centre = window.center();
  for (const QRect& screen : screens) {
    if (screen.contains(centre)) return true;
  }
  return false;
}

}  // namespace quilla::client
