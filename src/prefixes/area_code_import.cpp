// "Load Default Area Code Prefixes": the codes of the store beside the program, in ascending order.
#include "mainwindow/form1.h"
#include "shell/core/error_trap.h"
#include "shell/core/failure.h"
#include "shell/core/file_helpers.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <optional>

namespace {

const QString kStoreName = QStringLiteral("areacodes.mdb");
const QString kQuery = QStringLiteral("select * from tblAreaCodes order by areacode");

// Each import has a connection of its own, named apart from any other, and gives it back to Qt
// when the import ends, however it ends.
class Connection {
public:
    Connection() : name_(QStringLiteral("areacodes-%1").arg(++serial_)) {}
    ~Connection() { release(); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void create()
    {
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        if (!db_->isValid()) {
            throw Failure(QStringLiteral("The SQLite database driver is not available"));
        }
    }
    QSqlDatabase &db() { return *db_; }
    bool created() const { return db_.has_value(); }
    void release()
    {
        // Every copy of the handle must be gone before Qt lets the name go.
        if (db_) {
            db_.reset();
            QSqlDatabase::removeDatabase(name_);
        }
    }

private:
    static inline int serial_ = 0;
    QString name_;
    std::optional<QSqlDatabase> db_;
};

// What the driver was doing, then why the database refused: "Unable to execute statement: file
// is not a database". Qt's own join puts the two side by side with a blank between them.
QString failureText(const QSqlError &error)
{
    QStringList parts;
    for (const QString &part : {error.driverText().trimmed(), error.databaseText().trimmed()}) {
        if (!part.isEmpty()) {
            parts.append(part);
        }
    }
    return parts.isEmpty() ? QStringLiteral("Unknown database failure")
                           : parts.join(QStringLiteral(": "));
}

}  // namespace

void Form1::PushButton4_Click()
{
    ErrorTrap trap(desktop(), QStringLiteral("PushButton4_Click"));
    const QString store = programFile(kStoreName);

    if (!FileListed(store)) {  // [100], a test that never fails
        trap.step(102, [&] {
            desktop().message(store + QStringLiteral(" not found."), MessageButtons::Ok,
                              MessageIcon::Warning);
        });
        return;
    }

    // Declared after the connection so that it goes first.
    Connection connection;
    std::optional<QSqlQuery> rows;
    int field = -1;
    bool atEnd = true;

    // Going on after a failure here would report the same failure over and over, so the first
    // one ends the reading; what was added stays, and the closing steps still run.
    bool reading = trap.step(104, [&] { connection.create(); });
    reading = reading && trap.step(106, [&] { rows.emplace(connection.db()); });
    reading = reading && trap.step(108, [&] {
        QSqlDatabase &db = connection.db();
        db.setDatabaseName(store);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) {
            throw Failure(failureText(db.lastError()));
        }
    });
    reading = reading && trap.step(110, [&] {
        rows->setForwardOnly(true);
        if (!rows->exec(kQuery)) {
            throw Failure(failureText(rows->lastError()));
        }
        field = rows->record().indexOf(QStringLiteral("areacode"));
        atEnd = !rows->next();
        if (atEnd && rows->lastError().isValid()) {
            throw Failure(failureText(rows->lastError()));
        }
    });
    while (reading && !atEnd) {  // [112]
        trap.step(114, [&] {
            if (field < 0) {
                throw Failure(QStringLiteral("The table tblAreaCodes has no field areacode"));
            }
            const QVariant value = rows->value(field);
            // A code stored as a number still comes out as its digits; an empty field adds nothing.
            if (!value.isNull()) {
                ListView1.add(value.toString());
            }
        });
        reading = trap.step(116, [&] {
            atEnd = !rows->next();
            if (atEnd && rows->lastError().isValid()) {
                throw Failure(failureText(rows->lastError()));
            }
        });
    }

    // [118]-[124] Closed and released however the reading ended.
    if (rows) {
        rows->finish();
    }
    if (connection.created()) {
        connection.db().close();
    }
    rows.reset();
    connection.release();
}
