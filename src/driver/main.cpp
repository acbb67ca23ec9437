#include <iostream>

#include "driver/ConsoleDialogue.h"

int main() { return kelvoran::runConsoleDialogue(std::cin, std::cout, std::cerr); }
