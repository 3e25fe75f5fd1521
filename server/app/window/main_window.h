#pragma once
// The server's main window "Quilla服务端": a view of the engine. It shows the snapshots the
// engine publishes (log, tables, now playing, progress, control states) and posts every
// operator action to the engine thread; it decides nothing itself and never waits for
// the network. Controls carry their design names as objectName ("启动服务端", "日志编辑框",
// "已点歌曲列表", ...). GUI thread only.

#include <QWidget>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "server/app/engine_host.h"
#include "server/app/engine_observer.h"
#include "server/app/server_engine.h"
#include "server/app/window/cover_loader.h"
#include "server/app/window/observer_bridge.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QSystemTrayIcon;
class QTableView;
class QToolButton;

namespace quilla::server {

class OnlineUserModel;
class RequestQueueModel;
class VoiceWindow;

class MainWindow final : public QWidget, private EngineObserver {
 public:
  // `host` runs `engine`; both must outlive the window. `sys_ini` is the settings file the
  // window writes at exit.
  MainWindow(EngineHost& host, ServerEngine& engine, std::filesystem::path sys_ini,
             QWidget* parent = nullptr);
  ~MainWindow() override;

  // The window's side of the engine's notifications, to be added to the engine's
  // observers before the host starts. Safe to call from the engine thread; it stays valid
  // as long as the window, so the engine must stop notifying (host shut down) before the
  // window is destroyed. Notifications arriving while the window is destroyed are dropped.
  EngineObserver* observer() { return &bridge_; }

  // The voice window, created with the main window and opened by a double-click on "标签3".
  VoiceWindow* voice_window() const { return voice_window_; }

  static constexpr int kWidth = 646;
  static constexpr int kCollapsedHeight = 430;  // the online-user table is below this line
  static constexpr int kExpandedHeight = 620;
  // How long closing waits for the engine to let go of the audio output and the listener.
  static constexpr std::chrono::milliseconds kExitWait{1000};

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // EngineObserver, delivered on the GUI thread by the bridge.
  void OnLogAppended(const std::string& text) override;
  void OnUsersChanged(const std::vector<OnlineUser>& users) override;
  void OnQueueChanged(const std::vector<QueuedSong>& queue) override;
  void OnNowPlayingChanged(const NowPlaying& now_playing) override;
  void OnProgressChanged(const ProgressDisplay& progress) override;
  void OnControlsChanged(const ControlState& controls) override;

  void BuildLeftColumn();
  void BuildQueueGroup();
  void BuildNowPlayingGroup();
  void BuildUserGroup();
  void BuildMenus();
  void BuildTray();
  void ConnectControls();

  // Queues `command` for the engine thread.
  void Post(std::function<void(ServerEngine&)> command);
  std::optional<int> SelectedRow(QTableView* view) const;
  void ToggleHeight();
  void ShowCentred();
  void ShowPicture(const QImage& picture);
  void ShowAbout();
  // Has the engine release the audio output and the listener (waiting at most
  // kExitWait for it), saves "sys.ini" from the window's own controls, removes the tray
  // icon and ends the event loop. Runs once; a second close or "退出" does nothing more.
  void Exit();

  EngineHost& host_;
  ServerEngine& engine_;
  std::filesystem::path sys_ini_;
  ObserverBridge bridge_;
  bool voice_enabled_ = false;
  bool exited_ = false;

  // Left column.
  QGroupBox* left_group_ = nullptr;
  QPushButton* start_button_ = nullptr;
  QPushButton* stop_button_ = nullptr;
  QToolButton* settings_button_ = nullptr;
  QLabel* lan_ip_label_ = nullptr;
  QCheckBox* random_box_ = nullptr;
  QComboBox* channel_combo_ = nullptr;
  QLineEdit* interval_edit_ = nullptr;
  QCheckBox* skip_box_ = nullptr;
  QLabel* voice_label_ = nullptr;
  QCheckBox* voice_box_ = nullptr;
  QComboBox* voice_combo_ = nullptr;
  QPlainTextEdit* log_ = nullptr;

  // Queue, now playing, banner.
  QGroupBox* queue_group_ = nullptr;
  QTableView* queue_view_ = nullptr;
  RequestQueueModel* queue_model_ = nullptr;
  QGroupBox* now_playing_group_ = nullptr;
  QLabel* song_label_ = nullptr;
  QLabel* lyrics_label_ = nullptr;
  QLabel* time_label_ = nullptr;
  QSlider* progress_slider_ = nullptr;
  QLabel* picture_ = nullptr;
  QToolButton* pause_button_ = nullptr;
  QToolButton* resume_button_ = nullptr;
  QToolButton* skip_button_ = nullptr;
  QLabel* banner_ = nullptr;

  // Online users (below the fold).
  QGroupBox* user_group_ = nullptr;
  QTableView* user_view_ = nullptr;
  OnlineUserModel* user_model_ = nullptr;

  QMenu* user_menu_ = nullptr;
  QMenu* queue_menu_ = nullptr;
  QMenu* tray_menu_ = nullptr;
  QSystemTrayIcon* tray_ = nullptr;
  VoiceWindow* voice_window_ = nullptr;

  // Ends first (the window's destructor resets it): from then on no download posts to
  // this window.
  std::unique_ptr<CoverLoader> cover_loader_;
};

}  // namespace quilla::server
