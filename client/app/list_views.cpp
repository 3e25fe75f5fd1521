#include "client/app/list_views.h"

#include <QHeaderView>

namespace quilla::client {
namespace {

void SetColumnWidth(QTreeView* view, int column, int width) {
  view->setColumnHidden(column, width <= 0);
  if (width > 0) view->setColumnWidth(column, width);
}

QList<QStandardItem*> Cells(const QStringList& texts) {
  QList<QStandardItem*> cells;
  for (const QString& text : texts) {
    auto* cell = new QStandardItem(text);
    cell->setEditable(false);
    cells.append(cell);
  }
  return cells;
}

}  // namespace

QTreeView* MakeListView(QWidget* parent, const QString& name, const QRect& geometry,
                        const std::vector<ListColumn>& columns) {
  auto* view = new QTreeView(parent);
  view->setObjectName(name);
  view->setGeometry(geometry);
  auto* model = new QStandardItemModel(0, static_cast<int>(columns.size()), view);
  QStringList titles;
  for (const ListColumn& column : columns) titles << column.title;
  model->setHorizontalHeaderLabels(titles);
  view->setModel(model);
  view->setRootIsDecorated(false);
  view->setItemsExpandable(false);
  view->setUniformRowHeights(true);
  view->setAlternatingRowColors(true);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  view->header()->setStretchLastSection(false);
  view->header()->setSectionsMovable(false);
  view->header()->setMinimumSectionSize(0);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    SetColumnWidth(view, static_cast<int>(i), columns[i].width);
  }
  return view;
}

QStandardItemModel* ModelOf(const QTreeView* view) {
  return qobject_cast<QStandardItemModel*>(view->model());
}

void AppendRow(QStandardItemModel* model, const QStringList& cells) {
  model->appendRow(Cells(cells));
}

void InsertRow(QStandardItemModel* model, int row, const QStringList& cells) {
  model->insertRow(row, Cells(cells));
}

settings::ListViewTable TableOf(const QTreeView* view) {
  settings::ListViewTable table;
  const QStandardItemModel* model = ModelOf(view);
  const int columns = model->columnCount();
  for (int c = 0; c < columns; ++c) {
    table.column_titles.push_back(model->headerData(c, Qt::Horizontal).toString().toStdString());
    table.column_widths.push_back(view->isColumnHidden(c) ? 0 : view->columnWidth(c));
  }
  for (int r = 0; r < model->rowCount(); ++r) {
    std::vector<std::string> row;
    for (int c = 0; c < columns; ++c) {
      const QStandardItem* cell = model->item(r, c);
      row.push_back(cell != nullptr ? cell->text().toStdString() : std::string());
    }
    table.rows.push_back(std::move(row));
  }
  table.settings.width = view->width();
  table.settings.height = view->height();
  table.settings.visible = !view->isHidden();
  const QModelIndex selected = view->currentIndex();
  table.settings.select_now = selected.isValid() ? selected.row() : -1;
  return table;
}

void FillFromTable(QTreeView* view, const settings::ListViewTable& table, bool with_columns) {
  QStandardItemModel* model = ModelOf(view);
  model->removeRows(0, model->rowCount());
  const int columns = std::max(model->columnCount(), static_cast<int>(table.ColumnCount()));
  model->setColumnCount(columns);
  if (with_columns) {
    for (std::size_t c = 0; c < table.column_titles.size(); ++c) {
      model->setHeaderData(static_cast<int>(c), Qt::Horizontal,
                           QString::fromStdString(table.column_titles[c]));
    }
    for (std::size_t c = 0; c < table.column_widths.size(); ++c) {
      SetColumnWidth(view, static_cast<int>(c), table.column_widths[c]);
    }
  }
  for (const auto& row : table.rows) {
    QStringList cells;
    for (int c = 0; c < columns; ++c) {
      cells << (static_cast<std::size_t>(c) < row.size() ? QString::fromStdString(row[c])
                                                         : QString());
    }
    AppendRow(model, cells);
  }
}

}  // namespace quilla::client
