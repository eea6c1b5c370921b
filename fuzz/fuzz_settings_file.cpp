// The settings file at start-up: whatever bytes it holds, the restore reads what it can, keeps a
// damaged file whole under another name and leaves a sound store behind, which the next start
// reads alike without calling it damaged; and Qt's own settings classes read each file alike.
#include "fuzz_support.h"
#include "mainwindow/core/settings_format.h"
#include "mainwindow/core/settings_store.h"
#include "shell/core/app_title.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Restored {
    std::optional<SetAsideStore> aside;
    QStringList prefixes;
    QString count;
};

// What the window's start-up does with the store, before its list and box take the values.
Restored restore()
{
    SettingsStore store;
    Restored r;
    r.aside = store.setAsideIfDamaged();
    forEachStoredPrefix(store.read(kPrefixesKey, QString()),
                        [&](QStringView piece) { r.prefixes.append(piece.toString()); });
    r.count = store.read(kNumberOfPhonesKey, QStringLiteral("200"));
    return r;
}

// The same values as Qt's own settings classes read them from the file.
Restored readByQt(const QString &file)
{
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(kProductName);
    Restored r;
    forEachStoredPrefix(settings.value(kPrefixesKey).toString(),
                        [&](QStringView piece) { r.prefixes.append(piece.toString()); });
    r.count = settings.value(kNumberOfPhonesKey, QStringLiteral("200")).toString();
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir root;
    static int run = 0;
    // A folder per input: QSettings keeps what it read of a file and would take a new file of
    // the same size and time for the old one.
    const QString folder = root.filePath(QString::number(++run));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    const QString file = SettingsStore().location();
    QDir().mkpath(QFileInfo(file).path());
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QFile out(file);
        FUZZ_REQUIRE(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
    }

    const Restored first = restore();
    for (const QString &p : first.prefixes) {
        FUZZ_REQUIRE(!p.isEmpty() && !p.contains(u';'));
    }
    if (first.aside) {
        FUZZ_REQUIRE(bytesOf(first.aside->path) == bytes);
        // The box claims a restore only when something was restored.
        FUZZ_REQUIRE(first.aside->restoredSome ||
                     (first.prefixes.isEmpty() && first.count == QStringLiteral("200")));
    } else {
        FUZZ_REQUIRE(bytesOf(file) == bytes);  // a sound file is left as it is
        // and read as Qt reads it, which wrote it
        const Restored qt = readByQt(file);
        FUZZ_REQUIRE(qt.prefixes == first.prefixes && qt.count == first.count);
    }
    const Restored second = restore();
    FUZZ_REQUIRE(!second.aside);
    FUZZ_REQUIRE(second.prefixes == first.prefixes);
    FUZZ_REQUIRE(second.count == first.count);
    // What the program wrote back reads the same through Qt.
    const Restored qt = readByQt(file);
    FUZZ_REQUIRE(qt.prefixes == second.prefixes && qt.count == second.count);

    QDir(folder).removeRecursively();
    return 0;
}
