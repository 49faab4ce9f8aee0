// Draws the engine's program icon (a small clock face) as PNG files.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QtMath>
#include <cstdio>

static QImage DrawIcon(int size) {
  QImage img(size, size, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const double r = size / 2.0 - 1;
  const QPointF c(size / 2.0, size / 2.0);
  p.setPen(QPen(QColor(90, 60, 20), qMax(1.0, size / 16.0)));
  p.setBrush(QColor(255, 251, 240));
  p.drawEllipse(c, r - size / 32.0, r - size / 32.0);
  p.setPen(QPen(QColor(40, 40, 40), qMax(1.0, size / 20.0), Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i < 12; ++i) {
    const double a = i * M_PI / 6;
    p.drawLine(c + QPointF(std::cos(a), std::sin(a)) * r * 0.72, c + QPointF(std::cos(a), std::sin(a)) * r * 0.82);
  }
  p.setPen(QPen(QColor(20, 30, 80), size / 10.0, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(c, c + QPointF(0, -r * 0.6));              // minute hand at 12
  p.drawLine(c, c + QPointF(r * 0.42, r * 0.12));        // hour hand near 4
  p.setPen(QPen(QColor(200, 30, 30), qMax(1.0, size / 28.0)));
  p.drawLine(c, c + QPointF(-r * 0.5, r * 0.5));
  return img;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icon <output folder>\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  const QString out = QString::fromLocal8Bit(argv[1]);
  if (!DrawIcon(32).save(out + "/tolvane-32.png") || !DrawIcon(64).save(out + "/tolvane-64.png")) {
    std::fprintf(stderr, "make_icon: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
