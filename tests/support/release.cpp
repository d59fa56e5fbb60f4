#include "release.h"

#include "app/constants.h"
#include "device/firmwareimage.h"

int carried::pages()
{
    static const int count = int(firmwareimage::pageCount(readFirmwareResource().size()));
    return count;
}
