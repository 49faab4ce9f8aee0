// Screenshots of the maker's main window for looking at by hand: loads a
// picture, chooses a frame, a numeral ring, generated numerals and the
// first hand set, and saves both tabs as PNG files.
#include <QApplication>
#include <QCheckBox>
#include <QRadioButton>

#include <cstdio>
#include <string>

#include "maker/maker_window.h"
#include "platform/system.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const bool ellipse = argc == 5 && std::string(argv[4]) == "ellipse";
  if (argc != 4 && !ellipse) {
    std::fprintf(stderr, "usage: maker_screenshot <program folder> <picture> <out prefix> [ellipse]\n");
    return 2;
  }
  platform::SetProgramFileNameForTest(std::string(argv[1]) + "/brasswick");
  maker::MakerEnvironment env;
  env.Wait = [](int) {};
  env.Now = [] { return maker::PreviewTimeT{2026, 12, 10, 10, 8, 42, 0}; };
  maker::TFormMain w(std::move(env));
  w.show();
  w.LoadPictureFile(argv[2]);
  const int cx = w.PanelPicture->width() / 2, cy = w.PanelPicture->height() / 2;
  if (ellipse) {
    // A right-button drag with the ellipse option: a 200 x 90 ellipse.
    w.MenuEOClick();
    w.PanelPictureMouseDown(w.PanelPicture, Qt::RightButton, cx - 100, cy - 45);
    w.PanelPictureMouseMove(w.PanelPicture, cx + 100, cy + 45);
    w.PanelPictureMouseUp(w.PanelPicture, Qt::RightButton, cx + 100, cy + 45);
  } else {
    w.PanelPictureMouseDown(w.PanelPicture, Qt::LeftButton, cx, cy);
    w.PanelPictureMouseMove(w.PanelPicture, cx + 90, cy);
    w.PanelPictureMouseUp(w.PanelPicture, Qt::LeftButton, cx + 90, cy);
  }
  app.processEvents();
  w.grab().save(QString::fromStdString(std::string(argv[3]) + "-picture.png"));
  w.CropToSelection();
  w.PageControl2->SelectTab(1);
  if (w.StringGridFG->RowCount() > 1) w.StringGridFG->ClickRow(1);
  if (w.StringGridHR->RowCount() > 1) w.StringGridHR->ClickRow(w.StringGridHR->RowCount() > 3 ? 3 : 1);
  w.RadioButtonMJ2B->click();
  w.CheckBoxTime->click();
  w.CheckBoxDate->click();
  w.PageControl1->SelectTab(3);
  w.StringGridHand->ClickRow(0);
  w.Timer1Timer();
  const char* tabs[] = {"frame", "ring", "numerals", "hands", "settings"};
  for (int t = 0; t < 5; ++t) {
    w.PageControl1->SelectTab(t);
    app.processEvents();
    w.grab().save(QString::fromStdString(std::string(argv[3]) + "-" + tabs[t] + ".png"));
  }
  return 0;
}
