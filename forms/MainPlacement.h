// The layout rule (Layout.h, in twips) carried out on the main window's
// controls as the toolkit reports them, in whole pixels at the screen's
// resolution: what the rule reads of them, and where each of them lands.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "forms/Layout.h"
#include "forms/MainControls.h"
#include "forms/Twips.h"

namespace qmr {

// A control's box as it stands now, in pixels in its frame.
using BoxOf = std::function<PixelRect(MainControl)>;

struct Placement {
  MainControl control;
  PixelRect box;
};

// The window's outer size to set, in pixels, for a client area of
// `clientWidth` by `clientHeight` pixels: the minimum in the dimensions
// below it, none in the others.
struct OuterSize {
  std::optional<int> width;
  std::optional<int> height;
};
OuterSize MinimumOuterPixels(int clientWidth, int clientHeight, Resolution dpi);

// The values the rule reads but never sets, from the controls as they stand.
LayoutFixed FixedBoxes(const BoxOf& boxOf, Resolution dpi);

// The rule for a client area of `clientWidth` by `clientHeight` pixels, each
// value stored as whole pixels and later ones built on it: each control it
// moves or sizes, in the order it sets them, with what it leaves alone (the
// drive list's height, the label's, a frame's place) as the control has it.
std::vector<Placement> Placements(int clientWidth, int clientHeight, const BoxOf& boxOf, Resolution dpi);

}  // namespace qmr
