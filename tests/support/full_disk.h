#pragma once

#include <QString>
#include <QTemporaryDir>

// A folder whose filesystem has run out of room, for seeing what a save does on a full disk.
//
// Where the test may mount (as root, which CI is) the folder is a small tmpfs of its own, in a
// mount namespace of the test process's own, so that nothing stays mounted after the process;
// fill() then takes its last free block. Elsewhere fill() lowers the process's file size limit,
// so that every write past the first bytes of a file fails as a full disk's would ("File too
// large" where a full disk says "No space left on device").
class FullDisk {
public:
    FullDisk();
    ~FullDisk();
    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

    QString path() const { return folder_.path(); }
    QString filePath(const QString &name) const { return folder_.filePath(name); }
    // True on a real filesystem, false where the limit stands in for one.
    bool real() const { return mounted_; }
    // What a write meets: ENOSPC's text on a real full disk, EFBIG's under the limit.
    QString reason() const;

    void fill();
    void makeRoom();

private:
    QTemporaryDir folder_;
    bool mounted_ = false;
    bool limited_ = false;
};
