#include "app/zvapplication.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <cstdio>
#include <exception>

#include "app/aboutbox.h"

namespace zv {

TZvApplication::TZvApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // No display name: the platform would add it to every caption ("Options - Zorvan Utility"),
  // and the captions are the program's own.
  setApplicationName("zorvan32");
  // The menu entry zorvan32.desktop: desktops take the window's icon and name from it.
  setDesktopFileName("zorvan32");
  // Every window carries the icon itself, for desktops that do not read the menu entry.
  setWindowIcon(ProgramIcon());
}

bool TZvApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ShowErrorBox(e.what());
  } catch (...) {
    ShowErrorBox("Unknown error");
  }
  return false;
}

namespace {
TErrorBox g_errorBox = nullptr;
}

TErrorBox SetErrorBox(TErrorBox box) {
  TErrorBox old = g_errorBox;
  g_errorBox = box;
  return old;
}

bool ErrorBoxCanBeAnswered() {
  if (g_errorBox) return true;
  const QString platform = QGuiApplication::platformName();
  return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void ShowErrorBox(const char* text) {
  std::fprintf(stderr, "zorvan32: %s\n", text);
  if (g_errorBox) {
    g_errorBox(text);
    return;
  }
  // A modal box that nobody can see would hold an unattended run for ever; stderr has the text.
  if (!ErrorBoxCanBeAnswered()) return;
  QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Error"),
                        QString::fromLatin1(text));
}

}  // namespace zv
