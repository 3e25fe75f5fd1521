#pragma once
// The window's report lists (`音乐列表框`, `已点歌曲列表`, `超级列表框1`): a QTreeView over a
// QStandardItemModel of text cells, one row per entry, and the list-view dump of the
// request history (dgjl.ini, gq.ini) read into and written from such a list. A column of
// width 0 is a hidden column, as it has always been. GUI thread.

#include <QStandardItemModel>
#include <QString>
#include <QTreeView>

#include <filesystem>
#include <vector>

#include "settings/list_view_dump.h"

namespace quilla::client {

struct ListColumn {
  QString title;
  int width = 0;  // pixels; 0: hidden
};

// A list named `name` on `parent` at `geometry`, with `columns` over a new model of text
// cells (owned by the view).
QTreeView* MakeListView(QWidget* parent, const QString& name, const QRect& geometry,
                        const std::vector<ListColumn>& columns);
QStandardItemModel* ModelOf(const QTreeView* view);

// A row of text cells.
void AppendRow(QStandardItemModel* model, const QStringList& cells);
void InsertRow(QStandardItemModel* model, int row, const QStringList& cells);

// The list's rows, column titles, widths and look as the dump writes them.
settings::ListViewTable TableOf(const QTreeView* view);
// Replaces the list's rows by the table's; `with_columns` also takes its column titles and
// widths. Columns the table has beyond the list's are added.
void FillFromTable(QTreeView* view, const settings::ListViewTable& table, bool with_columns);

}  // namespace quilla::client
