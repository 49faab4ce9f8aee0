// The digit glyphs and the digital time and date texts made of them.
#include "engine/clock_window.h"
#include "imaging/picture_io.h"
#include "platform/resources.h"

namespace engine {

void TFormMain::LoadDigitGlyphs() {
  for (int i = 0; i < 48; ++i) {
    const auto bytes = platform::LoadResource("BITMAP", i + 1);
    DigitGlyphs.at(size_t(i)) = imaging::ReadDib(bytes.data(), bytes.size());
  }
}

imaging::Bitmap TFormMain::DrawDigitalText(int style, const std::string& text) const {
  imaging::Bitmap work(0, 0, imaging::PixelFormat::pf24bit);
  work.GetCanvas().brush.Color = 0;
  int x = 0;
  for (const char c : text) {
    const int glyph = (c >= '0' && c <= '9') ? c - '0' : (c == ':' ? 10 : 11);
    const size_t index = size_t(style * 12 + glyph);
    if (index >= DigitGlyphs.size()) continue;
    const imaging::Bitmap& g = DigitGlyphs[index];
    work.SetSize(work.Width() + g.Width(), g.Height());
    work.GetCanvas().Draw(x, 0, g);
    x += g.Width();
  }
  return work;
}

}  // namespace engine
