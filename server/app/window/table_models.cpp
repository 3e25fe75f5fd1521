#include "server/app/window/table_models.h"

#include <set>
#include <unordered_set>

namespace quilla::server {
namespace {

// A lyrics cell holds a whole LRC file; a tooltip beyond this is of no use to anybody.
constexpr int kMaxToolTipChars = 2000;

QString Q(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

QString OneLine(QString text) {
  text.replace(QLatin1String("\r\n"), QLatin1String(" "));
  text.replace(QLatin1Char('\n'), QLatin1Char(' '));
  text.replace(QLatin1Char('\r'), QLatin1Char(' '));
  return text;
}

}  // namespace

TextTableModel::TextTableModel(QStringList headers, QObject* parent)
    : QAbstractTableModel(parent), headers_(std::move(headers)) {}

int TextTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TextTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QVariant TextTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) {
    return {};
  }
  const QStringList& cells = rows_[static_cast<std::size_t>(index.row())].cells;
  const QString cell = index.column() < cells.size() ? cells[index.column()] : QString();
  if (role == Qt::DisplayRole) return OneLine(cell);
  if (role == Qt::ToolTipRole) return cell.left(kMaxToolTipChars);
  return {};
}

QVariant TextTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) {
    return section >= 0 && section < headers_.size() ? QVariant(headers_[section]) : QVariant();
  }
  return section + 1;
}

std::optional<std::int64_t> TextTableModel::KeyAt(int row) const {
  if (row < 0 || row >= rowCount()) return std::nullopt;
  return rows_[static_cast<std::size_t>(row)].key;
}

bool TextTableModel::KeysUnique(const std::vector<TableRow>& rows) const {
  std::unordered_set<std::int64_t> seen;
  for (const auto& row : rows) {
    if (!seen.insert(row.key).second) return false;
  }
  return true;
}

void TextTableModel::Reset(std::vector<TableRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

void TextTableModel::SetRows(std::vector<TableRow> rows) {
  if (!KeysUnique(rows) || !KeysUnique(rows_)) return Reset(std::move(rows));

  std::set<std::int64_t> new_keys;
  for (const auto& row : rows) new_keys.insert(row.key);
  std::set<std::int64_t> old_keys;
  for (const auto& row : rows_) old_keys.insert(row.key);

  // The rows present in both snapshots must keep their order; the engine only appends
  // and removes rows, so anything else means the snapshot is of another kind.
  std::vector<std::int64_t> kept_old;
  for (const auto& row : rows_) {
    if (new_keys.count(row.key) != 0) kept_old.push_back(row.key);
  }
  std::vector<std::int64_t> kept_new;
  for (const auto& row : rows) {
    if (old_keys.count(row.key) != 0) kept_new.push_back(row.key);
  }
  if (kept_old != kept_new) return Reset(std::move(rows));

  // Removals, bottom up so that the row numbers above stay valid.
  for (int r = rowCount() - 1; r >= 0; --r) {
    if (new_keys.count(rows_[static_cast<std::size_t>(r)].key) != 0) continue;
    beginRemoveRows(QModelIndex(), r, r);
    rows_.erase(rows_.begin() + r);
    endRemoveRows();
  }
  // Insertions and changed texts, top down: rows_ is now a subsequence of `rows`.
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int r = static_cast<int>(i);
    if (i < rows_.size() && rows_[i].key == rows[i].key) {
      if (rows_[i].cells != rows[i].cells) {
        rows_[i].cells = rows[i].cells;
        emit dataChanged(index(r, 0), index(r, columnCount() - 1));
      }
      continue;
    }
    beginInsertRows(QModelIndex(), r, r);
    rows_.insert(rows_.begin() + r, rows[i]);
    endInsertRows();
  }
}

OnlineUserModel::OnlineUserModel(QObject* parent)
    : TextTableModel({QStringLiteral("用户"), QStringLiteral("IP地址"), QStringLiteral("端口句柄"),
                      QStringLiteral("登陆时间"), QStringLiteral("状态")},
                     parent) {}

void OnlineUserModel::SetUsers(const std::vector<OnlineUser>& users) {
  std::vector<TableRow> rows;
  rows.reserve(users.size());
  for (const auto& u : users) {
    rows.push_back(TableRow{
        u.handle, {Q(u.name), Q(u.ip), QString::number(u.handle), Q(u.login_time), Q(u.state)}});
  }
  SetRows(std::move(rows));
}

std::optional<ClientHandle> OnlineUserModel::HandleAt(int row) const {
  const auto key = KeyAt(row);
  if (!key) return std::nullopt;
  return static_cast<ClientHandle>(*key);
}

RequestQueueModel::RequestQueueModel(QObject* parent)
    : TextTableModel(
          {QStringLiteral("点歌用户"), QStringLiteral("歌曲名称"), QStringLiteral("歌手名称"),
           QStringLiteral("歌曲连接"), QStringLiteral("歌曲图片"), QStringLiteral("歌词")},
          parent) {}

void RequestQueueModel::SetQueue(const std::vector<QueuedSong>& queue) {
  std::vector<TableRow> rows;
  rows.reserve(queue.size());
  for (const auto& s : queue) {
    rows.push_back(
        TableRow{static_cast<std::int64_t>(s.id),
                 {Q(s.requester), Q(s.title), Q(s.singer), Q(s.url), Q(s.cover_url), Q(s.lyrics)}});
  }
  SetRows(std::move(rows));
}

}  // namespace quilla::server
