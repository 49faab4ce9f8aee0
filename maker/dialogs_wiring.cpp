// Connects the main window to the maker's dialogs (maker_dialogs): the
// splash, the resize and rotate dialogs, the thumbnail browser and the
// shortcut dialog, all created once and kept for the life of the program.
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QWidget>

#include "maker/dialogs/maker_host.h"
#include "maker/maker_services.h"

#include "maker/dialogs/form_pic_size.h"
#include "maker/dialogs/form_rotate.h"
#include "maker/dialogs/form_shortcut.h"
#include "maker/dialogs/form_splash.h"
#include "maker/dialogs/form_thumb.h"

namespace maker {

namespace {


class LibraryDialogs : public DialogServices {
 public:
  void ShowSplash() override {
    splash_ = std::make_unique<TFormSplash>();
    splash_->ShowAndPaint();
  }
  void HideSplash() override {
    if (splash_) splash_->hide();
  }
  void FreeSplash() override { splash_.reset(); }
  void CreateDialogs(MakerHost& host) override {
    QWidget* owner = dynamic_cast<QWidget*>(&host);
    picSize_ = std::make_unique<TFormPicSize>(host, owner);
    thumb_ = std::make_unique<TFormThumb>(host);
    shortcut_ = std::make_unique<TFormShortcut>(owner);
    thumb_->hide();
    rotate_ = std::make_unique<TFormRotate>(owner);
  }
  void RunPicSize(int& width, int& height) override {
    if (!picSize_) {
      width = height = 0;
      return;
    }
    picSize_->SpinEditNewW->SetValue(width);
    picSize_->SpinEditNewH->SetValue(height);
    picSize_->exec();
    width = picSize_->SpinEditNewW->Value();
    height = picSize_->SpinEditNewH->Value();
  }
  RotateChoice RunRotate() override {
    RotateChoice c{RotateChoice::FreeR, "0", "0"};
    if (!rotate_) return c;
    rotate_->exec();
    if (rotate_->RadioButtonR90->isChecked())
      c.Checked = RotateChoice::R90;
    else if (rotate_->RadioButtonL90->isChecked())
      c.Checked = RotateChoice::L90;
    else if (rotate_->RadioButtonFreeR->isChecked())
      c.Checked = RotateChoice::FreeR;
    else if (rotate_->RadioButtonFreeL->isChecked())
      c.Checked = RotateChoice::FreeL;
    else if (rotate_->RadioButtonFlipLR->isChecked())
      c.Checked = RotateChoice::FlipLR;
    else if (rotate_->RadioButtonFlipTB->isChecked())
      c.Checked = RotateChoice::FlipTB;
    c.EditR = rotate_->EditR->text().toStdString();
    c.EditL = rotate_->EditL->text().toStdString();
    return c;
  }
  void ShowThumbs(const std::string& folder) override {
    if (!thumb_) return;
    thumb_->setWindowTitle(QString::fromStdString(folder));
    thumb_->show();
    thumb_->ScanPictureFolder(folder);
  }
  void RunShortcut(const std::string& target, bool desktopEnabled) override {
    if (!shortcut_) return;
    shortcut_->SetTarget(target);
    shortcut_->CheckBoxDesktop->setEnabled(desktopEnabled);
    shortcut_->exec();
  }

 private:
  std::unique_ptr<TFormSplash> splash_;
  std::unique_ptr<TFormPicSize> picSize_;
  std::unique_ptr<TFormThumb> thumb_;
  std::unique_ptr<TFormShortcut> shortcut_;
  std::unique_ptr<TFormRotate> rotate_;
};


}  // namespace

std::unique_ptr<DialogServices> MakeDialogServices() { return std::make_unique<LibraryDialogs>(); }

}  // namespace maker
