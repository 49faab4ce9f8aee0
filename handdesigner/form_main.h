// The hand designer's one window: the set list, the overview and edit views,
// the sliders that move a point, the point and set commands and the two
// internal clipboards. Every change goes into HandSets at once; only
// File > Save writes the hands file.
#pragma once

#include <QMainWindow>

#include <string>

#include "engine/hand_model.h"
#include "handdesigner/controls.h"
#include "handdesigner/hands_file.h"
#include "imaging/bitmap.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QToolButton;

namespace designer {

class TFormMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit TFormMain(QWidget* parent = nullptr);
  ~TFormMain() override;

  // Components.
  QWidget* Panel1 = nullptr;
  TStringGrid* StringGridHand = nullptr;
  TImage* Image1 = nullptr;  // overview: minute, hour and second hand
  TImage* Image2 = nullptr;  // edit view: the current hand
  QSlider* TrackBarH = nullptr;
  QSlider* TrackBarV = nullptr;
  QToolButton* SpeedButtonCTR = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QRadioButton *RB_M = nullptr, *RB_H = nullptr, *RB_S = nullptr;
  QLabel* LabelPoint = nullptr;
  QCheckBox* CB_Sym = nullptr;
  QLabel* Label1 = nullptr;
  TSpinEdit* SpinEditPoint = nullptr;
  QLabel* Label2 = nullptr;
  TSpinEdit* SpinEditCenter = nullptr;
  QPushButton *ButtonNewP = nullptr, *ButtonDelP = nullptr, *ButtonNewH = nullptr, *ButtonDelH = nullptr;
  QLabel *LabelVer1 = nullptr, *LabelVer2 = nullptr;
  QMenuBar* MainMenu1 = nullptr;
  QMenu* MenuF = nullptr;
  QAction *MenuFS = nullptr, *N1 = nullptr, *MenuFX = nullptr;
  QMenu *PopupMenu1 = nullptr, *PopupMenu2 = nullptr;
  QAction *PM1X = nullptr, *PM1C = nullptr, *PM1V = nullptr;
  QAction *PM2X = nullptr, *PM2C = nullptr, *PM2V = nullptr;

  // Model.
  HandSetList HandSets;
  std::string ProgramFolder;  // ends in the separator
  imaging::Colour LineColor = imaging::RGB(0, 0, 0);
  imaging::Colour BackColor = imaging::RGB(255, 255, 255);
  engine::HandSet SetClipboard;       // three point lists, CenterSize, Symmetrical
  engine::HandPolygon HandClipboard;  // one point list
  // Set just before the program changes SpinEditCenter or CB_Sym itself, so
  // that the change handler swallows the change event.
  bool SuppressNextChange = false;

  // The hands file is read from HandsReadFile ("" when there is none) and
  // saved, with its backup, into HandsWriteFolder: both are the program's
  // folder unless the program is installed (platform/program_files.h).
  std::string HandsReadFile;
  std::string HandsWriteFolder;  // ends in the separator
  std::string HandsFileName() const { return HandsReadFile.empty() ? SavedHandsFileName() : HandsReadFile; }
  std::string SavedHandsFileName() const { return HandsWriteFolder + "Hands.dat"; }
  std::string BackupFileName() const { return HandsWriteFolder + "Hands.da-"; }

  // The set at the selected row, and its hand chosen by the radio buttons;
  // null when the row has no set.
  engine::HandSet* CurrentSet();
  engine::HandPolygon* CurrentHand();

  // Handlers.
  void FormCreate();
  void StringGridHandClick();
  void StringGridHandDrawCell(int col, int row, const imaging::Rect& rect, imaging::Canvas& canvas);
  void RB_HClick();
  void RB_MClick();
  void RB_SClick();
  void SpinEditPointChange();
  void TrackBarVChange();
  void SpeedButtonCTRClick();
  void ButtonNewPClick();
  void ButtonDelPClick();
  void ButtonNewHClick();
  void ButtonDelHClick();
  void MenuFSClick();
  void MenuFXClick();
  void PM1XClick();
  void PM1CClick();
  void PM1VClick();
  void PM2XClick();
  void PM2CClick();
  void PM2VClick();

  // Hands file.
  void LoadHandsFile();
  // Raises the write error, or refuses (std::runtime_error) while the file
  // at start could not be read is still there.
  void SaveHandsFile();
  // The hands file found at start but not read; never moved aside or
  // replaced while it is there.
  std::optional<FileIdentity> UnreadHandsFile;

  // Views.
  void PlotHourHand(imaging::Canvas& canvas, int cx, int cy, int rx, int ry, int set);
  void PlotMinuteHand(imaging::Canvas& canvas, int cx, int cy, int rx, int ry, int set);
  void PlotSecondHand(imaging::Canvas& canvas, int cx, int cy, int rx, int ry, int set);
  void PlotCenterDisc(imaging::Canvas& canvas, int cx, int cy, int rx, int ry, int set);
  void DrawEditView();
  void RefreshViews(int set);
  // Draws the set of row into the cell rectangle (the grid calls it through
  // StringGridHandDrawCell); DrawSetThumbnail(row) repaints that cell.
  void DrawSetThumbnail(imaging::Canvas& canvas, const imaging::Rect& rect, int row);
  void DrawSetThumbnail(int row);
  void EnableEditing(bool on);
  void ClearViews();

 private:
  void ChooseHand(engine::HandPolygon& polygon);
  void ShowPointNumberAfterHandChange();
  void CreateComponents();
  void PlaceVersionLabels();
};

}  // namespace designer
