#pragma once
// The main window "Quilla客户端" (698 × 500, no system caption): the left strip, the three
// pages and the connection panel, as views over the client session; the program's start
// (the settings files into the controls, the lyrics line configured from them, the
// connect at start) and its two ways of ending with their saves.
//
// Seams for the features wired later: controls() names every control (search box, result
// list, history list and its model, skip button, voice group, avatar box, menus);
// ShowPage() switches pages as the history menu's searches do; panel() moves the
// connection panel; link() sends messages and holds the request interval and nickname;
// ShowErrorBox() shows a message box without blocking.
//
// GUI thread only.

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>

#include "client/app/main_controls.h"
#include "client/app/panel_slider.h"
#include "client/app/picture_fetcher.h"
#include "client/app/session_view.h"
#include "client/core/client_link.h"
#include "client/core/client_settings.h"
#include "client/core/server_address.h"
#include "client/ui/desktop_lyrics_window.h"
#include "client/ui/tray_icon.h"

namespace quilla::client {

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  struct Options {
    // --server: the address to connect to at start, for this run only.
    std::optional<ServerAddress> server;
    ConnectionOptions connection;
  };

  // How the program is ending.
  enum class Ending {
    kCloseButton,  // a close button: pz.ini and dgjl.ini were written
    kOtherClose,   // the window manager, a signal, the session: e.ini and gq.ini were written
    kKicked,       // the server's "卸载": pz.ini and dgjl.ini were written
  };
  Q_ENUM(Ending)

  static constexpr int kWidth = 698;
  static constexpr int kHeight = 500;
  // The tops of the page marker, one per page.
  static constexpr int kMarkerTops[] = {159, 209, 259};

  explicit MainWindow(ClientSettings settings, Options options = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The window's creation: reads the settings files into the controls, creates and
  // configures the desktop lyrics line, fills the history and connects when "启动连接" is
  // ticked or --server was given. Once, before the window is shown.
  void Start();

  MainControls& controls() { return c_; }
  ClientLink& link() { return *link_; }
  DesktopLyricsWindow& lyrics() { return lyrics_; }
  TrayIcon& tray() { return *tray_; }
  PanelSlider& panel() { return *panel_; }
  const ClientSettings& settings() const { return settings_; }

  // Page `page` (0..2) with its marker; the connection panel stays where it is.
  void ShowPage(int page);
  // ConnectToServer: the button `连接服务端`.
  void ConnectToServer();
  // SaveLyricsAppearance: `设置1` ("设置保存").
  void SaveLyricsAppearance();
  // SaveAndExit: the three close buttons.
  void SaveAndExit();
  // A later start asked for the window: shows it, restored and in front.
  void BringToFront();

  // A message box with the error icon, not blocking the program; a new one replaces the
  // one shown.
  void ShowErrorBox(const QString& title, const QString& text);
  QMessageBox* message_box() const { return message_box_; }

 signals:
  // The program should end now; the saves of `how` are done.
  void Ended(MainWindow::Ending how);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void WireHandlers();
  void OnPageButton(int page);
  void ConnectForThisRun(const ServerAddress& server);
  void ConnectResolved(const std::optional<std::string>& ip, const ServerAddress& server);
  void LoadHistory();
  void UpdateRequestCount();
  // pz.ini and dgjl.ini, as the close buttons and a kick write them.
  void SaveProfileAndHistory();
  // e.ini and gq.ini, as any other closing writes them.
  void DestroyTimeSave();
  ProfileSettings ProfileToSave() const;
  void End(Ending how);

  ClientSettings settings_;
  Options options_;
  MainControls c_;
  DesktopLyricsWindow lyrics_;
  TrayIcon* tray_ = nullptr;
  PanelSlider* panel_ = nullptr;
  std::shared_ptr<qt::GuiPoster> poster_;
  std::unique_ptr<PictureFetcher> cover_;
  std::unique_ptr<SessionView> view_;
  // The address the settings held when --server replaced it, and what replaced it: the
  // command line's address is for this run only.
  struct RunAddress {
    std::string saved_ip, saved_port;
    std::string run_ip, run_port;
  };
  std::optional<RunAddress> run_address_;
  QPointer<QMessageBox> message_box_;
  bool ending_ = false;
  bool shadow_attached_ = false;
  std::unique_ptr<ClientLink> link_;  // last: its events may arrive until it is gone
};

}  // namespace quilla::client
