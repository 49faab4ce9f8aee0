// The Japanese UI font of the engine's dialogs. The Windows fonts the forms
// were laid out for ("ＭＳ Ｐゴシック", "MS UI Gothic") are not on Linux; IPAPGothic
// (fonts-ipafont-gothic) has the metrics the layouts assume.
#pragma once

#include <QFont>

namespace engine {

inline QFont UiFont(int pixelHeight) {
  QFont font(QStringLiteral("IPAPGothic"));
  font.setPixelSize(pixelHeight);
  return font;
}

}  // namespace engine
