// The notification-area service: add, modify and delete an icon described by
// a notification record, plus the few desktop facts the tray component needs
// (shell version, double-click time, cursor position, foreground window).
//
// The shell reports mouse and balloon activity on an icon by posting a
// TrayCallbackEvent to the record's window: the record's callback message,
// the icon's uID as first parameter and the mouse or balloon message number
// (512 move, 513/514 left down/up, 515 left double click, 516/517 right,
// 519/520 middle, 1026..1029 balloon shown/hidden/timed out/clicked) as the
// second. Events are posted, so they arrive on the window's own thread.
//
// QtTrayShell is the real service over QSystemTrayIcon; tests install a
// RecordingTrayShell (platform/fake_tray_shell.h) with SetTrayShell.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QEvent>
#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class QWidget;

namespace platform {

// Record flags: which fields a request carries.
enum NotifyIconFlag : uint32_t {
  NIF_MESSAGE = 0x01,
  NIF_ICON = 0x02,
  NIF_TIP = 0x04,
  NIF_STATE = 0x08,
  NIF_INFO = 0x10,
};

// Icon states (state and state mask).
enum NotifyIconState : uint32_t {
  NIS_HIDDEN = 0x01,
  NIS_SHAREDICON = 0x02,
};

// Balloon icons (info flags).
enum NotifyInfoFlag : uint32_t {
  NIIF_NONE = 0,
  NIIF_INFO = 1,
  NIIF_WARNING = 2,
  NIIF_ERROR = 3,
};

// The two record sizes: the first form has no state and balloon fields.
constexpr uint32_t kNotifyIconDataSizeV1 = 88;
constexpr uint32_t kNotifyIconDataSizeV5 = 488;

// Field capacities, terminator excluded.
constexpr int kNotifyTipMax = 63;
constexpr int kNotifyInfoMax = 255;
constexpr int kNotifyInfoTitleMax = 63;

// Error codes the shell reports for a refused request.
constexpr uint32_t kErrorGenFailure = 31;
constexpr uint32_t kErrorTimeout = 1460;

// Mouse and balloon messages carried by a TrayCallbackEvent.
enum TrayMessage : uint32_t {
  WM_MOUSEMOVE = 512,
  WM_LBUTTONDOWN = 513,
  WM_LBUTTONUP = 514,
  WM_LBUTTONDBLCLK = 515,
  WM_RBUTTONDOWN = 516,
  WM_RBUTTONUP = 517,
  WM_MBUTTONDOWN = 519,
  WM_MBUTTONUP = 520,
  NIN_BALLOONSHOW = 1026,
  NIN_BALLOONHIDE = 1027,
  NIN_BALLOONTIMEOUT = 1028,
  NIN_BALLOONUSERCLICK = 1029,
};

// The notification record. Callers keep the texts within their capacities.
struct NotifyIconData {
  uint32_t size = kNotifyIconDataSizeV5;
  QObject* window = nullptr;  // receives the TrayCallbackEvents
  uint32_t uID = 0;
  uint32_t flags = 0;
  uint32_t callbackMessage = 0;
  QIcon icon;
  QString tip;
  // The icon's context menu, for tray hosts that show only the menu an
  // application exports (set with the icon).
  QPointer<QMenu> menu;
  // Larger form only (size 488).
  uint32_t state = 0;
  uint32_t stateMask = 0;
  QString info;  // balloon text
  uint32_t timeout = 0;  // balloon time-out, ms
  QString infoTitle;
  uint32_t infoFlags = 0;
};

// A notification from the shell, delivered to the record's window.
class TrayCallbackEvent : public QEvent {
 public:
  TrayCallbackEvent(uint32_t callbackMessage, uint32_t wParam, uint32_t lParam);
  static QEvent::Type EventType();

  uint32_t callbackMessage;
  uint32_t wParam;  // the icon's uID
  uint32_t lParam;  // the mouse or balloon message
};

struct ShellVersion {
  int major = 0, minor = 0, release = 0, build = 0;
};

struct OsVersion {
  int major = 0, minor = 0;
};

class TrayShell {
 public:
  virtual ~TrayShell();

  // Each returns false when the shell refuses; LastError then tells why.
  virtual bool Add(const NotifyIconData& data) = 0;
  virtual bool Modify(const NotifyIconData& data) = 0;
  virtual bool Delete(const NotifyIconData& data) = 0;
  virtual uint32_t LastError() const = 0;
  // Whether the desktop has a notification area now; one may appear later
  // (a panel started after the programs of the session).
  virtual bool TrayAvailable() const = 0;
  // Calls changed (in receiver's thread, while receiver lives) whenever a
  // notification area may have appeared, and returns true; false when the
  // shell cannot tell, and the caller looks by itself from time to time.
  virtual bool WatchTray(QObject* receiver, std::function<void()> changed);

  virtual ShellVersion GetShellVersion() const = 0;
  virtual OsVersion GetOsVersion() const = 0;
  virtual int DoubleClickTime() const = 0;  // ms
  virtual QPoint CursorPos() const = 0;     // screen coordinates
  virtual void SetForegroundWindow(QWidget* window) = 0;
};

// The process-wide shell: the one installed with SetTrayShell, else a
// QtTrayShell created on first use.
TrayShell& GetTrayShell();
// Installs shell (nullptr restores the real one); returns the previous one.
TrayShell* SetTrayShell(TrayShell* shell);

// The real service: one QSystemTrayIcon per (window, uID). Reports shell
// version 6.0 on an NT-family system at version 10.0.
class QtTrayShell : public QObject, public TrayShell {
  Q_OBJECT
 public:
  // trayAvailable decides whether an add can succeed; by default
  // QSystemTrayIcon::isSystemTrayAvailable.
  explicit QtTrayShell(std::function<bool()> trayAvailable = {});
  ~QtTrayShell() override;

  bool Add(const NotifyIconData& data) override;
  bool Modify(const NotifyIconData& data) override;
  bool Delete(const NotifyIconData& data) override;
  uint32_t LastError() const override { return lastError_; }
  bool TrayAvailable() const override { return trayAvailable_(); }
  // Through the MANAGER message of a new tray manager on X11, when
  // availability is the default check.
  bool WatchTray(QObject* receiver, std::function<void()> changed) override;

  ShellVersion GetShellVersion() const override;
  OsVersion GetOsVersion() const override;
  int DoubleClickTime() const override;
  QPoint CursorPos() const override;
  void SetForegroundWindow(QWidget* window) override;

  // The callback messages one activation of a tray icon stands for.
  static std::vector<uint32_t> MessagesFor(QSystemTrayIcon::ActivationReason reason);

  // The Qt icon that stands for (window, uID), or nullptr.
  QSystemTrayIcon* IconFor(QObject* window, uint32_t uID) const;

 private:
  // Calls the watchers once each (queued after a tray manager's message).
  void TrayWindowChanged();
  struct Entry {
    std::unique_ptr<QSystemTrayIcon> icon;
    QPointer<QObject> window;
    uint32_t uID = 0;
    uint32_t callbackMessage = 0;
  };
  using Key = std::pair<const QObject*, uint32_t>;

  void Apply(Entry& entry, const NotifyIconData& data);
  void Post(const Entry& entry, uint32_t message);
  bool Fail(uint32_t error);

  std::function<bool()> trayAvailable_;
  bool ownCheck_ = false;  // trayAvailable_ is the platform's own check
  std::unique_ptr<QAbstractNativeEventFilter> managerFilter_;
  std::vector<std::pair<QPointer<QObject>, std::function<void()>>> watchers_;
  std::map<Key, std::unique_ptr<Entry>> icons_;
  uint32_t lastError_ = 0;
};

}  // namespace platform
