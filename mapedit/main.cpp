// mapedit: the scroll-background creation tool. Edits AREA1.csv in the current folder.
#include "mapedit/options.hpp"
#include "mapedit/program.hpp"
#include "mapedit/tmx_commands.hpp"
#include "platform/window.hpp"

int main(int argc, char** argv) {
    // Answered before anything else: --help and --version need no window and no display.
    const rt::ProgramInfo& program = mapedit::mapeditProgram();
    const rt::Options options = rt::handleCommandLine(argc, argv, program);
    if (const auto status = mapedit::runTmxCommand(options, program)) return *status;
    mapedit::runMapedit(
        rt::wholeNumberOption(options, "--scale", 1, platform::window::kMaxScale, program).value_or(0),
        !options.value("--no-vsync"));
}
