#include "prefixes/core/area_code_store.h"

#include "shell/core/failure.h"

#include <QSqlError>
#include <QSqlRecord>
#include <QVariant>
#include <utility>

namespace {

const QString kQuery = QStringLiteral("select * from tblAreaCodes order by areacode");

int lastSerial = 0;

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

AreaCodeStore::AreaCodeStore(QString path)
    : path_(std::move(path)), name_(QStringLiteral("areacodes-%1").arg(++lastSerial))
{
}

void AreaCodeStore::createConnection()
{
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    if (!db_->isValid()) {
        throw Failure(QStringLiteral("The SQLite database driver is not available"));
    }
}

void AreaCodeStore::createQuery()
{
    rows_.emplace(*db_);
}

void AreaCodeStore::open()
{
    db_->setDatabaseName(path_);
    db_->setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!db_->open()) {
        throw Failure(failureText(db_->lastError()));
    }
}

void AreaCodeStore::runQuery()
{
    rows_->setForwardOnly(true);
    if (!rows_->exec(kQuery)) {
        throw Failure(failureText(rows_->lastError()));
    }
    field_ = rows_->record().indexOf(QStringLiteral("areacode"));
    next();
}

std::optional<QString> AreaCodeStore::code() const
{
    if (field_ < 0) {
        throw Failure(QStringLiteral("The table tblAreaCodes has no field areacode"));
    }
    const QVariant value = rows_->value(field_);
    if (value.isNull()) {
        return std::nullopt;
    }
    return value.toString();
}

void AreaCodeStore::next()
{
    atEnd_ = !rows_->next();
    if (atEnd_ && rows_->lastError().isValid()) {
        throw Failure(failureText(rows_->lastError()));
    }
}

void AreaCodeStore::close()
{
    if (rows_) {
        rows_->finish();
    }
    if (db_) {
        db_->close();
    }
    // Every copy of the handle must be gone before Qt lets the name go.
    rows_.reset();
    if (db_) {
        db_.reset();
        QSqlDatabase::removeDatabase(name_);
    }
}
