#include "maker/dial/dial_controls.h"

#include <QImage>
#include <QPainter>
#include <QPen>
#include <QRect>

namespace maker {

DialReaction ReactionTo(DialControl control, bool autoColour) {
  DialReaction r;
  switch (control) {
    case DialControl::FrameGrid:
    case DialControl::FrameSmooth:
    case DialControl::AutoColour: r.Frame = true; break;
    case DialControl::PreviewBackground: r.Frame = autoColour; break;
    case DialControl::ManualColourChosen: r.Frame = !autoColour; break;
    case DialControl::FrameMargin: r.Layout = r.Frame = r.PreviewRefresh = true; break;
    case DialControl::RingGrid:
    case DialControl::RingSmooth: r.Ring = true; break;
    case DialControl::RingMargin: r.Layout = r.Ring = r.PreviewRefresh = true; break;
    case DialControl::EllipseBox: r.Layout = r.Frame = r.Ring = r.PreviewRefresh = true; break;
    case DialControl::NumeralStyle:
    case DialControl::NumeralFontChosen: r.Numerals = true; break;
    case DialControl::NumeralMargin: r.Layout = r.Numerals = r.PreviewRefresh = true; break;
  }
  return r;
}

TabSwitchPlan PlanTabSwitch(int tabIndex, bool limitSize, const imaging::Bitmap* workPicture) {
  TabSwitchPlan p;
  if (tabIndex != 1) return p;  // leaving the clock tab: stop the preview, no pop-up menu
  p.ClockTab = true;
  p.AttachPopupMenu = true;
  p.RenderAll = true;
  p.StopTimer = false;
  const bool loaded = workPicture && !workPicture->Empty();
  if (!loaded) return p;
  const int w = workPicture->Width(), h = workPicture->Height();
  const bool large = w > 256 || h > 256;
  if (limitSize && large) {
    // The picture is kept; the preview shows no background.
    p.ShowSizeMessage = true;
    p.SizeMessage = std::to_string(w) + " x " + std::to_string(h) + ", 画像サイズが大きすぎます";
    return p;
  }
  p.BackgroundShowsPicture = true;
  p.BackgroundWidth = w;
  p.BackgroundHeight = h;
  p.StopTimer = large;  // a large picture without the limit: a still preview
  return p;
}

void DrawPictureListCell(QPainter& painter, const QRect& cell, const imaging::Bitmap* picture, bool selected) {
  if (!picture) return;
  painter.save();
  painter.setClipRect(cell);
  if (!picture->Empty()) painter.drawImage(cell.topLeft(), picture->ToQImage());
  if (selected) {
    painter.setPen(QPen(QColor(255, 0, 0), 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(cell.left(), cell.top(), cell.width() - 1, cell.height() - 1));
  }
  painter.restore();
}

}  // namespace maker
