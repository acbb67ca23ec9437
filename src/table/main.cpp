#include "table/TableCommand.h"

int main(int argc, char** argv) { return kelvoran::runTableCommand(argc, argv); }
