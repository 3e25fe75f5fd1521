// The main window without a server: its controls at their places with their designed
// texts and states, the sliding panel and its triggers, the page buttons, the settings
// files read at start and written by the two ways of closing.

#include <QMessageBox>

#include "client/app/list_views.h"
#include "client/app/window_fixture.h"
#include "encoding/gbk.h"
#include "settings/ini_file.h"
#include "settings/list_view_dump.h"
#include "support/free_port.h"

namespace quilla::client::testing {
namespace {

using quilla::testing::ReadBytes;
using quilla::testing::WriteBytes;

class MainWindowTest : public WindowFixture {
 protected:
  void WriteFile(const char* name, const std::string& utf8) {
    WriteBytes(dir_ / name, encoding::Utf8ToGbk(utf8));
  }
  std::string ReadFile(const char* name) { return encoding::GbkToUtf8(ReadBytes(dir_ / name)); }
};

// Records every position the panel passes through.
class MoveRecorder : public QObject {
 public:
  explicit MoveRecorder(QWidget* watched) { watched->installEventFilter(this); }
  std::vector<int> lefts;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Move) lefts.push_back(static_cast<QWidget*>(watched)->x());
    return false;
  }
};

TEST_F(MainWindowTest, FirstStartWithoutFilesShowsTheDesign) {
  MainWindow& w = Open();
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Quilla客户端"));
  EXPECT_EQ(w.size(), QSize(698, 500));
  EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);

  EXPECT_EQ(c().nickname_box->text(), QStringLiteral("你的名字"));
  EXPECT_EQ(c().port_box->text(), QStringLiteral("800"));
  EXPECT_EQ(c().ip_box->text(), QStringLiteral("192.168.9.25"));
  EXPECT_EQ(c().name_label->text(), QStringLiteral("小猪猪"));
  EXPECT_EQ(c().request_count_label->text(), QStringLiteral("累计点歌0次"));
  EXPECT_EQ(c().panel->x(), 396);  // open
  for (QWidget* off :
       {static_cast<QWidget*>(c().result_list), static_cast<QWidget*>(c().history_list),
        static_cast<QWidget*>(c().search_box), static_cast<QWidget*>(c().load_more),
        static_cast<QWidget*>(c().voice_send)}) {
    EXPECT_FALSE(off->isEnabled()) << off->objectName().toStdString();
  }
  EXPECT_TRUE(c().connect_button->isEnabled());
  EXPECT_EQ(c().connect_button->text(), QStringLiteral("连接服务端"));
  EXPECT_EQ(c().status_line->text(), QStringLiteral("Quilla客户端 V3.7"));
  EXPECT_EQ(c().connection_status->text(), QStringLiteral("Quilla客户端 V3.7"));
  EXPECT_EQ(c().welcome_line->text(), QStringLiteral("欢迎使用本软件！"));
  EXPECT_EQ(c().song_caption->text(), QStringLiteral("Quilla系统，点播您想听的歌"));
  EXPECT_EQ(c().lyrics_line->text(), QStringLiteral("当前暂无歌词"));
  EXPECT_EQ(c().time_text->text(), QStringLiteral("00:00/00:00"));
  EXPECT_EQ(c().progress_bar->width(), 0);
  EXPECT_TRUE(c().skip_button->isHidden());
  EXPECT_TRUE(c().source_box->isHidden());
  EXPECT_EQ(c().source_box->currentIndex(), 0);
  EXPECT_EQ(c().search_box->text(), QStringLiteral("搜索"));
  EXPECT_FALSE(c().avatar->picture().isNull());  // the built-in avatar

  // The lyrics line: created, shown and greeting.
  ASSERT_TRUE(w.lyrics().IsCreated());
  EXPECT_TRUE(w.lyrics().window()->isVisible());
  EXPECT_EQ(w.lyrics().text(), QStringLiteral("欢迎进入Quilla系统"));
  EXPECT_EQ(c().pages->currentIndex(), 0);
  // Nothing is written by starting.
  for (const char* file : {"pz.ini", "dgjl.ini", "e.ini", "gq.ini", "gcsz.ini", "yssz.ini"}) {
    EXPECT_FALSE(Exists(file)) << file;
  }
}

TEST_F(MainWindowTest, EveryControlStandsAtItsPlace) {
  Open();
  struct Place {
    const char* name;
    QRect rect;  // relative to the parent
  } places[] = {
      {"外形框3", {0, 0, 120, 584}},         {"头像框", {28, 40, 65, 65}},
      {"在线点歌按钮", {0, 159, 120, 50}},   {"已点歌曲按钮", {0, 209, 120, 50}},
      {"个人设置按钮", {0, 259, 120, 50}},   {"图片框9", {0, 159, 4, 50}},
      {"选择夹1", {119, 0, 579, 500}},       {"图片框4", {0, 0, 578, 63}},
      {"图片框6", {0, 0, 578, 63}},          {"图片框5", {0, 0, 578, 63}},
      {"音乐列表框", {0, 64, 580, 256}},     {"已点歌曲列表", {0, 64, 580, 344}},
      {"进度条_灰", {135, 391, 400, 3}},     {"进度条_绿", {135, 391, 0, 3}},
      {"歌曲封面显示", {18, 372, 100, 100}}, {"设置按钮", {545, 32, 26, 26}},
      {"设置外形框", {396, 64, 184, 440}},   {"超级列表框1", {5, 25, 174, 136}},
      {"最小化按钮1", {510, 0, 34, 26}},     {"关闭按钮001", {546, 0, 34, 26}},
      {"最小化按钮2", {510, 0, 34, 26}},     {"关闭按钮002", {546, 0, 34, 26}},
      {"最小化按钮", {510, 0, 34, 26}},      {"关闭按钮003", {546, 0, 34, 26}},
      {"搜索框", {34, 5, 157, 19}},          {"图形按钮", {234, 19, 25, 25}},
      {"加载更多", {-3, 320, 586, 36}},      {"编辑框2", {12, 108, 257, 72}},
      {"标签1", {32, 808, 100, 20}},
  };
  for (const Place& p : places) {
    const QWidget* widget = window().findChild<QWidget*>(QString::fromUtf8(p.name));
    ASSERT_NE(widget, nullptr) << p.name;
    EXPECT_EQ(widget->geometry(), p.rect) << p.name;
  }
  struct Caption {
    const char* name;
    const char* text;
  } captions[] = {
      {"在线点歌按钮", "在线点歌"},
      {"已点歌曲按钮", "点歌记录"},
      {"个人设置按钮", "个人设置"},
      {"加载更多", "加载更多"},
      {"切歌", "切歌"},
      {"连接服务端", "连接服务端"},
      {"清空列表", "清空列表"},
      {"删除选中行", "删除选中项"},
      {"设置1", "设置保存"},
      {"按钮1", "发送语音播报"},
      {"是否弹窗选择框", "是否弹窗"},
      {"是否显示歌词", "桌面歌词"},
      {"锁定歌词", "锁定歌词"},
      {"启动连接选择框", "启动连接"},
      {"字体加粗", "字体加粗"},
      {"字体倾斜", "字体倾斜"},
      {"字体下划线", "字体下划线"},
  };
  for (const Caption& caption : captions) {
    const auto* button = window().findChild<QAbstractButton*>(QString::fromUtf8(caption.name));
    ASSERT_NE(button, nullptr) << caption.name;
    EXPECT_EQ(button->text(), QString::fromUtf8(caption.text)) << caption.name;
  }
  auto titles = [](const QTreeView* list) {
    QStringList out;
    for (int i = 0; i < list->model()->columnCount(); ++i) {
      out << list->model()->headerData(i, Qt::Horizontal).toString() + ":" +
                 QString::number(list->isColumnHidden(i) ? 0 : list->columnWidth(i));
    }
    return out.join(',');
  };
  EXPECT_EQ(titles(c().queue_list), QStringLiteral("歌曲:89,点歌人:80"));
  EXPECT_EQ(
      titles(c().history_list),
      QStringLiteral("歌曲名称:150,歌手名称:100,获取地址成功才能点歌:529,歌曲封面:0,歌词:0,:0"));
  EXPECT_EQ(titles(c().result_list),
            QStringLiteral("序号:50,歌曲名称:200,歌手名称:100,获取地址成功才能点歌:529,歌曲封面:0,"
                           "歌词:0,:50"));
  EXPECT_EQ(c().font_box->count(), 3);
  EXPECT_EQ(c().size_box->itemText(5), QStringLiteral("60"));
  EXPECT_EQ(c().gradient_box->itemText(2), QStringLiteral("三色渐变"));
  EXPECT_EQ(c().source_box->itemText(4), QStringLiteral("网易云音乐"));
  EXPECT_EQ(c().song_menu->actions().size(), 3);
  EXPECT_EQ(c().history_menu->actions().at(1)->text(), QStringLiteral("搜索选中歌手"));
}

TEST_F(MainWindowTest, TheSettingsButtonSlidesThePanelInSixteenStepsEachWay) {
  Open();
  MoveRecorder moves(c().panel);
  c().settings_button->click();
  ASSERT_TRUE(PanelAt(580));
  std::vector<int> closing;
  for (int x = 408; x < 580; x += 12) closing.push_back(x);
  closing.push_back(580);
  EXPECT_EQ(moves.lefts, closing);
  EXPECT_EQ(closing.size(), 16u);

  moves.lefts.clear();
  c().settings_button->click();
  ASSERT_TRUE(PanelAt(396));
  std::vector<int> opening;
  for (int x = 568; x > 396; x -= 12) opening.push_back(x);
  opening.push_back(396);
  EXPECT_EQ(moves.lefts, opening);

  // A press in the middle of a slide turns it back: from anywhere but 580 it closes.
  c().settings_button->click();
  ASSERT_TRUE(ProcessEventsUntil([&] { return c().panel->x() > 420; }));
  c().settings_button->click();
  EXPECT_TRUE(PanelAt(580));
}

TEST_F(MainWindowTest, PageButtonsMoveTheMarkerAndPutThePanelAway) {
  Open();
  c().history_page_button->click();
  EXPECT_EQ(c().pages->currentIndex(), 1);
  EXPECT_EQ(c().page_marker->y(), 209);
  EXPECT_TRUE(window().panel().sliding());  // slides, not jumps
  ASSERT_TRUE(PanelAt(580));

  c().settings_page_button->click();
  EXPECT_EQ(c().pages->currentIndex(), 2);
  EXPECT_EQ(c().page_marker->y(), 259);
  EXPECT_EQ(c().panel->x(), 580);

  // "在线点歌" puts an open panel away at once.
  window().panel().SnapTo(396);
  c().online_page_button->click();
  EXPECT_EQ(c().pages->currentIndex(), 0);
  EXPECT_EQ(c().page_marker->y(), 159);
  EXPECT_EQ(c().panel->x(), 580);
  EXPECT_FALSE(window().panel().sliding());

  // The history menu's searches switch pages without touching the panel.
  window().panel().SnapTo(396);
  window().ShowPage(1);
  window().ShowPage(0);
  EXPECT_EQ(c().page_marker->y(), 159);
  EXPECT_EQ(c().panel->x(), 396);
}

TEST_F(MainWindowTest, TheSearchAreaPutsAnOpenPanelAway) {
  Open();
  // (The list, the search box and "加载更多" take input only while enabled.)
  for (QWidget* w : {static_cast<QWidget*>(c().result_list), static_cast<QWidget*>(c().search_box),
                     static_cast<QWidget*>(c().load_more)}) {
    w->setEnabled(true);
  }
  struct Trigger {
    const char* what;
    std::function<void()> act;
    bool slides;
  } triggers[] = {
      {"left press on the result list", [&] { LeftPress(c().result_list->viewport()); }, true},
      {"focus on the search box",
       [&] {
         window().activateWindow();
         c().search_box->setFocus(Qt::MouseFocusReason);
       },
       true},
      {"加载更多", [&] { c().load_more->click(); }, true},
      {"the catalogue toggle", [&] { c().source_toggle->click(); }, false},
  };
  for (const Trigger& t : triggers) {
    SCOPED_TRACE(t.what);
    c().result_list->setFocus();
    window().panel().SnapTo(396);
    t.act();
    EXPECT_EQ(window().panel().sliding(), t.slides);
    EXPECT_TRUE(PanelAt(580));
  }
  // With the panel closed, nothing moves it.
  LeftPress(c().result_list->viewport());
  EXPECT_FALSE(window().panel().sliding());
  EXPECT_EQ(c().panel->x(), 580);
}

TEST_F(MainWindowTest, ACloseButtonWritesPzIniAndDgjlIni) {
  for (PictureButton* MainControls::*button :
       {&MainControls::close_button1, &MainControls::close_button2, &MainControls::close_button3}) {
    std::filesystem::remove_all(dir());
    std::filesystem::create_directories(dir());
    Open();
    c().nickname_box->setText(QStringLiteral("小明"));
    c().ip_box->setText(QStringLiteral("10.0.0.7"));
    c().popup_box->setChecked(true);
    c().lyrics_lock_box->setChecked(true);
    AppendRow(c().history_model, {"晴天", "周杰伦", "http://m/1.mp3", "http://m/1.jpg", "", ""});
    EXPECT_EQ(c().request_count_label->text(), QStringLiteral("累计点歌1次"));
    (c().*button)->click();
    ASSERT_EQ(endings_, std::vector{MainWindow::Ending::kCloseButton});
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(
        ReadFile("pz.ini"),
        "[Wind]\r\nIP=10.0.0.7\r\n端口=800\r\n用户名=小明\r\n头像=\r\n"
        "公告=公告：软件使用请看说明书!!!\r\n是否弹窗=真\r\n是否打开启动=假\r\n是否显示歌词=真\r\n"
        "锁定歌词=真\r\n");
    const settings::ListViewTable history = settings::LoadListView(dir() / "dgjl.ini", true);
    ASSERT_EQ(history.rows.size(), 1u);
    EXPECT_EQ(history.rows[0][0], "晴天");
    EXPECT_EQ(history.column_widths, (std::vector<int>{150, 100, 529, 0, 0, 0}));
    EXPECT_FALSE(Exists("e.ini"));
    EXPECT_FALSE(Exists("gq.ini"));
    Close();
  }
}

TEST_F(MainWindowTest, AnyOtherClosingWritesEIniAndGqIni) {
  Open();
  c().nickname_box->setText(QStringLiteral("小红"));
  c().auto_connect_box->setChecked(true);
  AppendRow(c().history_model, {"稻香", "周杰伦", "http://m/2.mp3", "", "", ""});
  window().close();  // as the window manager's close does
  ASSERT_EQ(endings_, std::vector{MainWindow::Ending::kOtherClose});
  EXPECT_EQ(ReadFile("e.ini"),
            "[Wind]\r\nIP=192.168.9.25\r\n端口=800\r\n用户名=小红\r\n头像=\r\n"
            "公告=公告：软件使用请看说明书!!!\r\n是否弹窗=假\r\n昵称是否显示=真\r\n");
  EXPECT_EQ(settings::LoadListView(dir() / "gq.ini", false).rows.at(0).at(0), "稻香");
  EXPECT_FALSE(Exists("pz.ini"));
  EXPECT_FALSE(Exists("dgjl.ini"));
  // Closing once more (the program is ending) writes nothing again.
  std::filesystem::remove(dir() / "e.ini");
  window().close();
  EXPECT_FALSE(Exists("e.ini"));
  EXPECT_EQ(endings_.size(), 1u);
}

TEST_F(MainWindowTest, SavedAppearanceIsRestoredAtTheNextStart) {
  MainWindow& w = Open();
  c().font_box->setCurrentIndex(1);  // 楷体
  c().size_box->setCurrentIndex(5);  // 60
  c().bold_box->setChecked(false);
  c().italic_box->setChecked(true);
  c().underline_box->setChecked(true);
  c().color1->SetColor(0x0000FF);
  c().color2->SetColor(0x00FFFF);
  c().color3->SetColor(0x112233);
  c().gradient_box->setCurrentIndex(2);
  c().save_appearance->click();
  // The line takes the new look at once.
  ASSERT_TRUE(w.lyrics().font());
  EXPECT_EQ(w.lyrics().font()->pixelSize(), 60);
  EXPECT_TRUE(w.lyrics().font()->italic());
  EXPECT_TRUE(w.lyrics().font()->underline());
  EXPECT_FALSE(w.lyrics().font()->bold());
  EXPECT_EQ(
      ReadFile("gcsz.ini"),
      "[GECI]\r\n字体型号=1\r\n字体大小=5\r\n字体加粗=假\r\n字体选中=真\r\n字体下划线=真\r\n");
  EXPECT_EQ(ReadFile("yssz.ini"),
            "[YANSE]\r\n文字颜色1=255\r\n文字颜色2=65535\r\n文字颜色3=1122867\r\n文字渐变=2\r\n");
  const QImage before = w.lyrics().painted().pixels;
  Close();

  MainWindow& again = Open();
  EXPECT_EQ(c().font_box->currentIndex(), 1);
  EXPECT_EQ(c().size_box->currentIndex(), 5);
  EXPECT_FALSE(c().bold_box->isChecked());
  EXPECT_TRUE(c().italic_box->isChecked());
  EXPECT_TRUE(c().underline_box->isChecked());
  EXPECT_EQ(c().color1->color(), 0x0000FF);
  EXPECT_EQ(c().color2->color(), 0x00FFFF);
  EXPECT_EQ(c().color3->color(), 0x112233);
  EXPECT_EQ(c().gradient_box->currentIndex(), 2);
  ASSERT_TRUE(again.lyrics().font());
  EXPECT_EQ(again.lyrics().font()->pixelSize(), 60);
  EXPECT_TRUE(again.lyrics().font()->italic());
  // The same welcome line drawn in the same look.
  EXPECT_EQ(again.lyrics().painted().pixels, before);
}

TEST_F(MainWindowTest, StartUpReadsTheProfileAndTheHistory) {
  WriteFile("pz.ini",
            "[Wind]\r\nIP=10.1.2.3\r\n端口=8800\r\n用户名=阿杰\r\n头像=http://img/a.png\r\n"
            "公告=公告：今晚八点\r\n是否弹窗=真\r\n是否打开启动=假\r\n是否显示歌词=假\r\n锁定歌词="
            "真\r\n");
  WriteFile("gcsz.ini", "[GECI]\r\n字体选中=真\r\n");
  settings::ListViewTable history;
  history.column_titles = {"歌曲名称", "歌手名称", "获取地址成功才能点歌", "歌曲封面", "歌词", ""};
  history.column_widths = {120, 90, 300, 0, 0, 0};
  history.rows = {{"C"}, {"B"}, {"A"}};
  ASSERT_TRUE(settings::SaveListView(history, dir() / "dgjl.ini"));

  MainWindow& w = Open();
  EXPECT_EQ(c().ip_box->text(), QStringLiteral("10.1.2.3"));
  EXPECT_EQ(c().port_box->text(), QStringLiteral("8800"));
  EXPECT_EQ(c().nickname_box->text(), QStringLiteral("阿杰"));
  EXPECT_EQ(c().name_label->text(), QStringLiteral("阿杰"));  // the nickname handler ran
  EXPECT_EQ(w.link().state().nickname, "阿杰");
  EXPECT_EQ(c().avatar_url_label->text(), QStringLiteral("http://img/a.png"));
  EXPECT_EQ(c().notice_label->text(), QStringLiteral("公告：今晚八点"));
  EXPECT_TRUE(c().popup_box->isChecked());
  EXPECT_TRUE(w.link().session().popups_enabled());
  EXPECT_FALSE(c().auto_connect_box->isChecked());
  EXPECT_EQ(w.link().connection().phase(), ServerConnection::Phase::kIdle);
  // "字体选中" is the italic flag; missing keys select item 0 and clear the boxes.
  EXPECT_TRUE(c().italic_box->isChecked());
  EXPECT_FALSE(c().bold_box->isChecked());
  EXPECT_EQ(c().font_box->currentIndex(), 0);
  EXPECT_EQ(c().size_box->currentIndex(), 0);
  // "是否显示歌词" = "假": created, then hidden; the box shows it again.
  ASSERT_TRUE(w.lyrics().IsCreated());
  EXPECT_FALSE(w.lyrics().window()->isVisible());
  c().lyrics_box->click();
  EXPECT_TRUE(w.lyrics().window()->isVisible());
  EXPECT_TRUE(w.lyrics().locked());
  c().lyrics_lock_box->click();
  EXPECT_FALSE(w.lyrics().locked());

  ASSERT_EQ(c().history_model->rowCount(), 3);
  EXPECT_EQ(c().history_model->item(0, 0)->text(), QStringLiteral("C"));
  EXPECT_EQ(c().history_list->columnWidth(0), 120);
  EXPECT_EQ(c().request_count_label->text(), QStringLiteral("累计点歌3次"));
  c().history_model->removeRow(0);
  EXPECT_EQ(c().request_count_label->text(), QStringLiteral("累计点歌2次"));
  c().history_model->removeRows(0, 2);
  EXPECT_EQ(c().request_count_label->text(), QStringLiteral("累计点歌0次"));

  // Every change of the nickname reaches the label.
  c().nickname_box->setText(QStringLiteral("阿杰2"));
  EXPECT_EQ(c().name_label->text(), QStringLiteral("阿杰2"));
}

TEST_F(MainWindowTest, AFailedConnectShowsTheBoxWithoutBlockingAndOpensThePanel) {
  // A loopback port nobody listens on: the connect is refused at once.
  const int port = quilla::testing::FreeLoopbackPort();
  MainWindow& w = Open();
  window().panel().SnapTo(580);
  c().ip_box->setText(QStringLiteral("127.0.0.1"));
  c().port_box->setText(QString::number(port));
  c().connect_button->click();
  EXPECT_EQ(c().connection_status->text(), QStringLiteral("连接中..."));
  ASSERT_TRUE(
      ProcessEventsUntil([&] { return w.message_box() != nullptr; }, std::chrono::seconds(10)));
  QMessageBox* box = w.message_box();
  EXPECT_EQ(box->windowTitle(), QStringLiteral("连接失败！"));
  EXPECT_EQ(box->text(), QStringLiteral("连接失败，请检查IP配置"));
  EXPECT_EQ(box->icon(), QMessageBox::Critical);
  EXPECT_TRUE(box->isVisible());
  // The window keeps working while the box is up: the panel slides open.
  EXPECT_TRUE(PanelAt(396));
  EXPECT_EQ(c().connection_status->text(), QStringLiteral("连接失败，请检查IP配置"));
  EXPECT_TRUE(c().connect_button->isEnabled());
  EXPECT_EQ(c().connect_button->text(), QStringLiteral("连接服务端"));
  box->button(QMessageBox::Ok)->click();
  EXPECT_TRUE(ProcessEventsUntil([&] { return w.message_box() == nullptr; }));
}

}  // namespace
}  // namespace quilla::client::testing
