#include "maker/dialogs/form_pic_size.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <utility>

#include "imaging/bitmap.h"
#include "imaging/bitmap_ops.h"
#include "maker/dialogs/dialog_support.h"
#include "maker/dialogs/maker_host.h"

namespace maker {

PicSizeSpinEdit::PicSizeSpinEdit(int minValue, int maxValue, QWidget* parent) : QSpinBox(parent) {
  setRange(minValue, maxValue);
}

int PicSizeSpinEdit::Value() const {
  bool ok = false;
  const int v = lineEdit()->text().toInt(&ok);
  if (!ok) return minimum();
  return std::clamp(v, minimum(), maximum());
}

void PicSizeSpinEdit::SetValue(int v) {
  setValue(v);
  // setValue leaves the text alone when the value is unchanged; the box
  // must show what Value() will read.
  lineEdit()->setText(QString::number(value()));
}

void PicSizeSpinEdit::focusOutEvent(QFocusEvent* event) {
  // The typed text decides (an unreadable one reads as the minimum), not the
  // spin box's own correction to its previous value.
  const int v = Value();
  QSpinBox::focusOutEvent(event);
  SetValue(v);
  if (OnExit) OnExit();
}

TFormPicSize::TFormPicSize(MakerHost& host, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      host_(host) {
  setWindowTitle(QStringLiteral("リサイズ"));
  // 171 x 285 with the frame.
  setFixedSize(171 - dialogs::kFrameWidth, 285 - dialogs::kFrameHeight);
  setFont(dialogs::DialogFont());

  Label8 = new QLabel(QStringLiteral("幅"), this);
  Label8->setGeometry(16, 14, 36, 16);
  Label9 = new QLabel(QStringLiteral("高さ"), this);
  Label9->setGeometry(16, 42, 36, 16);
  SpinEditNewW = new PicSizeSpinEdit(0, 10000, this);
  SpinEditNewW->setGeometry(60, 10, 86, 22);
  SpinEditNewH = new PicSizeSpinEdit(0, 10000, this);
  SpinEditNewH->setGeometry(60, 38, 86, 22);
  Label8->setBuddy(SpinEditNewW);
  Label9->setBuddy(SpinEditNewH);

  GroupBox12 = new QGroupBox(QStringLiteral("種別"), this);
  GroupBox12->setGeometry(8, 68, 147, 150);
  auto radio = [this](const char* caption, int top) {
    auto* b = new QRadioButton(QString::fromUtf8(caption), GroupBox12);
    b->setGeometry(12, top, 128, 20);
    return b;
  };
  RadioButtonNearest = radio("最近傍法", 18);
  RadioButtonBilinear = radio("バイリニア", 39);
  RadioButtonBicubic = radio("バイキュービック", 60);
  RadioButtonLagrange = radio("ラグランジェ", 81);
  RadioButtonBSpline = radio("Bスプライン", 102);
  RadioButtonMitchell = radio("ミッチェル", 123);
  RadioButtonBicubic->setChecked(true);

  ButtonOK = new QPushButton(QStringLiteral("リサイズ"), this);
  ButtonOK->setGeometry(8, 226, 70, 25);
  ButtonCAN = new QPushButton(QStringLiteral("キャンセル"), this);
  ButtonCAN->setGeometry(85, 226, 70, 25);
  for (QPushButton* b : {ButtonOK, ButtonCAN}) b->setAutoDefault(false);

  QWidget* order[] = {SpinEditNewW,        SpinEditNewH,        RadioButtonNearest, RadioButtonBilinear,
                      RadioButtonBicubic,  RadioButtonLagrange, RadioButtonBSpline, RadioButtonMitchell,
                      ButtonOK,            ButtonCAN};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  SpinEditNewW->OnExit = [this] { SpinEditNewWExit(); };
  SpinEditNewH->OnExit = [this] { SpinEditNewHExit(); };
  connect(ButtonOK, &QPushButton::clicked, this, [this] { ButtonOKClick(); });
  connect(ButtonCAN, &QPushButton::clicked, this, [this] { ButtonCANClick(); });

  move(529, 352);
}

namespace {

// other := RoundHalfAway(otherSide * typed / typedSide); any failure (no
// picture, a result out of range) leaves the other box as it is.
void KeepAspect(int typed, int typedSide, int otherSide, PicSizeSpinEdit* other) {
  if (typedSide == 0) return;
  const long double q = static_cast<long double>(int64_t(otherSide) * typed) / typedSide;
  int32_t v;
  if (dialogs::RoundHalfAway(q, v)) other->SetValue(v);
}

}  // namespace

void TFormPicSize::SpinEditNewWExit() {
  const imaging::Bitmap& pic = host_.WorkPicture();
  KeepAspect(SpinEditNewW->Value(), pic.Width(), pic.Height(), SpinEditNewH);
}

void TFormPicSize::SpinEditNewHExit() {
  const imaging::Bitmap& pic = host_.WorkPicture();
  KeepAspect(SpinEditNewH->Value(), pic.Height(), pic.Width(), SpinEditNewW);
}

int TFormPicSize::ChosenFilter() const {
  if (RadioButtonNearest->isChecked()) return imaging::rfNearest;
  if (RadioButtonBilinear->isChecked()) return imaging::rfBilinear;
  if (RadioButtonBicubic->isChecked()) return imaging::rfBicubic;
  if (RadioButtonLagrange->isChecked()) return imaging::rfLagrange;
  if (RadioButtonBSpline->isChecked()) return imaging::rfBSpline;
  if (RadioButtonMitchell->isChecked()) return imaging::rfMitchell;
  return imaging::rfBilinear;
}

void TFormPicSize::ButtonOKClick() {
  imaging::Bitmap& work = host_.WorkPicture();
  if (work.Empty()) return;
  // A second OK (or a Cancel) that arrives while the first lets pending
  // messages through is ignored: resampling twice would also put the once
  // resized picture into the undo copy instead of the original.
  if (resizing_) return;
  resizing_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } reset{resizing_};
  try {
    dialogs::BusyCursor busy;
    QApplication::processEvents();
    // The undo copy replaces the previous one only once the picture has
    // really changed: a failed resample (a size of 0, too little memory)
    // leaves both the picture and the earlier undo state as they were.
    imaging::Bitmap resized;
    if (!imaging::ResampleBitmapTo(work, resized, SpinEditNewW->Value(), SpinEditNewH->Value(),
                                   imaging::ResampleFilter(ChosenFilter())))
      return;
    host_.UndoPicture() = std::move(work);
    work = std::move(resized);
    host_.SetUndoEnabled(true);
  } catch (const std::bad_alloc&) {
    dialogs::ShowApplicationError(std::runtime_error("メモリが不足しています"));
    return;
  } catch (const std::exception& e) {
    dialogs::ShowApplicationError(e);
    return;
  }
  done(QDialog::Accepted);
}

void TFormPicSize::ButtonCANClick() {
  if (resizing_) return;
  SpinEditNewW->SetValue(0);
  SpinEditNewH->SetValue(0);
  done(QDialog::Rejected);
}

// Escape or the close button: the caller reads the boxes, so they must say
// "cancelled" as the Cancel button leaves them.
void TFormPicSize::reject() { ButtonCANClick(); }

}  // namespace maker
