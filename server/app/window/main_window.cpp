#include "server/app/window/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "server/app/window/pictures.h"
#include "server/app/window/table_models.h"
#include "server/app/window/voice_window.h"
#include "server/app/window_settings.h"
#include "server/radio/radio_channels.h"

namespace quilla::server {
namespace {

// The log only grows; past this many lines the oldest leave the box so that a server
// that runs for weeks keeps a bounded window.
constexpr int kMaxLogLines = 20000;
constexpr int kPictureSize = 112;
constexpr int kButtonPictureSize = 26;

QString Q(const std::string& utf8) {
  return QString::fromStdString(utf8);
}
QString Q(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// The engine writes Windows line ends; the box shows each CR LF (or stray CR) as one break.
QString LogDisplayText(const std::string& text) {
  QString shown = Q(text);
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

// Labels show one line: a lyrics line keeps the CR LF that stood before the next tag.
QString LabelText(const std::string& text) {
  QString shown = Q(text);
  shown.replace(QLatin1String("\r\n"), QLatin1String(" "));
  shown.replace(QLatin1Char('\n'), QLatin1Char(' '));
  shown.replace(QLatin1Char('\r'), QLatin1Char(' '));
  return shown.trimmed();
}

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromUtf8(name));
  return widget;
}

QToolButton* PictureButton(QWidget* parent, const char* name, ButtonPicture picture) {
  auto* button = Named(new QToolButton(parent), name);
  button->setIcon(PictureButtonIcon(picture, 64));
  button->setIconSize(QSize(kButtonPictureSize, kButtonPictureSize));
  button->setAutoRaise(true);
  button->setToolTip(QString::fromUtf8(name));
  button->setCursor(Qt::PointingHandCursor);
  return button;
}

QTableView* TableView(QWidget* parent, const char* name, QAbstractItemModel* model) {
  auto* view = Named(new QTableView(parent), name);
  view->setModel(model);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setContextMenuPolicy(Qt::CustomContextMenu);
  view->setAlternatingRowColors(true);
  view->setWordWrap(false);
  view->verticalHeader()->setVisible(false);
  view->verticalHeader()->setDefaultSectionSize(22);
  view->horizontalHeader()->setHighlightSections(false);
  view->horizontalHeader()->setStretchLastSection(true);
  return view;
}

}  // namespace

MainWindow::MainWindow(EngineHost& host, ServerEngine& engine, std::filesystem::path sys_ini,
                       QWidget* parent)
    : QWidget(parent),
      host_(host),
      engine_(engine),
      sys_ini_(std::move(sys_ini)),
      bridge_(this, this) {
  setObjectName(QStringLiteral("Quilla服务端"));
  setWindowTitle(QStringLiteral("Quilla服务端"));
  setWindowIcon(ServerIcon());
  QFont font(QStringLiteral("WenQuanYi Zen Hei"));
  font.setPixelSize(12);
  setFont(font);
  setFixedSize(kWidth, kCollapsedHeight);

  BuildLeftColumn();
  BuildQueueGroup();
  BuildNowPlayingGroup();
  BuildUserGroup();
  BuildMenus();
  voice_window_ = new VoiceWindow(
      [this](std::string text) {
        Post([text = std::move(text)](ServerEngine& e) { e.SendVoice(text); });
      },
      this);
  cover_loader_ =
      std::make_unique<CoverLoader>(this, [this](const QImage& picture) { ShowPicture(picture); });
  BuildTray();
  ConnectControls();

  // Until the engine speaks, show what a freshly created engine holds.
  OnControlsChanged(ControlState{});
  OnNowPlayingChanged(NowPlaying{});
  OnProgressChanged(ProgressDisplay{});
}

MainWindow::~MainWindow() {
  bridge_.Detach();
  cover_loader_.reset();
  if (tray_ != nullptr) tray_->hide();
}

// --- Building ------------------------------------------------------------------------------

void MainWindow::BuildLeftColumn() {
  left_group_ = Named(new QGroupBox(Q(kProgramTitle), this), "分组框1");
  left_group_->setGeometry(6, 4, 224, kCollapsedHeight - 8);

  start_button_ = Named(new QPushButton(QStringLiteral("启动服务端"), left_group_), "启动服务端");
  stop_button_ = Named(new QPushButton(QStringLiteral("关闭服务端"), left_group_), "关闭服务端");
  for (auto* b : {start_button_, stop_button_}) b->setMinimumHeight(28);
  settings_button_ = PictureButton(left_group_, "设置按钮", ButtonPicture::kSettings);
  settings_button_->setIconSize(QSize(20, 20));
  settings_button_->setToolTip(QStringLiteral("显示/隐藏在线用户列表"));

  lan_ip_label_ = Named(new QLabel(QStringLiteral("当前局域网IP："), left_group_), "透明标签4");
  lan_ip_label_->setAttribute(Qt::WA_TranslucentBackground);

  random_box_ = Named(new QCheckBox(QStringLiteral("随机播放"), left_group_), "随机播放选择框");
  skip_box_ = Named(new QCheckBox(QStringLiteral("允许切歌"), left_group_), "切歌选择框");
  auto* channel_label = Named(new QLabel(QStringLiteral("随机播放电台"), left_group_), "标签1");
  channel_combo_ = Named(new QComboBox(left_group_), "组合框2");
  channel_combo_->setMaxVisibleItems(20);
  for (const auto& item : RadioChannelItems()) {
    channel_combo_->addItem(Q(item.label), Q(item.channel));
  }
  auto* interval_label =
      Named(new QLabel(QStringLiteral("用户点歌时间限制(秒)"), left_group_), "标签2");
  interval_edit_ = Named(new QLineEdit(QStringLiteral("1"), left_group_), "时间间隔设置");
  interval_edit_->setAlignment(Qt::AlignCenter);
  interval_edit_->setFixedWidth(56);

  voice_label_ = Named(new QLabel(QStringLiteral("语音播报"), left_group_), "标签3");
  voice_label_->installEventFilter(this);
  voice_box_ = Named(new QCheckBox(QStringLiteral("开启语音"), left_group_), "语音开启选择框");
  voice_combo_ = Named(new QComboBox(left_group_), "组合框1");
  voice_combo_->addItems({QStringLiteral("普通女声"), QStringLiteral("普通男生"),
                          QStringLiteral("情感合成-度逍遥"), QStringLiteral("情感合成-度丫丫")});

  log_ = Named(new QPlainTextEdit(left_group_), "日志编辑框");
  log_->setReadOnly(true);
  log_->setMaximumBlockCount(kMaxLogLines);
  log_->setLineWrapMode(QPlainTextEdit::WidgetWidth);

  auto* grid = new QGridLayout(left_group_);
  grid->setContentsMargins(8, 10, 8, 8);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(6);
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(6);
  buttons->addWidget(start_button_, 1);
  buttons->addWidget(stop_button_, 1);
  buttons->addWidget(settings_button_);
  grid->addLayout(buttons, 0, 0, 1, 2);
  grid->addWidget(lan_ip_label_, 1, 0, 1, 2);
  grid->addWidget(random_box_, 2, 0);
  grid->addWidget(skip_box_, 2, 1);
  grid->addWidget(channel_label, 3, 0);
  grid->addWidget(channel_combo_, 3, 1);
  auto* interval_row = new QHBoxLayout;
  interval_row->addWidget(interval_label, 1);
  interval_row->addWidget(interval_edit_);
  grid->addLayout(interval_row, 4, 0, 1, 2);
  grid->addWidget(voice_label_, 5, 0);
  grid->addWidget(voice_box_, 5, 1);
  grid->addWidget(voice_combo_, 6, 0, 1, 2);
  grid->addWidget(log_, 7, 0, 1, 2);
  grid->setRowStretch(7, 1);
  grid->setColumnStretch(1, 1);
}

void MainWindow::BuildQueueGroup() {
  queue_group_ = Named(new QGroupBox(QStringLiteral("点歌列表"), this), "点歌列表");
  queue_group_->setGeometry(236, 4, 404, 168);
  queue_model_ = new RequestQueueModel(this);
  queue_view_ = TableView(queue_group_, "已点歌曲列表", queue_model_);
  auto* header = queue_view_->horizontalHeader();
  const int widths[] = {70, 120, 80, 90, 90};
  for (int c = 0; c < 5; ++c) header->resizeSection(c, widths[c]);
  auto* layout = new QVBoxLayout(queue_group_);
  layout->setContentsMargins(6, 8, 6, 6);
  layout->addWidget(queue_view_);
}

void MainWindow::BuildNowPlayingGroup() {
  now_playing_group_ = Named(new QGroupBox(QStringLiteral("正在播放"), this), "分组框3");
  now_playing_group_->setGeometry(236, 176, 404, 206);

  picture_ = Named(new QLabel(now_playing_group_), "Pic");
  picture_->setFixedSize(kPictureSize, kPictureSize);
  picture_->setAlignment(Qt::AlignCenter);
  picture_->setFrameShape(QFrame::StyledPanel);

  song_label_ = Named(new QLabel(now_playing_group_), "歌曲名称");
  QFont song_font = song_label_->font();
  song_font.setPixelSize(15);
  song_font.setBold(true);
  song_label_->setFont(song_font);
  song_label_->setWordWrap(true);
  song_label_->setMinimumWidth(10);
  lyrics_label_ = Named(new QLabel(now_playing_group_), "歌词文本");
  lyrics_label_->setWordWrap(true);
  lyrics_label_->setMinimumWidth(10);
  lyrics_label_->setStyleSheet(QStringLiteral("color: #1f7a8c;"));
  time_label_ = Named(new QLabel(now_playing_group_), "歌曲时间");
  time_label_->setStyleSheet(QStringLiteral("color: #5a6570;"));

  progress_slider_ = Named(new QSlider(Qt::Horizontal, now_playing_group_), "歌曲进度");
  progress_slider_->setRange(0, 1000);
  progress_slider_->setPageStep(50);
  progress_slider_->setTracking(true);

  pause_button_ = PictureButton(now_playing_group_, "暂停播放", ButtonPicture::kPause);
  resume_button_ = PictureButton(now_playing_group_, "继续播放", ButtonPicture::kResume);
  skip_button_ = PictureButton(now_playing_group_, "切歌", ButtonPicture::kSkip);

  auto* texts = new QVBoxLayout;
  texts->setSpacing(6);
  texts->addWidget(song_label_);
  texts->addWidget(lyrics_label_);
  texts->addStretch();
  texts->addWidget(time_label_);
  auto* top = new QHBoxLayout;
  top->setSpacing(10);
  top->addWidget(picture_, 0, Qt::AlignTop);
  top->addLayout(texts, 1);
  auto* controls = new QHBoxLayout;
  controls->setSpacing(4);
  controls->addWidget(progress_slider_, 1);
  // "暂停播放" and "继续播放" share one place; only one of them is visible at a time.
  controls->addWidget(pause_button_);
  controls->addWidget(resume_button_);
  controls->addWidget(skip_button_);
  auto* layout = new QVBoxLayout(now_playing_group_);
  layout->setContentsMargins(8, 10, 8, 6);
  layout->addLayout(top, 1);
  layout->addLayout(controls);

  banner_ = Named(new QLabel(this), "透明标签2");
  banner_->setGeometry(236, 386, 404, 38);
  banner_->setAlignment(Qt::AlignCenter);
  banner_->setWordWrap(true);
  banner_->setStyleSheet(
      QStringLiteral("QLabel { color: #164e7a; font-weight: bold; border: 1px solid #c9d6e0;"
                     " border-radius: 4px; background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                     " stop:0 #f4f8fb, stop:1 #e3ecf3); }"));
}

void MainWindow::BuildUserGroup() {
  user_group_ = Named(new QGroupBox(QStringLiteral("在线用户列表"), this), "在线用户列表");
  user_group_->setGeometry(6, kCollapsedHeight + 2, kWidth - 12,
                           kExpandedHeight - kCollapsedHeight - 8);
  user_model_ = new OnlineUserModel(this);
  user_view_ = TableView(user_group_, "超级列表框1", user_model_);
  auto* header = user_view_->horizontalHeader();
  const int widths[] = {140, 120, 80, 160};
  for (int c = 0; c < 4; ++c) header->resizeSection(c, widths[c]);
  auto* layout = new QVBoxLayout(user_group_);
  layout->setContentsMargins(6, 8, 6, 6);
  layout->addWidget(user_view_);
}

void MainWindow::BuildMenus() {
  user_menu_ = Named(new QMenu(QStringLiteral("踢人"), this), "踢人");
  auto user_action = [this](const char* name, auto command) {
    QAction* action = Named(user_menu_->addAction(QString::fromUtf8(name)), name);
    connect(action, &QAction::triggered, this, [this, command] {
      const auto row = SelectedRow(user_view_);
      if (!row) return;
      if (const auto handle = user_model_->HandleAt(*row)) {
        Post([command, h = *handle](ServerEngine& e) { command(e, h); });
      }
    });
  };
  user_action("踢出此人", [](ServerEngine& e, ClientHandle h) { e.Kick(h); });
  user_action("禁止点歌", [](ServerEngine& e, ClientHandle h) { e.Ban(h); });
  user_action("解除封印", [](ServerEngine& e, ClientHandle h) { e.Unban(h); });

  queue_menu_ = Named(new QMenu(QStringLiteral("歌曲操作"), this), "歌曲操作");
  QAction* remove = Named(queue_menu_->addAction(QStringLiteral("删除选中")), "删除选中");
  connect(remove, &QAction::triggered, this, [this] {
    const auto row = SelectedRow(queue_view_);
    if (const auto id = row ? queue_model_->KeyAt(*row) : std::nullopt) {
      Post([id = static_cast<std::uint64_t>(*id)](ServerEngine& e) { e.DeleteQueuedSong(id); });
    }
  });
  QAction* clear = Named(queue_menu_->addAction(QStringLiteral("清空所有")), "清空所有");
  connect(clear, &QAction::triggered, this,
          [this] { Post([](ServerEngine& e) { e.ClearQueue(); }); });

  // Right-click: the menu only when a row is selected.
  connect(user_view_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (SelectedRow(user_view_)) user_menu_->popup(user_view_->viewport()->mapToGlobal(at));
  });
  connect(queue_view_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (SelectedRow(queue_view_)) queue_menu_->popup(queue_view_->viewport()->mapToGlobal(at));
  });
}

void MainWindow::BuildTray() {
  tray_menu_ = Named(new QMenu(QStringLiteral("菜单"), this), "菜单");
  connect(Named(tray_menu_->addAction(QStringLiteral("显示")), "显示"), &QAction::triggered, this,
          [this] { ShowCentred(); });
  connect(Named(tray_menu_->addAction(QStringLiteral("隐藏")), "隐藏"), &QAction::triggered, this,
          [this] { hide(); });
  connect(Named(tray_menu_->addAction(QStringLiteral("关于")), "关于"), &QAction::triggered, this,
          [this] { ShowAbout(); });
  connect(Named(tray_menu_->addAction(QStringLiteral("退出")), "退出"), &QAction::triggered, this,
          [this] { Exit(); });

  tray_ = new QSystemTrayIcon(windowIcon(), this);
  tray_->setObjectName(QStringLiteral("托盘图标"));
  tray_->setToolTip(QStringLiteral("局域网点歌服务端！"));
  tray_->setContextMenu(tray_menu_);
  connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
    if (why != QSystemTrayIcon::Trigger) return;
    if (isVisible()) {
      hide();
    } else {
      ShowCentred();
    }
  });
  if (QSystemTrayIcon::isSystemTrayAvailable()) tray_->show();
}

void MainWindow::ConnectControls() {
  connect(start_button_, &QPushButton::clicked, this,
          [this] { Post([](ServerEngine& e) { e.StartServer(); }); });
  connect(stop_button_, &QPushButton::clicked, this,
          [this] { Post([](ServerEngine& e) { e.StopServer(); }); });
  connect(settings_button_, &QToolButton::clicked, this, [this] { ToggleHeight(); });

  // User actions only: the snapshots set these controls too, and those updates must not
  // travel back to the engine.
  connect(random_box_, &QCheckBox::clicked, this,
          [this](bool ticked) { Post([ticked](ServerEngine& e) { e.SetRandomPlay(ticked); }); });
  connect(skip_box_, &QCheckBox::clicked, this,
          [this](bool ticked) { Post([ticked](ServerEngine& e) { e.SetAllowSkip(ticked); }); });
  connect(voice_box_, &QCheckBox::clicked, this,
          [this](bool ticked) { Post([ticked](ServerEngine& e) { e.SetVoiceEnabled(ticked); }); });
  connect(interval_edit_, &QLineEdit::textEdited, this, [this](const QString& text) {
    Post([t = text.toStdString()](ServerEngine& e) { e.SetIntervalText(t); });
  });
  connect(channel_combo_, &QComboBox::activated, this,
          [this](int item) { Post([item](ServerEngine& e) { e.SelectChannel(item); }); });
  connect(voice_combo_, &QComboBox::activated, this,
          [this](int index) { Post([index](ServerEngine& e) { e.SelectVoice(index); }); });

  connect(pause_button_, &QToolButton::clicked, this,
          [this] { Post([](ServerEngine& e) { e.PauseSong(); }); });
  connect(resume_button_, &QToolButton::clicked, this,
          [this] { Post([](ServerEngine& e) { e.ResumeSong(); }); });
  connect(skip_button_, &QToolButton::clicked, this,
          [this] { Post([](ServerEngine& e) { e.SkipSong(); }); });

  // A seek when the operator lets go of the handle, or moves it without holding it (a
  // click on the groove, a key, the wheel). While the handle is held nothing is sent.
  connect(progress_slider_, &QSlider::sliderReleased, this,
          [this] { Post([v = progress_slider_->value()](ServerEngine& e) { e.Seek(v); }); });
  connect(progress_slider_, &QSlider::actionTriggered, this, [this](int action) {
    if (action == QAbstractSlider::SliderNoAction || progress_slider_->isSliderDown()) return;
    Post([v = progress_slider_->sliderPosition()](ServerEngine& e) { e.Seek(v); });
  });

  // Only a double-click on a row plays; one in the empty part of the list hits no index.
  connect(queue_view_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    const auto id = index.isValid() ? queue_model_->KeyAt(index.row()) : std::nullopt;
    if (!id) return;
    Post([id = static_cast<std::uint64_t>(*id)](ServerEngine& e) { e.PlayQueuedSong(id); });
  });
}

// --- Engine notifications ------------------------------------------------------------------

void MainWindow::OnLogAppended(const std::string& text) {
  // Appended as it stands: the engine's CR LF are the only line breaks.
  log_->moveCursor(QTextCursor::End);
  log_->insertPlainText(LogDisplayText(text));
  log_->moveCursor(QTextCursor::End);
  log_->ensureCursorVisible();
}

void MainWindow::OnUsersChanged(const std::vector<OnlineUser>& users) {
  user_model_->SetUsers(users);
}

void MainWindow::OnQueueChanged(const std::vector<QueuedSong>& queue) {
  queue_model_->SetQueue(queue);
}

void MainWindow::OnNowPlayingChanged(const NowPlaying& now_playing) {
  now_playing_group_->setTitle(Q(now_playing.group_caption));
  song_label_->setText(LabelText(now_playing.song_text));
  banner_->setText(Q(now_playing.banner));
  cover_loader_->Load(now_playing.picture_url);
}

void MainWindow::OnProgressChanged(const ProgressDisplay& progress) {
  // While the operator holds the handle, the ticks must not pull it away.
  if (!progress_slider_->isSliderDown()) progress_slider_->setValue(progress.slider);
  time_label_->setText(Q(progress.time_label));
  lyrics_label_->setText(LabelText(progress.lyrics_label));
}

void MainWindow::OnControlsChanged(const ControlState& c) {
  start_button_->setEnabled(!c.running);
  stop_button_->setEnabled(c.running);
  for (QWidget* w :
       std::initializer_list<QWidget*>{random_box_, skip_box_, interval_edit_, channel_combo_}) {
    w->setEnabled(c.running);
  }
  lan_ip_label_->setText(QStringLiteral("当前局域网IP：") + Q(c.lan_ip));
  random_box_->setChecked(c.random_play);
  skip_box_->setChecked(c.allow_skip);
  voice_box_->setChecked(c.voice_enabled);
  // The operator's typing is ahead of the engine's echo; don't pull the text back under it.
  if (!interval_edit_->hasFocus() && interval_edit_->text() != Q(c.interval_text)) {
    interval_edit_->setText(Q(c.interval_text));
  }
  if (c.voice >= 0 && c.voice < voice_combo_->count()) voice_combo_->setCurrentIndex(c.voice);
  if (c.channel_item >= 0 && c.channel_item < channel_combo_->count()) {
    channel_combo_->setCurrentIndex(c.channel_item);
  }
  pause_button_->setVisible(!c.paused);
  resume_button_->setVisible(c.paused);

  voice_enabled_ = c.voice_enabled;
  voice_label_->setText(c.voice_enabled ? QStringLiteral("语音播报(双击此处)")
                                        : QStringLiteral("语音播报"));
  voice_label_->setCursor(c.voice_enabled ? Qt::PointingHandCursor : Qt::ArrowCursor);
  voice_window_->SetSendEnabled(c.voice_enabled);
}

// --- Window events -------------------------------------------------------------------------

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == voice_label_ && event->type() == QEvent::MouseButtonDblClick) {
    if (voice_enabled_) voice_window_->open();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // Minimised, the window lives on in the tray; without a tray it just stays minimised,
  // since a hidden window could then never come back.
  if (event->type() == QEvent::WindowStateChange && isMinimized() &&
      QSystemTrayIcon::isSystemTrayAvailable()) {
    QTimer::singleShot(0, this, [this] { hide(); });
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  Exit();
  event->accept();
}

// --- Helpers -------------------------------------------------------------------------------

void MainWindow::Post(std::function<void(ServerEngine&)> command) {
  host_.Post([engine = &engine_, command = std::move(command)] { command(*engine); });
}

std::optional<int> MainWindow::SelectedRow(QTableView* view) const {
  const QModelIndexList rows = view->selectionModel()->selectedRows();
  if (rows.isEmpty()) return std::nullopt;
  return rows.first().row();
}

void MainWindow::ToggleHeight() {
  setFixedSize(kWidth, height() == kCollapsedHeight ? kExpandedHeight : kCollapsedHeight);
}

void MainWindow::ShowCentred() {
  setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
  show();
  raise();
  activateWindow();
  if (const QScreen* s = screen()) {
    const QRect area = s->availableGeometry();
    move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
  }
}

void MainWindow::ShowPicture(const QImage& picture) {
  if (picture.isNull()) {
    picture_->setPixmap(DefaultCover(kPictureSize));
    return;
  }
  picture_->setPixmap(QPixmap::fromImage(
      picture.scaled(kPictureSize, kPictureSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void MainWindow::ShowAbout() {
  QMessageBox box(QMessageBox::Information, QStringLiteral("关于"),
                  Q(kProgramTitle) + QStringLiteral("\n局域网点歌服务端\n\n"
                                                    "联系：Quilla 开发组 <quilla@example.org>"),
                  QMessageBox::Ok, this);
  box.setIconPixmap(windowIcon().pixmap(48, 48));
  box.exec();
}

void MainWindow::Exit() {
  if (exited_) return;
  exited_ = true;
  // The engine never waits on the network, so this normally takes milliseconds; the bound
  // keeps the window from hanging on an engine that is busy all the same.
  host_.PostAndWaitFor([engine = &engine_] { engine->Shutdown(); }, kExitWait);
  // The window's own controls hold exactly what is saved: the interval as typed and the
  // voice switch as shown.
  WriteWindowSettings(sys_ini_, interval_edit_->text().toStdString(), voice_box_->isChecked());
  tray_->hide();
  QCoreApplication::quit();
}

}  // namespace quilla::server
