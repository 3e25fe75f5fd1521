// quilla_client: the listener's program. One client per settings folder; its main window
// follows the server the user connects to, and closing it (by its buttons, the window
// manager, SIGTERM or SIGINT) saves the settings before the program ends.

#include <QApplication>
#include <QStyleFactory>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "client/app/main_window.h"
#include "client/app/picture_fetcher.h"
#include "client/app/quit_signals.h"
#include "client/app/single_instance.h"
#include "client/core/client_options.h"
#include "client/ui/platform_choice.h"

namespace {

std::filesystem::path ProgramDir(const char* argv0) {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) exe = std::filesystem::absolute(argv0, ec);
  return exe.parent_path();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quilla::client;
  ChooseXcbUnlessChosen(argc, argv);
  QApplication app(argc, argv);
  // The window closes itself when it has saved; nothing else ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

  // What the toolkit left of the arguments.
  std::vector<std::string> args;
  const QStringList arguments = QCoreApplication::arguments();
  for (qsizetype i = 1; i < arguments.size(); ++i) args.push_back(arguments[i].toStdString());
  std::string error;
  const auto options = ParseClientOptions(args, ProgramDir(argv[0]), &error);
  if (!options) {
    std::fprintf(stderr, "%s\n%s\n", error.c_str(), kClientUsage);
    return 2;
  }
  if (options->help) {
    std::printf("%s\n", kClientUsage);
    return 0;
  }

  SingleInstance instance(options->config_dir);
  if (!instance.Acquire()) {
    if (instance.AskRunningToRaise()) {
      std::printf("Quilla客户端已在运行，已将它的窗口带到前面。\n");
      return 0;
    }
    std::fprintf(stderr, "Quilla客户端已在运行（%s），但它没有应答。\n",
                 instance.lock_file().toLocal8Bit().constData());
    return 1;
  }

  QuitSignals quit_signals;
  int exit_code = 0;
  {
    MainWindow window(ClientSettings(options->config_dir), {options->server, {}});
    QObject::connect(&instance, &SingleInstance::RaiseRequested, &window,
                     &MainWindow::BringToFront);
    QObject::connect(&quit_signals, &QuitSignals::Requested, &window,
                     [&window] { window.close(); });
    QObject::connect(&window, &MainWindow::Ended, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    window.Start();
    window.show();
    exit_code = app.exec();
  }
  // The window is gone and its picture fetches are cancelled; let them end before the
  // libraries they use are torn down.
  PictureFetcher::WaitForFetches(std::chrono::seconds(1));
  return exit_code;
}
