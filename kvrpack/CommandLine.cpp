#include "kvrpack/CommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "kvrpack/BuilderMessages.h"
#include "kvrpack/PathFilter.h"
#include "kvrpack/PluginBuilder.h"
#include "platform/Version.h"

namespace kvrpack {
namespace {

constexpr int kBuilt = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

struct Options {
  bool build = false;
  std::string output;
  PluginRequest request;
};

void Describe(CLI::App& app, Options& options) {
  app.add_flag("--build", options.build, "Build a plug-in without opening the window")->required();
  app.add_option("-o,--output", options.output,
                 "The plug-in DLL to write; its script goes "
                 "beside it with the extension .rc")
      ->required();
  const char* names[] = {"--name", "--version", "--ext", "--author", "--comment"};
  const char* help[] = {"Pendant set name (string 511)", "Version, free text (string 512)",
                        "Part file extension without the dot (string 513)", "Author (string 514)",
                        "Comment (string 515)"};
  for (std::size_t i = 0; i < kTextCount; ++i) {
    app.add_option(names[i], options.request.texts[i], help[i]);
  }
  app.add_option("pictures", options.request.pictures,
                 "Picture files; the first becomes KVR 101, the second 102, ...");
  app.footer("Without arguments kvrpack opens its window; --version alone prints its version.");
}

// The program's version is asked by --version alone; with --build it is an option.
bool WantsVersion(std::span<const std::string> args) {
  return args.size() == 1 && args[0] == "--version";
}

}  // namespace

bool WantsCommandLine(std::span<const std::string> args) {
  return WantsVersion(args) || std::any_of(args.begin(), args.end(), [](const std::string& a) {
           return a == "--build" || a == "--help" || a == "-h";
         });
}

int RunCommandLine(std::span<const std::string> args, std::ostream& out, std::ostream& err,
                   kivora::Language language) {
  if (WantsVersion(args)) {
    out << "kvrpack " << kivora::kVersion << '\n';
    return kBuilt;
  }
  CLI::App app("kvrpack: builds a Kivora pendant plug-in from picture files.", "kvrpack");
  Options options;
  Describe(app, options);
  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e, out, err);
    return code == 0 ? kBuilt : kUsage;
  }

  // The script names each picture by its full path.
  for (std::string& picture : options.request.pictures) {
    picture = std::filesystem::absolute(picture).lexically_normal().string();
    if (!IsAcceptedPicturePath(picture)) {
      err << messages::PathRefused(picture).In(language) << '\n';
      return kUsage;
    }
  }
  if (options.request.pictures.empty()) {
    err << messages::EmptyList().In(language) << '\n';
    return kUsage;
  }

  BuildTargets targets{options.output, options.output};
  targets.script.replace_extension(".rc");
  if (targets.script == targets.dll) {
    err << messages::kDllNamedAsScript().In(language) << '\n';
    return kUsage;
  }
  const BuildOutcome outcome = BuildPlugin(options.request, targets);
  (outcome.ok ? out : err) << outcome.message.In(language) << '\n';
  return outcome.ok ? kBuilt : kFailed;
}

}  // namespace kvrpack
