#include "app/cli/Cli.h"

int main(int argc, char** argv) { return kivora::cli::Main(argc, argv); }
