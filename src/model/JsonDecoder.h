// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

// Why a document could not be decoded, with the path of the offending value ("[1].messages[0].role").
struct DecodeError
{
    QString path;
    QString reason;

    QString description() const { return path.isEmpty() ? reason : path + QStringLiteral(": ") + reason; }
};

// Strict, all-or-nothing decoding of our JSON records. The first failure is kept; after it every reader returns
// a default value and callers check failed() once at the end.
class JsonDecoder
{
public:
    bool failed() const { return m_error.has_value(); }
    const DecodeError& error() const { return *m_error; }
    void fail(const QString& reason);
    QString path() const;

    // Marks one level of the key path for as long as it lives.
    class Scope
    {
    public:
        Scope(JsonDecoder& decoder, QString segment);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        JsonDecoder& m_decoder;
    };
    Scope key(QLatin1StringView key) { return Scope(*this, u'.' + QString(key)); }
    Scope index(qsizetype i) { return Scope(*this, u'[' + QString::number(i) + u']'); }

    // The value at the current path must be an object or an array.
    QJsonObject object(const QJsonValue& value);
    QJsonArray array(const QJsonValue& value);

    // Required fields fail when missing or of the wrong type; optional ones accept a missing key or null.
    QString string(const QJsonObject& o, QLatin1StringView key);
    std::optional<QString> optionalString(const QJsonObject& o, QLatin1StringView key);
    qint64 integer(const QJsonObject& o, QLatin1StringView key);
    std::optional<qint64> optionalInteger(const QJsonObject& o, QLatin1StringView key);
    bool boolean(const QJsonObject& o, QLatin1StringView key);
    QUuid uuid(const QJsonObject& o, QLatin1StringView key);
    std::optional<QUuid> optionalUuid(const QJsonObject& o, QLatin1StringView key);
    QDateTime date(const QJsonObject& o, QLatin1StringView key);
    std::optional<QByteArray> optionalBase64(const QJsonObject& o, QLatin1StringView key);
    QJsonArray requiredArray(const QJsonObject& o, QLatin1StringView key);
    std::optional<QJsonArray> optionalArray(const QJsonObject& o, QLatin1StringView key);

private:
    bool present(const QJsonObject& o, QLatin1StringView key) const;

    QStringList m_path;
    std::optional<DecodeError> m_error;
};

// The common encodings of stored records.
namespace JsonFormat {

QString uuidString(const QUuid& id);                 // upper-case canonical, 36 characters
std::optional<QUuid> parseUuid(const QString& text); // canonical form only, either case
// 2026-01-31T12:00:00Z. A date parseDate could not read back (invalid, or outside the years 1 to 9999 in UTC) is
// written as the current time, with one log line.
QString dateString(const QDateTime& date);
std::optional<QDateTime> parseDate(const QString& text); // whole seconds, Z or ±hh:mm
QDateTime truncatedToSeconds(const QDateTime& date);
// The current time as the files keep it (UTC, whole seconds), so what is in memory equals what is on disk.
QDateTime nowInWholeSeconds();

} // namespace JsonFormat

// Decodes a whole document that must be a JSON array of T (T::fromJson(value, decoder)); all or nothing.
template <typename T> std::optional<QList<T>> decodeJsonArray(const QByteArray& json, DecodeError* error = nullptr)
{
    JsonDecoder decoder;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        decoder.fail(parseError.errorString() + QStringLiteral(" at offset ") + QString::number(parseError.offset));
    else if (!document.isArray())
        decoder.fail(QStringLiteral("expected an array"));
    const QJsonArray array = document.array();
    QList<T> items;
    items.reserve(array.size());
    for (qsizetype i = 0; i < array.size() && !decoder.failed(); ++i) {
        auto item = decoder.index(i);
        items.append(T::fromJson(array.at(i), decoder));
    }
    if (decoder.failed()) {
        if (error)
            *error = decoder.error();
        return std::nullopt;
    }
    return items;
}
