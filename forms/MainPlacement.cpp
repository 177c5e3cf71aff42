#include "forms/MainPlacement.h"

namespace qmr {

OuterSize MinimumOuterPixels(int clientWidth, int clientHeight, Resolution dpi) {
  const MinimumOuterSize minimum =
      CheckMinimumSize(PixelsToTwips(clientWidth, dpi.x), PixelsToTwips(clientHeight, dpi.y));
  OuterSize outer;
  if (minimum.outerWidth) outer.width = TwipsToPixels(*minimum.outerWidth, dpi.x);
  if (minimum.outerHeight) outer.height = TwipsToPixels(*minimum.outerHeight, dpi.y);
  return outer;
}

LayoutFixed FixedBoxes(const BoxOf& boxOf, Resolution dpi) {
  const auto x = [dpi](int pixels) { return PixelsToTwips(pixels, dpi.x); };
  const auto y = [dpi](int pixels) { return PixelsToTwips(pixels, dpi.y); };
  const PixelRect buttons = boxOf(MainControl::fraButtons);
  LayoutFixed fixed;
  fixed.trendLocationTop = y(boxOf(MainControl::fraTrendLocation).top);
  fixed.pathLeft = x(boxOf(MainControl::fraPath).left);
  fixed.pathTop = y(boxOf(MainControl::fraPath).top);
  fixed.buttonsWidth = x(buttons.width);
  fixed.buttonsHeight = y(buttons.height);
  fixed.multiSelectHeight = y(boxOf(MainControl::lblMultiSelect).height);
  fixed.driveListHeight = y(boxOf(MainControl::drvConvert).height);
  return fixed;
}

std::vector<Placement> Placements(int clientWidth, int clientHeight, const BoxOf& boxOf, Resolution dpi) {
  // The toolkit keeps whole pixels; the rule's later steps read back what
  // the earlier ones stored.
  const MainLayout l =
      ArrangeControls(PixelsToTwips(clientWidth, dpi.x), PixelsToTwips(clientHeight, dpi.y), FixedBoxes(boxOf, dpi),
                      [dpi](double twips) { return SnapToPixels(twips, dpi.x); });
  const auto x = [dpi](double twips) { return TwipsToPixels(twips, dpi.x); };
  const auto y = [dpi](double twips) { return TwipsToPixels(twips, dpi.y); };
  // Each control keeps what the rule does not set.
  const auto sized = [&](MainControl control, double width, double height) {
    const PixelRect box = boxOf(control);
    return Placement{control, {box.left, box.top, x(width), y(height)}};
  };
  const PixelRect files = boxOf(MainControl::filConvert);
  const PixelRect buttons = boxOf(MainControl::fraButtons);
  const PixelRect drive = boxOf(MainControl::drvConvert);
  const PixelRect hint = boxOf(MainControl::lblMultiSelect);
  return {
      sized(MainControl::fraTrendLocation, l.trendLocationWidth, l.trendLocationHeight),
      sized(MainControl::fraPath, l.pathWidth, l.pathHeight),
      {MainControl::filConvert, {x(l.fileLeft), files.top, x(l.fileWidth), y(l.fileHeight)}},
      {MainControl::fraButtons, {x(l.buttonsLeft), y(l.buttonsTop), buttons.width, buttons.height}},
      // The drive list and the folder list fill the path frame.
      {MainControl::drvConvert, {drive.left, drive.top, x(l.driveWidth), drive.height}},
      sized(MainControl::dirConvert, l.folderWidth, l.folderHeight),
      {MainControl::lblMultiSelect, {x(l.multiSelectLeft), y(l.multiSelectTop), x(l.multiSelectWidth), hint.height}},
  };
}

}  // namespace qmr
