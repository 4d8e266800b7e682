// mapedit: the scroll-background creation tool. Edits AREA1.csv in the current folder.
#include "mapedit/options.hpp"
#include "mapedit/program.hpp"

int main(int argc, char** argv) {
    // Answered before anything else: --help and --version need no window and no display.
    const rt::Options options = rt::handleCommandLine(argc, argv, mapedit::mapeditProgram());
    (void)options;
    mapedit::runMapedit();
}
