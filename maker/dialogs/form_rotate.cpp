#include "maker/dialogs/form_rotate.h"

#include <QButtonGroup>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "maker/dialogs/dialog_support.h"

namespace maker {

TFormRotate::TFormRotate(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setWindowTitle(QStringLiteral("回転"));
  // 187 x 246 with the frame.
  setFixedSize(187 - dialogs::kFrameWidth, 246 - dialogs::kFrameHeight);
  setFont(dialogs::DialogFont());

  auto radio = [this](const char* caption, int top) {
    auto* b = new QRadioButton(QString::fromUtf8(caption), this);
    b->setGeometry(16, top, 100, 20);
    return b;
  };
  RadioButtonR90 = radio("右90゜", 12);
  RadioButtonL90 = radio("左90゜", 38);
  RadioButtonFreeR = radio("自由回転 (右)", 64);
  RadioButtonFreeL = radio("自由回転 (左)", 90);
  RadioButtonFlipLR = radio("フリップ (左右)", 116);
  RadioButtonFlipTB = radio("フリップ (上下)", 142);
  RadioButtonR90->setChecked(true);
  // One group, whatever their parents.
  auto* group = new QButtonGroup(this);
  for (QRadioButton* b : {RadioButtonR90, RadioButtonL90, RadioButtonFreeR, RadioButtonFreeL, RadioButtonFlipLR,
                          RadioButtonFlipTB})
    group->addButton(b);

  EditR = new QLineEdit(QStringLiteral("0"), this);
  EditR->setGeometry(118, 63, 48, 22);
  EditL = new QLineEdit(QStringLiteral("0"), this);
  EditL->setGeometry(118, 89, 48, 22);

  ButtonCAN = new QPushButton(QStringLiteral("キャンセル"), this);
  ButtonCAN->setGeometry(8, 182, 75, 25);
  ButtonOK = new QPushButton(QStringLiteral("実行"), this);
  ButtonOK->setGeometry(96, 182, 75, 25);
  for (QPushButton* b : {ButtonCAN, ButtonOK}) b->setAutoDefault(false);

  QWidget* order[] = {RadioButtonR90,    RadioButtonL90,    RadioButtonFreeR, RadioButtonFreeL, RadioButtonFlipLR,
                      RadioButtonFlipTB, ButtonCAN,         ButtonOK,         EditR,            EditL};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  connect(ButtonOK, &QPushButton::clicked, this, [this] { ButtonOKClick(); });
  connect(ButtonCAN, &QPushButton::clicked, this, [this] { ButtonCANClick(); });

  dialogs::CentreOnScreen(this, QSize(187, 246));
}

void TFormRotate::ButtonOKClick() { done(QDialog::Accepted); }

void TFormRotate::ButtonCANClick() {
  RadioButtonFreeR->setChecked(true);
  EditR->setText(QStringLiteral("0"));
  done(QDialog::Rejected);
}

// Escape or the close button: the caller acts on the checked button whatever
// the result, so closing must leave the "nothing to do" state, as Cancel does.
void TFormRotate::reject() { ButtonCANClick(); }

}  // namespace maker
