#include "support/full_disk.h"

#include <QFile>
#include <cerrno>
#include <csignal>
#include <cstring>

#ifdef Q_OS_LINUX
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#endif

namespace {

const char *const kFiller = "filler";
// Under the limit, a file may grow to this many bytes; old files of the tests are smaller.
constexpr long kLimitBytes = 64;

#ifdef Q_OS_LINUX
bool privateMounts()
{
    static const bool ok = unshare(CLONE_NEWNS) == 0 &&
                           mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return ok;
}
#endif

}  // namespace

FullDisk::FullDisk()
{
#ifdef Q_OS_LINUX
    const QByteArray where = QFile::encodeName(folder_.path());
    mounted_ = privateMounts() && mount("tmpfs", where.constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                                        "size=1m,mode=0700") == 0;
#endif
    qInfo(mounted_ ? "full disk: a real tmpfs filled to the last block"
                   : "full disk: the file size limit stands in for it (the test cannot mount)");
}

FullDisk::~FullDisk()
{
    makeRoom();
#ifdef Q_OS_LINUX
    if (mounted_) {
        umount2(QFile::encodeName(folder_.path()).constData(), MNT_DETACH);
    }
#endif
}

QString FullDisk::reason() const
{
    return QString::fromLocal8Bit(std::strerror(mounted_ ? ENOSPC : EFBIG));
}

void FullDisk::fill()
{
#ifdef Q_OS_LINUX
    if (mounted_) {
        QFile filler(filePath(kFiller));
        if (filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            const QByteArray block(4096, 'f');
            while (filler.write(block) == block.size()) {
            }
            // The last partial block too.
            while (filler.write("f", 1) == 1) {
            }
        }
        return;
    }
    // A write past the limit raises SIGXFSZ, which would end the test; ignored, it fails with
    // EFBIG instead. Only the soft limit is lowered, so it can be raised again.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = kLimitBytes;
    limited_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
#endif
}

void FullDisk::makeRoom()
{
#ifdef Q_OS_LINUX
    if (limited_) {
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_FSIZE, &limit);
        limited_ = false;
    }
#endif
    QFile::remove(filePath(kFiller));
}
