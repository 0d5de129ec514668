// Fuzz entry for the macro CSV reader: any bytes must either be refused or
// give steps that the writer writes and the reader reads back unchanged, and
// that the step list of the macro editor shows and gives back unchanged.

#include "MacroCsv.h"
#include "MacroStepList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    QList<MACRO_Key> steps;
    if (parseMacroCsv(bytes, &steps) != MacroCsvResult::Ok)
        return 0;
    if (steps.size() > MaxMacroCsvSteps)
        std::abort();
    for (const MACRO_Key &step : steps)
        if (step.delay < 0)
            std::abort();
    QList<MACRO_Key> again;
    if (parseMacroCsv(writeMacroCsv(steps), &again) != MacroCsvResult::Ok || again != steps)
        std::abort();
    MacroStepList list;
    list.setSteps(steps);
    const QList<MACRO_Key> shown = list.steps();
    if (list.rowCount() > MacroStepList::MaxRows || shown != steps.mid(0, shown.size()))
        std::abort();
    return 0;
}
