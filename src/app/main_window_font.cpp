#include "app/main_window_font.h"

#include <QFontDatabase>
#include <QStringList>

QFont MainWindowFont() {
  QString family;
  const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
  if (japanese.contains(QStringLiteral("IPAPGothic"))) {
    family = QStringLiteral("IPAPGothic");
  } else {
    for (const QString& candidate : japanese) {
      if (candidate.contains(QStringLiteral("Gothic"), Qt::CaseInsensitive)) {
        family = candidate;
        break;
      }
    }
  }
  QFont font;
  if (!family.isEmpty()) font.setFamily(family);
  font.setPixelSize(12);
  return font;
}
