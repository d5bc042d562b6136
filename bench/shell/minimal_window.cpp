// The yardstick of the launch benchmark: a plain Qt window of the application's size and
// nothing in it, started as a process of its own.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.resize(1360, 880);
  window.show();
  return app.exec();
}
