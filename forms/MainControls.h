// The main window's controls, whatever the toolkit: each one's name (a Qt
// widget's object name; the Win32 windows give their controls IDs in the
// same order), the frame it sits in, its caption and its design box, in
// the order they are made, which is the focus order.
#pragma once

#include <array>
#include <cstddef>
#include <optional>

#include "forms/Twips.h"

namespace qmr {

enum class MainControl : std::size_t {
  fraTrendLocation,
  fraPath,
  drvConvert,
  dirConvert,
  filConvert,
  lblMultiSelect,
  fraButtons,
  cmdOK,
  cmdClose,
  cmdHelp,
};
inline constexpr std::size_t kMainControlCount = 10;

struct MainControlRow {
  MainControl control;
  const char* name;
  std::optional<MainControl> frame;  // none: the window's client area
  const char* caption;               // "" for none
  TwipsRect box;                     // in its frame
};

// Every control, in the order they are made.
const std::array<MainControlRow, kMainControlCount>& MainControls();
const MainControlRow& RowOf(MainControl control);

}  // namespace qmr
