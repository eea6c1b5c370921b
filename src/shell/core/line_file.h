#pragma once

#include "shell/core/file_io.h"

#include <QByteArray>
#include <QByteArrayView>
#include <algorithm>
#include <cstring>
#include <functional>

// Called between the items (and cells) of a core's long loop; the window's commands pass their
// yield, so a long list keeps the window responsive while a core never yields itself.
using CellHook = void (*)();

// Bytes built up line by line. A QByteArray that grows at every cell spends more on growing than
// on the text; this one takes room in large steps and keeps its length apart.
class LineBytes {
public:
    // n bytes of room at the end, to be written; they count at once.
    char *room(qsizetype n)
    {
        if (used_ + n > bytes_.size()) {
            bytes_.resize(std::max<qsizetype>({bytes_.size() * 2, used_ + n, 64 * 1024}));
        }
        char *at = bytes_.data() + used_;
        used_ += n;
        return at;
    }
    void append(const char *data, qsizetype n) { std::memcpy(room(n), data, std::size_t(n)); }
    qsizetype size() const { return used_; }
    QByteArrayView view() const { return QByteArrayView(bytes_.constData(), used_); }
    // Empty again, keeping the room for what comes next.
    void clear() { used_ = 0; }

private:
    QByteArray bytes_;
    qsizetype used_ = 0;
};

// The program's one way of writing a file line by line: for i = 1 to count, beforeEach runs, then
// line(out, i) appends line i (or nothing). What out holds goes to the open file about a megabyte
// at a time, and the rest at the end, so a long list costs a megabyte of memory. Throws Failure
// when a write fails; the file is left to its owner to commit or give up.
void writeLines(AtomicFile &file, LineBytes &out, int count,
                const std::function<void(LineBytes &out, int i)> &line, CellHook beforeEach);
