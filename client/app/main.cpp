// quilla_client: the listener's program. Its window comes with the client's own work;
// for now it only opens an empty main window with the program's title.
#include <QApplication>
#include <QMainWindow>

#include "client/ui/platform_choice.h"

int main(int argc, char** argv) {
  quilla::client::ChooseXcbUnlessChosen(argc, argv);
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Quilla客户端"));
  window.resize(698, 500);
  window.show();
  return app.exec();
}
