#include "tabulate/TabulateCommand.h"

int main(int argc, char** argv) { return kelvoran::runTabulateCommand(argc, argv); }
