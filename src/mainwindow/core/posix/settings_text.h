#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QVariant>
#include <map>
#include <utility>

// The settings file as text, in the form Qt's settings classes give an INI file: [sections] of
// escaped key=value lines, strings quoted and escaped their way, other kinds as @Kind(...). The
// program reads and writes the file itself, through its folder; a file that Qt wrote reads the
// same here, and one written here reads the same through Qt, byte for byte as Qt would have
// written it. Keys are paths: "Section/Key".
class SettingsText {
public:
    SettingsText() = default;
    explicit SettingsText(QByteArrayView bytes);

    // False when a [section] line lacks its closing bracket: the one fault Qt reports on reading.
    bool wellFormed() const { return wellFormed_; }
    // The keys right below `group` (no deeper ones), in key order, with their values.
    QList<std::pair<QString, QVariant>> keysIn(const QString &group) const;
    void setValue(const QString &key, const QVariant &value);
    QByteArray toBytes() const;

private:
    void readSection(const QString &prefix, QByteArrayView text);

    std::map<QString, QVariant> values_;
    bool wellFormed_ = true;
};
