#include "engine/form_message.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include "engine/alarm.h"
#include "engine/ui_font.h"

namespace engine {

TFormMessage* FormMessage = nullptr;

TShape::TShape(QWidget* parent) : QWidget(parent) {}

void TShape::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), PenColor);
  p.fillRect(rect().adjusted(PenWidth, PenWidth, -PenWidth, -PenWidth), BrushColor);
}

TFormMessage::TFormMessage(AlarmOwner& owner, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), owner_(owner) {
  setWindowTitle(QStringLiteral("Alarm Message"));
  setAttribute(Qt::WA_DeleteOnClose);  // released once its pending events are handled
  setFixedSize(320, 42);
  setFont(UiFont(12));
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor::fromRgb(kKeyColor));
  setPalette(pal);
  setAutoFillBackground(true);

  Shape1 = new TShape(this);
  Shape1->setGeometry(8, 0, 305, 41);

  Label1 = new QLabel(this);
  Label1->setGeometry(16, 8, 241, 25);
  Label1->setTextFormat(Qt::PlainText);
  Label1->setAlignment(Qt::AlignCenter);
  Label1->setFont(UiFont(16));
  QPalette lp = Label1->palette();
  lp.setColor(QPalette::Window, QColor(192, 192, 192));
  lp.setColor(QPalette::WindowText, Qt::black);
  Label1->setPalette(lp);
  Label1->setAutoFillBackground(true);

  ButtonOK = new QPushButton(QStringLiteral("OK"), this);
  ButtonOK->setGeometry(264, 8, 43, 25);
  ButtonOK->setDefault(true);
  ButtonOK->setFocus();
  connect(ButtonOK, &QPushButton::clicked, this, [this] { ButtonOKClick(); });

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect s = screen->geometry();
    move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2);
  }
}

void TFormMessage::FormShow() { Label1->setText(QString::fromStdString(owner_.GetAlarmMessage())); }

void TFormMessage::ButtonOKClick() {
  StopAlarmSound(owner_);
  owner_.AlarmArmedFlag() = 0;
  close();
}

void TFormMessage::showEvent(QShowEvent* event) {
  FormShow();
  UpdateMask();
  QWidget::showEvent(event);
}

void TFormMessage::UpdateMask() {
  clearMask();
  QImage image(size(), QImage::Format_RGB32);
  image.fill(QColor::fromRgb(kKeyColor));
  render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
  // MaskInColor: the pixels of the key colour become transparent.
  setMask(QPixmap::fromImage(image).createMaskFromColor(QColor::fromRgb(kKeyColor), Qt::MaskInColor));
}

}  // namespace engine
