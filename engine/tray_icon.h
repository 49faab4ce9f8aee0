// TTrayIcon: an icon in the desktop's notification area, owned by a form.
//
// Use on a form:
//
//   TrayIcon1 = new engine::TTrayIcon(this);      // this = the owning form
//   TrayIcon1->SetIcon(icon);                      // before Visible: an icon is needed
//   TrayIcon1->SetRBPopupMenu(PopupMenu1);
//   TrayIcon1->SetTipHelp(QStringLiteral("..."));
//   TrayIcon1->SetVisible(true);
//   try { TrayIcon1->Loaded(); } catch (const engine::ETrayIconError&) { ... }
//
// Construction corresponds to reading the form's definition: until Loaded()
// the property setters only store their values; Loaded() then adds the icon
// when Visible is true. Set Icon before Visible: Visible stays false while no
// icon is at hand (own icon, else the form's, else the application's).
// The tip starts as "TipHelp", a placeholder for the owner to replace; the
// clock window sets it after construction (the clock's name).
// A desktop without a notification area refuses the add: Loaded() (or a later
// SetVisible(true)) raises ETrayIconError with "タスクトレイにアイコンを登録で
// きません。", the icon stays not added, and later property changes send
// nothing and raise nothing. Such an icon is added once a tray appears (a
// panel that starts after the programs of the session), if it is still
// visible: when the shell reports new trays, else by looking every
// TrayPollInterval ms.
// The right-button menu is also the icon's context menu, for tray hosts that
// show only the menu an application exports; a menu the host opened already
// is not opened again.
//
// The shell's notifications reach HandleTrayCallback through the one
// TCallbackWindow. A button press opens the pop-up menu of that button when
// AutoPopup is on and the menu is set (after bringing the owner form to the
// foreground), else fires OnMouseDown. A left release with OnClick set waits
// the double-click time + 50 ms (TSingleClick) before OnClick, so that a
// double click fires OnDblClick alone.
#pragma once

#include "platform/tray_shell.h"

#include <QIcon>
#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace engine {

// The component's own error class.
class ETrayIconError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kTrayAddError = "タスクトレイにアイコンを登録できません。";
inline constexpr const char* kTrayBalloonError = "タスクトレイアイコンのバルーンメッセージ表示が切り替えられません。";
inline constexpr const char* kTrayStateError = "タスクトレイアイコンの表示が切り替えられません。";

enum TBalloonInfoIconFlag { biifNone = 0, biifInfo = 1, biifWarning = 2, biifError = 3 };

enum TNotifyIconRequest {
  nirAdd = 0,
  nirModify = 1,
  nirDelete = 2,
  nirShowBalloon = 3,
  nirHideBalloon = 4,
  nirShowIcon = 5,
  nirHideIcon = 6,
};

// The callback message of every icon: the first user message + 200.
constexpr uint32_t kTrayCallbackMessage = 1024 + 200;
constexpr int kMaxTrayIcons = 100;
constexpr int kBalloonTimeoutMin = 10, kBalloonTimeoutMax = 60;
constexpr int kAnimateRateMin = 10;

// A list of images, as referenced by AnimateIcons.
class TImageList : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  QList<QIcon> Images;
};

class TTrayIcon;

using TNotifyEvent = std::function<void(QObject* sender)>;
// (sender, button, shift state, x, y); the shift state holds the button.
using TMouseEvent = std::function<void(QObject* sender, Qt::MouseButton button, Qt::MouseButtons shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(QObject* sender, Qt::MouseButtons shift, int x, int y)>;

// The hidden receiver of the shell's notifications, one for the program.
class TCallbackWindow : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  // The icon the last notification was for.
  QPointer<TTrayIcon> CurrentIcon;
  // One notification: wParam the icon's uID, lParam the mouse or balloon message.
  void HandleTrayCallback(uint32_t wParam, uint32_t lParam);

 protected:
  bool event(QEvent* e) override;
};

// Waits the double-click time + 50 ms on a thread of its own and ends; its
// finished() signal, delivered on the window thread, ends the wait for the
// icon. Frees itself.
class TSingleClick : public QThread {
  Q_OBJECT
 public:
  explicit TSingleClick(int waitMs);

 protected:
  void run() override;

 private:
  int waitMs_;
};

// The live icons in creation order, keyed by their uID in decimal.
class TrayIconRegistry {
 public:
  static int Count();
  static TTrayIcon* Find(const QString& key);
  static std::vector<TTrayIcon*> Icons();

 private:
  friend class TTrayIcon;
  static std::vector<std::pair<QString, TTrayIcon*>>& Entries();
};

class TTrayIcon : public QObject {
  Q_OBJECT
  Q_PROPERTY(int AnimateRate READ AnimateRate WRITE SetAnimateRate)
  Q_PROPERTY(bool AutoPopup READ AutoPopup WRITE SetAutoPopup)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(QIcon Icon READ Icon WRITE SetIcon)
  Q_PROPERTY(QString TipHelp READ TipHelp WRITE SetTipHelp)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_PROPERTY(QString BalloonTitle READ BalloonTitle WRITE SetBalloonTitle)
  Q_PROPERTY(QString BalloonText READ BalloonText WRITE SetBalloonText)
  Q_PROPERTY(int BalloonTimeout READ BalloonTimeout WRITE SetBalloonTimeout)
  Q_PROPERTY(bool FormActiveByMouseup READ FormActiveByMouseup WRITE SetFormActiveByMouseup)

 public:
  // owner: normally the form; shell: nullptr for the process-wide shell.
  // Raises ETrayIconError when 100 icons live already.
  explicit TTrayIcon(QObject* owner, platform::TrayShell* shell = nullptr);
  ~TTrayIcon() override;

  // The loaded step: adds the icon when Visible. Acts once.
  void Loaded();

  TImageList* AnimateIcons() const { return animateIcons_.data(); }
  void SetAnimateIcons(TImageList* list) { animateIcons_ = list; }
  int AnimateRate() const { return animateRate_; }
  void SetAnimateRate(int ms) { animateRate_ = ms < kAnimateRateMin ? kAnimateRateMin : ms; }
  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool on) { autoPopup_ = on; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  QIcon Icon() const { return icon_; }
  void SetIcon(const QIcon& icon);
  QMenu* LBPopupMenu() const { return lbPopupMenu_.data(); }
  void SetLBPopupMenu(QMenu* menu) { lbPopupMenu_ = menu; }
  QMenu* RBPopupMenu() const { return rbPopupMenu_.data(); }
  void SetRBPopupMenu(QMenu* menu) { rbPopupMenu_ = menu; }
  QString TipHelp() const { return tipHelp_; }
  void SetTipHelp(const QString& tip);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  QString BalloonTitle() const { return balloonTitle_; }
  void SetBalloonTitle(const QString& title);
  QString BalloonText() const { return balloonText_; }
  void SetBalloonText(const QString& text);
  TBalloonInfoIconFlag BalloonIcon() const { return balloonIcon_; }
  void SetBalloonIcon(TBalloonInfoIconFlag flag) { balloonIcon_ = flag; }
  int BalloonTimeout() const { return balloonTimeout_; }
  void SetBalloonTimeout(int seconds);
  bool FormActiveByMouseup() const { return formActiveByMouseup_; }
  void SetFormActiveByMouseup(bool on) { formActiveByMouseup_ = on; }

  TNotifyEvent OnClick, OnDblClick;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnBalloonShow, OnBalloonHide, OnBalloonTimeout, OnBalloonClick;

  // Waits between the add retries; ms. Replaced by tests.
  std::function<void(int ms)> RetryWait;
  // How often, in ms, an icon refused for want of a tray looks for one.
  int TrayPollInterval = 2000;

  void UpdateNotifyIcon(TNotifyIconRequest request);
  void RefreshNotifyIcon();
  QIcon GetTrayIconHandle() const;
  platform::ShellVersion GetShellVersion() const;

  uint32_t uID() const { return uID_; }
  bool Added() const { return added_; }
  bool ClickPending() const { return clickPending_; }
  // The record as last filled.
  const platform::NotifyIconData& Record() const { return record_; }
  static TCallbackWindow* CallbackWindow();

 private:
  friend class TCallbackWindow;
  void HandleMessage(uint32_t message);
  void ButtonDown(QMenu* menu, Qt::MouseButton button, int x, int y);
  void ButtonUp(Qt::MouseButton button, int x, int y);
  void SingleClickElapsed();
  void ActivateFormOnMouseUp();
  QWidget* OwnerForm() const;
  void FillRecord(TNotifyIconRequest request);
  void AddWithRetries();
  // Waits for a tray (the shell's news of one, else a look every
  // TrayPollInterval ms), then makes the refused add again.
  void WatchForTray();
  void TrayWatchTick();

  platform::TrayShell* shell_;
  uint32_t uID_ = 0;
  bool loading_ = true;
  bool added_ = false;
  bool clickPending_ = false;
  int shellMajor_ = 0;
  bool xpLevel_ = false;
  platform::NotifyIconData record_;
  QTimer* trayWatch_ = nullptr;

  QPointer<TImageList> animateIcons_;
  int animateRate_ = 500;
  bool autoPopup_ = true;
  bool enabled_ = true;
  QIcon icon_;
  QPointer<QMenu> lbPopupMenu_, rbPopupMenu_;
  QString tipHelp_ = QStringLiteral("TipHelp");
  bool visible_ = false;
  QString balloonTitle_, balloonText_;
  TBalloonInfoIconFlag balloonIcon_ = biifNone;
  int balloonTimeout_ = kBalloonTimeoutMin;
  bool formActiveByMouseup_ = false;
};

}  // namespace engine
