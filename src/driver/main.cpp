#include "driver/ConsoleCommand.h"
#include "driver/DescriptorStreams.h"

int main(int argc, char** argv) {
    kelvoran::occupyStandardDescriptors();
    return kelvoran::runConsoleCommand(argc, argv);
}
