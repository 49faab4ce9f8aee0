// The clock window's links to its sound, time synchronisation and
// notification-area icon.
#include <QAction>
#include <QApplication>
#include <QIcon>

#include "engine/alarm.h"
#include "engine/clock_window.h"
#include "engine/form_alarm.h"
#include "engine/form_message.h"
#include "engine/form_ntp.h"
#include "engine/ntp_sync.h"
#include "engine/tray_icon.h"
#include "platform/sound.h"

namespace engine {

namespace {

// The hand-offs of a running clock: rings on the alarm worker, the message
// window, synchronisation on its worker.
class ClockWorkers : public ClockHandOffs {
 public:
  explicit ClockWorkers(TFormMain& w) : w_(w) {}
  void StartRing() override { StartAlarmRing(w_); }
  void ShowAlarmMessage() override { engine::ShowAlarmMessage(w_); }
  bool MessageWindowAlive() override { return IsFormAlive(FormMessage); }
  void StopAlarmSound() override { engine::StopAlarmSound(w_); }
  void StartNtpSync() override { TNTPSync::Start(w_); }

 private:
  TFormMain& w_;
};

}  // namespace

std::unique_ptr<ClockHandOffs> MakeClockWorkers(TFormMain& w) { return std::make_unique<ClockWorkers>(w); }

void TFormMain::LoadAlarmSound() { engine::LoadAlarmSound(*this); }

void TFormMain::PM_SClick() { ShowAlarmDialog(*this); }

void TFormMain::PM_NClick() { ShowNtpSetup(*this, this); }

void TFormMain::CreateTrayIcon() {
  if (TrayIcon1) return;
  TrayIcon1 = new TTrayIcon(this);
  TrayIcon1->SetIcon(QApplication::windowIcon().isNull() ? QIcon(QStringLiteral(":/ICON/tolvane-64.png"))
                                                         : QApplication::windowIcon());
  TrayIcon1->SetRBPopupMenu(PopupMenu1);
  TrayIcon1->SetTipHelp(QString::fromStdString(trayTip_));
  TrayIcon1->SetVisible(true);
  try {
    TrayIcon1->Loaded();
  } catch (const ETrayIconError&) {
    // A desktop without a notification area: the clock runs without its
    // icon, and says nothing at every start.
  }
}

void TFormMain::SetTrayTip(const std::string& tip) {
  trayTip_ = tip;
  if (TrayIcon1) TrayIcon1->SetTipHelp(QString::fromStdString(tip));
}

void TFormMain::StopWorkers() {
  platform::StopSound();
  WaitForAlarmRings(std::chrono::seconds(1));
}

std::string TFormMain::GetNtpHost(int slot) const {
  std::lock_guard<std::mutex> lock(resultMutex_);
  return slot >= 0 && slot < 10 ? NtpHosts[size_t(slot)] : std::string();
}

void TFormMain::SetNtpHost(int slot, const std::string& host) {
  std::lock_guard<std::mutex> lock(resultMutex_);
  if (slot >= 0 && slot < 10) NtpHosts[size_t(slot)] = host;
}

bool TFormMain::GetNtpActive() const { return PM_N->isChecked(); }

void TFormMain::SetNtpActive(bool on) { PM_N->setChecked(on); }

platform::SystemTime TFormMain::NtpNow() {
  const DecodedTimeT t = env_.Now();
  platform::SystemTime s;
  s.Year = t.Year;
  s.Month = t.Month;
  s.Day = t.Day;
  s.Hour = t.Hour;
  s.Minute = t.Minute;
  s.Second = t.Second;
  s.Milliseconds = t.Millisecond;
  return s;
}

}  // namespace engine
