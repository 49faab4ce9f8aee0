// Drives the real modal dialog a test opens: an action once it is up, and
// a deadline after which whatever is still open is closed and counted.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace testsupport {

// Runs `act` on the modal dialog once it is up; whatever is still open after
// `patience` ms (a dialog the action did not end, or a warning it raised) is
// closed and counted, so a failing test never hangs.
class ModalDriver {
 public:
  ModalDriver(std::function<void(QWidget*)> act, int patience = 3000) : act_(std::move(act)) {
    QTimer::singleShot(0, &context_, [this] { Poll(); });
    QTimer::singleShot(patience, &context_, [this] {
      while (QWidget* m = QApplication::activeModalWidget()) {
        ++leftOpen;
        m->close();
        if (auto* d = qobject_cast<QDialog*>(m)) d->reject();
        QApplication::processEvents();
        if (leftOpen > 5) break;
      }
    });
  }
  int leftOpen = 0;

 private:
  QObject context_;  // ends the timers with the driver
  void Poll() {
    if (QWidget* m = QApplication::activeModalWidget()) {
      act_(m);
      return;
    }
    QTimer::singleShot(10, &context_, [this] { Poll(); });
  }
  std::function<void(QWidget*)> act_;
};

}  // namespace testsupport
