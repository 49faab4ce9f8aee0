// Draws the program icons as PNG files: the engine's small clock face, the
// maker's clock face over a picture, and the designer's single hand.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
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

// The maker: the clock face in front of a landscape picture.
static QImage DrawMakerIcon(int size) {
  QImage img(size, size, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  p.setPen(QPen(QColor(60, 40, 20), qMax(1.0, s / 24.0)));
  p.setBrush(QColor(120, 180, 230));
  p.drawRect(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(70, 150, 70));
  p.drawPolygon(QPolygonF({QPointF(s * 0.06, s * 0.94), QPointF(s * 0.35, s * 0.55), QPointF(s * 0.6, s * 0.8),
                           QPointF(s * 0.8, s * 0.6), QPointF(s * 0.94, s * 0.75), QPointF(s * 0.94, s * 0.94)}));
  QImage face = DrawIcon(int(size * 0.7));
  p.drawImage(QPointF(s * 0.15, s * 0.15), face);
  return img;
}

// The designer: one hand outline with its centre disc.
static QImage DrawDesignerIcon(int size) {
  QImage img(size, size, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  p.setPen(QPen(QColor(20, 20, 20), qMax(1.0, s / 32.0)));
  p.setBrush(QColor(220, 40, 40));
  p.drawPolygon(QPolygonF({QPointF(s * 0.18, s * 0.82), QPointF(s * 0.5, s * 0.42), QPointF(s * 0.9, s * 0.1),
                           QPointF(s * 0.58, s * 0.5), QPointF(s * 0.18, s * 0.82)}));
  p.setBrush(QColor(30, 60, 200));
  p.drawEllipse(QPointF(s * 0.3, s * 0.7), s * 0.12, s * 0.12);
  return img;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icon <output folder>\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  const QString out = QString::fromLocal8Bit(argv[1]);
  if (!DrawIcon(32).save(out + "/tolvane-32.png") || !DrawIcon(64).save(out + "/tolvane-64.png") ||
      !DrawMakerIcon(64).save(out + "/brasswick-64.png") || !DrawDesignerIcon(64).save(out + "/spirrel-64.png")) {
    std::fprintf(stderr, "make_icon: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
