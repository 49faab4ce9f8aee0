// The busy cursor while the window renders its dial layers, and none left
// behind afterwards.
#include <QApplication>
#include <QCursor>
#include <QRadioButton>
#include <gtest/gtest.h>

#include "maker_fixture.h"

namespace {

using makertest::MakerFixture;

// The library's renders, noting the cursor each one runs under.
class CursorRecorder : public maker::DialServices {
 public:
  explicit CursorRecorder(std::vector<std::string>* seen) : seen_(seen) {}
  void RenderFrame(maker::TFormMain& w) override { Run("frame", &maker::DialServices::RenderFrame, w); }
  void RenderNumeralRing(maker::TFormMain& w) override { Run("ring", &maker::DialServices::RenderNumeralRing, w); }
  void RenderNumeralsUpright(maker::TFormMain& w) override {
    Run("upright", &maker::DialServices::RenderNumeralsUpright, w);
  }
  void RenderNumeralsRadial(maker::TFormMain& w) override {
    Run("radial", &maker::DialServices::RenderNumeralsRadial, w);
  }
  void CompositeTransparent(imaging::Bitmap& a, imaging::Bitmap& b) override { lib_->CompositeTransparent(a, b); }
  void NudgeKeyColour(imaging::Bitmap& p, imaging::Colour c) override { lib_->NudgeKeyColour(p, c); }
  platform::FontChoice DefaultNumeralFont() override { return lib_->DefaultNumeralFont(); }
  platform::FontChoice NumeralFontAsDrawn(const platform::FontChoice& f) override {
    return lib_->NumeralFontAsDrawn(f);
  }

 private:
  void Run(const char* what, void (maker::DialServices::*render)(maker::TFormMain&), maker::TFormMain& w) {
    const QCursor* c = QApplication::overrideCursor();
    seen_->push_back(std::string(what) + (c && c->shape() == Qt::WaitCursor ? " busy" : " normal"));
    (lib_.get()->*render)(w);
  }
  std::vector<std::string>* seen_;
  std::unique_ptr<maker::DialServices> lib_ = maker::MakeDialServices();
};

TEST(BusyCursor, RendersRunUnderTheBusyCursorAndNoneStays) {
  MakerFixture f;
  f.WriteBmp(f.Prog("FG/frame.bmp"), makertest::Solid(32, 32, 0x204080));
  f.WriteBmp(f.Prog("HR/ring.bmp"), makertest::Solid(32, 32, 0x802040));
  f.WriteBmp(f.root + "/pic.bmp", makertest::Pattern(120, 90));
  std::vector<std::string> seen;
  maker::MakerEnvironment env;
  env.Now = [&f] { return f.now; };
  env.Wait = [](int) {};
  env.Dialogs = std::make_unique<makertest::FakeDialogs>(&f.log);
  env.Dial = std::make_unique<CursorRecorder>(&seen);
  f.window = std::make_unique<maker::TFormMain>(std::move(env));
  maker::TFormMain& w = *f.window;
  w.LoadPictureFile(f.root + "/pic.bmp");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  struct Case {
    const char* what;
    std::function<void()> act;
  } cases[] = {
      {"clock tab", [&] { w.PageControl2->SelectTab(1); }},
      {"frame row", [&] { w.StringGridFG->ClickRow(1); }},
      {"ring row", [&] { w.StringGridHR->ClickRow(1); }},
      {"radial numerals", [&] { w.RadioButtonMJ2A->click(); }},
  };
  for (const Case& c : cases) {
    seen.clear();
    c.act();
    ASSERT_FALSE(seen.empty()) << c.what;
    for (const std::string& s : seen) EXPECT_EQ(s.substr(s.find(' ') + 1), "busy") << c.what << ": " << s;
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << c.what;
  }
}

}  // namespace
