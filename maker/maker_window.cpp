// The main window: its components, start-up, settings, picture lists,
// keyboard commands and closing.
#include "maker/maker_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QGuiApplication>
#include <QSlider>
#include <QSpinBox>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <unistd.h>

#include <filesystem>
#include <new>

#include "engine/ui_font.h"
#include "imaging/picture_io.h"
#include "maker/maker_common.h"
#include "platform/dropped_files.h"
#include "platform/ini.h"
#include "platform/message_box.h"
#include "platform/resources.h"
#include "platform/program_files.h"
#include "platform/system.h"

namespace maker {

namespace {

PreviewTimeT SystemNow() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  return {uint16_t(d.year()), uint16_t(d.month()), uint16_t(d.day()), uint16_t(t.hour()),
          uint16_t(t.minute()), uint16_t(t.second()), uint16_t(t.msec())};
}

// Attribute word of a directory entry in the form the folder scan tests:
// directory 16, read-only 1 (no write permission bit at all, whoever runs
// the program), hidden 2 (a name starting with a dot).
int AttributesOf(const std::filesystem::directory_entry& e) {
  namespace fs = std::filesystem;
  std::error_code ec;
  int attr = 0;
  const auto st = e.symlink_status(ec);
  if (!ec && fs::is_directory(st)) attr |= 16;
  if (!ec && fs::is_symlink(st)) attr |= 1024;  // reparse point: never descended into
  if (!ec && (st.permissions() & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write)) ==
                 fs::perms::none)
    attr |= 1;
  const std::string name = e.path().filename().string();
  if (!name.empty() && name[0] == '.') attr |= 2;
  return attr;
}

}  // namespace

TFormMain::TFormMain(MakerEnvironment env) : env_(std::move(env)) {
  if (!env_.Now) env_.Now = SystemNow;
  if (!env_.Wait) env_.Wait = [](int ms) { QThread::msleep(ulong(ms)); };
  if (!env_.Dial) env_.Dial = MakeDialServices();
  if (!env_.Dialogs) env_.Dialogs = MakeDialogServices();

  setFont(engine::UiFont(12));
  BuildComponents();
  resize(654, 516);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect r = screen->availableGeometry();
    move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
  }
  AlignControls();
  ConnectHandlers();
  qApp->installEventFilter(this);

  // The first busy cursor loads the cursor from the X server, tens of
  // milliseconds; done once the window is up, the first slow action does not
  // pay for it.
  QTimer::singleShot(0, this, [] { BusyCursor warm; });

  try {
    FormCreate();
    startupComplete_ = true;
  } catch (const std::exception& e) {
    platform::MessageBoxWithCaption(e.what(), "Velmora", platform::MsgType::Error, platform::mbOK, this);
  }
}

TFormMain::~TFormMain() {
  qApp->removeEventFilter(this);
  if (Timer1) Timer1->stop();
}

// ---- Components ----

void TFormMain::BuildComponents() {
  BuildMenus();

  PageControl2 = new TPageControl(this);
  TabSheetPicture = PageControl2->AddPage(QString::fromUtf8("画像"));
  TabSheetClock = PageControl2->AddPage(QString::fromUtf8("時計"));

  PanelPicture = new TPicturePanel(TabSheetPicture);
  PanelPicture->Picture = &ImagePicture;
  PanelPicture->Shape = &Shape1;
  ImagePicture.Transparent = false;
  ImagePicture.Width = ImagePicture.Height = 0;

  PanelClockLeft = new QWidget(TabSheetClock);
  PanelClockRight = new TImagePanel(TabSheetClock);
  PanelClockRight->Color = 0x00A4A0A0;  // medium grey
  PanelClockRight->Images = {&ImageBG, &ImageMJ1, &ImageMJ2, &ImageDate, &ImageTime,
                             &ImageH,  &ImageM,   &ImageS,   &ImageFG};
  ImageDate.Center = ImageTime.Center = true;
  PageControl1 = new TPageControl(PanelClockLeft);
  TabSheet1 = PageControl1->AddPage(QString::fromUtf8("枠"));
  TabSheet2 = PageControl1->AddPage(QString::fromUtf8("文字１"));
  TabSheet3 = PageControl1->AddPage(QString::fromUtf8("文字２"));
  TabSheet4 = PageControl1->AddPage(QString::fromUtf8("針"));
  TabSheet5 = PageControl1->AddPage(QString::fromUtf8("設定"));
  BuildClockTabs();

  Timer1 = new QTimer(this);
  Timer1->setInterval(250);

  // Dialog settings of the window's definition.
  SaveDialog1.DefaultExt = ".exe";
  SaveDialog1.FileName = "DoRedoz";
  SaveDialog1.Filter = "Desktop clock (*.EXE)|*.exe";
  SaveDialog1.PromptOverwrite = true;
  OpenPictureDialog1.DefaultExt = ".BMP";
  OpenPictureDialog1.Filter =
      "All (*.jpg;*.jpeg;*.bmp;*.gif;*.png)|*.jpg;*.jpeg;*.bmp;*.gif;*.png|Bitmap (*.bmp)|*.bmp|Jpeg "
      "(*.jpg,*.jpeg)|*.jpg;*.jpeg|GIF(*.gif)|*.gif|PNG(*.png)|*.png";
  OpenDialog1.DefaultExt = "*.dat";
  OpenDialog1.FileName = "Hands*.dat";
  OpenDialog1.Filter = "DAT Files (*.DAT)|*.dat|All Files (*.*)|*.*";
  SavePictureDialog1.DefaultExt = ".bmp";
  SavePictureDialog1.FileName = "DoRedoz";
  SavePictureDialog1.Filter =
      "すべてのファイル (*.*)|*.*|ビットマップ (*.bmp)|*.bmp|JPEG イメージファイル (*.jpg)|*.jpg|JPEG "
      "イメージファイル (*.jpeg)|*.jpeg";
  SavePictureDialog1.FilterIndex = 2;
  SavePictureDialog1.PromptOverwrite = true;

}

void TFormMain::BuildMenus() {
  MainMenu1 = new QMenuBar(this);
  auto item = [](QMenu* m, const char* caption) { return m->addAction(QString::fromUtf8(caption)); };
  QMenu* f = MainMenu1->addMenu(QString::fromUtf8("ﾌｧｲﾙ(&F)"));
  MenuF = f->menuAction();
  MenuFR = item(f, "画像読込(&R)");
  MenuFS = item(f, "画像保存(&S)");
  MenuFQ = item(f, "画像消去(&Q)");
  MenuFL = item(f, "画像一覧(&L)");
  N4 = f->addSeparator();
  MenuFH = item(f, "針の再読込(&H)");
  N3 = f->addSeparator();
  MenuFC = item(f, "ｸﾛｯｸ作成(&C)");
  N1 = f->addSeparator();
  MenuFX = item(f, "終了(&X)");
  QMenu* e = MainMenu1->addMenu(QString::fromUtf8("編集(&E)"));
  MenuE = e->menuAction();
  MenuEU = item(e, "取消(&U)");
  MenuEU->setEnabled(false);
  N6 = e->addSeparator();
  MenuEO = item(e, "右ﾎﾞﾀﾝで楕円(&O)");
  MenuEO->setCheckable(true);
  N5 = e->addSeparator();
  MenuED = item(e, "ﾑｰﾌﾞﾒﾝﾄ更新(&M)");
  MenuED->setVisible(false);
  QMenu* i = MainMenu1->addMenu(QString::fromUtf8("ｲﾒｰｼﾞ(&I)"));
  MenuI = i->menuAction();
  MenuIS = item(i, "ﾘｻｲｽﾞ(&S)");
  MenuIR = item(i, "回転(&R)");
  MenuIC = item(i, "クロップ(&C)");
  QMenu* h = MainMenu1->addMenu(QString::fromUtf8("ﾍﾙﾌﾟ(&H)"));
  MenuH = h->menuAction();
  MenuHV = item(h, "ﾊﾞｰｼﾞｮﾝ(&V)");

  PopupMenu1 = new QMenu(this);
  PM_S = item(PopupMenu1, "画像のｻｲｽﾞを制限する(&S)");
  PM_S->setCheckable(true);
  PM_S->setChecked(true);
  N2 = PopupMenu1->addSeparator();
  PM_W = item(PopupMenu1, "背景色=白(&W)");
  PM_G = item(PopupMenu1, "背景色=灰(&G)");
  PM_B = item(PopupMenu1, "背景色=黒(&B)");
  for (QAction* a : {PM_W, PM_G, PM_B}) a->setCheckable(true);
  PM_G->setChecked(true);
}

void TFormMain::BuildClockTabs() {
  auto check = [](QWidget* p, const char* caption, int x, int y, int w = 90) {
    auto* c = new QCheckBox(QString::fromUtf8(caption), p);
    c->setGeometry(x, y, w, 20);
    return c;
  };
  auto label = [](QWidget* p, const char* caption, int x, int y, int w = 40) {
    auto* l = new QLabel(QString::fromUtf8(caption), p);
    l->setGeometry(x, y, w, 18);
    return l;
  };
  auto spin = [](QWidget* p, int lo, int hi, const char* hint) {
    auto* s = new QSpinBox(p);
    s->setRange(lo, hi);
    s->setValue(0);
    s->setToolTip(QString::fromUtf8(hint));
    return s;
  };
  auto button = [](QWidget* p, const QString& text) {
    auto* b = new QToolButton(p);
    b->setText(text);
    b->setAutoRaise(false);
    return b;
  };
  auto grid = [](QWidget* p, int rowHeight) {
    auto* g = new TStringGrid(p);
    g->DefaultColWidth = 128;
    g->DefaultRowHeight = rowHeight;
    g->GridLineWidth = 3;
    g->FixedColor = 0;
    return g;
  };

  // Frame.
  StringGridFG = grid(TabSheet1, 128);
  CheckBoxFG = check(TabSheet1, "ジャギー軽減", 4, 0);
  SpeedButtonColor = button(TabSheet1, QString::fromUtf8("色"));
  PanelColorSample = new TColorPanel(TabSheet1);
  CheckBoxAutoColor = new QCheckBox(PanelColorSample);
  CheckBoxAutoColor->setGeometry(6, 5, 13, 13);
  CheckBoxAutoColor->setChecked(true);
  Label2 = label(TabSheet1, "調整", 4, 0);
  SpinEditFG = spin(TabSheet1, 0, 20, "0 ～ 20");
  CheckBoxPP1 = check(TabSheet1, "楕円", 0, 0, 60);
  // Numeral ring.
  StringGridHR = grid(TabSheet2, 128);
  CheckBoxHR = check(TabSheet2, "ジャギー軽減", 4, 0);
  Label3 = label(TabSheet2, "調整", 4, 0);
  SpinEditHR1 = spin(TabSheet2, -20, 20, "-20 ～ 20");
  CheckBoxPP2 = check(TabSheet2, "楕円", 0, 0, 60);
  // Generated numerals.
  const char* mj[] = {"なし", "ｱﾗﾋﾞｱ数字 (正立)", "ﾛｰﾏ数字 (正立)", "漢数字 (正立)",
                      "ｱﾗﾋﾞｱ数字 (放射)", "ﾛｰﾏ数字 (放射)", "漢数字 (放射)", "任意 (放射)"};
  QRadioButton** mjButtons[] = {&RadioButtonMJ20, &RadioButtonMJ21, &RadioButtonMJ22, &RadioButtonMJ23,
                                &RadioButtonMJ2A, &RadioButtonMJ2B, &RadioButtonMJ2C, &RadioButtonMJ2D};
  for (int k = 0; k < 8; ++k) {
    *mjButtons[k] = new QRadioButton(QString::fromUtf8(mj[k]), TabSheet3);
    (*mjButtons[k])->setGeometry(8, 8 + 24 * k, 150, 20);
  }
  RadioButtonMJ20->setChecked(true);
  EditMJ2D = new QLineEdit(QStringLiteral("|"), TabSheet3);
  EditMJ2D->setGeometry(24, 8 + 24 * 8, 136, 22);
  SpeedButtonFont = button(TabSheet3, QString::fromUtf8("ﾌｫﾝﾄ"));
  SpeedButtonFont->setGeometry(8, 246, 60, 24);
  Label5 = label(TabSheet3, "調整", 8, 284);
  SpinEditHR2 = spin(TabSheet3, -20, 20, "-20 ～ 20");
  SpinEditHR2->setGeometry(48, 280, 60, 24);
  // Hands.
  GroupBox1 = new QGroupBox(QString::fromUtf8("時針･分針 ｶﾗｰ"), TabSheet4);
  GroupBox1->setGeometry(4, 4, 153, 48);
  SpeedButton1 = button(GroupBox1, QString::fromUtf8("色"));
  SpeedButton1->setGeometry(8, 20, 26, 22);
  PanelCol1 = new TColorPanel(GroupBox1);
  PanelCol1->setGeometry(40, 20, 105, 22);
  PanelCol1->SetColor(0x000000FF);  // red
  GroupBox2 = new QGroupBox(QString::fromUtf8("秒針 ｶﾗｰ"), TabSheet4);
  GroupBox2->setGeometry(4, 56, 153, 48);
  SpeedButton2 = button(GroupBox2, QString::fromUtf8("色"));
  SpeedButton2->setGeometry(8, 20, 26, 22);
  PanelCol2 = new TColorPanel(GroupBox2);
  PanelCol2->setGeometry(40, 20, 105, 22);
  PanelCol2->SetColor(0x00FF0000);  // blue
  StringGridHand = grid(TabSheet4, 64);
  TrackBar1 = new QSlider(Qt::Horizontal, TabSheet4);
  TrackBar1->setRange(5, 20);
  TrackBar1->setValue(16);
  TrackBar1->setPageStep(4);
  TrackBar1->setTickPosition(QSlider::NoTicks);
  CheckBoxPP3 = check(TabSheet4, "楕円", 4, 0, 60);
  // Settings.
  Label1 = label(TabSheet5, "Copyright (c)", 4, 6, 120);
  EditCPY = new QLineEdit(TabSheet5);
  EditCPY->setGeometry(4, 24, 160, 22);
  EditCPY->setMaxLength(255);
  Label4 = label(TabSheet5, "URL", 4, 52);
  EditURL = new QLineEdit(TabSheet5);
  EditURL->setGeometry(4, 70, 134, 22);
  EditURL->setMaxLength(255);
  SpeedButtonURL = button(TabSheet5, QStringLiteral("Go"));
  SpeedButtonURL->setGeometry(140, 70, 24, 22);
  SpeedButtonURL->setToolTip(QString::fromUtf8("URLへ接続します"));
  GroupBox3 = new QGroupBox(QString::fromUtf8("ﾃﾞｼﾞﾀﾙ表示"), TabSheet5);
  GroupBox3->setGeometry(4, 100, 160, 130);
  CheckBoxDate = check(GroupBox3, "日付 表示", 8, 18, 100);
  CheckBoxTime = check(GroupBox3, "時刻 表示", 8, 40, 100);
  GroupBox4 = new QGroupBox(QString::fromUtf8("ｻｲｽﾞ"), GroupBox3);
  GroupBox4->setGeometry(6, 64, 72, 60);
  RadioButtonSS = new QRadioButton(QString::fromUtf8("ｽﾓｰﾙ"), GroupBox4);
  RadioButtonSS->setGeometry(6, 16, 62, 20);
  RadioButtonSS->setChecked(true);
  RadioButtonSL = new QRadioButton(QString::fromUtf8("ﾗｰｼﾞ"), GroupBox4);
  RadioButtonSL->setGeometry(6, 36, 62, 20);
  GroupBox5 = new QGroupBox(QString::fromUtf8("文字色"), GroupBox3);
  GroupBox5->setGeometry(82, 64, 72, 60);
  RadioButtonCW = new QRadioButton(QString::fromUtf8("白"), GroupBox5);
  RadioButtonCW->setGeometry(6, 16, 62, 20);
  RadioButtonCW->setChecked(true);
  RadioButtonCB = new QRadioButton(QString::fromUtf8("黒"), GroupBox5);
  RadioButtonCB->setGeometry(6, 36, 62, 20);
  auto arrows = [&](QGroupBox* g, QToolButton** u, QToolButton** d, QToolButton** l, QToolButton** r,
                    QPushButton** reset) {
    *u = button(g, QString::fromUtf8("↑"));
    (*u)->setGeometry(30, 18, 22, 20);
    *l = button(g, QString::fromUtf8("←"));
    (*l)->setGeometry(6, 38, 22, 20);
    *r = button(g, QString::fromUtf8("→"));
    (*r)->setGeometry(54, 38, 22, 20);
    *d = button(g, QString::fromUtf8("↓"));
    (*d)->setGeometry(30, 58, 22, 20);
    for (QToolButton* b : {*u, *d, *l, *r}) {
      b->setEnabled(false);
      b->setAutoRepeat(true);
    }
    *reset = new QPushButton(QString::fromUtf8("ﾘｾｯﾄ"), g);
    (*reset)->setGeometry(90, 36, 60, 24);
  };
  GroupBoxDate = new QGroupBox(QString::fromUtf8("日付 位置"), TabSheet5);
  GroupBoxDate->setGeometry(4, 236, 160, 84);
  arrows(GroupBoxDate, &SB_DU, &SB_DD, &SB_DL, &SB_DR, &ButtonDReset);
  GroupBoxTime = new QGroupBox(QString::fromUtf8("時刻 位置"), TabSheet5);
  GroupBoxTime->setGeometry(4, 324, 160, 84);
  arrows(GroupBoxTime, &SB_TU, &SB_TD, &SB_TL, &SB_TR, &ButtonTReset);
}

void TFormMain::ConnectHandlers() {
  auto on = [this](QAction* a, void (TFormMain::*f)()) {
    connect(a, &QAction::triggered, this, [this, a, f] {
      // The handlers set check marks themselves.
      if (a->isCheckable()) a->setChecked(!a->isChecked());
      RunCommand([this, f] { (this->*f)(); });
    });
  };
  on(MenuFR, &TFormMain::MenuFRClick);
  on(MenuFS, &TFormMain::MenuFSClick);
  on(MenuFQ, &TFormMain::MenuFQClick);
  on(MenuFL, &TFormMain::MenuFLClick);
  on(MenuFH, &TFormMain::MenuFHClick);
  on(MenuFC, &TFormMain::MenuFCClick);
  on(MenuFX, &TFormMain::MenuFXClick);
  on(MenuEU, &TFormMain::MenuEUClick);
  on(MenuEO, &TFormMain::MenuEOClick);
  on(MenuED, &TFormMain::MenuEDClick);
  on(MenuIS, &TFormMain::MenuISClick);
  on(MenuIR, &TFormMain::MenuIRClick);
  on(MenuIC, &TFormMain::MenuICClick);
  on(MenuHV, &TFormMain::MenuHVClick);
  on(PM_S, &TFormMain::PM_SClick);
  on(PM_W, &TFormMain::PM_WClick);
  on(PM_G, &TFormMain::PM_GClick);
  on(PM_B, &TFormMain::PM_BClick);

  auto click = [this](auto* w, void (TFormMain::*f)()) {
    connect(w, &std::remove_pointer_t<decltype(w)>::clicked, this, [this, f] { RunCommand([this, f] { (this->*f)(); }); });
  };
  click(CheckBoxFG, &TFormMain::CheckBoxFGClick);
  click(CheckBoxAutoColor, &TFormMain::CheckBoxAutoColorClick);
  click(SpeedButtonColor, &TFormMain::SpeedButtonColorClick);
  click(CheckBoxPP1, &TFormMain::CheckBoxPP1Click);
  click(CheckBoxPP2, &TFormMain::CheckBoxPP1Click);
  click(CheckBoxPP3, &TFormMain::CheckBoxPP1Click);
  click(CheckBoxHR, &TFormMain::CheckBoxHRClick);
  for (QRadioButton* r : {RadioButtonMJ20, RadioButtonMJ21, RadioButtonMJ22, RadioButtonMJ23, RadioButtonMJ2A,
                          RadioButtonMJ2B, RadioButtonMJ2C, RadioButtonMJ2D})
    click(r, &TFormMain::RadioButtonMJ21Click);
  click(SpeedButtonFont, &TFormMain::SpeedButtonFontClick);
  click(SpeedButton1, &TFormMain::SpeedButton1Click);
  click(SpeedButton2, &TFormMain::SpeedButton2Click);
  click(SpeedButtonURL, &TFormMain::SpeedButtonURLClick);
  click(CheckBoxDate, &TFormMain::CheckBoxDateClick);
  click(CheckBoxTime, &TFormMain::CheckBoxTimeClick);
  click(RadioButtonSS, &TFormMain::RadioButtonSSClick);
  click(RadioButtonSL, &TFormMain::RadioButtonSLClick);
  click(RadioButtonCW, &TFormMain::RadioButtonCWClick);
  click(RadioButtonCB, &TFormMain::RadioButtonCBClick);
  click(SB_DU, &TFormMain::SB_DUClick);
  click(SB_DD, &TFormMain::SB_DDClick);
  click(SB_DL, &TFormMain::SB_DLClick);
  click(SB_DR, &TFormMain::SB_DRClick);
  click(SB_TU, &TFormMain::SB_TUClick);
  click(SB_TD, &TFormMain::SB_TDClick);
  click(SB_TL, &TFormMain::SB_TLClick);
  click(SB_TR, &TFormMain::SB_TRClick);
  click(ButtonDReset, &TFormMain::ButtonDResetClick);
  click(ButtonTReset, &TFormMain::ButtonTResetClick);

  auto spin = [this](QSpinBox* s, void (TFormMain::*f)()) {
    connect(s, &QSpinBox::valueChanged, this, [this, f] { RunCommand([this, f] { (this->*f)(); }); });
  };
  spin(SpinEditFG, &TFormMain::SpinEditFGChange);
  spin(SpinEditHR1, &TFormMain::SpinEditHR1Change);
  spin(SpinEditHR2, &TFormMain::SpinEditHR2Change);
  connect(TrackBar1, &QSlider::valueChanged, this, [this] { RunCommand([this] { TrackBar1Change(); }); });

  StringGridFG->OnDrawCell = [this](int c, int r, const imaging::Rect& rect) { StringGridFGDrawCell(c, r, rect); };
  StringGridFG->OnClick = [this] { RunCommand([this] { StringGridFGClick(); }); };
  StringGridHR->OnDrawCell = [this](int c, int r, const imaging::Rect& rect) { StringGridHRDrawCell(c, r, rect); };
  StringGridHR->OnClick = [this] { RunCommand([this] { StringGridHRClick(); }); };
  StringGridHand->OnDrawCell = [this](int c, int r, const imaging::Rect& rect) {
    StringGridHandDrawCell(c, r, rect);
  };
  StringGridHand->OnClick = [this] { RunCommand([this] { StringGridHandClick(); }); };

  PageControl2->OnChange = [this] { RunCommand([this] { PageControl2Change(); }); };
  PanelPicture->OnMouseDown = [this](const void* s, Qt::MouseButton b, int x, int y) {
    RunCommand([&] { PanelPictureMouseDown(s, b, x, y); });
  };
  PanelPicture->OnMouseMove = [this](const void* s, int x, int y) {
    RunCommand([&] { PanelPictureMouseMove(s, x, y); });
  };
  PanelPicture->OnMouseUp = [this](const void* s, Qt::MouseButton b, int x, int y) {
    RunCommand([&] { PanelPictureMouseUp(s, b, x, y); });
  };
  connect(Timer1, &QTimer::timeout, this, [this] { RunCommand([this] { Timer1Timer(); }); });
}

void TFormMain::AlignControls() {
  const int mh = MainMenu1->sizeHint().height();
  MainMenu1->setGeometry(0, 0, width(), mh);
  PageControl2->setGeometry(0, mh, width(), std::max(0, height() - mh));
  PageControl2->Arrange();
  const QRect page = PageControl2->PageRect();
  PanelPicture->setGeometry(0, 0, page.width(), page.height());
  PanelClockLeft->setGeometry(0, 0, 196, page.height());
  PanelClockRight->setGeometry(196, 0, std::max(0, page.width() - 196), page.height());
  PageControl1->setGeometry(0, 0, 196, page.height());
  PageControl1->Arrange();
  const int sheetH = PageControl1->PageRect().height();
  // Frame and ring tabs: the list, then the options under it.
  for (int t = 0; t < 2; ++t) {
    TStringGrid* g = t == 0 ? StringGridFG : StringGridHR;
    const int gh = std::max(40, sheetH - 63);
    g->setGeometry(4, 4, 153, gh);
    const int y = 4 + gh + 6;
    if (t == 0) {
      CheckBoxFG->setGeometry(4, y, 96, 20);
      SpeedButtonColor->setGeometry(104, y - 1, 26, 22);
      PanelColorSample->setGeometry(134, y - 1, 23, 22);
      Label2->setGeometry(4, y + 30, 30, 18);
      SpinEditFG->setGeometry(36, y + 27, 56, 24);
      CheckBoxPP1->setGeometry(100, y + 29, 60, 20);
    } else {
      CheckBoxHR->setGeometry(4, y, 96, 20);
      Label3->setGeometry(4, y + 30, 30, 18);
      SpinEditHR1->setGeometry(36, y + 27, 56, 24);
      CheckBoxPP2->setGeometry(100, y + 29, 60, 20);
    }
  }
  const int hh = std::max(40, sheetH - 162);
  StringGridHand->setGeometry(4, 108, 153, hh);
  TrackBar1->setGeometry(4, 108 + hh + 6, 153, 24);
  CheckBoxPP3->setGeometry(4, 108 + hh + 32, 60, 20);
}

// ---- Start-up ----

void TFormMain::FormCreate() {
  // 1-3.
  Shape1.Visible = false;
  popupAttached_ = false;
  setWindowTitle(QStringLiteral("[Velmora]"));
  // 4.
  env_.Wait(2000);
  env_.Dialogs->HideSplash();
  // 5.
  UndoPictureBitmap = imaging::Bitmap();
  WorkPictureBitmap = imaging::Bitmap();
  // 6. Installed, the pictures, the hands file and the settings are found
  // elsewhere (platform/program_files.h); the hands dialog opens where the
  // hands file is.
  ProgramFolder = FolderOf(platform::ProgramFileName());
  const std::string handsFile = platform::LocateHandsFile().ReadFrom;
  OpenDialog1.InitialDir = HandsFolder();
  if (ProgramFolder.empty() || ProgramFolder.back() != '/') ProgramFolder += '/';
  // 7.
  setAcceptDrops(true);
  // 8.
  ImageBG.Width = ImageBG.Height = 128;
  LayoutClockPreview();
  // 9-11.
  DigitGlyphs.assign(48, imaging::Bitmap(0, 0, imaging::PixelFormat::pf24bit));
  PanelColorSample->SetColor(0x00FFFFFF);
  InitListsAndGlyphs();
  // 12.
  ScanFrameFolder(platform::PictureFolder("FG"));
  ScanNumeralRingFolder(platform::PictureFolder("HR"));
  // 13.
  FrameIndex = NumeralRingIndex = DigitalStyle = 0;
  LastMinutePosition = 99.0L;
  LastDrawnSecond = 99;
  HandOutlineColor = 0x000000;
  HandBackgroundColor = 0xFFFFFF;
  // 14-16.
  HandLengthFactor = TrackBar1->value() / 20.0;
  StringGridHand->SetRowCount(1);
  HandSets.ResetToWorking();
  {
    std::error_code ec;
    if (!handsFile.empty() && std::filesystem::is_regular_file(handsFile, ec)) ImportHandSets(handsFile);
  }
  // 17-18.
  ApplyDigitalSize();
  ImageTime.Top = ImageS.Top + ImageS.Height / 2 + 31;
  ImageDate.Top = ImageS.Top + ImageS.Height / 2 + 21;
  ImageTime.Left = ImageS.Left + (ImageS.Width - ImageTime.Width) / 2;
  ImageDate.Left = ImageS.Left + (ImageS.Width - ImageDate.Width) / 2;
  // 19.
  MakerSettingsFile = platform::ProgramSettingsFile();
  LoadSettings();
  // 20-21.
  MyDocumentsFolder = GetMyDocumentsFolder();
  DesktopFolder = GetDesktopFolder();
  if (OpenPictureDialog1.InitialDir.empty()) OpenPictureDialog1.InitialDir = MyDocumentsFolder;
  if (SaveDialog1.InitialDir.empty()) SaveDialog1.InitialDir = DesktopFolder;
  // 22.
  NumeralFont = Dial().DefaultNumeralFont();
  // 23.
  if (PictureDirPath.empty() || chdir(PictureDirPath.c_str()) != 0) PictureDirPath = OpenPictureDialog1.InitialDir;
  // 24.
  EngineOffset = int32_t(int64_t(GetOwnFileSize()) - EngineTagSize());
  EngineOffsetKnown = true;
  // 25.
  Timer1->start();
}

void TFormMain::InitListsAndGlyphs() {
  auto placeholder = [] {
    const auto bytes = platform::LoadResource("BITMAP", 99);
    imaging::Bitmap b = imaging::ReadDib(bytes.data(), bytes.size());
    b.SetPixelFormat(imaging::PixelFormat::pf24bit);
    return b;
  };
  StringGridFG->SetRowCount(1);
  FramePictures.clear();
  FramePictures.push_back(placeholder());
  StringGridHR->SetRowCount(1);
  NumeralRingPictures.clear();
  NumeralRingPictures.push_back(placeholder());
  DigitGlyphs.resize(48);
  for (int style = 0; style < 4; ++style)
    for (int glyph = 0; glyph < 12; ++glyph) {
      const auto bytes = platform::LoadResource("BITMAP", style * 12 + glyph + 1);
      DigitGlyphs[size_t(style * 12 + glyph)] = imaging::ReadDib(bytes.data(), bytes.size());
    }
}

void TFormMain::ScanPictureFolder(const std::string& folder, std::vector<imaging::Bitmap>& list, TStringGrid* grid) {
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec), end;
  if (ec) return;
  for (; it != end; it.increment(ec)) {
    if (ec) break;
    const auto& entry = *it;
    const std::string name = entry.path().filename().string();
    if (name == "." || name == "..") continue;
    if (AttributesOf(entry) == 16) {
      ScanPictureFolder(folder + name + "/", list, grid);
      continue;
    }
    if (UpperAscii(platform::ExtractFileExt(name)) != ".BMP") continue;
    try {
      const auto bytes = ReadWholeFile(folder + name);
      imaging::Bitmap b = imaging::ReadBmp(bytes.data(), bytes.size());
      b.SetPixelFormat(imaging::PixelFormat::pf24bit);
      list.push_back(std::move(b));
      grid->SetRowCount(int(list.size()));
    } catch (const std::exception&) {
      // A picture that does not load is left out.
    }
  }
}

void TFormMain::ScanFrameFolder(const std::string& folder) { ScanPictureFolder(folder, FramePictures, StringGridFG); }

void TFormMain::ScanNumeralRingFolder(const std::string& folder) {
  ScanPictureFolder(folder, NumeralRingPictures, StringGridHR);
}

void TFormMain::DrawPictureCell(const std::vector<imaging::Bitmap>& list, TStringGrid* grid, int row,
                                const imaging::Rect& r) {
  if (row < 0 || row >= int(list.size())) return;
  imaging::Canvas& c = grid->Canvas();
  // Unscaled, from the cell's top-left corner, kept inside the cell.
  imaging::Bitmap cell(r.Right - r.Left, r.Bottom - r.Top, imaging::PixelFormat::pf24bit);
  cell.GetCanvas().brush.Color = 0x00FFFFFF;
  cell.GetCanvas().FillRect({0, 0, cell.Width(), cell.Height()});
  cell.GetCanvas().Draw(0, 0, list[size_t(row)]);
  c.Draw(r.Left, r.Top, cell);
  if (row == grid->Row()) {
    c.pen = imaging::Pen{0x000000FF, 1};
    c.FrameOutline(r);
  }
}

void TFormMain::StringGridFGDrawCell(int, int row, const imaging::Rect& r) {
  DrawPictureCell(FramePictures, StringGridFG, row, r);
}

void TFormMain::StringGridHRDrawCell(int, int row, const imaging::Rect& r) {
  DrawPictureCell(NumeralRingPictures, StringGridHR, row, r);
}

// ---- Settings ----

void TFormMain::LoadSettings() {
  const platform::IniFile ini(MakerSettingsFile);
  OpenPictureDialog1.InitialDir = ini.ReadString("CONFIG", "PicPath", "");
  SaveDialog1.InitialDir = ini.ReadString("CONFIG", "SavePath", "");
  PictureDirPath = ini.ReadString("CONFIG", "PictureDir", "");
  EditMJ2D->setText(QString::fromStdString(ini.ReadString("CONFIG", "MJ2D", "|")));
}

void TFormMain::SaveSettings() {
  platform::IniFile ini(MakerSettingsFile);
  // The dialogs' file names hold a folder only once the user chose a file.
  ini.WriteString("CONFIG", "PicPath", FolderOf(OpenPictureDialog1.FileName));
  ini.WriteString("CONFIG", "SavePath", FolderOf(SaveDialog1.FileName));
  ini.WriteString("CONFIG", "PictureDir", PictureDirPath);
  ini.WriteString("CONFIG", "MJ2D", EditMJ2D->text().toStdString());
}

std::string TFormMain::HandsFolder() const {
  const std::string file = platform::LocateHandsFile().ReadFrom;
  return file.empty() ? FolderOf(platform::ProgramFileName()) : FolderOf(file);
}

std::string TFormMain::GetMyDocumentsFolder() { return platform::GetSpecialFolderPath(platform::CSIDL_PERSONAL); }

std::string TFormMain::GetDesktopFolder() {
  std::string p = platform::GetSpecialFolderPath(platform::CSIDL_DESKTOPDIRECTORY);
  if (p.empty()) throw std::runtime_error("デスクトップのフォルダが見つかりません");
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

// ---- Commands of this window ----

void TFormMain::HandleDroppedFiles(const std::vector<std::string>& files) {
  if (files.empty()) return;
  PictureFileName = files.front();
  LoadPictureFile(PictureFileName);
}

void TFormMain::MenuFRClick() {
  if (!platform::ExecuteFileDialog(platform::FileDialogKind::Open, OpenPictureDialog1, this)) return;
  PictureFileName = OpenPictureDialog1.FileName;
  LoadPictureFile(PictureFileName);
}

void TFormMain::MenuFXClick() { close(); }

bool TFormMain::FormKeyDown(int key) {
  switch (key) {
    case Qt::Key_C:
      if (!WorkPictureBitmap.Empty() && PageControl2->ActivePage() != TabSheetClock) {
        Shape1.Hint.clear();
        CentrePicture();
        ResetOutline();
      }
      return true;
    case Qt::Key_Q:
      MenuFXClick();
      return true;
    case Qt::Key_U:
      MenuED->setVisible(!MenuED->isVisible());
      return true;
    case Qt::Key_V:
      MenuHVClick();
      return true;
    default:
      return false;
  }
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
  // Keyboard preview: the window sees C, Q, U and V before the focused
  // control. Keys typed into a text or number box, and keys held with Ctrl,
  // Alt or Meta, stay with the control.
  if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
    auto* w = static_cast<QWidget*>(watched);
    auto* k = static_cast<QKeyEvent*>(event);
    if (w->window() == this && !k->isAutoRepeat() &&
        !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) &&
        !qobject_cast<QLineEdit*>(w) && !qobject_cast<QAbstractSpinBox*>(w) &&
        !qobject_cast<QLineEdit*>(QApplication::focusWidget()) &&
        !qobject_cast<QAbstractSpinBox*>(QApplication::focusWidget())) {
      const int key = k->key();
      if (key == Qt::Key_C || key == Qt::Key_Q || key == Qt::Key_U || key == Qt::Key_V) {
        bool taken = false;
        RunCommand([&] { taken = FormKeyDown(key); });
        return taken;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TFormMain::FormResize() {
  LayoutClockPreview();
  if (!Timer1->isActive()) Timer1Timer();
}

void TFormMain::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  AlignControls();
  if (startupComplete_ && !closed_) RunCommand([this] { FormResize(); });
}

void TFormMain::contextMenuEvent(QContextMenuEvent* e) {
  if (popupAttached_) PopupMenu1->popup(e->globalPos());
}

namespace {

// Dropped files are taken as a copy, whatever the source proposes: after a
// move the file manager would delete the user's picture. A drag that offers
// no copy is refused.
bool AcceptAsCopy(QDropEvent* e) {
  if (!e->mimeData()->hasUrls() || !(e->possibleActions() & Qt::CopyAction)) {
    e->ignore();
    return false;
  }
  e->setDropAction(Qt::CopyAction);
  e->accept();
  return true;
}

}  // namespace

void TFormMain::dragEnterEvent(QDragEnterEvent* e) { AcceptAsCopy(e); }

void TFormMain::dragMoveEvent(QDragMoveEvent* e) { AcceptAsCopy(e); }

void TFormMain::dropEvent(QDropEvent* e) {
  if (!AcceptAsCopy(e)) return;
  const auto files = platform::DroppedFileNames(e->mimeData());
  RunCommand([&] { HandleDroppedFiles(files); });
}

void TFormMain::FormClose() {
  if (closed_) return;
  closed_ = true;
  // No preview drawing after this point.
  Timer1->stop();
  FramePictures.clear();
  NumeralRingPictures.clear();
  DigitGlyphs.clear();
  UndoPictureBitmap = imaging::Bitmap();
  WorkPictureBitmap = imaging::Bitmap();
  SaveSettings();
}

void TFormMain::closeEvent(QCloseEvent* e) {
  // A settings file that cannot be written is reported; the window closes
  // all the same.
  RunCommand([this] { FormClose(); });
  e->accept();
  emit Closed();
}

void TFormMain::RunCommand(const std::function<void()>& command) {
  try {
    command();
  } catch (const std::bad_alloc&) {
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    platform::MessageBoxWithCaption("メモリが不足しています", "Velmora", platform::MsgType::Error, platform::mbOK, this);
  } catch (const std::exception& e) {
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    platform::MessageBoxWithCaption(e.what(), "Velmora", platform::MsgType::Error, platform::mbOK, this);
  } catch (...) {
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    platform::MessageBoxWithCaption("予期しないエラーが発生しました", "Velmora", platform::MsgType::Error,
                                    platform::mbOK, this);
  }
}

// ---- MakerHost ----

void TFormMain::SetUndoEnabled(bool enabled) { MenuEU->setEnabled(enabled); }

void TFormMain::WorkPictureChanged() {
  ShowWorkPicture();
  setWindowTitle(QString::fromStdString(PictureCaption()));
}

void TFormMain::FocusMainWindow() {
  activateWindow();
  raise();
}

std::string TFormMain::PictureCaption() const {
  if (WorkPictureBitmap.Empty()) return "[Velmora]";
  return "[Velmora] " + platform::ExtractFileName(PictureFileName) + " (" + std::to_string(WorkPictureBitmap.Width()) +
         "x" + std::to_string(WorkPictureBitmap.Height()) + ")";
}

void QuitWhenClosed(TFormMain& window) {
  // Queued from the end of the close handler, after any message it showed
  // has been answered: a quit queued earlier would close that message box
  // at once.
  QObject::connect(&window, &TFormMain::Closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

}  // namespace maker
