#include "platform/tray_shell.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QStyleHints>
#include <QWidget>

namespace platform {

TrayCallbackEvent::TrayCallbackEvent(uint32_t message, uint32_t w, uint32_t l)
    : QEvent(EventType()), callbackMessage(message), wParam(w), lParam(l) {}

QEvent::Type TrayCallbackEvent::EventType() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

TrayShell::~TrayShell() = default;

namespace {
TrayShell* g_installed = nullptr;
}  // namespace

TrayShell& GetTrayShell() {
  if (g_installed) return *g_installed;
  // Created on first use and never destroyed: its Qt icons go with the
  // delete requests, and nothing may touch Qt after the application ends.
  static QtTrayShell* real = new QtTrayShell();
  return *real;
}

TrayShell* SetTrayShell(TrayShell* shell) {
  TrayShell* previous = g_installed;
  g_installed = shell;
  return previous;
}

QtTrayShell::QtTrayShell(std::function<bool()> trayAvailable) : trayAvailable_(std::move(trayAvailable)) {
  if (!trayAvailable_) trayAvailable_ = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
}

QtTrayShell::~QtTrayShell() = default;

bool QtTrayShell::Fail(uint32_t error) {
  lastError_ = error;
  return false;
}

bool QtTrayShell::Add(const NotifyIconData& data) {
  const Key key{data.window, data.uID};
  if (icons_.count(key)) return Fail(kErrorGenFailure);
  if (!trayAvailable_()) return Fail(kErrorGenFailure);

  auto entry = std::make_unique<Entry>();
  entry->icon = std::make_unique<QSystemTrayIcon>();
  entry->window = data.window;
  entry->uID = data.uID;
  Entry* e = entry.get();
  QObject::connect(e->icon.get(), &QSystemTrayIcon::activated, this,
                   [this, e](QSystemTrayIcon::ActivationReason reason) {
                     for (uint32_t message : MessagesFor(reason)) Post(*e, message);
                   });
  QObject::connect(e->icon.get(), &QSystemTrayIcon::messageClicked, this,
                   [this, e] { Post(*e, NIN_BALLOONUSERCLICK); });
  icons_.emplace(key, std::move(entry));

  bool hidden = (data.flags & NIF_STATE) && (data.stateMask & NIS_HIDDEN) && (data.state & NIS_HIDDEN);
  Apply(*e, data);
  if (!hidden) e->icon->show();
  return true;
}

bool QtTrayShell::Modify(const NotifyIconData& data) {
  auto it = icons_.find(Key{data.window, data.uID});
  if (it == icons_.end()) return Fail(kErrorGenFailure);
  Apply(*it->second, data);
  return true;
}

bool QtTrayShell::Delete(const NotifyIconData& data) {
  auto it = icons_.find(Key{data.window, data.uID});
  if (it == icons_.end()) return Fail(kErrorGenFailure);
  it->second->icon->hide();
  icons_.erase(it);
  return true;
}

void QtTrayShell::Apply(Entry& entry, const NotifyIconData& data) {
  QSystemTrayIcon& icon = *entry.icon;
  if (data.flags & NIF_MESSAGE) entry.callbackMessage = data.callbackMessage;
  if (data.flags & NIF_ICON) {
    icon.setIcon(data.icon);
    icon.setContextMenu(data.menu);
  }
  if (data.flags & NIF_TIP) icon.setToolTip(data.tip);
  if ((data.flags & NIF_STATE) && (data.stateMask & NIS_HIDDEN)) icon.setVisible(!(data.state & NIS_HIDDEN));
  if ((data.flags & NIF_INFO) && !data.info.isEmpty()) {
    QSystemTrayIcon::MessageIcon kind = QSystemTrayIcon::NoIcon;
    switch (data.infoFlags) {
      case NIIF_INFO: kind = QSystemTrayIcon::Information; break;
      case NIIF_WARNING: kind = QSystemTrayIcon::Warning; break;
      case NIIF_ERROR: kind = QSystemTrayIcon::Critical; break;
      default: break;
    }
    icon.showMessage(data.infoTitle, data.info, kind,
                     static_cast<int>(data.timeout));
    Post(entry, NIN_BALLOONSHOW);
  }
  // An empty balloon text asks to remove the balloon; the desktop's
  // notification service removes it by itself when its time is up.
}

void QtTrayShell::Post(const Entry& entry, uint32_t message) {
  if (!entry.window || entry.callbackMessage == 0) return;
  QCoreApplication::postEvent(entry.window, new TrayCallbackEvent(entry.callbackMessage, entry.uID, message));
}

std::vector<uint32_t> QtTrayShell::MessagesFor(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger: return {WM_LBUTTONDOWN, WM_LBUTTONUP};
    case QSystemTrayIcon::DoubleClick: return {WM_LBUTTONDBLCLK, WM_LBUTTONUP};
    case QSystemTrayIcon::Context: return {WM_RBUTTONDOWN, WM_RBUTTONUP};
    case QSystemTrayIcon::MiddleClick: return {WM_MBUTTONDOWN, WM_MBUTTONUP};
    default: return {};
  }
}

QSystemTrayIcon* QtTrayShell::IconFor(QObject* window, uint32_t uID) const {
  auto it = icons_.find(Key{window, uID});
  return it == icons_.end() ? nullptr : it->second->icon.get();
}

ShellVersion QtTrayShell::GetShellVersion() const { return ShellVersion{6, 0, 0, 0}; }

OsVersion QtTrayShell::GetOsVersion() const { return OsVersion{10, 0}; }

int QtTrayShell::DoubleClickTime() const { return QGuiApplication::styleHints()->mouseDoubleClickInterval(); }

QPoint QtTrayShell::CursorPos() const { return QCursor::pos(); }

void QtTrayShell::SetForegroundWindow(QWidget* window) {
  if (!window) return;
  window->raise();
  window->activateWindow();
}

}  // namespace platform
