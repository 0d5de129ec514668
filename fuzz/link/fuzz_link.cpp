// Fuzz entry for putting frames together from input reports: the bytes are
// a stream of 64-byte reports (the last one zero-padded), fed one at a time
// through the reassembly the link uses. Nothing may be read past a report,
// no frame may be longer than four reports, and every frame that comes out
// is valid, checksum included, with nothing past its length.

#include "Kb2ReportAssembler.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    constexpr size_t ReportSize = Kb2ReportAssembler::ReportSize;
    Kb2ReportAssembler assembler;
    int reportsOfFrame = 0;
    for (size_t offset = 0; offset < size; offset += ReportSize) {
        // Each report in a buffer of exactly its size, so that reading past
        // it is a fault the sanitizers report.
        auto report = std::make_unique<uint8_t[]>(ReportSize);
        std::memset(report.get(), 0, ReportSize);
        std::memcpy(report.get(), data + offset, std::min(ReportSize, size - offset));

        Kb2Frame frame;
        const Kb2ReportAssembler::Step step = assembler.add(report.get(), frame);
        if (step == Kb2ReportAssembler::Step::Skipped) {
            if (reportsOfFrame != 0 || report[0] == Kb2Frame::StartByte)
                std::abort();
            continue;
        }
        if (++reportsOfFrame > Kb2ReportAssembler::MaxReports)
            std::abort();
        if (step == Kb2ReportAssembler::Step::NeedMore) {
            if (!assembler.pending())
                std::abort();
            continue;
        }
        reportsOfFrame = 0;
        if (assembler.pending() || assembler.lastSize() < 0 || assembler.lastSize() > Kb2Frame::Size)
            std::abort();
        if (step == Kb2ReportAssembler::Step::Corrupt) {
            if (assembler.lastCheck() > Kb2Frame::HeaderSize)
                std::abort();
            continue;
        }
        // A frame: whole, valid, with a payload, zero past its end.
        const int length = frame.frameSize();
        if (frame.length() < 1 || kb2_frame_check(frame.data, Kb2Frame::Size) != length
            || frame.checksum() != kb2_frame_checksum(frame) || assembler.lastSize() != length
            || std::memcmp(frame.data, assembler.lastBytes(), size_t(length)) != 0)
            std::abort();
        for (int i = length; i < Kb2Frame::Size; ++i)
            if (frame.data[i] != 0)
                std::abort();
    }
    return 0;
}
