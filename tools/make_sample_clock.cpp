// Assembles the sample clock program of the build: the engine file followed
// by a dial picture, a frame, a hand set, colours and digital displays.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "imaging/bitmap.h"
#include "imaging/picture_io.h"
#include "tools/clock_writer.h"

namespace {

// Pixels outside the circle of radius r get exactly the key colour, so the
// picture's transparent area has no anti-aliased fringe.
void KeyOutside(QImage& img, double r, QRgb key) {
  const double cx = img.width() / 2.0, cy = img.height() / 2.0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      if (dx * dx + dy * dy > r * r) img.setPixel(x, y, key);
    }
}

QImage Dial(int size) {
  QImage img(size, size, QImage::Format_RGB32);
  img.fill(Qt::black);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF c(size / 2.0, size / 2.0);
  const double r = size / 2.0 - 2;
  QRadialGradient g(c, r);
  g.setColorAt(0, QColor(255, 250, 232));
  g.setColorAt(1, QColor(226, 214, 182));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawEllipse(c, r, r);
  for (int i = 0; i < 60; ++i) {
    const double a = i * M_PI / 30;
    const bool hour = i % 5 == 0;
    p.setPen(QPen(QColor(60, 45, 30), hour ? 4 : 1.5));
    const QPointF d(std::cos(a), std::sin(a));
    p.drawLine(c + d * r * (hour ? 0.80 : 0.86), c + d * r * 0.92);
  }
  QFont f("IPAPGothic");
  f.setPixelSize(size / 11);
  p.setFont(f);
  p.setPen(QColor(70, 50, 30));
  for (int h = 1; h <= 12; ++h) {
    const double a = (3 - h) * M_PI / 6;
    const QPointF at = c + QPointF(std::cos(a), -std::sin(a)) * r * 0.66;
    p.drawText(QRectF(at.x() - 30, at.y() - 20, 60, 40), Qt::AlignCenter, QString::number(h));
  }
  p.end();
  KeyOutside(img, r, qRgb(0, 0, 0));
  return img;
}

QImage Frame(int size, int inner) {
  QImage img(size, size, QImage::Format_RGB32);
  img.fill(Qt::black);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF c(size / 2.0, size / 2.0);
  QConicalGradient g(c, 45);
  g.setColorAt(0, QColor(176, 141, 87));
  g.setColorAt(0.5, QColor(110, 80, 40));
  g.setColorAt(1, QColor(176, 141, 87));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  QPainterPath ring;
  ring.addEllipse(c, size / 2.0 - 1, size / 2.0 - 1);
  ring.addEllipse(c, inner / 2.0, inner / 2.0);
  p.drawPath(ring);
  p.end();
  KeyOutside(img, size / 2.0 - 1, qRgb(0, 0, 0));
  // Inside the ring is transparent too.
  const double ri = inner / 2.0;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double dx = x + 0.5 - c.x(), dy = y + 0.5 - c.y();
      if (dx * dx + dy * dy < ri * ri) img.setPixel(x, y, qRgb(0, 0, 0));
    }
  return img;
}

clockfile::Bytes Bmp(const QImage& img) { return imaging::WriteBmp24(imaging::Bitmap::FromQImage(img)); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_sample_clock <engine> <output clock program>\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  std::ifstream in(argv[1], std::ios::binary);
  const clockfile::Bytes engine((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (engine.empty()) {
    std::fprintf(stderr, "make_sample_clock: cannot read %s\n", argv[1]);
    return 1;
  }
  using clockfile::Section;
  const double pi = M_PI;
  std::vector<Section> s;
  s.push_back({"BMP", Bmp(Dial(360))});
  s.push_back({"FG", Bmp(Frame(400, 352))});
  s.push_back({"CL1", clockfile::ColourData(0x00402010)});  // dark blue
  s.push_back({"CL2", clockfile::ColourData(0x002020D0)});  // red
  s.push_back({"HR", clockfile::PolygonData({{0, 0.52}, {0.09, 0.42}, {pi / 2, 0.05}, {pi - 0.35, 0.1},
                                             {pi + 0.35, 0.1}, {3 * pi / 2, 0.05}, {-0.09, 0.42}})});
  s.push_back({"MN", clockfile::PolygonData({{0, 0.8}, {0.05, 0.7}, {pi / 2, 0.035}, {pi - 0.3, 0.1},
                                             {pi + 0.3, 0.1}, {3 * pi / 2, 0.035}, {-0.05, 0.7}})});
  s.push_back({"SC", clockfile::PolygonData({{0, 0.86}, {pi / 2, 0.012}, {pi, 0.2}, {3 * pi / 2, 0.012}})});
  s.push_back({"CTR", clockfile::DoubleData(0.04)});
  s.push_back({"OSD", clockfile::OffsetData(-62, 7)});
  s.push_back({"OST", clockfile::OffsetData(31, -60)});
  s.push_back({"PRTR", clockfile::Int16Data(0)});
  s.push_back({"CPY", clockfile::Text256("Sample clock")});
  const uint8_t flags = 0x01 | 0x02 | (3 << 2);  // time and date, large black digits
  const auto file = clockfile::BuildClockFile(engine, s, flags);
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "make_sample_clock: cannot write %s\n", argv[2]);
    return 1;
  }
  std::filesystem::permissions(argv[2], std::filesystem::perms::owner_exec | std::filesystem::perms::group_exec |
                                            std::filesystem::perms::others_exec,
                               std::filesystem::perm_options::add);
  return 0;
}
