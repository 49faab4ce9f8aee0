#include "handdesigner/form_main.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QToolButton>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "handdesigner/plotting.h"
#include "platform/message_box.h"
#include "platform/program_files.h"
#include "platform/system.h"

namespace designer {

namespace {

constexpr imaging::Colour kFrameRed = imaging::RGB(255, 0, 0);

engine::HandSet DefaultSet() {
  engine::HandSet set;
  set.Hour = set.Minute = set.Second = {{0, 1}};
  set.CenterSize = 0;
  set.Symmetrical = true;
  return set;
}

QFont DesignerFont() {
  // The window's 12-pixel P-Gothic face, mapped to the installed Japanese font.
  QFont font(QStringLiteral("IPAPGothic"));
  font.setPixelSize(12);
  return font;
}

// A label at (left, top) showing its text from there, as wide as the text
// unless a width is given, as high as one line.
void PlaceLabel(QLabel* label, int left, int top, int width = 0) {
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  const QSize hint = label->sizeHint();
  label->setGeometry(left, top, width > 0 ? width : hint.width(), hint.height());
}

// The hourglass for the life of a command.
struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

// An error text as the application's error box shows it: a period is added
// unless the last character sorts at or before the period.
std::string WithPeriod(const std::string& text) {
  if (text.empty()) return text;
  size_t i = text.size() - 1;
  while (i > 0 && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) --i;
  const unsigned char lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80 && lead <= '.') return text;
  return text + ".";
}

}  // namespace

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent) {
  CreateComponents();
  FormCreate();
}

TFormMain::~TFormMain() = default;

void TFormMain::CreateComponents() {
  setWindowTitle(QStringLiteral("Spirrel"));
  setFont(DesignerFont());

  MainMenu1 = menuBar();
  MenuF = MainMenu1->addMenu(QStringLiteral("File(&F)"));
  MenuFS = MenuF->addAction(QStringLiteral("Save(&S)"));
  N1 = MenuF->addSeparator();
  MenuFX = MenuF->addAction(QStringLiteral("Exit(&X)"));

  Panel1 = new QWidget(this);
  Panel1->setFixedSize(585, 481);
  setCentralWidget(Panel1);

  PopupMenu1 = new QMenu(this);
  PM1X = PopupMenu1->addAction(QStringLiteral("Cut(&X)"));
  PM1C = PopupMenu1->addAction(QStringLiteral("Copy(&C)"));
  PM1V = PopupMenu1->addAction(QStringLiteral("Paste(&V)"));
  PopupMenu2 = new QMenu(this);
  PM2X = PopupMenu2->addAction(QStringLiteral("Cut(&X)"));
  PM2C = PopupMenu2->addAction(QStringLiteral("Copy(&C)"));
  PM2V = PopupMenu2->addAction(QStringLiteral("Paste(&V)"));

  StringGridHand = new TStringGrid(Panel1);
  StringGridHand->setGeometry(12, 16, 153, 377);
  StringGridHand->PopupMenu = PopupMenu1;

  Image1 = new TImage(256, 128, Panel1);
  Image1->move(208, 24);
  Image2 = new TImage(256, 128, Panel1);
  Image2->move(208, 168);
  Image2->PopupMenu = PopupMenu2;

  TrackBarH = new QSlider(Qt::Horizontal, Panel1);
  TrackBarH->setGeometry(200, 304, 273, 25);
  TrackBarH->setRange(0, 255);
  TrackBarH->setPageStep(10);
  TrackBarH->setTickPosition(QSlider::NoTicks);

  TrackBarV = new QSlider(Qt::Vertical, Panel1);
  TrackBarV->setGeometry(472, 160, 25, 145);
  TrackBarV->setRange(0, 127);
  TrackBarV->setInvertedAppearance(true);  // 0 at the top, like the picture's y
  TrackBarV->setInvertedControls(true);
  TrackBarV->setPageStep(10);
  TrackBarV->setTickPosition(QSlider::NoTicks);

  SpeedButtonCTR = new QToolButton(Panel1);
  SpeedButtonCTR->setGeometry(504, 224, 23, 22);
  SpeedButtonCTR->setText(QStringLiteral("0"));
  QFont bold = DesignerFont();
  bold.setBold(true);
  SpeedButtonCTR->setFont(bold);
  SpeedButtonCTR->setAutoRaise(false);  // a raised button, not a flat one

  GroupBox1 = new QGroupBox(QStringLiteral("Hands"), Panel1);
  GroupBox1->setGeometry(472, 24, 81, 129);
  RB_M = new QRadioButton(QStringLiteral("Minute"), GroupBox1);
  RB_M->setGeometry(10, 26, 66, 20);
  RB_M->setChecked(true);
  RB_H = new QRadioButton(QStringLiteral("Hour"), GroupBox1);
  RB_H->setGeometry(10, 60, 66, 20);
  RB_S = new QRadioButton(QStringLiteral("Second"), GroupBox1);
  RB_S->setGeometry(10, 94, 66, 20);

  // Labels show their text from their top-left corner, as wide as the text
  // (the point label as wide as the room up to the check box).
  LabelPoint = new QLabel(QStringLiteral("Radian 0.000 ; Length 0.000%"), Panel1);
  PlaceLabel(LabelPoint, 208, 336, 400 - 208);
  CB_Sym = new QCheckBox(QStringLiteral("Symmetrical"), Panel1);
  CB_Sym->setGeometry(400, 336, 100, CB_Sym->sizeHint().height());
  CB_Sym->setChecked(true);
  Label1 = new QLabel(QStringLiteral("Point number"), Panel1);
  PlaceLabel(Label1, 208, 360);
  SpinEditPoint = new TSpinEdit(Panel1);
  SpinEditPoint->setGeometry(288, 360, 57, 26);
  SpinEditPoint->SetMinValue(0);
  SpinEditPoint->SetMaxValue(1);
  SpinEditPoint->SetValue(0);
  Label2 = new QLabel(QStringLiteral("Center"), Panel1);
  PlaceLabel(Label2, 368, 360);
  SpinEditCenter = new TSpinEdit(Panel1);
  SpinEditCenter->setGeometry(416, 360, 49, 26);
  SpinEditCenter->SetMinValue(0);
  SpinEditCenter->SetMaxValue(100);
  SpinEditCenter->SetValue(0);

  ButtonNewP = new QPushButton(QStringLiteral("Insert new point"), Panel1);
  ButtonNewP->setGeometry(208, 408, 137, 25);
  ButtonDelP = new QPushButton(QStringLiteral("Delete point"), Panel1);
  ButtonDelP->setGeometry(208, 440, 137, 25);
  ButtonNewH = new QPushButton(QStringLiteral("Insert new hands"), Panel1);
  ButtonNewH->setGeometry(16, 408, 137, 25);
  ButtonDelH = new QPushButton(QStringLiteral("Delete hands"), Panel1);
  ButtonDelH->setGeometry(16, 440, 137, 25);

  // Right-aligned labels: their texts are set at start (PlaceVersionLabels).
  LabelVer1 = new QLabel(Panel1);
  LabelVer1->setAlignment(Qt::AlignRight | Qt::AlignTop);
  LabelVer2 = new QLabel(Panel1);
  LabelVer2->setAlignment(Qt::AlignRight | Qt::AlignTop);
  const QString purple = QStringLiteral("color: #800080;");
  LabelVer1->setStyleSheet(purple);
  LabelVer2->setStyleSheet(purple);

  setFixedSize(585, 481 + MainMenu1->sizeHint().height());

  // Events.
  StringGridHand->OnClick = [this] { StringGridHandClick(); };
  StringGridHand->OnDrawCell = [this](int col, int row, const imaging::Rect& rect, imaging::Canvas& canvas) {
    StringGridHandDrawCell(col, row, rect, canvas);
  };
  connect(TrackBarH, &QSlider::valueChanged, this, [this] { TrackBarVChange(); });
  connect(TrackBarV, &QSlider::valueChanged, this, [this] { TrackBarVChange(); });
  connect(CB_Sym, &QCheckBox::toggled, this, [this] { TrackBarVChange(); });
  SpinEditCenter->OnChange = [this] { TrackBarVChange(); };
  SpinEditPoint->OnChange = [this] { SpinEditPointChange(); };
  connect(SpeedButtonCTR, &QToolButton::clicked, this, [this] { SpeedButtonCTRClick(); });
  connect(RB_M, &QRadioButton::clicked, this, [this] { RB_MClick(); });
  connect(RB_H, &QRadioButton::clicked, this, [this] { RB_HClick(); });
  connect(RB_S, &QRadioButton::clicked, this, [this] { RB_SClick(); });
  connect(ButtonNewP, &QPushButton::clicked, this, [this] { ButtonNewPClick(); });
  connect(ButtonDelP, &QPushButton::clicked, this, [this] { ButtonDelPClick(); });
  connect(ButtonNewH, &QPushButton::clicked, this, [this] { ButtonNewHClick(); });
  connect(ButtonDelH, &QPushButton::clicked, this, [this] { ButtonDelHClick(); });
  connect(MenuFS, &QAction::triggered, this, [this] { MenuFSClick(); });
  connect(MenuFX, &QAction::triggered, this, [this] { MenuFXClick(); });
  connect(PM1X, &QAction::triggered, this, [this] { PM1XClick(); });
  connect(PM1C, &QAction::triggered, this, [this] { PM1CClick(); });
  connect(PM1V, &QAction::triggered, this, [this] { PM1VClick(); });
  connect(PM2X, &QAction::triggered, this, [this] { PM2XClick(); });
  connect(PM2C, &QAction::triggered, this, [this] { PM2CClick(); });
  connect(PM2V, &QAction::triggered, this, [this] { PM2VClick(); });

  // Centred on the screen.
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    const QRect area = s->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
}

// ---- start-up and selection ----

void TFormMain::FormCreate() {
  LabelVer1->setText(QStringLiteral("Hand designer"));
  LabelVer2->setText(QStringLiteral("version 0.20"));
  PlaceVersionLabels();
  StringGridHand->setGeometry(StringGridHand->x(), StringGridHand->y(), 153,
                              ButtonNewH->y() - 2 * StringGridHand->y());
  std::string program = platform::ProgramFileName();
  const size_t slash = program.find_last_of('/');
  ProgramFolder = platform::IncludeTrailingSeparator(slash == std::string::npos ? "." : program.substr(0, slash));
  const platform::HandsFileLocation hands = platform::LocateHandsFile();
  HandsReadFile = hands.ReadFrom;
  HandsWriteFolder = hands.WriteFolder;
  if (!HandsReadFile.empty()) LoadHandsFile();
  LineColor = imaging::RGB(0, 0, 0);
  BackColor = imaging::RGB(255, 255, 255);
  ClearViews();
  if (HandSets.empty()) EnableEditing(false);
  StringGridHandClick();
}

void TFormMain::PlaceVersionLabels() {
  // The version line starts at (455, 456); the about line above it, from
  // about (442, 440), ends at the same right edge.
  const QSize ver = LabelVer2->sizeHint();
  LabelVer2->setGeometry(455, 456, ver.width(), ver.height());
  const int right = LabelVer2->x() + LabelVer2->width();
  const QSize about = LabelVer1->sizeHint();
  LabelVer1->setGeometry(right - about.width(), 440, about.width(), about.height());
}

engine::HandSet* TFormMain::CurrentSet() {
  const int row = StringGridHand->Row();
  if (row < 0 || size_t(row) >= HandSets.size()) return nullptr;
  return &HandSets[size_t(row)];
}

engine::HandPolygon* TFormMain::CurrentHand() {
  engine::HandSet* set = CurrentSet();
  if (!set) return nullptr;
  if (RB_H->isChecked()) return &set->Hour;
  if (RB_M->isChecked()) return &set->Minute;
  return &set->Second;
}

void TFormMain::StringGridHandClick() {
  engine::HandSet* set = CurrentSet();
  if (!set) return;
  SuppressNextChange = true;
  SpinEditCenter->SetValue(engine::RoundHalfEven((long double)set->CenterSize * 100.0L));
  SuppressNextChange = true;
  CB_Sym->setChecked(set->Symmetrical);
  SuppressNextChange = false;
  if (RB_M->isChecked())
    RB_MClick();
  else if (RB_H->isChecked())
    RB_HClick();
  else if (RB_S->isChecked())
    RB_SClick();
  // The selected row's cell carries the red frame.
  DrawSetThumbnail(StringGridHand->Row());
}

void TFormMain::ChooseHand(engine::HandPolygon& polygon) {
  SpinEditPoint->SetMaxValue(int(polygon.size()));
  ShowPointNumberAfterHandChange();
}

void TFormMain::ShowPointNumberAfterHandChange() {
  const int n = SpinEditPoint->Value();
  if (n == 0)
    SpinEditPoint->SetValue(1);
  else if (n > SpinEditPoint->MaxValue())
    SpinEditPoint->SetValue(SpinEditPoint->MaxValue());
  else
    SpinEditPointChange();
}

void TFormMain::RB_HClick() {
  if (engine::HandSet* set = CurrentSet()) ChooseHand(set->Hour);
}

void TFormMain::RB_MClick() {
  if (engine::HandSet* set = CurrentSet()) ChooseHand(set->Minute);
}

void TFormMain::RB_SClick() {
  if (engine::HandSet* set = CurrentSet()) ChooseHand(set->Second);
}

void TFormMain::SpinEditPointChange() {
  // Formed in 64 bits: a typed number may be the smallest integer.
  const long long k = (long long)SpinEditPoint->Value() - 1;
  const engine::HandPolygon* hand = CurrentHand();
  int x = 0, y = 0;
  if (hand && k >= 0 && static_cast<unsigned long long>(k) < hand->size()) {
    const imaging::Point p = SlidersFromPoint((*hand)[size_t(k)]);
    x = p.X;
    y = p.Y;
  }
  if (x == TrackBarH->value() && y == TrackBarV->value()) {
    TrackBarVChange();
  } else {
    TrackBarH->setValue(x);
    TrackBarV->setValue(y);
  }
}

void TFormMain::TrackBarVChange() {
  if (SuppressNextChange) {
    SuppressNextChange = false;
    return;
  }
  const int n = SpinEditPoint->Value();
  if (n < 1) return;
  engine::HandSet* set = CurrentSet();
  if (!set) return;
  const engine::HandPoint point = PointFromSliders(TrackBarH->value(), TrackBarV->value());
  engine::HandPolygon* hand = CurrentHand();
  if (size_t(n - 1) < hand->size()) (*hand)[size_t(n - 1)] = point;
  set->CenterSize = double((long double)SpinEditCenter->Value() / 100.0L);
  set->Symmetrical = CB_Sym->isChecked();
  char label[96];
  std::snprintf(label, sizeof label, "Radian%.4f; Length %.2f%%", point.Angle, point.Length * 100.0);
  LabelPoint->setText(QString::fromUtf8(label));
  RefreshViews(StringGridHand->Row());
}

void TFormMain::SpeedButtonCTRClick() { TrackBarV->setValue(EditCenterY); }

// ---- point commands ----

void TFormMain::ButtonNewPClick() {
  engine::HandPolygon* hand = CurrentHand();
  if (!hand) return;
  const int number = SpinEditPoint->Value();
  if (number < 0 || size_t(number) > hand->size()) return;
  hand->insert(hand->begin() + number, engine::HandPoint{0, 0});
  SpinEditPoint->SetMaxValue(int(hand->size()));
  SpinEditPoint->SetValue(number + 1);
}

void TFormMain::ButtonDelPClick() {
  engine::HandPolygon* hand = CurrentHand();
  if (!hand) return;
  const int number = SpinEditPoint->Value();
  if (number <= 1) {
    platform::MessageDlg("Point not removable.", platform::MsgType::Information, platform::mbOK, this);
    return;
  }
  if (hand->empty()) return;
  // A typed number beyond the last point removes the last point.
  const size_t k = std::min(size_t(number - 1), hand->size() - 1);
  hand->erase(hand->begin() + long(k));
  SpinEditPoint->SetMaxValue(int(hand->size()));
  if (SpinEditPoint->Value() > SpinEditPoint->MaxValue())
    SpinEditPoint->SetValue(SpinEditPoint->MaxValue());
  else
    SpinEditPointChange();
}

// ---- set commands and clipboards ----

void TFormMain::ButtonNewHClick() {
  const int r = StringGridHand->Row();
  const size_t at = std::min(size_t(std::max(r, 0)), HandSets.size());
  HandSets.insert(HandSets.begin() + long(at), DefaultSet());
  StringGridHand->SetRowCount(int(HandSets.size()));
  EnableEditing(true);
  StringGridHandClick();
}

void TFormMain::ButtonDelHClick() {
  const int r = StringGridHand->Row();
  if (r < 0 || size_t(r) >= HandSets.size()) return;
  HandSets.erase(HandSets.begin() + r);
  StringGridHand->SetRowCount(int(HandSets.size()));
  if (HandSets.empty()) EnableEditing(false);
  if (size_t(r) < HandSets.size())
    StringGridHand->SetRow(r);
  else if (r > 0)
    StringGridHand->SetRow(r - 1);
  StringGridHand->viewport()->update();
  StringGridHandClick();
}

void TFormMain::PM1CClick() {
  const engine::HandSet* set = CurrentSet();
  if (!set) return;
  SetClipboard = *set;
}

void TFormMain::PM1XClick() {
  if (!CurrentSet()) return;
  PM1CClick();
  ButtonDelHClick();
}

void TFormMain::PM1VClick() {
  ButtonNewHClick();
  engine::HandSet* set = CurrentSet();
  if (!set) return;
  if (!SetClipboard.Hour.empty()) set->Hour = SetClipboard.Hour;
  if (!SetClipboard.Minute.empty()) set->Minute = SetClipboard.Minute;
  if (!SetClipboard.Second.empty()) set->Second = SetClipboard.Second;
  set->CenterSize = SetClipboard.CenterSize;
  set->Symmetrical = SetClipboard.Symmetrical;
  StringGridHandClick();
}

void TFormMain::PM2CClick() {
  const engine::HandPolygon* hand = CurrentHand();
  if (!hand) return;
  HandClipboard = *hand;
}

void TFormMain::PM2XClick() {
  engine::HandPolygon* hand = CurrentHand();
  if (!hand) return;
  PM2CClick();
  *hand = {{0, 1}};
  SpinEditPoint->SetMaxValue(1);
  if (SpinEditPoint->Value() > 1)
    SpinEditPoint->SetValue(1);
  else
    SpinEditPointChange();
}

void TFormMain::PM2VClick() {
  engine::HandPolygon* hand = CurrentHand();
  if (!hand) return;
  if (!HandClipboard.empty()) *hand = HandClipboard;
  SpinEditPoint->SetMaxValue(int(hand->size()));
  if (SpinEditPoint->Value() > SpinEditPoint->MaxValue())
    SpinEditPoint->SetValue(SpinEditPoint->MaxValue());
  else
    SpinEditPointChange();
}

// ---- file ----

void TFormMain::LoadHandsFile() {
  // A file that is there but cannot be read would otherwise look like a file
  // without sets.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(HandsFileName(), ec) || !std::ifstream(HandsFileName(), std::ios::binary)) {
    FileIdentity id;
    if (IdentifyFile(HandsFileName(), id)) UnreadHandsFile = id;
    platform::MessageBoxWithCaption("Cannot read the hands file " + HandsFileName() + ".", "Spirrel",
                                    platform::MsgType::Error, platform::mbOK, this);
    return;
  }
  HandSets = ReadHandsFile(HandsFileName());
  StringGridHand->SetRowCount(int(HandSets.size()));
  if (HandSets.empty()) return;
  EnableEditing(true);
  StringGridHand->SetRow(0);
  StringGridHandClick();
}

void TFormMain::SaveHandsFile() {
  FileIdentity now;
  if (UnreadHandsFile && IdentifyFile(HandsFileName(), now) && now == *UnreadHandsFile)
    throw std::runtime_error("Nothing was saved: the hands file " + HandsFileName() +
                             " could not be read at start, and saving would replace it. Move it away (or make it "
                             "readable and start Spirrel again), then save");
  WaitCursor wait;
  // The user's data folder of an installed designer may not exist yet; a
  // folder that cannot be made fails the write below.
  std::error_code ec;
  if (HandsWriteFolder != ProgramFolder) std::filesystem::create_directories(HandsWriteFolder, ec);
  WriteHandsFile(SavedHandsFileName(), BackupFileName(), HandSets);
  HandsReadFile = SavedHandsFileName();
}

void TFormMain::MenuFSClick() {
  try {
    SaveHandsFile();
  } catch (const std::exception& e) {
    platform::MessageBoxWithCaption(WithPeriod(e.what()), "Spirrel", platform::MsgType::Error, platform::mbOK, this);
  }
}

void TFormMain::MenuFXClick() { close(); }

// ---- views ----

void TFormMain::PlotHourHand(imaging::Canvas& canvas, int cx, int cy, int rx, int ry, int set) {
  const engine::HandSet& s = HandSets[size_t(set)];
  PlotHand(canvas, s.Hour, s.Symmetrical, cx, cy, rx, ry, kHandFill, LineColor);
}

void TFormMain::PlotMinuteHand(imaging::Canvas& canvas, int cx, int cy, int rx, int ry, int set) {
  const engine::HandSet& s = HandSets[size_t(set)];
  PlotHand(canvas, s.Minute, s.Symmetrical, cx, cy, rx, ry, kHandFill, LineColor);
}

void TFormMain::PlotSecondHand(imaging::Canvas& canvas, int cx, int cy, int rx, int ry, int set) {
  const engine::HandSet& s = HandSets[size_t(set)];
  PlotHand(canvas, s.Second, s.Symmetrical, cx, cy, rx, ry, kSecondFill, LineColor);
}

void TFormMain::PlotCenterDisc(imaging::Canvas& canvas, int cx, int cy, int rx, int ry, int set) {
  PlotDisc(canvas, HandSets[size_t(set)].CenterSize, cx, cy, rx, ry, LineColor);
}

void TFormMain::DrawEditView() {
  imaging::Canvas& c = Image2->Canvas();
  c.brush.Color = BackColor;
  c.FillRect({0, 0, Image2->Picture.Width(), Image2->Picture.Height()});
  Image2->update();
  engine::HandSet* set = CurrentSet();
  if (!set) return;
  const int row = StringGridHand->Row();
  // After the change handler has stored these two values they already agree
  // with the controls; a number being typed (also one beyond the range) is
  // left as it stands.
  CB_Sym->setChecked(set->Symmetrical);
  const int center = engine::RoundHalfEven((long double)set->CenterSize * 100.0L);
  if (SpinEditCenter->Value() != center) SpinEditCenter->SetValue(center);
  // The control changes above may have redrawn the view already; draw the
  // set as it stands now.
  set = CurrentSet();
  if (!set) return;
  c.brush.Color = BackColor;
  c.FillRect({0, 0, Image2->Picture.Width(), Image2->Picture.Height()});
  if (RB_H->isChecked())
    PlotHourHand(c, EditCenterX, EditCenterY, EditRadius, EditRadius, row);
  else if (RB_M->isChecked())
    PlotMinuteHand(c, EditCenterX, EditCenterY, EditRadius, EditRadius, row);
  else
    PlotSecondHand(c, EditCenterX, EditCenterY, EditRadius, EditRadius, row);
  PlotCenterDisc(c, EditCenterX, EditCenterY, EditRadius, EditRadius, row);
  Image2->update();
}

void TFormMain::RefreshViews(int set) {
  if (set < 0 || size_t(set) >= HandSets.size()) return;
  imaging::Canvas& c = Image1->Canvas();
  c.brush.Color = BackColor;
  c.FillRect({0, 0, Image1->Picture.Width(), Image1->Picture.Height()});
  PlotMinuteHand(c, EditCenterX, 32, EditRadius, EditRadius, set);
  PlotCenterDisc(c, EditCenterX, 32, EditRadius, EditRadius, set);
  PlotHourHand(c, EditCenterX, 64, EditRadius, EditRadius, set);
  PlotCenterDisc(c, EditCenterX, 64, EditRadius, EditRadius, set);
  PlotSecondHand(c, EditCenterX, 96, EditRadius, EditRadius, set);
  PlotCenterDisc(c, EditCenterX, 96, EditRadius, EditRadius, set);
  Image1->update();
  DrawEditView();
  DrawSetThumbnail(set);
}

void TFormMain::DrawSetThumbnail(imaging::Canvas& canvas, const imaging::Rect& rect, int row) {
  const int width = StringGridHand->DefaultColWidth;
  const int cx = engine::RoundHalfEven((long double)width * 0.3L);
  const int r = engine::RoundHalfEven((long double)width * 0.65L);
  canvas.brush.Color = BackColor;
  canvas.FillRect(rect);
  PlotMinuteHand(canvas, cx, rect.Top + 16, r, r, row);
  PlotCenterDisc(canvas, cx, rect.Top + 16, r, r, row);
  PlotHourHand(canvas, cx, rect.Top + 32, r, r, row);
  PlotCenterDisc(canvas, cx, rect.Top + 32, r, r, row);
  PlotSecondHand(canvas, cx, rect.Top + 48, r, r, row);
  PlotCenterDisc(canvas, cx, rect.Top + 48, r, r, row);
  if (row == StringGridHand->Row()) {
    canvas.pen.Color = kFrameRed;
    canvas.pen.Width = 1;
    canvas.FrameOutline(rect);
  }
}

void TFormMain::DrawSetThumbnail(int row) { StringGridHand->InvalidateRow(row); }

void TFormMain::StringGridHandDrawCell(int col, int row, const imaging::Rect& rect, imaging::Canvas& canvas) {
  if (row >= 0 && size_t(row) < HandSets.size()) DrawSetThumbnail(canvas, rect, row);
}

void TFormMain::EnableEditing(bool on) {
  for (QWidget* w : std::initializer_list<QWidget*>{GroupBox1, ButtonNewP, ButtonDelP, SpinEditPoint, SpinEditCenter,
                                                     CB_Sym, SpeedButtonCTR, TrackBarV, TrackBarH, ButtonDelH})
    w->setEnabled(on);
  if (!on) ClearViews();
}

void TFormMain::ClearViews() {
  for (TImage* image : {Image1, Image2}) {
    image->Canvas().brush.Color = BackColor;
    image->Canvas().FillRect({0, 0, image->Picture.Width(), image->Picture.Height()});
    image->update();
  }
}

}  // namespace designer
