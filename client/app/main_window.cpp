#include "client/app/main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QTimer>

#include <thread>

#include "client/app/list_views.h"
#include "client/app/pictures.h"
#include "client/app/settings_binding.h"
#include "client/app/window_parts.h"
#include "client/app/window_style.h"
#include "client/ui/window_shadow.h"

namespace quilla::client {
namespace {

const QString kTrayTip = QStringLiteral("Quilla软件");
const QString kWelcomeLyrics = QStringLiteral("欢迎进入Quilla系统");
// The drop shadow: RGB 208, 208, 208, 2 px.
constexpr int kShadowColor = 0xD0D0D0;
constexpr int kShadowWidth = 2;

std::string Utf8(const QString& text) {
  return text.toStdString();
}

}  // namespace

MainWindow::MainWindow(ClientSettings settings, Options options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      settings_(std::move(settings)),
      options_(std::move(options)),
      lyrics_(settings_.dir()) {
  setObjectName(QStringLiteral("MainWindow"));
  setWindowTitle(QStringLiteral("Quilla客户端"));
  setWindowIcon(ProgramIcon());
  setFixedSize(kWidth, kHeight);
  setAttribute(Qt::WA_StyledBackground);
  RegisterPictureResources();
  style::ApplyMainWindowPalette(this);
  setStyleSheet(style::MainWindowStyleSheet());

  BuildLeftStrip(this, c_);
  c_.pages = new QStackedWidget(this);
  c_.pages->setObjectName(QStringLiteral("选择夹1"));
  c_.pages->setGeometry(119, 0, kWidth - 119, kHeight);
  const QString page_names[] = {QStringLiteral("在线点歌"), QStringLiteral("已点歌曲"),
                                QStringLiteral("个人设置")};
  QWidget* pages[3];
  for (int i = 0; i < 3; ++i) {
    pages[i] = new QWidget(c_.pages);
    pages[i]->setObjectName(page_names[i]);
    c_.pages->addWidget(pages[i]);
  }
  BuildOnlinePage(pages[0], this, c_);
  BuildConnectionPanel(pages[0], c_);
  BuildHistoryPage(pages[1], this, c_);
  BuildSettingsPage(pages[2], this, c_);
  BuildHiddenControls(this, c_);

  tray_ = new TrayIcon(this);
  panel_ = new PanelSlider(c_.panel, this);
  poster_ = qt::GuiPoster::Create(this);
  cover_ = std::make_unique<PictureFetcher>(
      this, [this](const QImage& picture) { c_.cover->SetPicture(picture); });
  view_ = std::make_unique<SessionView>(
      c_, lyrics_, *tray_, *panel_, *cover_,
      [this](const QString& title, const QString& text) { ShowErrorBox(title, text); });

  LinkHooks hooks;
  hooks.on_update = [this](const SessionState& state, const SessionUpdate& update) {
    view_->Apply(state, update);
  };
  hooks.save_before_exit = [this] { SaveProfileAndHistory(); };
  hooks.exit = [this] { End(Ending::kKicked); };
  ConnectionHost host;
  host.post = [poster = poster_](std::function<void()> task) { poster->Post(std::move(task)); };
  host.post_after = [this](std::chrono::milliseconds delay, std::function<void()> task) {
    QTimer::singleShot(delay, this, std::move(task));
  };
  link_ = std::make_unique<ClientLink>(std::move(host), std::move(hooks), options_.connection);

  WireHandlers();
}

MainWindow::~MainWindow() {
  // The connection goes first: it closes the socket (the server sees the client leave) and
  // posts nothing afterwards.
  link_.reset();
  poster_->Detach();
}

void MainWindow::WireHandlers() {
  connect(c_.online_page_button, &QPushButton::clicked, this, [this] { OnPageButton(0); });
  connect(c_.history_page_button, &QPushButton::clicked, this, [this] { OnPageButton(1); });
  connect(c_.settings_page_button, &QPushButton::clicked, this, [this] { OnPageButton(2); });
  connect(c_.settings_button, &QAbstractButton::clicked, panel_, &PanelSlider::Toggle);
  connect(c_.load_more, &QPushButton::clicked, panel_, &PanelSlider::SlideClosedIfOpen);
  connect(c_.source_toggle, &QAbstractButton::clicked, panel_, &PanelSlider::SnapClosedIfOpen);
  c_.result_list->viewport()->installEventFilter(this);
  c_.search_box->installEventFilter(this);

  for (PictureButton* close : {c_.close_button1, c_.close_button2, c_.close_button3}) {
    connect(close, &QAbstractButton::clicked, this, &MainWindow::SaveAndExit);
  }
  connect(c_.save_appearance, &QPushButton::clicked, this, &MainWindow::SaveLyricsAppearance);
  connect(c_.connect_button, &QPushButton::clicked, this, &MainWindow::ConnectToServer);
  connect(c_.nickname_box, &QLineEdit::textChanged, this,
          [this](const QString& name) { link_->SetNickname(Utf8(name)); });
  connect(c_.popup_box, &QCheckBox::toggled, this,
          [this](bool on) { link_->SetPopupsEnabled(on); });
  connect(c_.lyrics_box, &QCheckBox::toggled, this, [this](bool on) {
    if (on) {
      lyrics_.Show();
    } else {
      lyrics_.Hide();
    }
  });
  connect(c_.lyrics_lock_box, &QCheckBox::toggled, this,
          [this](bool on) { lyrics_.SetLocked(on); });
  connect(c_.auto_connect_box, &QCheckBox::toggled, this,
          [this](bool on) { link_->SetAutoReconnect(on); });

  // UpdateRequestCount: after every change of the request history.
  QStandardItemModel* history = c_.history_model;
  connect(history, &QAbstractItemModel::rowsInserted, this, &MainWindow::UpdateRequestCount);
  connect(history, &QAbstractItemModel::rowsRemoved, this, &MainWindow::UpdateRequestCount);
  connect(history, &QAbstractItemModel::modelReset, this, &MainWindow::UpdateRequestCount);
}

void MainWindow::Start() {
  tray_->CreateTrayIcon(this, kTrayTip);
  const StartupSettings startup = settings_.LoadStartup();
  if (startup.lyrics_font) ApplyLyricsFont(c_, *startup.lyrics_font);
  if (startup.lyrics_colors) ApplyLyricsColors(c_, *startup.lyrics_colors);
  panel_->SnapTo(PanelSlider::kOpenLeft);

  lyrics_.Create();
  lyrics_.SetDraggable(true);
  lyrics_.SetNoClose(true);
  ConfigureLyrics(lyrics_, c_);
  lyrics_.SetText(kWelcomeLyrics);
  tray_->SetAvoidedWindow(lyrics_.window());

  if (startup.profile) {
    ApplyProfileTexts(c_, *startup.profile);
    // The nickname's change handler runs for the text the settings put there.
    link_->SetNickname(Utf8(c_.nickname_box->text()));
    ApplyProfileChecks(c_, *startup.profile);
    link_->SetPopupsEnabled(startup.profile->popups == true);
  }
  LoadHistory();
  UpdateRequestCount();

  if (options_.server) {
    ConnectForThisRun(*options_.server);
  } else if (c_.auto_connect_box->isChecked()) {
    link_->Connect(Utf8(c_.ip_box->text()), Utf8(c_.port_box->text()), ConnectTrigger::kStartUp);
  }
}

void MainWindow::ShowPage(int page) {
  if (page < 0 || page > 2) return;
  c_.pages->setCurrentIndex(page);
  c_.page_marker->move(0, kMarkerTops[page]);
  QPushButton* buttons[] = {c_.online_page_button, c_.history_page_button, c_.settings_page_button};
  buttons[page]->setChecked(true);
}

void MainWindow::OnPageButton(int page) {
  ShowPage(page);
  if (page == 0) {
    panel_->SnapClosedIfOpen();
  } else {
    panel_->SlideClosedIfOpen();
  }
}

void MainWindow::ConnectToServer() {
  link_->Connect(Utf8(c_.ip_box->text()), Utf8(c_.port_box->text()), ConnectTrigger::kButton);
}

void MainWindow::ConnectForThisRun(const ServerAddress& server) {
  // A dotted address needs no lookup; a host name is looked up on a worker.
  if (IsDottedIpv4(server.host)) {
    ConnectResolved(server.host, server);
    return;
  }
  std::thread([poster = poster_, this, server] {
    std::optional<std::string> ip = ResolveFirstIpv4(server.host);
    poster->Post([this, ip = std::move(ip), server] { ConnectResolved(ip, server); });
  }).detach();
}

void MainWindow::ConnectResolved(const std::optional<std::string>& ip,
                                 const ServerAddress& server) {
  if (!ip) {
    c_.connection_status->setText(QStringLiteral("无法解析服务端地址：") +
                                  QString::fromStdString(server.host));
    ShowErrorBox(QStringLiteral("连接失败！"),
                 QStringLiteral("无法解析服务端地址：") + QString::fromStdString(server.host));
    return;
  }
  RunAddress run;
  run.saved_ip = Utf8(c_.ip_box->text());
  run.saved_port = Utf8(c_.port_box->text());
  c_.ip_box->setText(QString::fromStdString(*ip));
  if (server.port) c_.port_box->setText(QString::number(*server.port));
  run.run_ip = Utf8(c_.ip_box->text());
  run.run_port = Utf8(c_.port_box->text());
  run_address_ = run;
  link_->Connect(run.run_ip, run.run_port, ConnectTrigger::kStartUp);
}

void MainWindow::LoadHistory() {
  const std::filesystem::path file = settings_.RequestHistoryFile();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return;
  FillFromTable(c_.history_list, settings::LoadListView(file, true), true);
}

void MainWindow::UpdateRequestCount() {
  c_.request_count_label->setText(QStringLiteral("累计点歌%1次").arg(c_.history_model->rowCount()));
}

void MainWindow::SaveLyricsAppearance() {
  ConfigureLyrics(lyrics_, c_);
  lyrics_.Redraw();
  settings_.SaveLyricsFont(LyricsFontOf(c_));
  settings_.SaveLyricsColors(LyricsColorsOf(c_));
}

ProfileSettings MainWindow::ProfileToSave() const {
  ProfileSettings profile = ProfileOf(c_);
  if (run_address_) {
    if (profile.ip == run_address_->run_ip) profile.ip = run_address_->saved_ip;
    if (profile.port == run_address_->run_port) profile.port = run_address_->saved_port;
  }
  return profile;
}

void MainWindow::SaveProfileAndHistory() {
  settings_.SaveProfile(ProfileToSave());
  settings::SaveListView(TableOf(c_.history_list), settings_.RequestHistoryFile());
}

void MainWindow::DestroyTimeSave() {
  settings_.SaveExitProfile(ProfileToSave());
  settings::SaveListView(TableOf(c_.history_list), settings_.ExitRequestHistoryFile());
}

void MainWindow::SaveAndExit() {
  if (ending_) return;
  SaveProfileAndHistory();
  End(Ending::kCloseButton);
}

void MainWindow::End(Ending how) {
  ending_ = true;
  hide();
  lyrics_.Hide();
  emit Ended(how);
}

void MainWindow::BringToFront() {
  if (ending_) return;
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  show();
  raise();
  activateWindow();
}

void MainWindow::ShowErrorBox(const QString& title, const QString& text) {
  if (message_box_ != nullptr) message_box_->close();
  auto* box = new QMessageBox(QMessageBox::Critical, title, text, QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  message_box_ = box;
  box->open();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  if (ending_) return;
  DestroyTimeSave();
  End(Ending::kOtherClose);
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shadow_attached_) return;
  shadow_attached_ = true;
  AttachShadow(this, kShadowColor, kShadowWidth);
  update();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const bool left_press = event->type() == QEvent::MouseButtonPress &&
                          static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
  if ((watched == c_.result_list->viewport() && left_press) ||
      (watched == c_.search_box && event->type() == QEvent::FocusIn)) {
    panel_->SlideClosedIfOpen();
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace quilla::client
