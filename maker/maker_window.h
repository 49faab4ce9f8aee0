// The maker's main window: a picture tab where the user loads, edits and
// crops a picture, and a clock tab where frame, numerals, hands, colours and
// the digital displays are chosen over a live preview; the create-clock
// command writes the clock program.
//
// Components are public named fields, so tests drive the window through
// them; handlers keep the names of the events they handle. Dialogs, time and
// waits are injected through MakerEnvironment.
//
// Choices of this window:
// - The keys C, Q, U and V act before the focused control, but not while a
//   text or number box has the focus and not with Ctrl, Alt or Meta held, so
//   typing a "q" into the copyright box does not end the program.
// - Clock programs and saved pictures are written to a file beside the
//   target and then moved over it: a failed write never leaves a half-written
//   file, and an existing one stays as it was. Clock programs are made
//   executable. The maker's own program file is never written over.
// - Dropped files keep their whole path; the picture folders are scanned
//   without following symbolic links; a folder without any write permission
//   bit counts as read-only and is not descended into.
// - After a failed start-up step the window stays usable, but no clock is
//   written until the engine's place in the program file is known.
#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "maker/dialogs/maker_host.h"
#include "maker/hands_file.h"
#include "maker/maker_services.h"
#include "maker/maker_widgets.h"
#include "platform/file_dialogs.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTimer;
class QToolButton;

namespace maker {

struct PreviewTimeT {
  uint16_t Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
};

struct MakerEnvironment {
  // The local date and time now; the default reads the system clock.
  std::function<PreviewTimeT()> Now;
  // Blocking waits (the start-up pause, the pause before "Updated."); the
  // default sleeps.
  std::function<void(int ms)> Wait;
  std::unique_ptr<DialServices> Dial;       // default: MakeDialServices()
  std::unique_ptr<DialogServices> Dialogs;  // default: MakeDialogServices()
};

class TFormMain : public QWidget, public MakerHost {
  Q_OBJECT

 signals:
  // The window has closed and its close handler has finished.
  void Closed();

 public:
  explicit TFormMain(MakerEnvironment env = {});
  ~TFormMain() override;

  // ---- Components ----
  QMenuBar* MainMenu1 = nullptr;
  QAction *MenuF = nullptr, *MenuFR = nullptr, *MenuFS = nullptr, *MenuFQ = nullptr, *MenuFL = nullptr,
          *N4 = nullptr, *MenuFH = nullptr, *N3 = nullptr, *MenuFC = nullptr, *N1 = nullptr, *MenuFX = nullptr;
  QAction *MenuE = nullptr, *MenuEU = nullptr, *N6 = nullptr, *MenuEO = nullptr, *N5 = nullptr, *MenuED = nullptr;
  QAction *MenuI = nullptr, *MenuIS = nullptr, *MenuIR = nullptr, *MenuIC = nullptr;
  QAction *MenuH = nullptr, *MenuHV = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction *PM_S = nullptr, *N2 = nullptr, *PM_W = nullptr, *PM_G = nullptr, *PM_B = nullptr;

  TPageControl* PageControl2 = nullptr;
  QWidget *TabSheetPicture = nullptr, *TabSheetClock = nullptr;
  TPicturePanel* PanelPicture = nullptr;
  TImage ImagePicture;  // Left, Top: the picture offset in the view
  TShape Shape1;
  QWidget* PanelClockLeft = nullptr;
  TImagePanel* PanelClockRight = nullptr;
  TPageControl* PageControl1 = nullptr;
  QWidget *TabSheet1 = nullptr, *TabSheet2 = nullptr, *TabSheet3 = nullptr, *TabSheet4 = nullptr,
          *TabSheet5 = nullptr;
  // Frame tab.
  TStringGrid* StringGridFG = nullptr;
  QCheckBox* CheckBoxFG = nullptr;
  QToolButton* SpeedButtonColor = nullptr;
  TColorPanel* PanelColorSample = nullptr;
  QCheckBox* CheckBoxAutoColor = nullptr;
  QLabel* Label2 = nullptr;
  QSpinBox* SpinEditFG = nullptr;
  QCheckBox* CheckBoxPP1 = nullptr;
  // Numeral-ring tab.
  TStringGrid* StringGridHR = nullptr;
  QCheckBox* CheckBoxHR = nullptr;
  QLabel* Label3 = nullptr;
  QSpinBox* SpinEditHR1 = nullptr;
  QCheckBox* CheckBoxPP2 = nullptr;
  // Generated numerals tab.
  QRadioButton *RadioButtonMJ20 = nullptr, *RadioButtonMJ21 = nullptr, *RadioButtonMJ22 = nullptr,
               *RadioButtonMJ23 = nullptr, *RadioButtonMJ2A = nullptr, *RadioButtonMJ2B = nullptr,
               *RadioButtonMJ2C = nullptr, *RadioButtonMJ2D = nullptr;
  QLineEdit* EditMJ2D = nullptr;
  QToolButton* SpeedButtonFont = nullptr;
  QLabel* Label5 = nullptr;
  QSpinBox* SpinEditHR2 = nullptr;
  // Hands tab.
  QGroupBox *GroupBox1 = nullptr, *GroupBox2 = nullptr;
  QToolButton *SpeedButton1 = nullptr, *SpeedButton2 = nullptr;
  TColorPanel *PanelCol1 = nullptr, *PanelCol2 = nullptr;
  TStringGrid* StringGridHand = nullptr;
  QSlider* TrackBar1 = nullptr;
  QCheckBox* CheckBoxPP3 = nullptr;
  // Settings tab.
  QLabel *Label1 = nullptr, *Label4 = nullptr;
  QLineEdit *EditCPY = nullptr, *EditURL = nullptr;
  QToolButton* SpeedButtonURL = nullptr;
  QGroupBox *GroupBox3 = nullptr, *GroupBox4 = nullptr, *GroupBox5 = nullptr, *GroupBoxDate = nullptr,
            *GroupBoxTime = nullptr;
  QCheckBox *CheckBoxDate = nullptr, *CheckBoxTime = nullptr;
  QRadioButton *RadioButtonSS = nullptr, *RadioButtonSL = nullptr, *RadioButtonCW = nullptr,
               *RadioButtonCB = nullptr;
  QToolButton *SB_DU = nullptr, *SB_DD = nullptr, *SB_DL = nullptr, *SB_DR = nullptr;
  QToolButton *SB_TU = nullptr, *SB_TD = nullptr, *SB_TL = nullptr, *SB_TR = nullptr;
  QPushButton *ButtonDReset = nullptr, *ButtonTReset = nullptr;
  // Preview images, bottom to top.
  TImage ImageBG, ImageMJ1, ImageMJ2, ImageDate, ImageTime, ImageH, ImageM, ImageS, ImageFG;
  // Dialogs and timer.
  platform::FileDialogSettings SaveDialog1, OpenPictureDialog1, OpenDialog1, SavePictureDialog1;
  QTimer* Timer1 = nullptr;

  // ---- State of the clock being composed ----
  std::string ProgramFolder;  // with a trailing separator
  imaging::Bitmap WorkPictureBitmap, UndoPictureBitmap;
  int32_t UndoPictureLeft = 0, UndoPictureTop = 0;
  std::string PictureFileName;
  std::string MakerSettingsFile;
  std::string PictureDirPath;
  std::string MyDocumentsFolder, DesktopFolder;
  std::vector<imaging::Bitmap> FramePictures, NumeralRingPictures;
  int32_t FrameIndex = 0, NumeralRingIndex = 0;
  std::vector<imaging::Bitmap> DigitGlyphs;
  int32_t DigitalStyle = 0;
  int16_t FrameMargin = 0, RingMargin = 0, NumeralMargin = 0;
  imaging::Colour HandOutlineColor = 0, HandBackgroundColor = 0x00FFFFFF;
  double HandLengthFactor = 0.8;
  HandSetLists HandSets;
  platform::FontChoice NumeralFont;
  int32_t EngineOffset = 0;
  bool EngineOffsetKnown = false;
  std::string ClockFileName;
  // Preview.
  PreviewTimeT PreviewTime;
  long double LastMinutePosition = 99.0L;
  int16_t LastDrawnSecond = 99, LastDrawnDay = 0;
  int32_t PreviewHandCenterX = 0, PreviewHandCenterY = 0, PreviewHandRadiusX = 0, PreviewHandRadiusY = 0;
  // Selection.
  bool Dragging = false;
  char SelectionMode = 0;  // 'A', 'B', 'C' or none
  imaging::Point SelectionCenter, SelectionAnchor, SelectionCorner;
  int32_t SelectionHalfSize = 0;

  // ---- Start-up, settings, lists, shutdown ----
  void FormCreate();
  void FormClose();
  // Keyboard commands C, Q, U and V; true when the key was taken.
  bool FormKeyDown(int key);
  void FormResize();
  void HandleDroppedFiles(const std::vector<std::string>& files);
  void MenuFRClick();
  void MenuFXClick();
  void StringGridFGDrawCell(int col, int row, const imaging::Rect& rect);
  void LoadSettings();
  void SaveSettings();
  void InitListsAndGlyphs();
  void ScanFrameFolder(const std::string& folder);
  void ScanNumeralRingFolder(const std::string& folder);
  std::string GetMyDocumentsFolder();
  std::string GetDesktopFolder();
  // The folder the hands dialog opens in: the hands file's, as found now
  // (beside the program, or the user's or the shared one when installed).
  std::string HandsFolder() const;
  // The window's caption: "[Velmora]", with the picture's name and size.
  std::string PictureCaption() const;

  // ---- Hands file and hand-set list ----
  void ImportHandSets(const std::string& fileName);
  void PreviewHourHand(imaging::Canvas& c, int cx, int cy, int rx, int ry, int s, double phi);
  void PreviewMinuteHand(imaging::Canvas& c, int cx, int cy, int rx, int ry, int s, double phi);
  void PreviewSecondHand(imaging::Canvas& c, int cx, int cy, int rx, int ry, int s, double phi);
  void PreviewCenterDisc(imaging::Canvas& c, int cx, int cy, int rx, int ry, int s);
  void DrawHandSetCell(int row);
  void StringGridHandDrawCell(int col, int row, const imaging::Rect& rect);
  void StringGridHandClick();
  void SpeedButton1Click();
  void SpeedButton2Click();
  void TrackBar1Change();
  void ApplyOutlineRule();

  // ---- Preview ----
  void LayoutClockPreview();
  void RestartPreview(bool stop);
  void ApplyDigitalSize();
  void StringGridFGClick();
  void Timer1Timer();

  // ---- Dial layers (rendering through DialServices) ----
  void RenderFrame();
  void RenderNumeralRing();
  void RenderNumeralsUpright();
  void RenderNumeralsRadial();
  void PreviewRefresh();
  void StringGridHRClick();
  void StringGridHRDrawCell(int col, int row, const imaging::Rect& rect);
  void CheckBoxHRClick();
  void SpinEditHR1Change();
  void SpinEditFGChange();
  void CheckBoxFGClick();
  void CheckBoxAutoColorClick();
  void SpeedButtonColorClick();
  void CheckBoxPP1Click();
  void RadioButtonMJ21Click();
  void SpeedButtonFontClick();
  void SpinEditHR2Change();
  void PageControl2Change();

  // ---- Clock writer, movement update ----
  void MenuFCClick();
  void WriteClockFile();
  void MenuEDClick();

  // ---- Picture commands ----
  void LoadPictureFile(const std::string& fileName) override;
  void MenuFQClick();
  void MenuEUClick();
  void MenuISClick();
  void MenuIRClick();
  void MenuICClick();
  void MenuFSClick();
  void MenuFLClick();
  void MenuFHClick();
  void MenuEOClick();
  void MenuHVClick();
  void PM_SClick();
  void PM_WClick();
  void PM_GClick();
  void PM_BClick();
  void CentrePicture();
  void ResetOutline();

  // ---- Selection and cropping ----
  void PanelPictureMouseDown(const void* sender, Qt::MouseButton button, int x, int y);
  void PanelPictureMouseMove(const void* sender, int x, int y);
  void PanelPictureMouseUp(const void* sender, Qt::MouseButton button, int x, int y);
  void CropToSelection();

  // ---- Digital display and clock texts ----
  void RadioButtonSSClick();
  void RadioButtonSLClick();
  void RadioButtonCWClick();
  void RadioButtonCBClick();
  void CheckBoxDateClick();
  void CheckBoxTimeClick();
  void SB_TUClick();
  void SB_TDClick();
  void SB_TLClick();
  void SB_TRClick();
  void SB_DUClick();
  void SB_DDClick();
  void SB_DLClick();
  void SB_DRClick();
  void ButtonTResetClick();
  void ButtonDResetClick();
  void SpeedButtonURLClick();

  // ---- MakerHost ----
  imaging::Bitmap& WorkPicture() override { return WorkPictureBitmap; }
  // The undo picture, about to be replaced (the resize dialog moves the
  // work picture into it).
  imaging::Bitmap& UndoPicture() override {
    KeepBackground(UndoPictureBitmap);
    return UndoPictureBitmap;
  }
  void SetUndoEnabled(bool enabled) override;
  void WorkPictureChanged() override;
  std::string PictureDir() const override { return PictureDirPath; }
  void FocusMainWindow() override;

  // Runs a command as the application does: an error it does not report
  // itself is shown in the application's error box.
  void RunCommand(const std::function<void()>& command);
  // Whether the pop-up menu is attached (it is on the clock tab only).
  bool PopupMenuAttached() const { return popupAttached_; }
  void SetPopupMenuAttached(bool on) { popupAttached_ = on; }
  DialogServices& Dialogs() { return *env_.Dialogs; }
  DialServices& Dial() { return *env_.Dial; }
  // Whether start-up got through every step.
  bool StartupComplete() const { return startupComplete_; }

 protected:
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildComponents();
  void BuildMenus();
  void BuildClockTabs();
  void ConnectHandlers();
  void AlignControls();
  void ScanPictureFolder(const std::string& folder, std::vector<imaging::Bitmap>& list, TStringGrid* grid);
  void DrawPictureCell(const std::vector<imaging::Bitmap>& list, TStringGrid* grid, int row, const imaging::Rect& r);
  void DrawPolygon(imaging::Canvas& c, const engine::HandPolygon& poly, int cx, int cy, int rx, int ry, double phi,
                   imaging::Colour fill);
  void ShowWorkPicture();
  // With the size limit off, ImageBG shows the work picture as it was when
  // the clock tab was opened, without a copy of its own; the clock writer
  // composes on it also from the picture tab. Before a bitmap gets other
  // pixels, KeepBackground lets ImageBG take over the pixels it shows from
  // it; after pixels moved between the work and the undo picture,
  // FollowBackground has ImageBG show them where they are now.
  void KeepBackground(imaging::Bitmap& replaced);
  void FollowBackground();
  void MoveDisplay(TImage& img, int dx, int dy);
  imaging::Colour HandColor() const;
  imaging::Colour SecondHandColor() const;

  MakerEnvironment env_;
  bool popupAttached_ = false;
  QRect secondHandShown_;  // the second hand's pixels on the panel, while the preview runs
  bool closed_ = false;
  bool startupComplete_ = false;
};

// Ends the application's event loop once the window has closed.
void QuitWhenClosed(TFormMain& window);

}  // namespace maker
