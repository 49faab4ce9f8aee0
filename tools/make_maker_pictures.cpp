// Pictures the maker carries or finds beside itself:
//
//   make_maker_pictures resource <dir>   bitmap 99 (a crossed-out circle on
//                                        grey, 128 x 128, 24 bits, packed
//                                        DIB) and the resource list maker.qrc
//   make_maker_pictures samples <dir>    frame pictures in <dir>/FG, numeral
//                                        rings in <dir>/HR and <dir>/Hands.dat
//
// Frames and rings are 24-bit BMP files whose transparent area has the
// colour of their top-left pixel (white here).
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/picture_io.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(out.flush());
}

imaging::Bitmap ToBitmap(const QImage& img) { return imaging::Bitmap::FromQImage(img); }

// ---- Bitmap 99 ----

bool MakeResource(const std::string& dir) {
  QImage img(128, 128, QImage::Format_RGB32);
  img.fill(QColor(0xC0, 0xC0, 0xC0));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(QColor(0x80, 0x00, 0x00), 8));
  p.drawEllipse(QRectF(24, 24, 80, 80));
  const double r = 40, c = 64;
  p.drawLine(QPointF(c - r * std::cos(kPi / 4), c - r * std::sin(kPi / 4)),
             QPointF(c + r * std::cos(kPi / 4), c + r * std::sin(kPi / 4)));
  p.end();
  std::vector<uint8_t> bmp = imaging::WriteBmp24(ToBitmap(img));
  // A bitmap resource is the file without its 14-byte file header.
  std::vector<uint8_t> dib(bmp.begin() + 14, bmp.end());
  QDir().mkpath(QString::fromStdString(dir + "/BITMAP"));
  if (!WriteFile(dir + "/BITMAP/99", dib)) return false;
  std::ofstream qrc(dir + "/maker.qrc", std::ios::trunc);
  qrc << "<RCC><qresource prefix=\"/\">\n<file>BITMAP/99</file>\n</qresource></RCC>\n";
  return bool(qrc.flush());
}

// ---- Frames ----

// A ring between the radii r0 and r1 (fractions of half the size) on white,
// its colour at each point given by shade(angle, radius fraction).
template <class Shade>
QImage Ring(int size, double r0, double r1, Shade shade) {
  QImage img(size, size, QImage::Format_RGB32);
  img.fill(Qt::white);
  const double c = (size - 1) / 2.0, R = size / 2.0;
  for (int y = 0; y < size; ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < size; ++x) {
      const double dx = x - c, dy = y - c;
      const double d = std::sqrt(dx * dx + dy * dy) / R;
      if (d < r0 || d > r1) continue;
      const double a = std::atan2(-dy, dx);
      QColor col = shade(a, (d - r0) / (r1 - r0));
      // Never the transparent white.
      if (col.red() > 250 && col.green() > 250 && col.blue() > 250) col = QColor(250, 250, 250);
      row[x] = col.rgb();
    }
  }
  return img;
}

int Clamp(double v) { return v < 0 ? 0 : v > 250 ? 250 : int(v); }

QColor Metal(double angle, double t, QColor base) {
  // Light from the top left; the ring's profile rises to the middle.
  const double light = std::cos(angle - 3 * kPi / 4);
  const double profile = 1.0 - std::abs(t - 0.5) * 1.6;
  const double k = 0.65 + 0.25 * light * (t < 0.5 ? 1 : -1) + 0.25 * profile;
  return QColor(Clamp(base.red() * k), Clamp(base.green() * k), Clamp(base.blue() * k));
}

void DrawDots(QImage& img, int count, double radius, int dotSize, QColor colour) {
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  const double c = img.width() / 2.0;
  for (int i = 0; i < count; ++i) {
    const double a = 2 * kPi * i / count;
    p.drawEllipse(QPointF(c + std::cos(a) * radius * c, c - std::sin(a) * radius * c), dotSize, dotSize);
  }
}

bool MakeFrames(const std::string& dir) {
  QDir().mkpath(QString::fromStdString(dir + "/FG/classic"));
  const int n = 256;
  QImage brass = Ring(n, 0.86, 1.0, [](double a, double t) { return Metal(a, t, QColor(230, 190, 90)); });
  QImage silver = Ring(n, 0.88, 1.0, [](double a, double t) { return Metal(a, t, QColor(215, 220, 228)); });
  DrawDots(silver, 12, 0.94, 3, QColor(40, 40, 60));
  QImage wood = Ring(n, 0.82, 1.0, [](double a, double t) {
    const double grain = 0.5 + 0.5 * std::sin(a * 40 + std::sin(a * 7) * 3 + t * 6);
    return QColor(Clamp(120 + 50 * grain), Clamp(70 + 30 * grain), Clamp(30 + 15 * grain));
  });
  QImage night = Ring(n, 0.90, 1.0, [](double a, double t) { return Metal(a, t, QColor(40, 50, 80)); });
  DrawDots(night, 60, 0.95, 1, QColor(240, 240, 200));
  return WriteFile(dir + "/FG/brass.BMP", imaging::WriteBmp24(ToBitmap(brass))) &&
         WriteFile(dir + "/FG/silver.BMP", imaging::WriteBmp24(ToBitmap(silver))) &&
         WriteFile(dir + "/FG/wood.BMP", imaging::WriteBmp24(ToBitmap(wood))) &&
         WriteFile(dir + "/FG/classic/night.BMP", imaging::WriteBmp24(ToBitmap(night)));
}

// ---- Numeral rings ----

QImage NumeralRing(int size, const std::vector<QString>& labels, QColor colour, int pixelSize, bool ticks) {
  QImage img(size, size, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setRenderHint(QPainter::TextAntialiasing, false);
  const double c = size / 2.0;
  if (ticks) {
    for (int i = 0; i < 60; ++i) {
      const double a = 2 * kPi * i / 60;
      const bool hour = i % 5 == 0;
      p.setPen(QPen(colour, hour ? 3 : 1));
      const double r1 = c * 0.97, r0 = c * (hour ? 0.86 : 0.92);
      p.drawLine(QPointF(c + std::cos(a) * r0, c - std::sin(a) * r0), QPointF(c + std::cos(a) * r1, c - std::sin(a) * r1));
    }
  }
  if (!labels.empty()) {
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    font.setStyleStrategy(QFont::NoAntialias);
    p.setFont(font);
    p.setPen(colour);
    const double r = c * (ticks ? 0.72 : 0.84);
    for (int k = 1; k <= 12; ++k) {
      const double a = kPi / 2 - 2 * kPi * k / 12;
      const QPointF at(c + std::cos(a) * r, c - std::sin(a) * r);
      const QRectF box(at.x() - 30, at.y() - 20, 60, 40);
      p.drawText(box, Qt::AlignCenter, labels[size_t(k - 1)]);
    }
  }
  p.end();
  return img;
}

bool MakeRings(const std::string& dir) {
  QDir().mkpath(QString::fromStdString(dir + "/HR"));
  std::vector<QString> arabic, roman;
  const char* romans[] = {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X", "XI", "XII"};
  for (int k = 1; k <= 12; ++k) {
    arabic.push_back(QString::number(k));
    roman.push_back(QString::fromLatin1(romans[k - 1]));
  }
  return WriteFile(dir + "/HR/arabic.BMP",
                   imaging::WriteBmp24(ToBitmap(NumeralRing(256, arabic, QColor(20, 20, 20), 30, true)))) &&
         WriteFile(dir + "/HR/roman.BMP",
                   imaging::WriteBmp24(ToBitmap(NumeralRing(256, roman, QColor(20, 30, 110), 26, false)))) &&
         WriteFile(dir + "/HR/ticks.BMP", imaging::WriteBmp24(ToBitmap(NumeralRing(256, {}, QColor(30, 30, 30), 0, true))));
}

// ---- Hands ----

// A point given along the hand (d) and across it (w), in polar form.
std::string PointText(double d, double w) {
  double a = std::atan2(w, d);
  if (a < 0) a += 2 * kPi;
  // Always with a decimal point, whatever the locale (the application
  // object takes the user's locale for the C library's number formatting).
  auto fixed = [](double v, int decimals) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
  };
  std::string s = fixed(a, 4) + "," + fixed(std::sqrt(d * d + w * w), 3);
  // Short decimals, as the designer writes them.
  auto trim = [](std::string t) {
    if (t.find('.') == std::string::npos) return t;
    while (!t.empty() && t.back() == '0') t.pop_back();
    if (!t.empty() && t.back() == '.') t.pop_back();
    return t;
  };
  const size_t comma = s.find(',');
  return trim(s.substr(0, comma)) + "," + trim(s.substr(comma + 1));
}

struct Outline {
  std::vector<std::pair<double, double>> hour, minute, second;  // (along, across)
};

void WriteSet(std::ofstream& out, const std::string& name, double cp, const Outline& o) {
  out << "[" << name << "]\r\n";
  out << "CP=" << cp << "\r\n";
  auto hand = [&](char key, const std::vector<std::pair<double, double>>& pts) {
    for (size_t i = 0; i < pts.size(); ++i) out << key << i << "=" << PointText(pts[i].first, pts[i].second) << "\r\n";
  };
  hand('H', o.hour);
  hand('M', o.minute);
  hand('S', o.second);
}

bool MakeHands(const std::string& dir) {
  std::ofstream out(dir + "/Hands.dat", std::ios::binary | std::ios::trunc);
  // Symmetrical sets hold one side, from the tip to the tail.
  Outline classic{{{0.55, 0}, {0.45, 0.05}, {0.2, 0.06}, {0, 0.05}, {-0.12, 0.04}},
                  {{0.85, 0}, {0.75, 0.04}, {0.3, 0.05}, {0, 0.04}, {-0.15, 0.03}},
                  {{0.92, 0}, {0.5, 0.012}, {0, 0.015}, {-0.2, 0.012}}};
  WriteSet(out, "Hand0", 0.06, classic);
  Outline slim{{{0.52, 0}, {0.5, 0.02}, {-0.08, 0.02}},
               {{0.82, 0}, {0.8, 0.015}, {-0.1, 0.015}},
               {{0.91, 0}, {0.9, 0.006}, {-0.25, 0.006}}};
  WriteSet(out, "Hand1", 0.04, slim);
  Outline arrow{{{0.6, 0}, {0.45, 0.09}, {0.45, 0.03}, {-0.1, 0.03}},
                {{0.88, 0}, {0.72, 0.07}, {0.72, 0.025}, {-0.1, 0.025}},
                {{0.95, 0}, {0.8, 0.03}, {0.8, 0.008}, {-0.25, 0.008}}};
  WriteSet(out, "Hand2", 0.07, arrow);
  // A set drawn whole: a sword with its edge only on one side.
  Outline sword{{{0.55, 0}, {0.1, 0.07}, {-0.1, 0.03}, {-0.1, -0.03}, {0.1, -0.02}},
                {{0.85, 0}, {0.15, 0.06}, {-0.12, 0.025}, {-0.12, -0.025}, {0.15, -0.02}},
                {{0.92, 0}, {-0.2, 0.01}, {-0.2, -0.01}}};
  WriteSet(out, "Hand3X", 0.05, sword);
  return bool(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_maker_pictures resource|samples <dir>\n");
    return 2;
  }
  const std::string what = argv[1], dir = argv[2];
  bool ok = false;
  if (what == "resource") ok = MakeResource(dir);
  if (what == "samples") ok = MakeFrames(dir) && MakeRings(dir) && MakeHands(dir);
  if (!ok) {
    std::fprintf(stderr, "make_maker_pictures: cannot write %s into %s\n", what.c_str(), dir.c_str());
    return 1;
  }
  return 0;
}
