#include "app/cli/InfoCommand.h"

#include <CLI/CLI.hpp>
#include <cstdint>
#include <ostream>

#include "app/cli/CliMessages.h"
#include "app/cli/JsonReport.h"
#include "app/cli/TerminalText.h"
#include "core/format/DefinitionReader.h"
#include "core/operations/EngineCall.h"
#include "core/text/Messages.h"
#include "pendant/PendantLibrary.h"

namespace kivora::cli {
namespace {

// The source size as an unsigned number: the 64-bit field of KV5/KV6 is never negative
// (the reader checks it against the parts), and a negative 32-bit field of an older
// definition is read as the unsigned number its bits hold.
std::uint64_t UnsignedSourceSize(std::int64_t size) {
  return size >= 0 ? static_cast<std::uint64_t>(size)
                   : std::uint64_t{static_cast<std::uint32_t>(size)};
}

// The protection in a fixed English word, whatever the language.
const char* ProtectionWord(const DefinitionHeader& h) {
  if (h.CipherKind == kSealedCipher) return "encryption";
  return h.Protected ? "scramble" : "none";
}

// The definition as info's member of the JSON document.
Json DefinitionJson(const KvrDefinition& def) {
  const DefinitionHeader& h = def.header;
  Json parts = Json::array();
  for (const PartRecord& p : def.parts) {
    parts.push_back({{"fileName", p.FileName},
                     {"size", p.Size},
                     {"crc", p.Crc},
                     {"partCrc", p.PartCrc},
                     {"pendantNo", p.PendantNo},
                     {"pendantSize", p.PendantSize}});
  }
  return {{"magic", h.Magic},
          {"cipherKind", int{h.CipherKind}},
          {"disguised", h.Disguised},
          {"protected", h.Protected},
          {"sourceName", h.SourceName},
          {"sourceSize", UnsignedSourceSize(h.SourceSize)},
          {"partCount", h.PartCount},
          {"comment", h.Comment},
          {"pluginChecksum", h.PluginChecksum},
          {"implanted", def.implanted},
          {"protection", ProtectionWord(h)},
          {"authenticatedDefinition", h.Encryption && h.Encryption->version >= 2},
          {"parts", std::move(parts)}};
}

void PrintText(std::ostream& out, const KvrDefinition& def, Language language) {
  for (const auto& [caption, value] : SummaryRows(def)) {
    out << caption.In(language) << ": " << TerminalText(value.In(language)) << '\n';
  }
  out << '\n' << texts::kPartColumns().In(language);
  if (def.header.Disguised) out << texts::kDisguiseColumns().In(language);
  out << '\n';
  char crc[16], partCrc[16];
  for (size_t i = 0; i < def.parts.size(); ++i) {
    const PartRecord& p = def.parts[i];
    std::snprintf(crc, sizeof crc, "%08X", p.Crc);
    out << i << '\t' << TerminalText(p.FileName) << '\t' << GroupThousands(p.Size) << '\t' << crc;
    if (def.header.Disguised) {
      std::snprintf(partCrc, sizeof partCrc, "%08X", p.PartCrc);
      out << '\t' << partCrc << '\t' << p.PendantNo << '\t' << GroupThousands(p.PendantSize);
    }
    out << '\n';
  }
}

}  // namespace

CLI::App* InfoCommand::Register(CLI::App& app) {
  CLI::App* cmd =
      app.add_subcommand("info", "Show a join definition (a .kvr file or a part carrying one)");
  cmd->add_option("DEF", definition_, "Definition file or part")->required();
  cmd->add_flag("--json", json_, "Print one JSON object");
  return cmd;
}

int InfoCommand::Run(Context& context) {
  JsonReport report("info");
  const auto failure = TryEngine(msg::kCannotOpenKvr, [&] {
    const pendant::PendantLibrary pendants(pendant::DefaultPendantLocations());
    const KvrDefinition def = ReadDefinition(definition_, pendants);
    if (json_) {
      report.Set("info", DefinitionJson(def));
    } else {
      PrintText(context.out, def, context.language);
    }
  });
  if (failure) {
    context.err << TerminalMessage(failure->text, context.language) << '\n';
    if (!failure->detail.empty()) {
      context.err << "  " << TerminalMessage(failure->detail, context.language) << '\n';
    }
    report.Record(Message{MessageKind::Error, failure->text, failure->detail});
  }
  const int exit = failure ? kFailed : kSuccess;
  if (json_) report.Write(context.out, exit, false, context.language);
  return exit;
}

}  // namespace kivora::cli
