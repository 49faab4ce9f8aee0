// The clock window takes over the clock data appended to its program file.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "engine/clock_data.h"
#include "engine/clock_window.h"
#include "platform/system.h"

namespace engine {

namespace {

// The program file's bytes, mapped rather than read: only the clock data at
// its end is ever touched, so the engine part in front of it never takes
// memory. A file that cannot be mapped is read whole.
class FileBytes {
 public:
  explicit FileBytes(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
      void* p = mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
      if (p != MAP_FAILED) {
        map_ = static_cast<const uint8_t*>(p);
        size_ = size_t(st.st_size);
      }
    }
    if (fd >= 0) close(fd);
    if (map_) return;
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("ファイル " + path + " を開けません");
    copy_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) throw std::runtime_error("ファイル " + path + " を読み込めません");
    size_ = copy_.size();
  }
  ~FileBytes() {
    if (map_) munmap(const_cast<uint8_t*>(map_), size_);
  }
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;
  const uint8_t* data() const { return map_ ? map_ : copy_.data(); }
  size_t size() const { return size_; }

 private:
  const uint8_t* map_ = nullptr;
  size_t size_ = 0;
  std::vector<uint8_t> copy_;
};

void SetPicture(TImage& img, imaging::Bitmap b, bool transparent) {
  img.Picture = std::move(b);
  img.Width = img.Picture.Width();
  img.Height = img.Picture.Height();
  img.Transparent = transparent;
}

}  // namespace

void TFormMain::ReadClockData() {
  // The decoder starts from the window's fields, so that what a short
  // section leaves unread keeps the field's value.
  ClockData d;
  d.HandColor = HandColor;
  d.SecondHandColor = SecondHandColor;
  d.CenterSize = CenterSize;
  d.CopyrightText = CopyrightText;
  d.HomePageUrl = HomePageUrl;
  d.DateOffset = DateOffset;
  d.TimeOffset = TimeOffset;
  d.FrameMargin = FrameMargin;
  d.HourPolygon = std::move(HourPolygon);
  d.MinutePolygon = std::move(MinutePolygon);
  d.SecondPolygon = std::move(SecondPolygon);

  // Whatever happens below, what was decoded and the flags-derived state
  // are set before leaving.
  struct Apply {
    TFormMain* w;
    ClockData& d;
    ~Apply() {
      if (d.HasBackground) {
        SetPicture(w->ImageBG, std::move(d.Background), !d.BackgroundIsJpeg);
        w->TransparentColor = !d.BackgroundIsJpeg;
      }
      if (d.HasFrame) SetPicture(w->ImageFG, std::move(d.Frame), true);
      if (d.HandColorRead) w->HandColor = platform::NearestColour(d.HandColor);
      if (d.SecondHandColorRead) w->SecondHandColor = platform::NearestColour(d.SecondHandColor);
      w->HourPolygon = std::move(d.HourPolygon);
      w->MinutePolygon = std::move(d.MinutePolygon);
      w->SecondPolygon = std::move(d.SecondPolygon);
      w->CenterSize = d.CenterSize;
      w->CopyrightText = d.CopyrightText;
      w->HomePageUrl = d.HomePageUrl;
      w->DateOffset = d.DateOffset;
      w->TimeOffset = d.TimeOffset;
      w->FrameMargin = d.FrameMargin;

      const uint8_t flags = d.Flags;
      w->ImageTime.Visible = flags & 0x01;
      w->ImageDate.Visible = flags & 0x02;
      w->DigitalStyle = (flags >> 2) & 0x03;
      if (w->DigitalStyle <= 1) {
        w->ImageTime.Width = 40;
        w->ImageTime.Height = 8;
        w->ImageDate.Width = 12;
        w->ImageDate.Height = 8;
      } else {
        w->ImageTime.Width = 62;
        w->ImageTime.Height = 13;
        w->ImageDate.Width = 18;
        w->ImageDate.Height = 13;
      }
      w->FrameEllipse = flags & 0x10;
      w->RingEllipse = flags & 0x20;
      w->EllipticalHands = flags & 0x40;
    }
  } apply{this, d};

  const FileBytes file(platform::ProgramFileName());
  DecodeClockData(file.data(), file.size(), d);
}

}  // namespace engine
