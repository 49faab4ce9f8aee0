// The clock window: one borderless window per clock program, with the
// background and frame pictures, three hand images and two digital displays
// over a window whose background colour is a transparent colour key.
#pragma once

#include <QPoint>
#include <QRegion>
#include <QWidget>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/alarm_owner.h"
#include "engine/clock_data.h"
#include "engine/hand_model.h"
#include "engine/ntp_owner.h"
#include "engine/sntp_client.h"
#include "imaging/bitmap.h"
#include "platform/layered_window.h"
#include "platform/screen_blit.h"

class QAction;
class QMenu;
class QTimer;

namespace engine {

class TTrayIcon;

constexpr imaging::Colour kWindowColour = 0x00F0FBFF;  // cream, the window's colour key

struct DecodedTimeT {
  uint16_t Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

// An image component: a rectangle on the window holding a picture. A
// transparent image leaves out the pixels of its picture's bottom-left colour.
struct TImage {
  int Left = 0, Top = 0, Width = 128, Height = 128;
  bool Visible = true;
  bool Transparent = true;
  bool Center = false;
  imaging::Bitmap Picture;  // empty: no picture
  // The part of a hand image's picture that its last drawing may have
  // changed from the background fill; unknown (the whole picture) until the
  // first drawing.
  std::optional<QRegion> Drawn;
  // Drawings of a hand kept for reuse: a hand that comes back to a place it
  // was drawn at (the second hand, once a minute) has its pixels copied in
  // instead of drawn again. Each holds what the drawing covered and its
  // pixels there; outside, the picture is the background fill. They are all
  // of one polygon about one centre, so the angle stands for the points.
  struct Stamp {
    long double Phi = 0;
    std::array<uint32_t, 6> Style{};
    QRegion Covered;
    std::vector<uint8_t> Runs;  // its pixels there: length, colour, length, colour, ...
    std::vector<uint32_t> Colours;
  };
  std::vector<Stamp> Stamps;
  size_t NextStamp = 0;  // the one replaced next once they are all in use
  HandPolygon StampPolygon;  // what the stamps are drawings of, and about where
  QPoint StampCentre;
  // The picture's canvas; an image without a picture gets a bitmap of its
  // own size first.
  imaging::Canvas& Canvas();
  bool Contains(int x, int y) const { return x >= Left && y >= Top && x < Left + Width && y < Top + Height; }
  // Where the picture's top-left pixel lies in the window: centred in the
  // image's rectangle, or at its corner.
  QPoint PictureOrigin() const {
    return {Left + (Center ? (Width - Picture.Width()) / 2 : 0), Top + (Center ? (Height - Picture.Height()) / 2 : 0)};
  }
};

// What the tick and the commands hand on to the sound, message window and
// time synchronisation. Tests substitute a recorder.
class ClockHandOffs {
 public:
  virtual ~ClockHandOffs() = default;
  virtual void StartRing() = 0;
  virtual void ShowAlarmMessage() = 0;
  virtual bool MessageWindowAlive() = 0;
  virtual void StopAlarmSound() = 0;
  virtual void StartNtpSync() = 0;
};

struct ClockEnvironment {
  // The local date and time now; the default reads the system clock.
  std::function<DecodedTimeT()> Now;
  // Screen size for centring; the default asks the primary screen.
  std::function<QSize()> ScreenSize;
};

class TFormMain;
// The hand-offs of a running clock (sound, message window, synchronisation).
std::unique_ptr<ClockHandOffs> MakeClockWorkers(TFormMain& window);

class TFormMain : public QWidget, public AlarmOwner, public NtpOwner {
  Q_OBJECT

 public:
  explicit TFormMain(ClockEnvironment env = {}, std::unique_ptr<ClockHandOffs> handOffs = nullptr);
  ~TFormMain() override;

 signals:
  // The window has closed (settings written): the program ends. A frameless
  // tool window's closing ends no event loop by itself.
  void Closed();

 public:

  // Components, in painting order.
  TImage ImageBG, ImageFG, ImageDate, ImageTime, ImageH, ImageM, ImageS;
  QTimer* Timer1 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  TTrayIcon* TrayIcon1 = nullptr;
  SntpClient IdSNTP1;
  QAction *PM_S = nullptr, *PM_T = nullptr, *PM_A = nullptr, *PM_O = nullptr, *PM_N = nullptr, *PM_C = nullptr,
          *N1 = nullptr, *PM_W = nullptr, *PM_V = nullptr, *PM_X = nullptr;

  // Clock data.
  std::string ClockSettingsFile;
  std::string ClockName;
  imaging::Colour HandColor = 0, SecondHandColor = 0;
  HandPolygon HourPolygon, MinutePolygon, SecondPolygon;
  double CenterSize = 0;
  std::array<uint8_t, 256> CopyrightText{};  // length byte, then Shift-JIS text
  std::array<uint8_t, 256> HomePageUrl{};
  DisplayOffset DateOffset, TimeOffset;
  int16_t FrameMargin = 0;
  int DigitalStyle = 0;
  bool EllipticalHands = false, FrameEllipse = false, RingEllipse = false;
  bool TransparentColor = true;  // the window's colour key

  imaging::Colour HandOutlineColor = 0, HandBackgroundColor = 0;
  int32_t HandCenterX = 0, HandCenterY = 0;
  std::vector<imaging::Bitmap> DigitGlyphs;

  // Tick state.
  DecodedTimeT DecodedTime;
  uint16_t LastSecond = 0, LastHour = 0, LastDay = 0;
  long double LastMinutePosition = 0;

  // Commands.
  bool Dragging = false;
  int DragStartX = 0, DragStartY = 0;
  bool SavedTransparentColor = false;

  // Settings.
  std::array<std::string, 10> NtpHosts;
  bool HourEnable = false, HalfEnable = false, HourJihou = false, HHMMEnable = false;
  int16_t AlarmHour = 12, AlarmMinute = 0;
  std::string AlarmMessage;
  int32_t AlarmSoundIndex = 1;
  int AlphaBlendValue = 128;
  bool AlphaBlend = false;
  std::atomic<int> WindowLeft{0}, WindowTop{0};
  // Check marks of PM_A, PM_T and PM_N as the settings writer reads them
  // (also from the synchronisation worker).
  std::atomic<bool> TransparentChecked{false}, StayOnTopChecked{false}, NtpActiveChecked{false};

  // Flags shared with the worker threads.
  std::atomic<uint8_t> NtpSyncedThisHour{0}, NtpSyncRequested{0}, NtpSyncRunning{0};
  std::atomic<uint8_t> AlarmArmed{0}, AlarmBusy{0};
  int32_t ChimeCount = 0;
  AlarmSound AlarmSoundStream;

  // Handlers.
  void FormCreate();
  void FormClose();
  void FormClick();
  void FormKeyDown(int key);
  void FormMouseDown(Qt::MouseButton button, int x, int y);
  void FormMouseMove(int x, int y);
  void FormMouseUp(int x, int y);
  void Timer1Timer();
  void PM_SClick();
  void PM_NClick();
  void PM_TClick();
  void PM_AClick();
  void PM_OClick();
  void PM_CClick();
  void PM_WClick();
  void PM_VClick();
  void PM_XClick();
  void ToggleStillPicture();

  // Clock data, glyphs, hands, digital text.
  void ReadClockData();
  void LoadDigitGlyphs();
  const imaging::Bitmap* DigitGlyph(int style, char c) const;
  // Draws into a picture of `from` the glyphs in which `to` differs, when
  // they take the same places; false (nothing drawn) otherwise. `changed`
  // gets the glyphs' boxes in the picture.
  bool RedrawDigitalText(imaging::Bitmap& picture, int style, const std::string& from, const std::string& to,
                         QRegion& changed) const;
  imaging::Bitmap DrawDigitalText(int style, const std::string& text) const;
  void DrawHourHand(double h);
  void DrawMinuteHand(double q);
  // Kept says the drawing may come back (a whole second in the normal mode).
  void DrawSecondHand(double s, bool kept = false);

  // The alarm sound of AlarmSoundIndex into memory (index 0: none, the old
  // sound stays); raises the resource error for an index without a sound.
  void LoadAlarmSound();
  // The notification-area icon's tip (at most 63 characters).
  void SetTrayTip(const std::string& tip);

  // Settings file.
  void LoadClockSettings();
  void SaveClockConfig() override;
  void SaveAlarmSettings() override;

  // The NTP result text; the synchronisation worker writes it from its thread.
  std::string NtpResult() const;
  void SetNtpResult(const std::string& text) override;

  // Texts of the clock data in UTF-8.
  std::string CopyrightString() const;
  std::string HomePageString() const;

  // The window as drawn: the client area with every visible image over the
  // cream background. Nothing is drawn before the layout has placed the
  // images.
  const QImage& Frame();
  // A tick recomposes only what changed (the old and new places of a moved
  // hand, a rewritten display) and sends only that to the screen. Off, every
  // change redraws whole images and the whole window.
  bool PartialRedraw = true;
  // Which start-up steps were done (a failing step ends the start-up).
  enum class StartupStep { None, Settings, ClockData, Glyphs, Sound, Layout, Done };
  StartupStep StartupReached() const { return startupReached_; }
  std::string StartupError() const { return startupError_; }

  // What the alarm pieces need of the window.
  bool GetHourEnable() const override { return HourEnable; }
  void SetHourEnable(bool on) override { HourEnable = on; }
  bool GetHalfEnable() const override { return HalfEnable; }
  void SetHalfEnable(bool on) override { HalfEnable = on; }
  bool GetHourJihou() const override { return HourJihou; }
  void SetHourJihou(bool on) override { HourJihou = on; }
  bool GetHHMMEnable() const override { return HHMMEnable; }
  void SetHHMMEnable(bool on) override { HHMMEnable = on; }
  int16_t GetAlarmHour() const override { return AlarmHour; }
  void SetAlarmHour(int16_t h) override { AlarmHour = h; }
  int16_t GetAlarmMinute() const override { return AlarmMinute; }
  void SetAlarmMinute(int16_t m) override { AlarmMinute = m; }
  std::string GetAlarmMessage() const override { return AlarmMessage; }
  void SetAlarmMessage(const std::string& m) override { AlarmMessage = m; }
  int32_t GetAlarmSoundIndex() const override { return AlarmSoundIndex; }
  void SetAlarmSoundIndex(int32_t i) override { AlarmSoundIndex = i; }
  AlarmSound GetAlarmSoundStream() const override { return AlarmSoundStream; }
  void SetAlarmSoundStream(AlarmSound s) override { AlarmSoundStream = std::move(s); }
  std::atomic<uint8_t>& AlarmBusyFlag() override { return AlarmBusy; }
  std::atomic<uint8_t>& AlarmArmedFlag() override { return AlarmArmed; }
  QWidget* AlarmWindow() override { return this; }

  // What the time synchronisation needs of the window.
  std::string GetNtpHost(int slot) const override;
  void SetNtpHost(int slot, const std::string& host) override;
  std::string GetNtpResult() const override { return NtpResult(); }
  bool GetNtpActive() const override;
  void SetNtpActive(bool on) override;
  std::atomic<uint8_t>& NtpSyncRunningFlag() override { return NtpSyncRunning; }
  std::atomic<uint8_t>& NtpSyncedThisHourFlag() override { return NtpSyncedThisHour; }
  std::atomic<uint8_t>& NtpSyncRequestedFlag() override { return NtpSyncRequested; }
  SntpClient& NtpClient() override { return IdSNTP1; }
  platform::SystemTime NtpNow() override;

  ClockHandOffs& HandOffs() { return *handOffs_; }
  void SetHandOffs(std::unique_ptr<ClockHandOffs> h) { handOffs_ = std::move(h); }
  const ClockEnvironment& Environment() const { return env_; }
  // Shows the window at its position and starts the timer.
  void Start();
  // The timer's next wake: 100 ms in the smooth sweep, else just after the
  // next second begins.
  void ScheduleNextTick();

 protected:
  void paintEvent(QPaintEvent*) override;
  void closeEvent(QCloseEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void contextMenuEvent(QContextMenuEvent*) override;

 private:
  void BuildMenu();
  // Once: the icon is made after the first frame is on the screen.
  void CreateTrayIcon();
  std::string trayTip_ = "Dravenna";
  void StopWorkers();
  void Layout();
  void ApplyPosition();
  void DrawHand(TImage& img, const HandPolygon& poly, long double phi, imaging::Colour fill, bool disc, bool kept = false);
  QRegion HandBounds(const std::vector<imaging::Point>& pts, bool disc) const;
  void ShowTime(uint16_t h, uint16_t m, uint16_t s);
  // Everything is to be composed anew; or only a region of the window.
  void Invalidate();
  void InvalidateRegion(const QRegion& r);
  void InvalidateImage(const TImage& img);
  // Composes what is pending, sets the window's shape where it changed and
  // hands the changed region to the screen; painted at once when now is
  // set, else on Qt's next update.
  void Flush(bool now = false);
  // One tick of Timer1 and its drawing.
  void Tick();
  bool Placed() const { return startupReached_ >= StartupStep::Layout; }
  void ComposeBase();
  void ComposeRegion(const QRegion& region);
  TImage* ImageAt(int x, int y, bool mouseOnly);
  void MoveWindowBy(int x, int y);
  // AlarmBusy is set before the ring's worker starts, so the worker's clear
  // is never overtaken.
  void StartOneRing() {
    AlarmBusy = 1;
    HandOffs().StartRing();
  }

  ClockEnvironment env_;
  std::unique_ptr<ClockHandOffs> handOffs_;
  StartupStep startupReached_ = StartupStep::None;
  std::string startupError_;
  mutable std::mutex resultMutex_;  // guards ntpResult_ and NtpHosts
  std::mutex saveMutex_;            // one CONFIG writer at a time
  std::string ntpResult_;
  QImage frame_;
  QImage base_;  // the cream window with the background and frame pictures
  bool baseDirty_ = true;
  // base_ holds the background and frame pictures, whose own copies are
  // gone; it is never composed from them again.
  bool baseKept_ = false;
  QRegion pending_;   // to be composed into frame_
  QRegion toScreen_;  // composed, shape not yet looked at
  QRegion screenBoxes_;  // bounding boxes of the changes, for the screen
  bool flushQueued_ = false;
  // Set during a tick of Timer1, whose changes are drawn when it ends
  // rather than through the event queue.
  bool ticking_ = false;
  // The key colour each moving image was last composed with (its
  // bottom-left pixel); a change redraws the whole image.
  std::array<std::optional<imaging::Colour>, 5> lastKeys_;
  // The text the time display's picture shows, in which glyph set (-1: none).
  std::string shownTime_;
  int shownTimeStyle_ = -1;
  platform::ColourKeyShape shape_;
  platform::ScreenBlit blit_;
  TImage* pressed_ = nullptr;
  bool closed_ = false;
};

}  // namespace engine
