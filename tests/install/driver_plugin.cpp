// Plays the user of an installed program: a Qt plugin that the program
// loads through QT_PLUGIN_PATH and QT_QPA_GENERIC_PLUGINS=clockkitdriver:<script>,
// so the shipped program runs as it is, with no hook of its own. The script
// has one step a line, each waited for (at most 20 s) before the next:
//   picture <path>     writes a 240 x 180 PNG picture (a fixture, not the program's)
//   window <prefix>    waits for a shown main window whose title starts so
//   drop <path>        drops the file on that window
//   trigger <text>     runs the window's menu command of that text
//   tab <text>         shows the window's tab of that text
//   file <path>        answers the open file dialog with the path
//   check <text>       ticks the check box of that text in the open dialog
//   click <text>       clicks the button of that text in the open dialog
//   message <text>     waits for a message box containing the text, and answers it
//   shot <path>        once a dialog is open, saves a picture of the screen
//   close              closes the window
// A message box that no step waits for ends the program with status 3, a
// step that times out with status 4. What the dialogs say goes to stderr
// as "driver: ..." lines.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QGenericPlugin>
#include <QImage>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTabBar>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

void Say(const QString& s) { std::fprintf(stderr, "driver: %s\n", s.toLocal8Bit().constData()); }

[[noreturn]] void Fail(int status, const QString& s) {
  Say(s);
  std::fflush(stderr);
  std::_Exit(status);
}

template <class T>
T* FindShown(const std::function<bool(T*)>& match) {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (!top->isVisible()) continue;
    if (auto* t = qobject_cast<T*>(top); t && match(t)) return t;
    for (T* t : top->findChildren<T*>())
      if (t->isVisible() && match(t)) return t;
  }
  return nullptr;
}

QString ButtonTexts(QWidget* w) {
  QStringList texts;
  for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
    if (b->isVisible() && !b->text().isEmpty()) texts << b->text();
  return texts.join(QStringLiteral(" | "));
}

class Driver : public QObject {
 public:
  explicit Driver(const QString& script) {
    QFile f(script);
    if (!f.open(QIODevice::ReadOnly)) Fail(4, "cannot read the script " + script);
    for (const QByteArray& line : f.readAll().split('\n'))
      if (!line.trimmed().isEmpty()) steps_ << QString::fromUtf8(line.trimmed());
    connect(&timer_, &QTimer::timeout, this, &Driver::Tick);
    timer_.start(50);
    clock_.start();
  }

 private:
  void Tick() {
    if (busy_) return;
    busy_ = true;
    const QString step = next_ < steps_.size() ? steps_[next_] : QString();
    QMessageBox* box = FindShown<QMessageBox>([](QMessageBox*) { return true; });
    if (box && !step.startsWith(QStringLiteral("message ")))
      Fail(3, "unexpected message: " + box->text() + " [" + ButtonTexts(box) + "]");
    if (next_ < steps_.size()) {
      if (Do(step)) {
        ++next_;
        clock_.restart();
      } else if (clock_.elapsed() > 20000) {
        QStringList shown;
        for (QWidget* top : QApplication::topLevelWidgets())
          if (top->isVisible()) shown << "\"" + top->windowTitle() + "\"";
        Fail(4, "timed out at: " + step + "; windows shown: " + shown.join(", "));
      }
    }
    busy_ = false;
  }

  // True when the step is done.
  bool Do(const QString& step) {
    const int space = int(step.indexOf(' '));
    const QString verb = space < 0 ? step : step.left(space);
    const QString arg = space < 0 ? QString() : step.mid(space + 1);
    if (verb == "picture") {
      QImage img(240, 180, QImage::Format_RGB32);
      QPainter p(&img);
      for (int y = 0; y < 180; ++y) p.fillRect(0, y, 240, 1, QColor(y, 255 - y, 120));
      p.setBrush(Qt::yellow);
      p.drawEllipse(60, 30, 120, 120);
      p.end();
      if (!img.save(arg, "PNG")) Fail(4, "cannot write " + arg);
      return true;
    }
    if (verb == "window") {
      window_ = FindShown<QWidget>([&](QWidget* w) {
        return w->isWindow() && !qobject_cast<QDialog*>(w) && w->windowTitle().startsWith(arg) &&
               (arg.isEmpty() || w->findChild<QAction*>());
      });
      return window_ != nullptr;
    }
    if (!window_) Fail(4, "no window for: " + step);
    if (verb == "drop") {
      auto* mime = new QMimeData;
      mime->setUrls({QUrl::fromLocalFile(arg)});
      // As a drag from another program arrives: it enters, then drops.
      QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(window_.data(), &enter);
      QDropEvent drop(QPointF(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(window_.data(), &drop);
      if (!drop.isAccepted()) Fail(4, "the window refused the drop");
      delete mime;
      return true;
    }
    if (verb == "trigger") {
      for (QAction* a : window_->findChildren<QAction*>()) {
        if (a->text() == arg) {
          QTimer::singleShot(0, a, &QAction::trigger);
          return true;
        }
      }
      Fail(4, "no menu command " + arg);
    }
    if (verb == "tab") {
      for (QTabBar* bar : window_->findChildren<QTabBar*>()) {
        for (int i = 0; i < bar->count(); ++i) {
          if (bar->isVisible() && bar->tabText(i) == arg) {
            bar->setCurrentIndex(i);
            return true;
          }
        }
      }
      return false;
    }
    if (verb == "file") {
      QFileDialog* d = FindShown<QFileDialog>([](QFileDialog*) { return true; });
      if (!d) return false;
      Say("file dialog: " + d->windowTitle() + " [" + ButtonTexts(d) + "]");
      d->selectFile(arg);
      QMetaObject::invokeMethod(d, "accept", Qt::QueuedConnection);
      return true;
    }
    if (verb == "check" || verb == "click") {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || qobject_cast<QFileDialog*>(modal)) return false;
      for (QAbstractButton* b : modal->findChildren<QAbstractButton*>()) {
        if (b->text() != arg || !b->isVisible()) continue;
        Say("dialog: " + modal->windowTitle() + " [" + ButtonTexts(modal) + "]");
        if (verb == "check")
          b->setChecked(true);
        else
          QTimer::singleShot(0, b, &QAbstractButton::click);
        return true;
      }
      return false;
    }
    if (verb == "message") {
      QMessageBox* box = FindShown<QMessageBox>([&](QMessageBox* m) { return m->text().contains(arg); });
      if (!box) return false;
      Say("message: " + box->text() + " [" + ButtonTexts(box) + "]");
      const auto buttons = box->buttons();
      if (!buttons.isEmpty()) QTimer::singleShot(0, buttons.first(), &QAbstractButton::click);
      return true;
    }
    if (verb == "shot") {
      // Half a second after it opened, so that it is drawn.
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || !modal->isVisible() || clock_.elapsed() < 500) return false;
      if (!QGuiApplication::primaryScreen()->grabWindow(0).save(arg, "PNG")) Fail(4, "cannot write " + arg);
      return true;
    }
    if (verb == "close") {
      QTimer::singleShot(0, window_.data(), &QWidget::close);
      return true;
    }
    Fail(4, "unknown step: " + step);
  }

  QStringList steps_;
  int next_ = 0;
  bool busy_ = false;
  QPointer<QWidget> window_;
  QTimer timer_;
  QElapsedTimer clock_;
};

}  // namespace

class DriverPlugin : public QGenericPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "driver.json")

 public:
  QObject* create(const QString&, const QString& spec) override { return new Driver(spec); }
};

#include "driver_plugin.moc"
