#include "output/zplbackend.h"

#include "label/labeldots.h"
#include "label/labelrenderer.h"
#include "output/zplwriter.h"

namespace output {

ZplBackend::ZplBackend(CupsPrintSystem &cups, CupsQueue queue, int dotsPerInch)
    : m_cups(cups)
    , m_queue(std::move(queue))
    , m_dotsPerInch(dotsPerInch)
{
}

PrintedJob ZplBackend::print(const label::Label &label)
{
    const label::LabelRenderer renderer(label, m_dotsPerInch);
    const QByteArray zpl = ZplWriter::label(label::LabelDots::fromImage(renderer.toImage(true)));
    return PrintedJob{m_queue.name, m_cups.printRaw(m_queue, documentName(label), zpl), QString()};
}

} // namespace output
