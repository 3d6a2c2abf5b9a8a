#pragma once

#include "output/cupsprintsystem.h"
#include "output/labelbackend.h"

namespace output {

// A raw queue (no driver: the bytes reach the printer unchanged) in front of a label
// printer that speaks ZPL: the label drawn at the printer's resolution into its dots,
// sent as one ZPL graphic (ZplWriter).
class ZplBackend : public LabelBackend
{
public:
    ZplBackend(CupsPrintSystem &cups, CupsQueue queue, int dotsPerInch);

    PrintedJob print(const label::Label &label) override;

private:
    CupsPrintSystem &m_cups;
    CupsQueue m_queue;
    int m_dotsPerInch;
};

} // namespace output
