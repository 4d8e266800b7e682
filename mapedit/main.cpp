// mapedit: the scroll-background creation tool. Edits AREA1.csv in the current folder.
#include "mapedit/program.hpp"

int main() {
    mapedit::runMapedit();
}
