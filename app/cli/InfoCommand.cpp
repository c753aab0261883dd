#include "app/cli/InfoCommand.h"

#include <CLI/CLI.hpp>
#include <cstdint>
#include <ostream>

#include "app/cli/CliMessages.h"
#include "app/cli/Json.h"
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

void PrintJson(std::ostream& out, const KvrDefinition& def) {
  const DefinitionHeader& h = def.header;
  auto flag = [](bool b) { return b ? "true" : "false"; };
  out << "{\"magic\":" << JsonString(h.Magic) << ",\"cipherKind\":" << int{h.CipherKind}
      << ",\"disguised\":" << flag(h.Disguised) << ",\"protected\":" << flag(h.Protected)
      << ",\"sourceName\":" << JsonString(h.SourceName)
      << ",\"sourceSize\":" << UnsignedSourceSize(h.SourceSize) << ",\"partCount\":" << h.PartCount
      << ",\"comment\":" << JsonString(h.Comment) << ",\"pluginChecksum\":" << h.PluginChecksum
      << ",\"implanted\":" << flag(def.implanted)
      << ",\"protection\":" << JsonString(ProtectionWord(h))
      << ",\"authenticatedDefinition\":" << flag(h.Encryption && h.Encryption->version >= 2)
      << ",\"parts\":[";
  for (size_t i = 0; i < def.parts.size(); ++i) {
    const PartRecord& p = def.parts[i];
    out << (i ? "," : "") << "{\"fileName\":" << JsonString(p.FileName) << ",\"size\":" << p.Size
        << ",\"crc\":" << p.Crc << ",\"partCrc\":" << p.PartCrc << ",\"pendantNo\":" << p.PendantNo
        << ",\"pendantSize\":" << p.PendantSize << "}";
  }
  out << "]}\n";
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
  const auto failure = TryEngine(msg::kCannotOpenKvr, [&] {
    const pendant::PendantLibrary pendants(pendant::DefaultPendantLocations());
    const KvrDefinition def = ReadDefinition(definition_, pendants);
    if (json_) {
      PrintJson(context.out, def);
    } else {
      PrintText(context.out, def, context.language);
    }
  });
  if (!failure) return kSuccess;
  context.err << TerminalMessage(failure->text, context.language) << '\n';
  if (!failure->detail.empty()) {
    context.err << "  " << TerminalMessage(failure->detail, context.language) << '\n';
  }
  return kFailed;
}

}  // namespace kivora::cli
