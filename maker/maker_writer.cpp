// The create-clock command and the movement update.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "maker/clock_builder.h"
#include "maker/maker_common.h"
#include "maker/maker_window.h"
#include "platform/ini.h"
#include "platform/message_box.h"
#include "platform/replace_file.h"
#include "platform/system.h"

namespace maker {

namespace {

// Writes the bytes to a scratch file of a unique name beside the target and
// moves it over the target, so that a failed write never leaves a
// half-written program. Clock programs are made executable.
bool SaveProgram(const std::string& path, const Bytes& bytes) {
  return platform::ReplaceFile(path, bytes.data(), bytes.size(), 0755);
}

// The maker's engine image: its own program file from EngineOffset on. It
// must start as a program file does: stripping the maker cuts the appended
// engine off, and what then lies at the offset is part of the maker.
Bytes EngineImageOf(int32_t offset, bool known) {
  static constexpr uint8_t kProgramMagic[] = {0x7F, 'E', 'L', 'F'};
  const std::string self = platform::ProgramFileName();
  const Bytes own = ReadWholeFile(self);
  if (!known || offset < 0 || size_t(offset) + sizeof kProgramMagic > own.size() ||
      !std::equal(std::begin(kProgramMagic), std::end(kProgramMagic), own.begin() + offset))
    throw std::runtime_error("ムーブメントを読み出せません (" + self + ")");
  return Bytes(own.begin() + offset, own.end());
}

}  // namespace

void TFormMain::MenuFCClick() {
  if (!platform::ExecuteFileDialog(platform::FileDialogKind::Save, SaveDialog1, this)) return;
  ClockFileName = SaveDialog1.FileName;
  WriteClockFile();
  SavePictureDialog1.FileName = platform::ChangeFileExt(ClockFileName, ".bmp");
}

void TFormMain::WriteClockFile() {
  ClockContent c;
  // 1.
  c.Flags = ClockFlags(CheckBoxTime->isChecked(), CheckBoxDate->isChecked(), DigitalStyle, CheckBoxPP1->isChecked(),
                       CheckBoxPP2->isChecked(), CheckBoxPP3->isChecked());
  // 2: the chosen set into the working slot, lengths scaled.
  const int k = StringGridHand->Row() + 1;
  if (k <= HandSets.LastIndex()) {
    auto scaled = [this](const engine::HandPolygon& p) {
      engine::HandPolygon out = p;
      // The product is formed in extended precision, then stored as a double.
      for (auto& pt : out) pt.Length = double((long double)pt.Length * (long double)HandLengthFactor);
      return out;
    };
    HandSets.Hour[0] = scaled(HandSets.Hour[size_t(k)]);
    HandSets.Minute[0] = scaled(HandSets.Minute[size_t(k)]);
    HandSets.Second[0] = scaled(HandSets.Second[size_t(k)]);
    HandSets.CenterSize[0] = HandSets.CenterSize[size_t(k)];
    engine::HandSet set;
    set.Hour = HandSets.Hour[0];
    set.Minute = HandSets.Minute[0];
    set.Second = HandSets.Second[0];
    set.CenterSize = HandSets.CenterSize[0];
    c.Hands = set;
  }
  // 3-4.
  BusyCursor busy;
  c.EngineImage = EngineImageOf(EngineOffset, EngineOffsetKnown);
  // 5-6: the dial picture: background, numeral ring, generated numerals.
  imaging::Bitmap composition;
  if (!WorkPictureBitmap.Empty()) composition = ImageBG.Picture.Whole();
  auto layer = [&](imaging::Bitmap overlay) {
    if (overlay.Empty()) return;
    if (composition.Empty())
      composition = std::move(overlay);
    else
      Dial().CompositeTransparent(composition, overlay);
  };
  if (NumeralRingIndex > 0) layer(ImageMJ1.Picture.Whole());
  QApplication::processEvents();
  if (!RadioButtonMJ20->isChecked()) layer(ImageMJ2.Picture.Whole());
  QApplication::processEvents();
  if (!composition.Empty()) composition.SetPixelFormat(imaging::PixelFormat::pf24bit);
  c.Dial = composition;
  // 7.
  if (FrameIndex > 0) c.Frame = ImageFG.Picture.Whole();
  // 9-12.
  c.HandColor = PanelCol1->Color();
  c.SecondHandColor = PanelCol2->Color();
  c.DateOffset = DisplayOffsetOf(ImageBG.Left, ImageBG.Top, ImageBG.Width, ImageBG.Height, ImageDate.Left, ImageDate.Top);
  c.TimeOffset = DisplayOffsetOf(ImageBG.Left, ImageBG.Top, ImageBG.Width, ImageBG.Height, ImageTime.Left, ImageTime.Top);
  c.FrameMargin = FrameMargin;
  // 13-14.
  c.Copyright = ShortTextOf(platform::Utf8ToSjis(EditCPY->text().toStdString()));
  c.Url = ShortTextOf(platform::Utf8ToSjis(EditURL->text().toStdString()));
  // 15.
  c.EngineTag = EngineTagText();
  const Bytes program = BuildClockProgram(c);
  // 16-17. The maker's own program file is never replaced: it is running,
  // and every later clock takes its engine from it.
  std::error_code ec;
  const bool ownFile = std::filesystem::equivalent(ClockFileName, platform::ProgramFileName(), ec);
  bool ok = !ownFile && SaveProgram(ClockFileName, program);
  if (ok) {
    try {
      const bool onDesktop = FolderOf(ClockFileName) == DesktopFolder + "/";
      Dialogs().RunShortcut(ClockFileName, !onDesktop);
    } catch (const std::exception&) {
      ok = false;
    }
  }
  if (!ok) platform::MessageDlg("*** エラー !! ***", platform::MsgType::Error, platform::mbAbort, this);
}

void TFormMain::MenuEDClick() {
  OpenDialog1.DefaultExt = "*.exe";
  OpenDialog1.FileName = "*.exe";
  OpenDialog1.Filter = "EXE Files (*.EXE)|*.exe|All Files (*.*)|*.*";
  // The hands-file settings come back whichever way the command ends; the
  // dialog then offers "Hands*.dat" again, and keeps the folder last chosen.
  struct Restore {
    TFormMain& w;
    ~Restore() {
      w.OpenDialog1.DefaultExt = "*.dat";
      w.OpenDialog1.FileName = "Hands*.dat";
      w.OpenDialog1.Filter = "DAT Files (*.DAT)|*.dat|All Files (*.*)|*.*";
    }
  } restore{*this};

  if (!platform::ExecuteFileDialog(platform::FileDialogKind::Open, OpenDialog1, this)) return;
  const std::string name = OpenDialog1.FileName;
  std::string folder = FolderOf(name);
  if (folder.size() > 1) folder.pop_back();
  OpenDialog1.InitialDir = folder;
  const std::string shown = platform::ExtractFileName(name);
  if (platform::MessageDlg(shown + " のムーブメントを置き換えます。\r\n実行すると、元へは戻せません。いいですか ?",
                           platform::MsgType::Confirmation, platform::mbOK | platform::mbAbort,
                           this) != platform::ModalResult::OK)
    return;

  bool proceed = true;
  // A clock reached through a symbolic link is replaced where the link
  // points, so the link stays and names the updated clock.
  const std::string target = platform::FileBehindLink(name);
  const std::string temp = platform::ChangeFileExt(target, ".~_~");
  {
    BusyCursor busy;
    const Bytes engine = EngineImageOf(EngineOffset, EngineOffsetKnown);
    const Bytes old = ReadWholeFile(name);
    OldClock oc;
    if (ReadOldClock(old, oc) != OldClockCheck::Ok) {
      platform::MessageDlg("[" + shown + "] *** Read error ***", platform::MsgType::Error, platform::mbAbort, this);
      return;
    }
    if (const auto warning = OlderReleaseWarning(oc.EngineSize)) {
      const std::string text = "[" + shown + *warning +
                               "\r\nムーブメントを更新した場合、時計が正常に機能しなくなるおそれがあります。"
                               "\r\n警告を無視して更新を続けますか ?";
      if (platform::MessageDlg(text, platform::MsgType::Warning, platform::mbAbort | platform::mbIgnore, this) !=
          platform::ModalResult::Ignore)
        return;
    }
    const Bytes updated = RebuildWithEngine(engine, old, oc, EngineTagText());
    // The save replaces an earlier temporary file. A chosen file that already
    // has the temporary name is replaced by the save itself; deleting it
    // afterwards would lose the updated clock.
    const bool tempIsTarget = temp == target;
    if (!SaveProgram(temp, updated)) {
      platform::MessageDlg("[" + platform::ExtractFileName(temp) + "] *** Write error ***", platform::MsgType::Error,
                           platform::mbAbort, this);
      proceed = false;
    }
    if (proceed && !tempIsTarget) {
      // The updated program takes the old one's name in one step, so that
      // the old program stays whole until the new one is, whatever happens
      // in between; a folder that refuses the change keeps both files.
      if (!platform::RenameDurably(temp, target)) {
        const bool undeletable = errno == EACCES || errno == EPERM || errno == EROFS || errno == EBUSY ||
                                 errno == EISDIR || errno == ENOTEMPTY;
        if (undeletable)
          platform::MessageDlg("[" + shown + "] *** Delete error ***", platform::MsgType::Error, platform::mbAbort,
                               this);
        else
          platform::MessageDlg("*** Rename error ***", platform::MsgType::Error, platform::mbAbort, this);
        proceed = false;
      }
    }
    // The busy cursor stays on through the pause and the success message.
    if (proceed) {
      env_.Wait(2000);
      platform::MessageDlg("[" + shown + "] Updated.", platform::MsgType::Information, platform::mbOK, this);
    }
  }
}

}  // namespace maker
