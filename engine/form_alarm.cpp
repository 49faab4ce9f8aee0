#include "engine/form_alarm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>

#include <exception>
#include <functional>

#include "engine/alarm.h"
#include "engine/ui_font.h"
#include "platform/message_box.h"
#include "platform/sound.h"

namespace engine {

TFormAlarm* FormAlarm = nullptr;

const char* const TFormAlarm::kWaveNames[13] = {
    "(なし)", "ライオン", "ブタ", "ネコ1", "ネコ2", "アヒル", "ヒヨドリ", "ツル", "スズムシ", "虫", "悲鳴", "ケータイ", "目覚まし",
};

void ShowApplicationError(const std::exception& error) {
  std::string text = error.what();
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  platform::MessageBoxWithCaption(text, QGuiApplication::applicationName().toStdString(),
                                  platform::MsgType::Error, platform::mbOK);
}

namespace {

// Runs a handler from a Qt signal: an error is shown, never thrown through Qt.
void Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowApplicationError(e);
  }
}

}  // namespace

TSpinEdit::TSpinEdit(int minValue, int maxValue, int maxLength, QWidget* parent) : QSpinBox(parent) {
  setRange(minValue, maxValue);
  lineEdit()->setMaxLength(maxLength);
}

int TSpinEdit::Value() const {
  bool ok = false;
  const int v = lineEdit()->text().toInt(&ok);
  if (!ok) return 0;
  return std::clamp(v, minimum(), maximum());
}

void TSpinEdit::fixup(QString& input) const {
  bool ok = false;
  input.trimmed().toInt(&ok);
  if (!ok) {
    input = QString::number(std::clamp(0, minimum(), maximum()));
    return;
  }
  QSpinBox::fixup(input);
}

TFormAlarm::TFormAlarm(AlarmOwner& owner, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      owner_(owner) {
  setWindowTitle(QStringLiteral("アラーム"));
  setFixedSize(342, 246);
  setFont(UiFont(12));

  CheckBoxAlarmHour = new QCheckBox(QStringLiteral("時報"), this);
  CheckBoxAlarmHour->setGeometry(16, 12, 80, 20);
  CheckBoxAlarmHourJihou = new QCheckBox(QStringLiteral("時刻の回数だけ鳴らす"), this);
  CheckBoxAlarmHourJihou->setGeometry(104, 12, 200, 20);
  CheckBoxAlarmHourJihou->setEnabled(false);
  CheckBoxAlarmHalf = new QCheckBox(QStringLiteral("30分"), this);
  CheckBoxAlarmHalf->setGeometry(16, 38, 80, 20);
  CheckBoxAlarmHHMM = new QCheckBox(QStringLiteral("指定時刻"), this);
  CheckBoxAlarmHHMM->setGeometry(16, 64, 100, 20);

  GroupBox1 = new QGroupBox(this);
  GroupBox1->setGeometry(8, 88, 326, 84);
  SEHour = new TSpinEdit(0, 23, 2, GroupBox1);
  SEHour->setGeometry(16, 16, 48, 24);
  LabelHour = new QLabel(QStringLiteral("h"), GroupBox1);
  LabelHour->setGeometry(68, 20, 16, 16);
  SEMin = new TSpinEdit(0, 59, 2, GroupBox1);
  SEMin->setGeometry(92, 16, 48, 24);
  LabelMin = new QLabel(QStringLiteral("m"), GroupBox1);
  LabelMin->setGeometry(144, 20, 16, 16);
  LabelMessage = new QLabel(QStringLiteral("メッセージ"), GroupBox1);
  LabelMessage->setGeometry(16, 52, 64, 16);
  EditMessage = new QLineEdit(GroupBox1);
  EditMessage->setGeometry(84, 48, 226, 24);
  LabelMessage->setBuddy(EditMessage);

  LabelWave = new QLabel(QStringLiteral("アラーム音"), this);
  LabelWave->setGeometry(16, 186, 72, 16);
  ComboBoxWave = new QComboBox(this);
  ComboBoxWave->setGeometry(92, 182, 150, 24);
  for (const char* name : kWaveNames) ComboBoxWave->addItem(QString::fromUtf8(name));
  LabelWave->setBuddy(ComboBoxWave);
  SpeedButtonTest = new QToolButton(this);
  SpeedButtonTest->setGeometry(248, 182, 24, 24);
  SpeedButtonTest->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
  SpeedButtonTest->setFocusPolicy(Qt::NoFocus);  // a speed button takes no focus

  ButtonOK = new QPushButton(QStringLiteral("Set"), this);
  ButtonOK->setGeometry(172, 214, 75, 25);
  ButtonOK->setDefault(true);
  ButtonCAN = new QPushButton(QStringLiteral("Cancel"), this);
  ButtonCAN->setGeometry(256, 214, 75, 25);

  QWidget* order[] = {CheckBoxAlarmHour, CheckBoxAlarmHourJihou, CheckBoxAlarmHalf, CheckBoxAlarmHHMM, SEHour,
                      SEMin,             EditMessage,            ComboBoxWave,      ButtonOK,          ButtonCAN};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  // toggled, not clicked: the handler also runs when the program sets the box.
  connect(CheckBoxAlarmHour, &QCheckBox::toggled, this, [this] { CheckBoxAlarmHourClick(); });
  connect(ButtonOK, &QPushButton::clicked, this, [this] { Guarded([this] { ButtonOKClick(); }); });
  connect(ButtonCAN, &QPushButton::clicked, this, [this] { ButtonCANClick(); });
  connect(SpeedButtonTest, &QToolButton::clicked, this, [this] { Guarded([this] { SpeedButtonTestClick(); }); });

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect s = screen->geometry();
    move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2);
  }
}

void TFormAlarm::CheckBoxAlarmHourClick() { CheckBoxAlarmHourJihou->setEnabled(CheckBoxAlarmHour->isChecked()); }

void TFormAlarm::ButtonOKClick() {
  AlarmOwner& o = owner_;
  o.SetHHMMEnable(CheckBoxAlarmHHMM->isChecked());
  o.SetHourEnable(CheckBoxAlarmHour->isChecked());
  o.SetHalfEnable(CheckBoxAlarmHalf->isChecked());
  o.SetHourJihou(CheckBoxAlarmHourJihou->isChecked());
  o.SetAlarmHour(int16_t(SEHour->Value()));
  o.SetAlarmMinute(int16_t(SEMin->Value()));
  o.SetAlarmMessage(EditMessage->text().toStdString());
  const int index = ComboBoxWave->currentIndex();
  if (index != o.GetAlarmSoundIndex()) {
    o.SetAlarmSoundIndex(index);
    LoadAlarmSound(o);
  }
  o.SaveAlarmSettings();
  accept();
}

void TFormAlarm::ButtonCANClick() { reject(); }

void TFormAlarm::SpeedButtonTestClick() {
  std::atomic<uint8_t>& busy = owner_.AlarmBusyFlag();
  const int index = ComboBoxWave->currentIndex();
  if (busy != 0 || index == 0) return;
  const std::vector<uint8_t> sound = LoadAlarmSoundResource(index);
  platform::StopSound();
  busy = 1;
  try {
    // Synchronous on the dialog's thread: the dialog waits for the sound.
    platform::PlaySound(sound.data(), sound.size());
  } catch (...) {
    busy = 0;
    throw;
  }
  busy = 0;
}

void ShowAlarmDialog(AlarmOwner& owner) {
  if (FormAlarm) {
    // Already open (the command reached again through the tray menu): a second
    // modal loop on the same dialog would delete it under the first one.
    FormAlarm->raise();
    FormAlarm->activateWindow();
    return;
  }
  FormAlarm = new TFormAlarm(owner, owner.AlarmWindow());
  QPointer<TFormAlarm> dialog = FormAlarm;
  dialog->CheckBoxAlarmHour->setChecked(owner.GetHourEnable());
  dialog->CheckBoxAlarmHalf->setChecked(owner.GetHalfEnable());
  dialog->CheckBoxAlarmHHMM->setChecked(owner.GetHHMMEnable());
  dialog->CheckBoxAlarmHourJihou->setChecked(owner.GetHourJihou());
  dialog->SEHour->setValue(owner.GetAlarmHour());
  dialog->SEMin->setValue(owner.GetAlarmMinute());
  dialog->EditMessage->setText(QString::fromStdString(owner.GetAlarmMessage()));
  dialog->ComboBoxWave->setCurrentIndex(owner.GetAlarmSoundIndex());
  dialog->exec();
  delete dialog.data();  // null if its owner window went away meanwhile
  FormAlarm = nullptr;
}

}  // namespace engine
