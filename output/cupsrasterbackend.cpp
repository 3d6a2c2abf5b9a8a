#include "output/cupsrasterbackend.h"

#include "label/labeldots.h"
#include "label/labelrenderer.h"

namespace output {

CupsRasterBackend::CupsRasterBackend(CupsPrintSystem &cups, CupsQueue queue)
    : m_cups(cups)
    , m_queue(std::move(queue))
{
}

PrintedJob CupsRasterBackend::print(const label::Label &label)
{
    const label::LabelRenderer renderer(label, m_queue.dotsPerInch);
    const label::LabelDots dots = label::LabelDots::fromImage(renderer.toImage(true));
    return PrintedJob{m_queue.name, m_cups.printRaster(m_queue, documentName(label), dots), QString()};
}

} // namespace output
