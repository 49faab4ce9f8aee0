#include "engine/clock_window.h"
#include "engine/ui_font.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDateTime>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

#include "engine/form_alarm.h"
#include "platform/ini.h"
#include "platform/message_box.h"
#include "platform/shell.h"
#include "platform/system.h"

namespace engine {

namespace {

// The local time now. Converting to local time is done once a second (the
// ticks in between change only the milliseconds), and the time zone is read
// again once a minute.
DecodedTimeT SystemNow() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  thread_local time_t lastSecond = -1;
  thread_local DecodedTimeT last;
  if (ts.tv_sec != lastSecond) {
    if (lastSecond < 0 || ts.tv_sec / 60 != lastSecond / 60) tzset();
    tm lt{};
    localtime_r(&ts.tv_sec, &lt);
    last = {uint16_t(lt.tm_year + 1900), uint16_t(lt.tm_mon + 1), uint16_t(lt.tm_mday), uint16_t(lt.tm_hour),
            uint16_t(lt.tm_min), uint16_t(std::min(lt.tm_sec, 59)), 0};
    lastSecond = ts.tv_sec;
  }
  last.Millisecond = uint16_t(ts.tv_nsec / 1000000);
  return last;
}

QSize PrimaryScreenSize() {
  const QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().size() : QSize(1024, 768);
}

// An error text as the application's error box shows it: a period is added
// unless the last character sorts at or before the period.
std::string WithPeriod(const std::string& text) {
  if (text.empty()) return text;
  // The last character's code point (the text is UTF-8).
  size_t i = text.size() - 1;
  while (i > 0 && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) --i;
  const unsigned char lead = static_cast<unsigned char>(text[i]);
  const bool ascii = lead < 0x80;
  if (ascii && lead <= '.') return text;
  return text + ".";
}

QRgb ToRgb(imaging::Colour c) { return qRgb(imaging::RedOf(c), imaging::GreenOf(c), imaging::BlueOf(c)); }

}  // namespace

TFormMain::TFormMain(ClockEnvironment env, std::unique_ptr<ClockHandOffs> handOffs)
    : env_(std::move(env)), handOffs_(std::move(handOffs)) {
  if (!env_.Now) env_.Now = SystemNow;
  if (!env_.ScreenSize) env_.ScreenSize = PrimaryScreenSize;
  if (!handOffs_) handOffs_ = MakeClockWorkers(*this);

  setWindowTitle(QStringLiteral("Pellinor"));
  platform::MakeToolWindow(this, false);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  resize(396, 272);
  WindowLeft = 470;
  WindowTop = 144;
  ImageDate.Width = 21;
  ImageDate.Height = 25;
  ImageDate.Center = true;
  ImageTime.Width = 61;
  ImageTime.Height = 25;
  ImageTime.Center = true;
  DigitGlyphs.resize(48);

  Timer1 = new QTimer(this);
  Timer1->setInterval(100);
  Timer1->setTimerType(Qt::CoarseTimer);
  connect(Timer1, &QTimer::timeout, this, &TFormMain::Tick);
  BuildMenu();

  try {
    FormCreate();
  } catch (const std::exception& e) {
    startupError_ = e.what();
    platform::MessageBoxWithCaption(WithPeriod(startupError_), "Dravenna", platform::MsgType::Error, platform::mbOK,
                                    nullptr);
  }
  ApplyPosition();
}

TFormMain::~TFormMain() { StopWorkers(); }

void TFormMain::BuildMenu() {
  PopupMenu1 = new QMenu(this);
  // The captions, kana, kanji and Latin letters in a font without kerning,
  // come out the same unshaped; the text shaper and its tables are then never
  // loaded for the menu (0.6 MiB of a clock's memory).
  QFont font = UiFont(12);
  font.setStyleStrategy(QFont::PreferNoShaping);
  PopupMenu1->setFont(font);
  auto add = [&](const char* caption, bool checkable) {
    QAction* a = PopupMenu1->addAction(QString::fromUtf8(caption));
    a->setCheckable(checkable);
    return a;
  };
  PM_S = add("ｱﾗｰﾑ設定(&S)", false);
  PM_T = add("前面に表示(&T)", true);
  PM_A = add("透過(&A)", true);
  PM_O = add("音叉時計(&O)", true);
  PM_N = add("NTP ｾｯﾄｱｯﾌﾟ(&N)", true);
  PM_C = add("中心に移動(&C)", false);
  N1 = PopupMenu1->addSeparator();
  PM_W = add("ﾎｰﾑﾍﾟｰｼﾞ(&W)", false);
  PM_V = add("ﾊﾞｰｼﾞｮﾝ情報(&V)", false);
  PM_X = add("終了(&X)", false);
  // The check marks of the menu are mirrored for the settings writer.
  connect(PM_A, &QAction::toggled, this, [this](bool on) { TransparentChecked = on; });
  connect(PM_T, &QAction::toggled, this, [this](bool on) { StayOnTopChecked = on; });
  connect(PM_N, &QAction::toggled, this, [this](bool on) { NtpActiveChecked = on; });
  connect(PM_O, &QAction::toggled, this, [this] { ScheduleNextTick(); });
  // Triggering a checkable action has toggled it already; the handlers
  // toggle it themselves, so they undo Qt's toggle first.
  // An error of a command (a settings write refused) is shown, never thrown
  // through Qt's event loop, and the clock runs on.
  auto handler = [this](QAction* a, void (TFormMain::*f)()) {
    connect(a, &QAction::triggered, this, [this, a, f] {
      if (a->isCheckable()) a->setChecked(!a->isChecked());
      try {
        (this->*f)();
      } catch (const std::exception& e) {
        ShowApplicationError(e);
      }
    });
  };
  handler(PM_S, &TFormMain::PM_SClick);
  handler(PM_T, &TFormMain::PM_TClick);
  handler(PM_A, &TFormMain::PM_AClick);
  handler(PM_O, &TFormMain::PM_OClick);
  handler(PM_N, &TFormMain::PM_NClick);
  handler(PM_C, &TFormMain::PM_CClick);
  handler(PM_W, &TFormMain::PM_WClick);
  handler(PM_V, &TFormMain::PM_VClick);
  handler(PM_X, &TFormMain::PM_XClick);
}

void TFormMain::FormCreate() {
  // 1-2: the settings folder and file.
  std::string folder = platform::GetSpecialFolderPath(platform::CSIDL_APPDATA) + "/DoRedozs";
  if (chdir(folder.c_str()) != 0) {
    // The configuration folder itself may not exist yet on a new account:
    // missing parents are made too.
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec && !std::filesystem::is_directory(folder))
      throw std::runtime_error("I/O エラー " + std::to_string(ec.value()) + ": " + folder);
  }
  ClockSettingsFile =
      folder + "/" + platform::ChangeFileExt(platform::ExtractFileName(platform::ProgramFileName()), ".ini");
  // 3.
  LoadClockSettings();
  startupReached_ = StartupStep::Settings;
  // 4.
  CopyrightText[0] = 0;
  HomePageUrl[0] = 0;
  ReadClockData();
  startupReached_ = StartupStep::ClockData;
  // 5.
  for (auto& g : DigitGlyphs) g = imaging::Bitmap(0, 0, imaging::PixelFormat::pf24bit);
  LoadDigitGlyphs();
  startupReached_ = StartupStep::Glyphs;
  // 6.
  LoadAlarmSound();
  startupReached_ = StartupStep::Sound;
  // 7.
  Layout();
  startupReached_ = StartupStep::Layout;
  // 8-9.
  PM_W->setVisible(HomePageUrl[0] != 0);
  ClockName = platform::ChangeFileExt(platform::ExtractFileName(platform::ProgramFileName()), "");
  SetTrayTip(ClockName);
  // 10-11.
  NtpSyncedThisHour = 0;
  platform::SetTopmost(this, PM_T->isChecked());
  // 12-13.
  HandCenterX = RoundHalfEven((long double)ImageH.Width / 2);
  HandCenterY = RoundHalfEven((long double)ImageH.Height / 2);
  const HandColours hc = DeriveHandColours(HandColor, SecondHandColor);
  HandOutlineColor = hc.Outline;
  HandBackgroundColor = hc.Background;
  for (TImage* img : {&ImageH, &ImageM, &ImageS}) img->Canvas().pen.Color = HandOutlineColor;
  // 14-15.
  LastMinutePosition = 99.0L;
  LastSecond = 99;
  LastHour = 99;
  AlarmArmed = 1;
  // 16.
  const std::string os = platform::GetOSName();
  if (os == "Win95" || os == "Win98" || os == "Win98SE") PM_A->setVisible(false);
  startupReached_ = StartupStep::Done;
}

void TFormMain::Layout() {
  const int W = std::max(ImageBG.Width, ImageFG.Width);
  const int H = std::max(ImageBG.Height, ImageFG.Height);
  resize(W, H);
  auto centre = [&](TImage& img) {
    img.Left = RoundHalfEven((long double)(W - img.Width) / 2);
    img.Top = RoundHalfEven((long double)(H - img.Height) / 2);
  };
  centre(ImageBG);
  centre(ImageFG);
  ImageTime.Left = RoundHalfEven((long double)ImageBG.Width / 2) + ImageBG.Left - TimeOffset.dx;
  ImageTime.Top = RoundHalfEven((long double)ImageBG.Height / 2) + ImageBG.Top - TimeOffset.dy;
  ImageDate.Left = RoundHalfEven((long double)ImageBG.Width / 2) + ImageBG.Left - DateOffset.dx;
  ImageDate.Top = RoundHalfEven((long double)ImageBG.Height / 2) + ImageBG.Top - DateOffset.dy;
  for (TImage* img : {&ImageH, &ImageM, &ImageS}) {
    if (EllipticalHands) {
      img->Width = ImageBG.Width;
      img->Height = ImageBG.Height;
    } else {
      img->Width = img->Height = std::min(ImageBG.Width, ImageBG.Height);
    }
    centre(*img);
  }
  Invalidate();
}

void TFormMain::ApplyPosition() { move(WindowLeft, WindowTop); }

void TFormMain::Start() {
  ApplyPosition();
  // The first frame and its shape are ready before the window maps.
  Flush();
  // On X11 the clock puts its picture into the window itself, exposes
  // included.
  blit_.SetExposeHandler([this] {
    Flush();
    blit_.Put(this, frame_, QRegion(rect()));
    // The tray icon, which takes longer to set up than the whole dial,
    // comes once the clock is on the screen.
    if (!TrayIcon1) QTimer::singleShot(0, this, &TFormMain::CreateTrayIcon);
  });
  show();
  const bool putsItself = blit_.Attach(this);
  // Where no expose reaches the clock itself, or none comes, the icon still
  // comes.
  QTimer::singleShot(putsItself ? 250 : 0, this, &TFormMain::CreateTrayIcon);
  // The first tick comes as soon as the event loop runs.
  Timer1->start(0);
}

// In the normal mode only the first tick of a new second does anything, so
// the timer wakes just after the next second begins instead of ten times a
// second; the smooth sweep ticks every 100 ms.
void TFormMain::ScheduleNextTick() {
  if (!Timer1->isActive()) return;
  if (PM_O->isChecked()) {
    if (Timer1->interval() != 100 || Timer1->timerType() != Qt::CoarseTimer) {
      Timer1->setTimerType(Qt::CoarseTimer);
      Timer1->start(100);
    }
    return;
  }
  Timer1->setTimerType(Qt::PreciseTimer);
  Timer1->start(std::clamp(1000 - int(env_.Now().Millisecond) + 2, 2, 1002));
}

// What a tick changed is composed and painted as the tick ends: no queued
// call and no update request go through the event loop, which would wake it
// twice more.
void TFormMain::Tick() {
  struct Drawn {
    TFormMain* w;
    ~Drawn() {
      w->ticking_ = false;
      if (w->flushQueued_) w->Flush(true);
    }
  };
  ticking_ = true;
  {
    Drawn drawn{this};
    Timer1Timer();
  }
  ScheduleNextTick();
}

void TFormMain::FormClose() {
  if (closed_) return;
  closed_ = true;
  Timer1->stop();
  // Closing reports nothing: at the end of a session no one is there to
  // click a box away, and the program would not end.
  try {
    SaveClockConfig();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", WithPeriod(e.what()).c_str());
  }
  AlarmSoundStream.reset();
  for (auto& g : DigitGlyphs) g = imaging::Bitmap();
}

std::string TFormMain::NtpResult() const {
  std::lock_guard<std::mutex> lock(resultMutex_);
  return ntpResult_;
}

void TFormMain::SetNtpResult(const std::string& text) {
  std::lock_guard<std::mutex> lock(resultMutex_);
  ntpResult_ = text;
}

std::string TFormMain::CopyrightString() const {
  return platform::SjisToUtf8(std::string(reinterpret_cast<const char*>(CopyrightText.data() + 1), CopyrightText[0]));
}

std::string TFormMain::HomePageString() const {
  return platform::SjisToUtf8(std::string(reinterpret_cast<const char*>(HomePageUrl.data() + 1), HomePageUrl[0]));
}

// ---- drawing ----

void TFormMain::Invalidate() {
  baseDirty_ = true;
  InvalidateRegion(rect());
}

void TFormMain::InvalidateRegion(const QRegion& r) {
  if (!PartialRedraw) baseDirty_ = true;
  pending_ += PartialRedraw ? r : QRegion(rect());
  // The screen gets the bounding box of each change: a few rectangles are
  // cheaper for the X server than the many of a hand's outline.
  screenBoxes_ += PartialRedraw ? r.boundingRect() : rect();
  if (flushQueued_) return;
  flushQueued_ = true;
  if (ticking_) return;
  QMetaObject::invokeMethod(this, [this] { Flush(); }, Qt::QueuedConnection);
}

void TFormMain::InvalidateImage(const TImage& img) { InvalidateRegion(QRect(img.Left, img.Top, img.Width, img.Height)); }

namespace {

// Draws the pixels of an image's picture that fall inside r (window
// coordinates), leaving out its key colour when the image is transparent.
void DrawImageInto(QImage& frame, const TImage& img, const QRect& r) {
  if (!img.Visible || img.Picture.Empty()) return;
  const imaging::Bitmap& pic = img.Picture;
  const QPoint origin = img.PictureOrigin();
  const int ox = origin.x(), oy = origin.y();
  // Pixels are drawn where picture, image rectangle and r overlap.
  const int x0 = std::max({r.left(), img.Left, ox}), y0 = std::max({r.top(), img.Top, oy});
  const int x1 = std::min({r.right() + 1, img.Left + img.Width, ox + pic.Width()});
  const int y1 = std::min({r.bottom() + 1, img.Top + img.Height, oy + pic.Height()});
  if (x1 <= x0 || y1 <= y0) return;
  // 24 and 32 bits a pixel are read directly (blue, green, red first).
  const int step = pic.GetPixelFormat() == imaging::PixelFormat::pf24bit   ? 3
                   : pic.GetPixelFormat() == imaging::PixelFormat::pf32bit ? 4
                                                                            : 0;
  const imaging::Colour key = pic.PixelColour(0, pic.Height() - 1);
  const uint8_t kb = imaging::BlueOf(key), kg = imaging::GreenOf(key), kr = imaging::RedOf(key);
  // 32 bits a pixel (the hands) as whole words: blue, green, red, unused.
  const uint32_t key32 = uint32_t(kr) << 16 | uint32_t(kg) << 8 | kb;
  for (int y = y0; y < y1; ++y) {
    auto* dst = reinterpret_cast<QRgb*>(frame.scanLine(y));
    if (step == 4) {
      const auto* src = reinterpret_cast<const uint32_t*>(pic.ScanLine(y - oy)) + (x0 - ox);
      const int n = x1 - x0;
      QRgb* d = dst + x0;
      if (img.Transparent) {
        for (int i = 0; i < n; ++i) {
          const uint32_t v = src[i] & 0xFFFFFF;
          d[i] = v != key32 ? (v | 0xFF000000u) : d[i];
        }
      } else {
        for (int i = 0; i < n; ++i) d[i] = src[i] | 0xFF000000u;
      }
    } else if (step) {
      const uint8_t* src = pic.ScanLine(y - oy) + step * size_t(x0 - ox);
      if (img.Transparent) {
        for (int x = x0; x < x1; ++x, src += step)
          if (src[0] != kb || src[1] != kg || src[2] != kr) dst[x] = qRgb(src[2], src[1], src[0]);
      } else {
        for (int x = x0; x < x1; ++x, src += step) dst[x] = qRgb(src[2], src[1], src[0]);
      }
    } else {
      for (int x = x0; x < x1; ++x) {
        const imaging::Colour c = pic.PixelColour(x - ox, y - oy);
        if (!img.Transparent || c != key) dst[x] = ToRgb(c);
      }
    }
  }
}

}  // namespace

// The pictures that never move once laid out lie under everything else, so
// they are composed once.
void TFormMain::ComposeBase() {
  if (baseKept_) {
    // The pictures live on in base_ alone; a window of another size shows
    // them where they were, on the window colour.
    if (base_.size() == size()) return;
    QImage grown = imaging::NewPixelImage(width(), height(), QImage::Format_RGB32);
    grown.fill(ToRgb(kWindowColour));
    const int w = std::min(width(), base_.width());
    for (int y = 0; y < std::min(height(), base_.height()); ++y)
      std::memcpy(grown.scanLine(y), base_.constScanLine(y), 4 * size_t(w));
    base_ = std::move(grown);
    return;
  }
  if (base_.size() != size()) base_ = imaging::NewPixelImage(width(), height(), QImage::Format_RGB32);
  base_.fill(ToRgb(kWindowColour));
  if (!Placed()) return;
  DrawImageInto(base_, ImageBG, base_.rect());
  DrawImageInto(base_, ImageFG, base_.rect());
  // Nothing but base_ needs their pixels again once they are laid out, and
  // a clock is on screen all day: their memory goes.
  if (PartialRedraw) {
    ImageBG.Picture = imaging::Bitmap();
    ImageFG.Picture = imaging::Bitmap();
    baseKept_ = true;
  }
}

void TFormMain::ComposeRegion(const QRegion& region) {
  for (const QRect& r : region)
    for (int y = r.top(); y <= r.bottom(); ++y)
      std::memcpy(frame_.scanLine(y) + 4 * size_t(r.left()), base_.constScanLine(y) + 4 * size_t(r.left()),
                  4 * size_t(r.width()));
  if (!Placed()) return;
  // Image by image over the whole region, in the order they lie: each pixel
  // gets them as one image at a time over the rectangle would.
  for (const TImage* img : {&ImageDate, &ImageTime, &ImageH, &ImageM, &ImageS}) {
    const imaging::Bitmap& pic = img->Picture;
    if (!img->Visible || pic.Empty()) continue;
    // Outside what a hand's last drawing changed, its picture holds the
    // background fill; while that is also its key colour, nothing shows
    // there, and only the drawn part is looked at.
    const bool drawnOnly = img->Drawn && img->Transparent && !img->Center &&
                           pic.PixelColour(0, pic.Height() - 1) == HandBackgroundColor;
    const QRegion parts = region & (drawnOnly ? img->Drawn->translated(img->Left, img->Top)
                                              : QRegion(img->Left, img->Top, img->Width, img->Height));
    for (const QRect& part : parts) DrawImageInto(frame_, *img, part);
  }
}

const QImage& TFormMain::Frame() {
  if (frame_.size() != size()) {
    // Shared with the X server when it can be, so a tick sends no pixels.
    frame_ = blit_.NewFrame(width(), height());
    if (frame_.isNull()) frame_ = imaging::NewPixelImage(width(), height(), QImage::Format_RGB32);
    baseDirty_ = true;
  }
  if (baseDirty_) {
    ComposeBase();
    baseDirty_ = false;
    pending_ = rect();
    screenBoxes_ = rect();
  }
  // A moving image whose key colour changed (a hand over its bottom-left
  // corner) shows differently all over.
  const TImage* moving[] = {&ImageDate, &ImageTime, &ImageH, &ImageM, &ImageS};
  for (size_t i = 0; i < lastKeys_.size(); ++i) {
    const imaging::Bitmap& pic = moving[i]->Picture;
    const std::optional<imaging::Colour> key =
        pic.Empty() ? std::nullopt : std::optional(pic.PixelColour(0, pic.Height() - 1));
    if (key != lastKeys_[i]) {
      lastKeys_[i] = key;
      const QRect all(moving[i]->Left, moving[i]->Top, moving[i]->Width, moving[i]->Height);
      pending_ += all;
      screenBoxes_ += all;
    }
  }
  pending_ &= rect();
  ComposeRegion(pending_);
  toScreen_ += pending_;
  pending_ = QRegion();
  return frame_;
}

void TFormMain::Flush(bool now) {
  flushQueued_ = false;
  const QImage& f = Frame();
  if (toScreen_.isEmpty()) return;
  // Nothing shows before the layout has placed the pictures, whatever the
  // colour-key setting.
  shape_.Apply(this, f, toScreen_, kWindowColour, TransparentColor || !Placed());
  // The shape is set before the paint, so the paint is not clipped by the
  // old one.
  const QRegion boxes = screenBoxes_ & rect();
  const QRegion exact = toScreen_;
  toScreen_ = QRegion();
  screenBoxes_ = QRegion();
  // Straight into the window when the platform allows it, just the pixels
  // that changed; an expose puts the whole picture.
  if (isVisible() && blit_.Put(this, f, exact)) return;
  if (now && isVisible())
    repaint(boxes);
  else
    update(boxes);
}

void TFormMain::paintEvent(QPaintEvent* e) {
  if (!pending_.isEmpty() || baseDirty_ || frame_.size() != size()) Flush();
  QPainter p(this);
  // Each rectangle is drawn clipped to itself: a painter clipped to a region
  // of many rectangles blends row by row, handing the rows to worker threads.
  for (const QRect& r : e->region()) {
    p.setClipRect(r);
    p.drawImage(r.topLeft(), frame_, r);
  }
}

// ---- mouse and keys ----

TImage* TFormMain::ImageAt(int x, int y, bool) {
  for (TImage* img : {&ImageS, &ImageM, &ImageH, &ImageTime, &ImageDate, &ImageFG, &ImageBG})
    if (img->Visible && img->Contains(x, y)) return img;
  return nullptr;
}

void TFormMain::keyPressEvent(QKeyEvent* e) { FormKeyDown(e->key()); }

void TFormMain::mousePressEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  pressed_ = ImageAt(p.x(), p.y(), true);
  // The window, the frame and the second-hand image take mouse presses; the
  // other images take only clicks.
  const bool takesMouse = pressed_ == nullptr || pressed_ == &ImageFG || pressed_ == &ImageS;
  if (!takesMouse) return;
  const int ox = pressed_ ? pressed_->Left : 0, oy = pressed_ ? pressed_->Top : 0;
  FormMouseDown(e->button(), p.x() - ox, p.y() - oy);
}

void TFormMain::mouseMoveEvent(QMouseEvent* e) {
  if (!Dragging) return;
  // Control coordinates from the global position and the window position
  // this window last set, so that a move the window manager has not yet
  // confirmed does not disturb the drag.
  const QPoint g = e->globalPosition().toPoint();
  const int ox = pressed_ ? pressed_->Left : 0, oy = pressed_ ? pressed_->Top : 0;
  FormMouseMove(g.x() - WindowLeft - ox, g.y() - WindowTop - oy);
}

void TFormMain::mouseReleaseEvent(QMouseEvent* e) {
  const QPoint g = e->globalPosition().toPoint();
  const int ox = pressed_ ? pressed_->Left : 0, oy = pressed_ ? pressed_->Top : 0;
  const bool wasDragging = Dragging;
  try {
    if (Dragging) FormMouseUp(g.x() - WindowLeft - ox, g.y() - WindowTop - oy);
  } catch (const std::exception& e) {
    // The end of a drag writes the settings; a refused write is shown.
    ShowApplicationError(e);
  }
  // A release of the left button over the same place is a click.
  if (e->button() == Qt::LeftButton) {
    const QPoint p = e->position().toPoint();
    if (!wasDragging || rect().contains(p)) FormClick();
  }
  pressed_ = nullptr;
}

void TFormMain::contextMenuEvent(QContextMenuEvent* e) { PopupMenu1->popup(e->globalPos()); }

void TFormMain::closeEvent(QCloseEvent* e) {
  FormClose();
  e->accept();
  emit Closed();
}

void TFormMain::FormClick() {
  HandOffs().StopAlarmSound();
  AlarmArmed = 0;
}

void TFormMain::FormKeyDown(int key) {
  HandOffs().StopAlarmSound();
  AlarmArmed = 0;
  if (key == Qt::Key_S) ToggleStillPicture();
}

void TFormMain::FormMouseDown(Qt::MouseButton button, int x, int y) {
  if (button != Qt::LeftButton) return;
  DragStartX = x;
  DragStartY = y;
  Dragging = true;
  setCursor(Qt::PointingHandCursor);
  if (PM_A->isChecked()) platform::SetAlphaBlend(this, false, AlphaBlendValue);
}

void TFormMain::MoveWindowBy(int x, int y) {
  WindowLeft = WindowLeft + x - DragStartX;
  WindowTop = WindowTop + y - DragStartY;
  ApplyPosition();
}

void TFormMain::FormMouseMove(int x, int y) {
  if (Dragging) MoveWindowBy(x, y);
}

void TFormMain::FormMouseUp(int x, int y) {
  if (!Dragging) return;
  MoveWindowBy(x, y);
  if (PM_A->isChecked()) platform::SetAlphaBlend(this, true, AlphaBlendValue);
  Dragging = false;
  unsetCursor();
  SaveClockConfig();
}

// ---- commands ----

void TFormMain::PM_TClick() {
  PM_T->setChecked(!PM_T->isChecked());
  platform::SetTopmost(this, PM_T->isChecked());
}

void TFormMain::PM_AClick() {
  PM_A->setChecked(!PM_A->isChecked());
  AlphaBlend = PM_A->isChecked();
  platform::SetAlphaBlend(this, AlphaBlend, AlphaBlendValue);
  SaveClockConfig();
}

void TFormMain::PM_OClick() { PM_O->setChecked(!PM_O->isChecked()); }

void TFormMain::PM_CClick() {
  const QSize screen = env_.ScreenSize();
  WindowLeft = (screen.width() - width()) / 2;
  WindowTop = (screen.height() - height()) / 2;
  ApplyPosition();
}

void TFormMain::PM_XClick() { close(); }

void TFormMain::ShowTime(uint16_t h, uint16_t m, uint16_t s) {
  if (!ImageTime.Visible) return;
  char buf[32];
  if (h < 100 && m < 100 && s < 100) {
    // What the format below gives, without the formatter, every second.
    const uint16_t parts[3] = {h, m, s};
    for (int i = 0; i < 3; ++i) {
      buf[3 * i] = char('0' + parts[i] / 10);
      buf[3 * i + 1] = char('0' + parts[i] % 10);
      buf[3 * i + 2] = i < 2 ? ':' : '\0';
    }
  } else {
    std::snprintf(buf, sizeof buf, "%2.2d:%2.2d:%2.2d", h, m, s);
  }
  // Most seconds change a digit or two: only their glyphs are drawn again.
  QRegion changed;
  if (PartialRedraw && DigitalStyle == shownTimeStyle_ &&
      RedrawDigitalText(ImageTime.Picture, DigitalStyle, shownTime_, buf, changed)) {
    InvalidateRegion(changed.translated(ImageTime.PictureOrigin()) &
                     QRect(ImageTime.Left, ImageTime.Top, ImageTime.Width, ImageTime.Height));
  } else {
    ImageTime.Picture = DrawDigitalText(DigitalStyle, buf);
    InvalidateImage(ImageTime);
  }
  shownTime_ = buf;
  shownTimeStyle_ = DigitalStyle;
}

void TFormMain::ToggleStillPicture() {
  if (Timer1->isActive())
    Timer1->stop();
  else
    Timer1->start();
  if (Timer1->isActive()) {
    LastMinutePosition = 99.0L;
    LastSecond = 99;
    LastHour = 99;
    TransparentColor = SavedTransparentColor;
  } else {
    DecodedTime.Hour = 10;
    DecodedTime.Minute = 10;
    DecodedTime.Second = 35;
    DrawHourHand(10.0 + 10.0 / 60.0);
    DrawMinuteHand(10);
    DrawSecondHand(35);
    ShowTime(10, 10, 35);
    SavedTransparentColor = TransparentColor;
    TransparentColor = false;
  }
  Invalidate();
}

}  // namespace engine

namespace engine {

void TFormMain::PM_WClick() {
  const std::string url = HomePageString();
  bool ok = false;
  try {
    ok = platform::ShellOpen(url);
  } catch (const std::exception&) {
    ok = false;
  }
  if (!ok) platform::MessageDlg(url + " が開けません", platform::MsgType::Error, platform::mbAbort, this);
}

void TFormMain::PM_VClick() {
  const std::string copyright = CopyrightString();
  std::string text;
  if (copyright.empty())
    text = "Dravenna デスクトップ時計\nこの時計の動作部です。";
  else
    text = "[" + ClockName + "]\n" + copyright;
  platform::MessageDlg(text, platform::MsgType::Confirmation, platform::mbOK, this);
}

}  // namespace engine
