// Connects the main window to the maker's dialogs.
//
// TODO(dialogs wiring): create TFormSplash, TFormPicSize, TFormThumb,
// TFormShortcut and TFormRotate of maker_dialogs here once its headers are
// merged (MAKER_HAS_DIALOGS is defined when the target exists). Until then
// the resize and rotate commands act as if cancelled, the thumbnail browser
// and the shortcut dialog are not shown, and there is no splash.
#include "maker/dialogs/maker_host.h"
#include "maker/maker_services.h"

namespace maker {

namespace {

class PendingDialogs : public DialogServices {
 public:
  void ShowSplash() override {}
  void HideSplash() override {}
  void FreeSplash() override {}
  void CreateDialogs(MakerHost&) override {}
  void RunPicSize(int& width, int& height) override { width = height = 0; }
  RotateChoice RunRotate() override { return RotateChoice{RotateChoice::FreeR, "0", "0"}; }
  void ShowThumbs(const std::string&) override {}
  void RunShortcut(const std::string&, bool) override {}
};

}  // namespace

std::unique_ptr<DialogServices> MakeDialogServices() { return std::make_unique<PendingDialogs>(); }

}  // namespace maker
