#include "io/DescriptorStreams.h"
#include "table/OutputFile.h"
#include "table/TableCommand.h"

int main(int argc, char** argv) {
    kelvoran::occupyStandardDescriptors();
    kelvoran::prepareOutputSignals();
    return kelvoran::runTableCommand(argc, argv);
}
