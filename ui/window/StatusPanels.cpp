#include "ui/window/StatusPanels.h"

#include <QFontMetrics>
#include <QLabel>
#include <QStatusBar>
#include <algorithm>
#include <cstdint>

#include "core/text/Messages.h"
#include "language/EngineText.h"
#include "ui/engine/WindowUi.h"
#include "ui/pages/FileListPage.h"

namespace kivora::ui {
namespace {

// Counts of up to five digits: 32767 parts, and recovery parts beyond them.
constexpr int kLongestCount = 99'999;
// Selections of up to 9,999,999,999 KB (9.3 TiB; the parts of a set hold 1 TiB at most).
constexpr std::int64_t kLongestSelectionBytes = std::int64_t{9'999'999'999} * 1024;
// Panels are not boxed: an idle one is empty space, not an empty frame.
constexpr QFrame::Shape kPanelFrame = QFrame::NoFrame;

// Digits need not be equally wide: the widest stands for every one.
QChar WidestDigit(const QFontMetrics& metrics) {
  QChar widest = u'0';
  for (char16_t digit = u'1'; digit <= u'9'; ++digit) {
    if (metrics.horizontalAdvance(QChar(digit)) > metrics.horizontalAdvance(widest))
      widest = QChar(digit);
  }
  return widest;
}

// The width at which a panel shows each of `texts` whole in `font`, with its frame,
// indent and margins as the label itself counts them.
int WidthToShow(const QFont& font, const QStringList& texts) {
  QLabel probe;
  probe.setFrameShape(kPanelFrame);
  probe.setFont(font);
  const QChar widest = WidestDigit(QFontMetrics(font));
  int width = 0;
  for (QString text : texts) {
    std::replace_if(
        text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }, widest);
    probe.setText(text);
    width = std::max(width, probe.sizeHint().width());
  }
  return width;
}

}  // namespace

QList<QStringList> LongestStatusTexts(Language language, const QString& version) {
  const auto progress = [&](const MessageTemplate<int, int>& text) {
    return EngineText(text(kLongestCount, kLongestCount), language);
  };
  // The panels in which WindowUi::ShowProgress shows each operation's progress.
  return {{progress(msg::kSplitProgress), progress(msg::kResplitProgress),
           WindowUi::PublishingText(progress(msg::kSplitProgress)),
           WindowUi::PublishingText(progress(msg::kResplitProgress))},
          {progress(msg::kTestProgress), progress(msg::kJoinProgress),
           progress(msg::kRepairProgress), progress(msg::kAddRecoveryProgress)},
          {FileListPage::SummaryText(kLongestCount, kLongestCount, kLongestSelectionBytes)},
          {version}};
}

QList<QLabel*> AddStatusPanels(QStatusBar& bar, const QFont& font,
                               const QList<QStringList>& longest) {
  QList<QLabel*> panels;
  for (qsizetype i = 0; i < longest.size(); ++i) {
    const bool last = i + 1 == longest.size();
    auto* panel = new QLabel;
    panel->setFrameShape(kPanelFrame);
    panel->setFixedWidth(WidthToShow(font, longest[i]));
    // The bar owns it; the last stands at the right end, as wide as its text however wide
    // the window.
    if (last) {
      bar.addPermanentWidget(panel);
    } else {
      bar.addWidget(panel);
    }
    panels.append(panel);
  }
  return panels;
}

}  // namespace kivora::ui
