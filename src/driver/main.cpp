#include "driver/ConsoleCommand.h"
#include "io/DescriptorStreams.h"

int main(int argc, char** argv) {
    kelvoran::occupyStandardDescriptors();
    return kelvoran::runConsoleCommand(argc, argv);
}
