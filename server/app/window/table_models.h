#pragma once
// The two tables of the main window as Qt models over the engine's snapshots: the
// OnlineUserList ("超级列表框1") and the RequestQueue ("已点歌曲列表"). GUI thread only.

#include <QAbstractTableModel>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

#include "server/app/engine_types.h"

namespace quilla::server {

// One row: a key that identifies it across snapshots, and its cell texts.
struct TableRow {
  std::int64_t key = 0;
  QStringList cells;
};

// A read-only table of texts. Each snapshot is applied as the smallest change that turns
// the old rows into the new ones (rows removed, rows inserted, texts changed), so a
// selected row stays selected while rows above it come and go. Rows are matched by key;
// when the keys are not unique or the surviving rows changed order, the model resets.
class TextTableModel : public QAbstractTableModel {
 public:
  TextTableModel(QStringList headers, QObject* parent);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  // DisplayRole: the cell with its line breaks shown as spaces; ToolTipRole: the cell.
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void SetRows(std::vector<TableRow> rows);
  // The key of `row`, or nullopt when there is no such row.
  std::optional<std::int64_t> KeyAt(int row) const;

 private:
  bool KeysUnique(const std::vector<TableRow>& rows) const;
  void Reset(std::vector<TableRow> rows);

  QStringList headers_;
  std::vector<TableRow> rows_;
};

// "用户", "IP地址", "端口句柄", "登陆时间", "状态"; keyed by the connection's handle.
class OnlineUserModel final : public TextTableModel {
 public:
  explicit OnlineUserModel(QObject* parent);
  void SetUsers(const std::vector<OnlineUser>& users);
  std::optional<ClientHandle> HandleAt(int row) const;
};

// "点歌用户", "歌曲名称", "歌手名称", "歌曲连接", "歌曲图片", "歌词"; keyed by the row id.
class RequestQueueModel final : public TextTableModel {
 public:
  explicit RequestQueueModel(QObject* parent);
  void SetQueue(const std::vector<QueuedSong>& queue);
};

}  // namespace quilla::server
