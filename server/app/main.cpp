// quilla_server: placeholder until the engine and window land.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Quilla服务端"));
  window.resize(646, 430);
  window.show();
  return app.exec();
}
