#include "PartTest.h"

#include "Format.h"
#include "KivoraError.h"
#include "LoadedDefinition.h"
#include "Messages.h"

namespace kivora {
namespace {

struct RowState {
  std::string_view text;
  StateImage image;
};

RowState RowFor(PartTestResult t) {
  switch (t) {
    case PartTestResult::Ok:
      return {msg::kStateOk, StateImage::Done};
    case PartTestResult::Missing:
      return {msg::kStateMissing, StateImage::Failed};
    case PartTestResult::Corrupt:
      return {msg::kStateCorrupt, StateImage::Failed};
    case PartTestResult::Fixable:
      break;
  }
  return {msg::kStateFixable, StateImage::Fixable};
}

}  // namespace

TestOutcome RunTest(KvrDefinition& loaded, const std::filesystem::path& definitionPath,
                    const PendantProvider& pendants, Ui& ui) {
  TestOutcome outcome;
  if (!RefreshIfChanged(definitionPath, pendants, ui, loaded)) return outcome;
  outcome.ran = true;
  const KvrDefinition& def = loaded;
  ui.WorkStarted();
  ui.ClearStateRows();
  outcome.findings = {PartTestResult::Ok};

  std::vector<std::uint8_t> buffer;
  const int count = def.header.PartCount;
  try {
    for (int index = 0; index < count; ++index) {
      if (ui.AbortRequested()) {
        outcome.aborted = true;
        return outcome;
      }
      const TKvrFileData& rec = def.parts[static_cast<size_t>(index)];
      const PartTestResult t = TestPart(def, index, definitionPath.parent_path() / rec.FileName, buffer);
      const RowState state = RowFor(t);
      const int row = ui.AddStateRow(rec.FileName, state.text, state.image);
      outcome.findings.insert(t);
      ui.ScrollToRow(row);
      ui.SetStatus(1, Format(msg::kTestProgress, index + 1, count));
      ui.SetProgress(index + 1, count);
      ui.Pump(std::chrono::milliseconds(0));
    }
  } catch (const KivoraError& e) {
    // A part that cannot be read ends the test without a closing message.
    ui.ShowError(e.what(), e.Detail());
    outcome.aborted = true;
    return outcome;
  }
  ui.WorkEnded();
  if (ui.AbortRequested()) {
    outcome.aborted = true;
    return outcome;
  }

  if (outcome.HasErrors()) {
    ui.ShowInfo(msg::kTestFoundErrors);
  } else if (outcome.findings.contains(PartTestResult::Fixable)) {
    outcome.joinRequested = ui.Ask(msg::kTestFixableQuestion) == Answer::Yes;
  } else {
    outcome.joinRequested = ui.Ask(msg::kTestNoProblemQuestion) == Answer::Yes;
    return outcome;  // no sorting after this question
  }
  if (!outcome.joinRequested) {
    ui.SortStateRows();
    ui.ScrollToRow(0);
  }
  return outcome;
}

}  // namespace kivora
