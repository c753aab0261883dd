#include "app/cli/Cli.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <clocale>
#include <iostream>
#include <memory>

#include "app/cli/AddRecoveryCommand.h"
#include "app/cli/CheckCommand.h"
#include "app/cli/FetchCommand.h"
#include "app/cli/InfoCommand.h"
#include "app/cli/JoinCommand.h"
#include "app/cli/JsonReport.h"
#include "app/cli/PluginsCommand.h"
#include "app/cli/RepairCommand.h"
#include "app/cli/ResplitCommand.h"
#include "app/cli/SendCommand.h"
#include "app/cli/SplitCommand.h"
#include "app/cli/TerminalText.h"
#include "app/cli/TestCommand.h"
#include "core/text/Language.h"
#include "platform/Version.h"

namespace kivora::cli {

int Run(const std::vector<std::string>& args, Context& context) {
  CLI::App app("Kivora: split files into parts, disguise them as pictures, join them back.",
               "kivora-cli");
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("kivora-cli ") + kVersion,
                       "Print the version and exit");
  std::vector<std::unique_ptr<Command>> commands;
  commands.push_back(std::make_unique<SplitCommand>());
  commands.push_back(std::make_unique<JoinCommand>());
  commands.push_back(std::make_unique<TestCommand>());
  commands.push_back(std::make_unique<ResplitCommand>());
  commands.push_back(std::make_unique<RepairCommand>());
  commands.push_back(std::make_unique<AddRecoveryCommand>());
  commands.push_back(std::make_unique<InfoCommand>());
  commands.push_back(std::make_unique<PluginsCommand>());
  commands.push_back(std::make_unique<FetchCommand>());
  commands.push_back(std::make_unique<SendCommand>());
  commands.push_back(std::make_unique<CheckCommand>());
  std::vector<std::pair<CLI::App*, Command*>> registered;
  registered.reserve(commands.size());
  for (auto& command : commands) registered.emplace_back(command->Register(app), command.get());

  try {
    // CLI11 takes the arguments in reverse order.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    context.out << app.help();
    return kSuccess;
  } catch (const CLI::CallForVersion& version) {
    context.out << version.what() << '\n';
    return kSuccess;
  } catch (const CLI::CallForAllHelp&) {
    context.out << app.help("", CLI::AppFormatMode::All);
    return kSuccess;
  } catch (const CLI::ParseError& e) {
    // Help of a subcommand is reported through the subcommand that asked for it.
    for (auto& [sub, command] : registered) {
      if (sub->parsed() && sub->get_help_ptr() && sub->get_help_ptr()->count() > 0) {
        context.out << sub->help();
        return kSuccess;
      }
    }
    // The parser's words quote the arguments, which may hold anything.
    context.err << TerminalText(e.what()) << "\n"
                << "Run with --help for usage.\n";
    // A script that asked for a document gets one, with outcome "usage".
    const auto options = std::find(args.begin(), args.end(), "--");  // before operands
    if (!args.empty() && std::find(args.begin(), options, "--json") != options) {
      JsonReport::WriteUsage(context.out, args.front(), MessageText::Plain(e.what()),
                             context.language);
    }
    return kUsage;
  }
  for (auto& [sub, command] : registered) {
    if (sub->parsed()) return command->Run(context);
  }
  context.err << app.help();
  return kUsage;
}

int Main(int argc, char** argv) {
  // Case rules and the number format of older scrambled sets follow the user's locale.
  std::setlocale(LC_ALL, "");
  std::vector<std::string> args(argv + 1, argv + argc);
  Context context{std::cout, std::cerr, isatty(STDIN_FILENO) != 0, isatty(STDERR_FILENO) != 0,
                  LanguageOfProcess()};
  return Run(args, context);
}

}  // namespace kivora::cli
