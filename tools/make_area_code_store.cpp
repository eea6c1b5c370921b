// Builds the area-code store areacodes.mdb from the table us-area-codes.csv:
//     make_area_code_store <csv> <store>
// The store is written beside its final name and moved into place only when complete, so a
// failed build never leaves a half-made store for the program to find.
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTextStream>
#include <cstdio>

namespace {

struct Row {
    QString areacode;
    QString state;
};

int fail(const QString &text)
{
    std::fprintf(stderr, "make_area_code_store: %s\n", qPrintable(text));
    return 1;
}

bool readTable(const QString &path, QList<Row> &rows, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    const QRegularExpression code(QStringLiteral("^[2-9][0-9]{2}$"));
    QTextStream in(&file);
    int line = 0;
    while (!in.atEnd()) {
        const QString text = in.readLine().trimmed();
        ++line;
        if (line == 1) {
            if (text != QLatin1String("areacode,state")) {
                error = path + QStringLiteral(": the header must be areacode,state");
                return false;
            }
            continue;
        }
        if (text.isEmpty()) {
            continue;
        }
        const int comma = text.indexOf(QLatin1Char(','));
        const Row row{text.left(comma).trimmed(), text.mid(comma + 1).trimmed()};
        if (comma < 0 || !code.match(row.areacode).hasMatch() || row.state.isEmpty()) {
            error = QStringLiteral("%1:%2: not an area code and a state").arg(path).arg(line);
            return false;
        }
        rows.append(row);
    }
    if (rows.isEmpty()) {
        error = path + QStringLiteral(": no area codes");
        return false;
    }
    return true;
}

bool writeStore(const QString &path, const QList<Row> &rows, QString &error)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("out"));
    db.setDatabaseName(path);
    if (!db.open()) {
        error = db.lastError().text();
        return false;
    }
    QSqlQuery query(db);
    auto run = [&](const QString &statement) {
        if (!query.exec(statement)) {
            error = query.lastError().text();
            return false;
        }
        return true;
    };
    // A code is text so that it reads back exactly as written.
    bool ok = run(QStringLiteral("create table tblAreaCodes ("
                                 "areacode text not null primary key, state text not null)")) &&
              db.transaction() &&
              query.prepare(QStringLiteral("insert into tblAreaCodes values (?, ?)"));
    for (int i = 0; ok && i < rows.size(); ++i) {
        query.addBindValue(rows[i].areacode);
        query.addBindValue(rows[i].state);
        ok = query.exec();
        if (!ok) {
            error = rows[i].areacode + QStringLiteral(": ") + query.lastError().text();
        }
    }
    ok = ok && db.commit();
    if (!ok && error.isEmpty()) {
        error = db.lastError().text();
    }
    query = QSqlQuery();
    db.close();
    return ok;
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        return fail(QStringLiteral("usage: make_area_code_store <csv> <store>"));
    }
    QList<Row> rows;
    QString error;
    if (!readTable(args[1], rows, error)) {
        return fail(error);
    }
    const QString store = args[2];
    const QString partial = store + QStringLiteral(".partial");
    QFile::remove(partial);
    const bool written = writeStore(partial, rows, error);
    QSqlDatabase::removeDatabase(QStringLiteral("out"));
    if (!written) {
        QFile::remove(partial);
        return fail(error);
    }
    QFile::remove(store);
    if (!QFile::rename(partial, store)) {
        return fail(QStringLiteral("cannot move the store to ") + store);
    }
    return 0;
}
