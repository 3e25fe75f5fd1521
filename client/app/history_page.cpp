// Page 1 "已点歌曲": the request history `已点歌曲列表` with its two buttons.
#include "client/app/list_views.h"
#include "client/app/window_parts.h"

namespace quilla::client {

void BuildHistoryPage(QWidget* page, QWidget* window, MainControls& c) {
  c.history_header =
      MakeHeader(page, window, QStringLiteral("图片框6"), QStringLiteral("最小化按钮2"),
                 QStringLiteral("关闭按钮002"), &c.minimize_button2, &c.close_button2);
  c.history_hint = MakeLabel(c.history_header, QStringLiteral("透明标签3"),
                             QStringLiteral("提示：点歌记录会保存在本地！下次进入仍存在！"),
                             QRect(20, 19, 440, 25));
  c.history_list = MakeListView(page, QStringLiteral("已点歌曲列表"), QRect(0, 64, 580, 344),
                                {{QStringLiteral("歌曲名称"), 150},
                                 {QStringLiteral("歌手名称"), 100},
                                 {QStringLiteral("获取地址成功才能点歌"), 529},
                                 {QStringLiteral("歌曲封面"), 0},
                                 {QStringLiteral("歌词"), 0},
                                 {QString(), 0}});
  c.history_model = ModelOf(c.history_list);
  c.history_list->setEnabled(false);
  c.history_list->setContextMenuPolicy(Qt::CustomContextMenu);
  c.clear_history = MakeButton(page, QStringLiteral("清空列表"), QStringLiteral("清空列表"),
                               QRect(20, 420, 100, 30));
  c.delete_history_row = MakeButton(page, QStringLiteral("删除选中行"),
                                    QStringLiteral("删除选中项"), QRect(130, 420, 110, 30));
  c.history_note = MakeLabel(page, QStringLiteral("透明标签8"),
                             QStringLiteral("点歌记录点歌无法同步歌词，所以暂不可点歌！"),
                             QRect(20, 462, 540, 20));
}

}  // namespace quilla::client
