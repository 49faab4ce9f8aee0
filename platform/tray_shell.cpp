#include "platform/tray_shell.h"

#include "platform/screen_blit.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QStyleHints>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>

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
  if (!trayAvailable_) {
    trayAvailable_ = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    ownCheck_ = true;
  }
}

bool TrayShell::WatchTray(QObject*, std::function<void()>) { return false; }

namespace {

// Passes on the MANAGER message a new tray manager sends to the root window
// (freedesktop system tray): the news that a tray has appeared.
class TrayManagerFilter : public QAbstractNativeEventFilter {
 public:
  TrayManagerFilter(xcb_connection_t* c, std::function<void()> news) : news_(std::move(news)) {
    xcb_intern_atom_reply_t* a = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 7, "MANAGER"), nullptr);
    if (a) manager_ = a->atom;
    std::free(a);
  }
  bool Ready() const { return manager_ != 0; }
  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    const auto* e = static_cast<const xcb_generic_event_t*>(message);
    if ((e->response_type & 0x7F) == XCB_CLIENT_MESSAGE &&
        reinterpret_cast<const xcb_client_message_event_t*>(e)->type == manager_)
      news_();
    return false;
  }

 private:
  std::function<void()> news_;
  xcb_atom_t manager_ = 0;
};

}  // namespace

bool QtTrayShell::WatchTray(QObject* receiver, std::function<void()> changed) {
  if (!ownCheck_ || !receiver) return false;
  if (!managerFilter_) {
    xcb_connection_t* c = ToolkitConnection();
    if (!c) return false;
    // Queued: the watchers add icons, which must not happen inside the
    // toolkit's handling of an X event.
    auto news = [this] { QMetaObject::invokeMethod(this, [this] { TrayWindowChanged(); }, Qt::QueuedConnection); };
    auto filter = std::make_unique<TrayManagerFilter>(c, news);
    if (!filter->Ready()) return false;
    // The message goes to the clients that listen for structure changes of
    // the root window; this one is added to what the toolkit listens for.
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_get_window_attributes_reply_t* attrs =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, root), nullptr);
    if (!attrs) return false;
    const uint32_t mask = attrs->your_event_mask | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    std::free(attrs);
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    qGuiApp->installNativeEventFilter(filter.get());
    managerFilter_ = std::move(filter);
  }
  watchers_.push_back({QPointer<QObject>(receiver), std::move(changed)});
  return true;
}

void QtTrayShell::TrayWindowChanged() {
  // Each watcher is called once; one still without its icon watches again.
  auto due = std::move(watchers_);
  watchers_.clear();
  for (auto& [receiver, changed] : due)
    if (receiver) changed();
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
