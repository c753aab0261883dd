#include "ui/window/WindowFont.h"

#include <fontconfig/fontconfig.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <memory>

namespace kivora::ui {

QString LatinSansFace() {
  const std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> pattern(
      FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=en")), &FcPatternDestroy);
  if (!pattern) return {};
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  const std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> match(
      FcFontMatch(nullptr, pattern.get(), &result), &FcPatternDestroy);
  FcChar8* family = nullptr;
  if (!match || FcPatternGetString(match.get(), FC_FAMILY, 0, &family) != FcResultMatch) return {};
  return QString::fromUtf8(reinterpret_cast<const char*>(family));
}

QStringList WindowFontFamilies(const QString& latinFace) {
  QStringList families{QStringLiteral("AR PL UMing TW"), QStringLiteral("AR PL UMing CN"),
                       QStringLiteral("AR PL UMing"), QStringLiteral("Noto Serif CJK TC"),
                       QStringLiteral("Noto Sans CJK TC")};
  if (!latinFace.isEmpty() && !families.contains(latinFace)) families.prepend(latinFace);
  return families;
}

QFont WindowFont() {
  // Without fontconfig's answer, the face the desktop's font resolves to.
  QString latin = LatinSansFace();
  if (latin.isEmpty())
    latin = QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
  QFont font;
  font.setFamilies(WindowFontFamilies(latin));
  font.setPointSize(9);
  return font;
}

}  // namespace kivora::ui
