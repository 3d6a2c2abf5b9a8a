#pragma once

#include "output/cupsprintsystem.h"
#include "output/labelbackend.h"

namespace output {

// A queue whose driver reads CUPS raster (a thermal label printer's driver), or a
// driverless queue that takes PWG raster: the label drawn once at the queue's own
// resolution into the printer's dots (1 bit, whole-dot barcode modules), sent as
// raster through libcups.
class CupsRasterBackend : public LabelBackend
{
public:
    CupsRasterBackend(CupsPrintSystem &cups, CupsQueue queue);

    PrintedJob print(const label::Label &label) override;

private:
    CupsPrintSystem &m_cups;
    CupsQueue m_queue;
};

} // namespace output
