// The digital display controls of the settings tab and the home-page button.
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>

#include "maker/maker_common.h"
#include "maker/maker_window.h"
#include "platform/message_box.h"
#include "platform/shell.h"

namespace maker {

void TFormMain::RadioButtonSSClick() {
  LastDrawnDay = 0;
  DigitalStyle = RadioButtonCW->isChecked() ? 0 : 1;
  const int oldDate = ImageDate.Width, oldTime = ImageTime.Width;
  ApplyDigitalSize();
  if (CheckBoxDate->isChecked()) ImageDate.Left += (oldDate - ImageDate.Width) / 2;
  if (CheckBoxTime->isChecked()) ImageTime.Left += (oldTime - ImageTime.Width) / 2;
  PanelClockRight->update();
}

void TFormMain::RadioButtonSLClick() {
  LastDrawnDay = 0;
  DigitalStyle = RadioButtonCW->isChecked() ? 2 : 3;
  const int oldDate = ImageDate.Width, oldTime = ImageTime.Width;
  ApplyDigitalSize();
  if (CheckBoxDate->isChecked()) ImageDate.Left -= (ImageDate.Width - oldDate) / 2;
  if (CheckBoxTime->isChecked()) ImageTime.Left -= (ImageTime.Width - oldTime) / 2;
  PanelClockRight->update();
}

void TFormMain::RadioButtonCWClick() {
  LastDrawnDay = 0;
  DigitalStyle = RadioButtonSS->isChecked() ? 0 : 2;
}

void TFormMain::RadioButtonCBClick() {
  LastDrawnDay = 0;
  DigitalStyle = RadioButtonSS->isChecked() ? 1 : 3;
}

void TFormMain::CheckBoxDateClick() {
  const bool on = CheckBoxDate->isChecked();
  for (QToolButton* b : {SB_DU, SB_DD, SB_DL, SB_DR}) b->setEnabled(on);
  if (on) {
    ApplyDigitalSize();
  } else {
    ImageDate.Clear();
    LastDrawnDay = 99;
  }
  PanelClockRight->update();
}

void TFormMain::CheckBoxTimeClick() {
  const bool on = CheckBoxTime->isChecked();
  for (QToolButton* b : {SB_TU, SB_TD, SB_TL, SB_TR}) b->setEnabled(on);
  if (on) {
    ApplyDigitalSize();
  } else {
    ImageTime.Clear();
    LastDrawnDay = 99;
    LastDrawnSecond = 99;
  }
  PanelClockRight->update();
}

void TFormMain::MoveDisplay(TImage& img, int dx, int dy) {
  const int areaW = PanelClockRight->width(), areaH = PanelClockRight->height();
  if (dy < 0 && img.Top > 0) img.Top -= 1;
  if (dy > 0 && areaH - img.Height > img.Top) img.Top += 1;
  if (dx < 0 && img.Left > 0) img.Left -= 1;
  if (dx > 0 && areaW - img.Width > img.Left) img.Left += 1;
  PanelClockRight->update();
}

void TFormMain::SB_TUClick() { MoveDisplay(ImageTime, 0, -1); }
void TFormMain::SB_TDClick() { MoveDisplay(ImageTime, 0, 1); }
void TFormMain::SB_TLClick() { MoveDisplay(ImageTime, -1, 0); }
void TFormMain::SB_TRClick() { MoveDisplay(ImageTime, 1, 0); }
void TFormMain::SB_DUClick() { MoveDisplay(ImageDate, 0, -1); }
void TFormMain::SB_DDClick() { MoveDisplay(ImageDate, 0, 1); }
void TFormMain::SB_DLClick() { MoveDisplay(ImageDate, -1, 0); }
void TFormMain::SB_DRClick() { MoveDisplay(ImageDate, 1, 0); }

void TFormMain::ButtonTResetClick() {
  ImageTime.Top = ImageS.Top + ImageS.Height / 2 + (RadioButtonSS->isChecked() ? 31 : 34);
  ImageTime.Left = ImageS.Left + (ImageS.Width - ImageTime.Width) / 2;
  PanelClockRight->update();
}

void TFormMain::ButtonDResetClick() {
  ImageDate.Top = ImageS.Top + ImageS.Height / 2 + 21;
  ImageDate.Left = ImageS.Left + (ImageS.Width - ImageDate.Width) / 2;
  PanelClockRight->update();
}

void TFormMain::SpeedButtonURLClick() {
  const std::string url = TrimControl(EditURL->text().toStdString());
  if (url.empty()) return;
  if (!platform::ShellOpen(url))
    platform::MessageDlg(url + " が開けません", platform::MsgType::Error, platform::mbAbort, this);
}

}  // namespace maker
