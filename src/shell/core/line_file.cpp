#include "shell/core/line_file.h"

void writeLines(AtomicFile &file, LineBytes &out, int count,
                const std::function<void(LineBytes &out, int i)> &line, CellHook beforeEach)
{
    constexpr qsizetype kPieceBytes = 1 << 20;
    for (int i = 1; i <= count; ++i) {
        if (beforeEach) {
            beforeEach();
        }
        line(out, i);
        if (out.size() >= kPieceBytes) {
            file.write(out.view());
            out.clear();
        }
    }
    file.write(out.view());
    out.clear();
}
