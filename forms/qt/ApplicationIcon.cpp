#include "forms/qt/ApplicationIcon.h"

// The resources live in a static library: nothing else refers to them, so
// they are registered here, before the first use. (Outside any namespace:
// the macro declares the registering function where it stands.)
static void RegisterIcons() { Q_INIT_RESOURCE(icons); }

namespace qmr {

QIcon ApplicationIcon() {
  static const QIcon icon = [] {
    RegisterIcons();
    QIcon sizes;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
      sizes.addFile(QStringLiteral(":/icons/qmr-rebuilder-%1.png").arg(size), QSize(size, size));
    return sizes;
  }();
  return icon;
}

}  // namespace qmr
