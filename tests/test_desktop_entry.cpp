// What the desktop knows of the program besides its window: the launcher entry that the
// application id names, and the screenshots that the metainfo lists.
#include "shell/core/app_title.h"

#include <QFile>
#include <QImage>
#include <QUrl>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The value of a key of the launcher entry's main group.
QString entryValue(const QString &entry, const QString &key)
{
    for (const QString &line : entry.split(QLatin1Char('\n'))) {
        if (line.startsWith(key + QLatin1Char('='))) {
            return line.mid(key.size() + 1).trimmed();
        }
    }
    return {};
}

}  // namespace

class TestDesktopEntry : public QObject {
    Q_OBJECT
private slots:
    void applicationIdNamesTheLauncherEntry();
    void metainfoScreenshotsAreTheOnesInDocs();
};

void TestDesktopEntry::applicationIdNamesTheLauncherEntry()
{
    // A Wayland dock finds the entry by the id the program gives itself; an X11 dock by the
    // window's class, whose first part is the program's file name.
    const QString entry =
        readText(QFINDTESTDATA(QStringLiteral("../packaging/%1.desktop").arg(kDesktopEntry)));
    QVERIFY2(!entry.isEmpty(), qPrintable(kDesktopEntry));
    QCOMPARE(entryValue(entry, QStringLiteral("Exec")), kDesktopEntry);
    QCOMPARE(entryValue(entry, QStringLiteral("StartupWMClass")), kDesktopEntry);
    QCOMPARE(entryValue(entry, QStringLiteral("Icon")), kDesktopEntry);

    const QString metainfo =
        readText(QFINDTESTDATA("../packaging/example.quillane.dialroster.metainfo.xml"));
    QVERIFY(
        metainfo.contains(QStringLiteral("<launchable type=\"desktop-id\">%1.desktop</launchable>")
                              .arg(kDesktopEntry)));
}

void TestDesktopEntry::metainfoScreenshotsAreTheOnesInDocs()
{
    QFile metainfo(QFINDTESTDATA("../packaging/example.quillane.dialroster.metainfo.xml"));
    QVERIFY(metainfo.open(QIODevice::ReadOnly));
    const QString readme = readText(QFINDTESTDATA("../README.md"));
    QVERIFY(!readme.isEmpty());

    QXmlStreamReader xml(&metainfo);
    QStringList shown;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement ||
            xml.name() != QLatin1String("image")) {
            continue;
        }
        const int width = xml.attributes().value(QLatin1String("width")).toInt();
        const int height = xml.attributes().value(QLatin1String("height")).toInt();
        const QString name = QUrl(xml.readElementText()).fileName();
        // The home page publishes the pictures of docs/ under their own names.
        const QImage picture(QFINDTESTDATA(QStringLiteral("../docs/") + name));
        QVERIFY2(!picture.isNull(), qPrintable(name));
        QCOMPARE(picture.size(), QSize(width, height));
        QVERIFY2(readme.contains(QStringLiteral("(docs/%1)").arg(name)), qPrintable(name));
        shown << name;
    }
    QVERIFY(!xml.hasError());
    QCOMPARE(shown, QStringList({"window.png", "window-2x.png", "window-dark.png"}));
}

QTEST_MAIN(TestDesktopEntry)
#include "test_desktop_entry.moc"
