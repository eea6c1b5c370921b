#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <optional>

// The area-code store's file name; it lies in the program folder.
inline const QString kAreaCodeStoreName = QStringLiteral("areacodes.mdb");

// Reads the codes of the area-code store, an SQLite database, in ascending order. Each call is
// one thing that can fail on its own, so that the import reports each failure at its own step;
// a failure throws Failure with one readable description. A store has a connection of its own,
// named apart from any other, and gives it back to Qt when it is closed or goes, however the
// reading ended.
class AreaCodeStore {
public:
    explicit AreaCodeStore(QString path);
    ~AreaCodeStore() { close(); }
    AreaCodeStore(const AreaCodeStore &) = delete;
    AreaCodeStore &operator=(const AreaCodeStore &) = delete;

    // Each of these needs the ones before it to have succeeded.
    void createConnection();
    void createQuery();
    void open();      // for reading only
    void runQuery();  // and move to the first row

    // True once the rows are read to their end, also when there was none.
    bool atEnd() const { return atEnd_; }
    // The current row's code as text (a code stored as a number gives its digits); nothing for an
    // empty field.
    std::optional<QString> code() const;
    void next();

    // Closes what was opened and gives the connection back; calling it again does nothing.
    void close();

private:
    QString path_;
    QString name_;
    std::optional<QSqlDatabase> db_;
    std::optional<QSqlQuery> rows_;
    int field_ = -1;
    bool atEnd_ = true;
};
