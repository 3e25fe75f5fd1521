// The table models apply each engine snapshot as a minimal change, so that the row the
// operator selected stays selected while rows above it come and go.

#include <gtest/gtest.h>

#include <QItemSelectionModel>
#include <QSignalSpy>

#include "server/app/window/table_models.h"
#include "support/qt_test_support.h"

namespace quilla::server::testing {

using quilla::testing::EnsureApplication;
using quilla::testing::ProcessEventsUntil;
namespace {

std::vector<TableRow> Rows(const std::vector<std::int64_t>& keys, const QString& suffix = "") {
  std::vector<TableRow> rows;
  for (auto k : keys) rows.push_back({k, {QString::number(k) + suffix, QStringLiteral("x")}});
  return rows;
}

std::vector<std::int64_t> Keys(const TextTableModel& model) {
  std::vector<std::int64_t> keys;
  for (int r = 0; r < model.rowCount(); ++r) keys.push_back(*model.KeyAt(r));
  return keys;
}

struct SnapshotCase {
  const char* name;
  std::vector<std::int64_t> before;
  int selected;  // row selected before the snapshot
  std::vector<std::int64_t> after;
  int expected_selected;  // -1: nothing selected afterwards
  bool expect_reset;
};
void PrintTo(const SnapshotCase& c, std::ostream* os) {
  *os << c.name;
}

class SnapshotTest : public ::testing::TestWithParam<SnapshotCase> {
 protected:
  void SetUp() override { EnsureApplication(); }
};

TEST_P(SnapshotTest, AppliesTheSnapshotAndKeepsTheSelectedRow) {
  const SnapshotCase& c = GetParam();
  TextTableModel model({QStringLiteral("a"), QStringLiteral("b")}, nullptr);
  model.SetRows(Rows(c.before));
  QItemSelectionModel selection(&model);
  selection.select(model.index(c.selected, 0),
                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

  model.SetRows(Rows(c.after, QStringLiteral("'")));

  EXPECT_EQ(Keys(model), c.after);
  for (int r = 0; r < model.rowCount(); ++r) {
    EXPECT_EQ(model.data(model.index(r, 0), Qt::DisplayRole).toString(),
              QString::number(c.after[r]) + "'");
  }
  EXPECT_EQ(resets.count() > 0, c.expect_reset);
  const QModelIndexList selected = selection.selectedRows();
  if (c.expected_selected < 0) {
    EXPECT_TRUE(selected.isEmpty());
  } else {
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.first().row(), c.expected_selected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Snapshots, SnapshotTest,
    ::testing::Values(SnapshotCase{"HeadLeaves", {1, 2, 3}, 2, {2, 3}, 1, false},
                      SnapshotCase{"RowAppended", {1, 2}, 0, {1, 2, 3}, 0, false},
                      SnapshotCase{"AppendedWhileHeadLeaves", {1, 2, 3}, 1, {2, 3, 4}, 0, false},
                      SnapshotCase{"SelectedRowLeaves", {1, 2, 3}, 1, {1, 3}, -1, false},
                      SnapshotCase{"AllLeave", {1, 2}, 0, {}, -1, false},
                      SnapshotCase{"TextsChangeOnly", {5, 6}, 1, {5, 6}, 1, false},
                      SnapshotCase{"ReorderedRowsReset", {1, 2, 3}, 0, {3, 2, 1}, -1, true},
                      SnapshotCase{"DuplicateKeysReset", {1, 2}, 0, {2, 2}, -1, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TableModelsTest, CellsShowOnOneLineAndKeepTheWholeTextAsTip) {
  EnsureApplication();
  RequestQueueModel model(nullptr);
  model.SetQueue({QueuedSong{7, "Ann", "Song", "Singer", "http://s", "http://c",
                             "[00:01.00]one\r\n[00:02.00]two"}});
  ASSERT_EQ(model.columnCount(), 6);
  EXPECT_EQ(model.headerData(5, Qt::Horizontal, Qt::DisplayRole).toString(), "歌词");
  const QModelIndex lyrics = model.index(0, 5);
  EXPECT_EQ(model.data(lyrics, Qt::DisplayRole).toString(), "[00:01.00]one [00:02.00]two");
  EXPECT_EQ(model.data(lyrics, Qt::ToolTipRole).toString(), "[00:01.00]one\r\n[00:02.00]two");
  EXPECT_EQ(*model.KeyAt(0), 7);
  EXPECT_FALSE(model.KeyAt(1).has_value());
}

TEST(TableModelsTest, OnlineUsersAreKeyedByTheirHandle) {
  EnsureApplication();
  OnlineUserModel model(nullptr);
  model.SetUsers({OnlineUser{"Ann", "10.0.0.2", 41, "2024-3-5 9:7:3", "正常点歌"},
                  OnlineUser{"Bob", "10.0.0.3", 42, "2024-3-5 9:7:4", "禁止点歌"}});
  ASSERT_EQ(model.rowCount(), 2);
  const QStringList headers = {"用户", "IP地址", "端口句柄", "登陆时间", "状态"};
  for (int c = 0; c < headers.size(); ++c) {
    EXPECT_EQ(model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), headers[c]);
  }
  EXPECT_EQ(model.data(model.index(1, 2), Qt::DisplayRole).toString(), "42");
  EXPECT_EQ(model.data(model.index(1, 4), Qt::DisplayRole).toString(), "禁止点歌");
  EXPECT_EQ(model.HandleAt(1), 42);
  EXPECT_EQ(model.HandleAt(2), std::nullopt);
}

}  // namespace
}  // namespace quilla::server::testing
