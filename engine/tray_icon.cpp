#include "engine/tray_icon.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>

namespace engine {

namespace {

// The first n characters of s; a surrogate pair counts as one character and
// is never split.
QString FirstChars(const QString& s, int n) {
  qsizetype i = 0;
  for (int count = 0; i < s.size() && count < n; ++count)
    i += (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) ? 2 : 1;
  return s.left(i);
}

// Lives for the whole program, without a parent, so that icons of forms
// created later never address a destroyed window.
QPointer<TCallbackWindow> g_callbackWindow;

}  // namespace

// ---------------------------------------------------------------- registry

std::vector<std::pair<QString, TTrayIcon*>>& TrayIconRegistry::Entries() {
  static std::vector<std::pair<QString, TTrayIcon*>> entries;
  return entries;
}

int TrayIconRegistry::Count() { return static_cast<int>(Entries().size()); }

TTrayIcon* TrayIconRegistry::Find(const QString& key) {
  for (auto& [k, icon] : Entries())
    if (k == key) return icon;
  return nullptr;
}

std::vector<TTrayIcon*> TrayIconRegistry::Icons() {
  std::vector<TTrayIcon*> out;
  for (auto& entry : Entries()) out.push_back(entry.second);
  return out;
}

// ---------------------------------------------------------- callback window

bool TCallbackWindow::event(QEvent* e) {
  if (e->type() == platform::TrayCallbackEvent::EventType()) {
    auto* callback = static_cast<platform::TrayCallbackEvent*>(e);
    if (callback->callbackMessage == kTrayCallbackMessage) HandleTrayCallback(callback->wParam, callback->lParam);
    return true;
  }
  return QObject::event(e);
}

void TCallbackWindow::HandleTrayCallback(uint32_t wParam, uint32_t lParam) {
  TTrayIcon* icon = TrayIconRegistry::Find(QString::number(wParam));
  if (!icon) return;
  CurrentIcon = icon;
  if (!icon->Enabled()) return;
  icon->HandleMessage(lParam);
}

// ------------------------------------------------------------- single click

TSingleClick::TSingleClick(int waitMs) : waitMs_(waitMs) {
  connect(this, &QThread::finished, this, &QObject::deleteLater);
}

void TSingleClick::run() { QThread::msleep(static_cast<unsigned long>(waitMs_ < 0 ? 0 : waitMs_)); }

// ---------------------------------------------------------------- the icon

TTrayIcon::TTrayIcon(QObject* owner, platform::TrayShell* shell)
    : QObject(owner), shell_(shell ? shell : &platform::GetTrayShell()) {
  shellMajor_ = GetShellVersion().major;
  platform::OsVersion os = shell_->GetOsVersion();
  xpLevel_ = os.major > 5 || (os.major == 5 && os.minor != 0);

  auto& entries = TrayIconRegistry::Entries();
  if (entries.size() >= kMaxTrayIcons) throw ETrayIconError(kTrayAddError);
  uID_ = entries.empty() ? 1 : entries.back().second->uID_ + 1;
  entries.emplace_back(QString::number(uID_), this);

  RetryWait = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };

  CallbackWindow();
  record_.size = shellMajor_ < 5 ? platform::kNotifyIconDataSizeV1 : platform::kNotifyIconDataSizeV5;
  record_.window = g_callbackWindow;
  record_.uID = uID_;
  record_.callbackMessage = kTrayCallbackMessage;
}

TTrayIcon::~TTrayIcon() {
  if (added_) UpdateNotifyIcon(nirDelete);
  auto& entries = TrayIconRegistry::Entries();
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    if (it->second == this) {
      entries.erase(it);
      break;
    }
  }
}

TCallbackWindow* TTrayIcon::CallbackWindow() {
  if (!g_callbackWindow) g_callbackWindow = new TCallbackWindow();
  return g_callbackWindow;
}

void TTrayIcon::Loaded() {
  if (!loading_) return;
  loading_ = false;
  UpdateNotifyIcon(nirAdd);
}

void TTrayIcon::SetEnabled(bool on) {
  enabled_ = on;
  if (!on) clickPending_ = false;
}

void TTrayIcon::SetIcon(const QIcon& icon) {
  icon_ = icon;
  RefreshNotifyIcon();
}

void TTrayIcon::SetTipHelp(const QString& tip) {
  QString cut = FirstChars(tip, platform::kNotifyTipMax);
  if (cut == tipHelp_) return;
  tipHelp_ = cut;
  RefreshNotifyIcon();
}

void TTrayIcon::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible && !GetTrayIconHandle().isNull();
  if (loading_) return;
  if (visible_) {
    UpdateNotifyIcon(added_ && shellMajor_ >= 5 ? nirShowIcon : nirAdd);
  } else if (added_) {
    UpdateNotifyIcon(shellMajor_ >= 5 ? nirHideIcon : nirDelete);
  }
}

void TTrayIcon::SetBalloonTitle(const QString& title) { balloonTitle_ = FirstChars(title, platform::kNotifyInfoTitleMax); }

void TTrayIcon::SetBalloonText(const QString& text) { balloonText_ = FirstChars(text, platform::kNotifyInfoMax); }

void TTrayIcon::SetBalloonTimeout(int seconds) {
  balloonTimeout_ = seconds < kBalloonTimeoutMin ? kBalloonTimeoutMin
                    : seconds > kBalloonTimeoutMax ? kBalloonTimeoutMax
                                                   : seconds;
}

void TTrayIcon::RefreshNotifyIcon() {
  if (added_) UpdateNotifyIcon(nirModify);
}

QWidget* TTrayIcon::OwnerForm() const { return qobject_cast<QWidget*>(parent()); }

QIcon TTrayIcon::GetTrayIconHandle() const {
  if (!icon_.isNull()) return icon_;
  if (QWidget* form = OwnerForm()) {
    QIcon formIcon = form->windowIcon();
    if (!formIcon.isNull()) return formIcon;
  }
  return QGuiApplication::windowIcon();
}

platform::ShellVersion TTrayIcon::GetShellVersion() const { return shell_->GetShellVersion(); }

void TTrayIcon::FillRecord(TNotifyIconRequest request) {
  using namespace platform;
  // A delete needs no icon; it also runs while the owner form is destroyed.
  if (request != nirDelete) record_.icon = GetTrayIconHandle();
  if (shellMajor_ >= 5 && (request == nirShowBalloon || request == nirHideBalloon)) {
    record_.flags = NIF_MESSAGE | NIF_INFO;
    record_.timeout = static_cast<uint32_t>(balloonTimeout_) * 1000;
    record_.infoTitle.clear();
    record_.info.clear();
    if (request == nirShowBalloon) {
      record_.infoTitle = balloonTitle_;
      record_.info = balloonText_.isEmpty() ? QStringLiteral(" ") : balloonText_;
      record_.infoFlags = static_cast<uint32_t>(balloonIcon_);
    }
  } else if (shellMajor_ >= 5 && (request == nirShowIcon || request == nirHideIcon)) {
    record_.flags = NIF_STATE;
    record_.state = request == nirShowIcon ? 0u : uint32_t{NIS_HIDDEN};
    record_.stateMask = NIS_HIDDEN | NIS_SHAREDICON;
  } else {
    record_.tip = tipHelp_;
    record_.menu = rbPopupMenu_;
    record_.flags = tipHelp_.isEmpty() ? (NIF_MESSAGE | NIF_ICON) : (NIF_MESSAGE | NIF_ICON | NIF_TIP);
  }
}

void TTrayIcon::AddWithRetries() {
  record_.window = CallbackWindow();
  int retries = 0;
  for (;;) {
    if (shell_->Add(record_)) {
      added_ = true;
      return;
    }
    if (!(xpLevel_ && shell_->LastError() == platform::kErrorTimeout && retries < 5)) {
      if (!shell_->TrayAvailable()) WatchForTray();
      throw ETrayIconError(kTrayAddError);
    }
    // A timed-out add may still have reached the shell: a modify that
    // succeeds proves it holds the icon, which then counts as added so that
    // later changes and the final delete reach it.
    RetryWait(100);
    if (shell_->Modify(record_)) {
      added_ = true;
      return;
    }
    ++retries;
  }
}

void TTrayIcon::WatchForTray() {
  // Told by the shell when a tray appears, nothing is polled.
  if (shell_->WatchTray(this, [this] { TrayWatchTick(); })) return;
  if (!trayWatch_) {
    trayWatch_ = new QTimer(this);
    connect(trayWatch_, &QTimer::timeout, this, &TTrayIcon::TrayWatchTick);
  }
  trayWatch_->start(TrayPollInterval);
}

void TTrayIcon::TrayWatchTick() {
  if (added_ || !visible_) {
    if (trayWatch_) trayWatch_->stop();
    return;
  }
  if (!shell_->TrayAvailable()) {
    if (!trayWatch_) WatchForTray();  // told too early: wait for the next news
    return;
  }
  if (trayWatch_) trayWatch_->stop();
  try {
    UpdateNotifyIcon(nirAdd);
  } catch (const ETrayIconError&) {
    // Refused again: without a tray the watch goes on, else the icon stays
    // out as after any refused add.
  }
}

void TTrayIcon::UpdateNotifyIcon(TNotifyIconRequest request) {
  FillRecord(request);
  switch (request) {
    case nirAdd:
      if (!visible_) return;
      AddWithRetries();
      return;
    case nirModify:
      if (!shell_->Modify(record_)) throw ETrayIconError(kTrayAddError);
      return;
    case nirDelete:
      shell_->Delete(record_);
      added_ = false;
      return;
    case nirShowBalloon:
    case nirHideBalloon:
      if (!visible_) {
        if (request == nirHideBalloon) return;
        SetVisible(true);
        // Without an icon the icon cannot become visible, nor show a balloon.
        if (!visible_) throw ETrayIconError(kTrayBalloonError);
        UpdateNotifyIcon(request);
        return;
      }
      if (!shell_->Modify(record_)) throw ETrayIconError(kTrayBalloonError);
      return;
    case nirShowIcon:
    case nirHideIcon:
      if (!shell_->Modify(record_)) throw ETrayIconError(kTrayStateError);
      return;
  }
}

// ------------------------------------------------------------ notifications

void TTrayIcon::HandleMessage(uint32_t message) {
  using namespace platform;
  QPoint pos = shell_->CursorPos();
  const int x = pos.x(), y = pos.y();
  switch (message) {
    case WM_MOUSEMOVE:
      if (OnMouseMove) OnMouseMove(this, Qt::NoButton, x, y);
      break;
    case WM_LBUTTONDOWN: ButtonDown(LBPopupMenu(), Qt::LeftButton, x, y); break;
    case WM_LBUTTONUP: ButtonUp(Qt::LeftButton, x, y); break;
    case WM_LBUTTONDBLCLK:
      clickPending_ = true;
      if (OnDblClick) OnDblClick(this);
      break;
    case WM_RBUTTONDOWN: ButtonDown(RBPopupMenu(), Qt::RightButton, x, y); break;
    case WM_RBUTTONUP: ButtonUp(Qt::RightButton, x, y); break;
    case WM_MBUTTONDOWN:
      if (OnMouseDown) OnMouseDown(this, Qt::MiddleButton, Qt::MiddleButton, x, y);
      break;
    case WM_MBUTTONUP: ButtonUp(Qt::MiddleButton, x, y); break;
    case NIN_BALLOONSHOW:
      if (OnBalloonShow) OnBalloonShow(this);
      break;
    case NIN_BALLOONHIDE:
      if (OnBalloonHide) OnBalloonHide(this);
      break;
    case NIN_BALLOONTIMEOUT:
      if (OnBalloonTimeout) OnBalloonTimeout(this);
      break;
    case NIN_BALLOONUSERCLICK:
      if (OnBalloonClick) OnBalloonClick(this);
      break;
    default: break;
  }
}

void TTrayIcon::ButtonDown(QMenu* menu, Qt::MouseButton button, int x, int y) {
  if (menu && autoPopup_) {
    if (menu->isVisible()) return;  // the tray host opened it as the context menu
    QPointer<TTrayIcon> self(this);
    QPointer<QMenu> guarded(menu);
    if (QWidget* form = OwnerForm()) {
      // The menu closes again when the user clicks elsewhere only if its
      // owner is the foreground window.
      shell_->SetForegroundWindow(form);
      QCoreApplication::processEvents();
    }
    if (self && guarded) guarded->popup(QPoint(x, y));
    return;
  }
  if (OnMouseDown) OnMouseDown(this, button, button, x, y);
}

void TTrayIcon::ButtonUp(Qt::MouseButton button, int x, int y) {
  QPointer<TTrayIcon> self(this);
  ActivateFormOnMouseUp();
  if (!self) return;
  if (OnMouseUp) {
    OnMouseUp(this, button, button, x, y);
    return;
  }
  if (button != Qt::LeftButton) return;
  if (!OnClick) {
    clickPending_ = false;
  } else if (clickPending_) {
    clickPending_ = false;  // the second release of a double click
  } else {
    clickPending_ = true;
    auto* wait = new TSingleClick(shell_->DoubleClickTime() + 50);
    connect(wait, &QThread::finished, this, &TTrayIcon::SingleClickElapsed);
    wait->start();
  }
}

void TTrayIcon::SingleClickElapsed() {
  bool fire = OnClick && clickPending_;
  clickPending_ = false;
  if (fire) OnClick(this);
}

void TTrayIcon::ActivateFormOnMouseUp() {
  if (!formActiveByMouseup_) return;
  if (QWidget* active = QApplication::activeWindow()) shell_->SetForegroundWindow(active);
}

}  // namespace engine
