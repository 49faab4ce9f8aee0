// Draws the maker's splash picture (192 x 138) and writes it as a JPEG file.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QtMath>

#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "imaging/bitmap.h"
#include "imaging/picture_io.h"

static QImage DrawSplash() {
  QImage img(192, 138, QImage::Format_RGB32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient ground(0, 0, 0, 138);
  ground.setColorAt(0, QColor(40, 30, 18));
  ground.setColorAt(1, QColor(10, 8, 6));
  p.fillRect(img.rect(), ground);

  // A brass clock face on the left.
  const QPointF c(52, 69);
  const double r = 40;
  QRadialGradient brass(c + QPointF(-12, -12), r * 1.4);
  brass.setColorAt(0, QColor(250, 225, 150));
  brass.setColorAt(1, QColor(160, 110, 40));
  p.setPen(QPen(QColor(90, 60, 20), 3));
  p.setBrush(brass);
  p.drawEllipse(c, r, r);
  p.setBrush(QColor(255, 250, 235));
  p.setPen(QPen(QColor(120, 80, 30), 1));
  p.drawEllipse(c, r - 7, r - 7);
  p.setPen(QPen(QColor(50, 40, 30), 2, Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i < 12; ++i) {
    const double a = i * M_PI / 6;
    const QPointF d(std::cos(a), std::sin(a));
    p.drawLine(c + d * (r - 10), c + d * (r - (i % 3 == 0 ? 16 : 13)));
  }
  p.setPen(QPen(QColor(30, 30, 60), 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(c, c + QPointF(0, -(r - 14)));
  p.drawLine(c, c + QPointF((r - 20) * 0.8, (r - 20) * 0.6));
  p.setPen(QPen(QColor(200, 30, 30), 1));
  p.drawLine(c, c + QPointF(-(r - 12) * 0.6, (r - 12) * 0.8));

  // The program's name on the right.
  QFont title(QStringLiteral("IPAPGothic"));
  title.setPixelSize(22);
  title.setBold(true);
  p.setFont(title);
  p.setPen(QColor(240, 210, 140));
  p.drawText(QRectF(96, 38, 92, 30), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Velmora"));
  QFont sub(QStringLiteral("IPAPGothic"));
  sub.setPixelSize(12);
  p.setFont(sub);
  p.setPen(QColor(210, 200, 180));
  p.drawText(QRectF(96, 70, 92, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("デスクトップ時計"));
  p.end();
  return img;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_splash <output file>\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  try {
    const std::vector<uint8_t> jpeg = imaging::WriteJpeg(imaging::Bitmap::FromQImage(DrawSplash()));
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(jpeg.data()), std::streamsize(jpeg.size()));
    if (!out.flush()) throw std::runtime_error("cannot write");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_splash: %s: %s\n", argv[1], e.what());
    return 1;
  }
  return 0;
}
