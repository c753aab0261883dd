#include "app/cli/SplitCommand.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "app/cli/CliMessages.h"
#include "app/cli/RecoveryAmountArgument.h"
#include "app/cli/TerminalUi.h"
#include "core/io/SaveFolder.h"
#include "core/operations/EngineCall.h"
#include "core/operations/SplitOperation.h"
#include "core/text/Messages.h"
#include "pendant/PendantLibrary.h"
#include "pendant/PluginInfo.h"

namespace kivora::cli {

CLI::App* SplitCommand::Register(CLI::App& app) {
  CLI::App* cmd =
      app.add_subcommand("split", "Cut a file into numbered parts and write the join definition");
  cmd->add_option("SOURCE", source_,
                  "File to split; - for standard input (then -n is needed). Standard input, "
                  "and a pipe, FIFO, socket or character device given by path, are read as a "
                  "stream: its parts go to the current folder unless -o says otherwise")
      ->required();
  cmd->add_option("-o,--output-dir", outputDir_,
                  "Folder for the parts (default: the source's folder)");
  cmd->add_option("-s,--size", sizeKb_, "Part size in KB (1024 bytes), 1 to 32767")
      ->capture_default_str()
      ->check(CLI::Range(1, kMaxPartSizeKb));
  cmd->footer(
      "On btrfs and XFS a plain set (--plain, not encrypted) shares its blocks with the source, "
      "and its join with the joined file, instead of copying them when every part starts and "
      "ends on a block: --no-random with a size that is a multiple of the file system's block "
      "size in KB (4 for the usual 4096-byte blocks: 4, 8, ..., 20000, 32764). Random sizes "
      "are copied, and so are the parts of a split smaller than 64 KB and a source changed "
      "within the last second.");
  cmd->add_flag("--random", random_, "Vary part sizes in pairs (the default)");
  cmd->add_flag_callback(
      "--no-random", [this] { random_ = false; },
      "Every part the size of -s, the last one the rest");
  cmd->add_option("-n,--name", baseName_,
                  "Part base name (default: source name without extension)");
  cmd->add_option("--source-name", sourceName_,
                  "Name the joined file takes (default: the source's name; for standard input "
                  "the part name)");
  cmd->add_flag("--from-one", fromOne_, "Number the parts from 01 instead of 00");
  cmd->add_option("-e,--ext", extension_, "Part extension (default png, or the plug-in's own)");
  cmd->add_flag("--kvr-ext", kvrExtension_, "Name the definition BASE_kvr.EXT instead of BASE.kvr");
  cmd->add_option("-c,--comment", comment_, "Comment stored in the definition");
  cmd->add_flag("--plain", plain_, "Do not disguise the parts as pictures");
  cmd->add_flag("--implant", implant_, "Implant the definition at the end of the last part");
  cmd->add_flag("--encrypt", encrypt_,
                "Encrypt the parts with the password (needed; asked twice on a terminal): the "
                "compatible password only obscures the content, encryption keeps it secret; "
                "names, sizes and the comment stay readable in the definition. Each guess at "
                "the password costs an Argon2id derivation with 256 MiB and 3 passes (around "
                "a second on a desktop), so five random words or twelve random characters "
                "resist guessing at scale; a short or common password does not");
  cmd->add_option("--seed", seed_, "Seed of the random generator (reproducible splits)");
  cmd->add_flag("--mkdir", mkdir_, "Create the output folder (one level) when it is missing");
  cmd->add_flag("--overwrite", overwrite_,
                "Replace files of the part, definition and recovery part names that belong to "
                "no set of this name (without it such a file stops the split)");
  cmd->add_option("--recovery", recovery_,
                  "Recovery parts: R per group (0 to 254), or P% of each group's parts; any R "
                  "lost or damaged files of a group can be rebuilt with `repair`")
      ->check([](const std::string& text) { return CheckRecoveryAmount(text); });
  password_.Register(*cmd);
  plugin_.Register(*cmd, true);
  output_.Register(*cmd);
  return cmd;
}

int SplitCommand::CheckStreamOptions(TerminalUi& ui) const {
  if (source_ == "-" && baseName_.empty()) {
    ui.ShowError(texts::kStreamNeedsName);
    return kUsage;
  }
  if (source_ == "-" && password_.passwordFile == "-") {
    ui.ShowError(texts::kStandardInputTwice);
    return kUsage;
  }
  // The joined file takes this name in a folder: it must stay a plain name there.
  if (sourceName_.find_first_of("/\\") != std::string::npos || sourceName_ == "." ||
      sourceName_ == "..") {
    ui.ShowError(texts::kBadSourceName(sourceName_));
    return kUsage;
  }
  return kSuccess;
}

int SplitCommand::Run(Context& context) {
  TerminalUi ui(context, output_);
  return ui.Close(CallEngine(ui, msg::kSplitFailedClosing, int{kFailed}, [&]() -> int {
    SplitRequest s;
    s.source = source_;
    if (const int status = CheckStreamOptions(ui); status != kSuccess) return status;
    s.sourceName = !sourceName_.empty() ? sourceName_ : source_ == "-" ? baseName_ : "";
    s.partSizeKb = sizeKb_;
    s.randomSizes = random_;
    s.baseName = baseName_.empty() ? ProposedBaseName(s.source) : baseName_;
    s.numberFromOne = fromOne_;
    s.kvrExtension = kvrExtension_;
    s.comment = comment_;
    s.disguise = !plain_;
    s.implant = implant_;
    if (!recovery_.empty()) s.recovery = *ParseRecoveryAmount(recovery_);
    s.overwrite = overwrite_;
    std::optional<SecretText> password = password_.Resolve();
    s.encrypt = encrypt_;
    if (s.encrypt && (!password || password->empty())) {
      password = ui.AskNewPassword();  // on a terminal; elsewhere it says what is missing
      if (!password) return kUsage;
    }
    if (password) s.password = std::move(*password);
    s.usePlugin = !plugin_.plugin.empty();
    s.pluginName = plugin_.PluginName();

    const PendantLocations locations = plugin_.Locations();
    s.extension = extension_.empty() ? "png" : extension_;
    if (s.usePlugin && extension_.empty()) {
      for (const auto& folder : locations.pluginFolders) {
        if (auto info = pendant::ReadPluginInfo(folder / s.pluginName);
            info && !info->extension.empty()) {
          s.extension = info->extension;
          break;
        }
      }
    }
    if (s.baseName.empty() || s.extension.empty()) {
      ui.ShowError(texts::kSettingMissing);
      return kFailed;
    }
    // A file of no set is replaced only with --overwrite, which the request carries.
    ui.SetDecider([this](QuestionKind kind) -> std::optional<Answer> {
      if (kind == QuestionKind::CreateFolder) return mkdir_ ? Answer::Yes : Answer::No;
      if (kind == QuestionKind::ReplaceForeignFile) return Answer::No;
      return std::nullopt;
    });
    if (!outputDir_.empty()) {
      s.saveFolder = outputDir_;
      if (!EnsureSaveFolder(*s.saveFolder, ui).ok) return kFailed;
    }
    ui.SetFolder(SplitFolder(s).string());

    const PendantLibrary pendants(locations);
    s.seed = seed_;
    return RunSplit(s, pendants, ui).completed ? kSuccess : kFailed;
  }));
}

}  // namespace kivora::cli
