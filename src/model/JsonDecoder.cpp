// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/JsonDecoder.h"

#include "platform/Log.h"

#include <QRegularExpression>

#include <cmath>

JsonDecoder::Scope::Scope(JsonDecoder& decoder, QString segment) : m_decoder(decoder)
{
    m_decoder.m_path.append(std::move(segment));
}

JsonDecoder::Scope::~Scope()
{
    m_decoder.m_path.removeLast();
}

QString JsonDecoder::path() const
{
    QString joined = m_path.join(QString());
    if (joined.startsWith(u'.'))
        joined.remove(0, 1);
    return joined;
}

void JsonDecoder::fail(const QString& reason)
{
    if (!m_error)
        m_error = DecodeError{path(), reason};
}

bool JsonDecoder::present(const QJsonObject& o, QLatin1StringView key) const
{
    const auto it = o.constFind(key);
    return it != o.constEnd() && !it->isNull();
}

QJsonObject JsonDecoder::object(const QJsonValue& value)
{
    if (!value.isObject()) {
        fail(QStringLiteral("expected an object"));
        return {};
    }
    return value.toObject();
}

QJsonArray JsonDecoder::array(const QJsonValue& value)
{
    if (!value.isArray()) {
        fail(QStringLiteral("expected an array"));
        return {};
    }
    return value.toArray();
}

QString JsonDecoder::string(const QJsonObject& o, QLatin1StringView key)
{
    auto scope = this->key(key);
    if (failed())
        return {};
    if (!o.contains(key)) {
        fail(QStringLiteral("missing required key"));
        return {};
    }
    const QJsonValue value = o.value(key);
    if (!value.isString()) {
        fail(QStringLiteral("expected a string"));
        return {};
    }
    return value.toString();
}

std::optional<QString> JsonDecoder::optionalString(const QJsonObject& o, QLatin1StringView key)
{
    if (failed() || !present(o, key))
        return std::nullopt;
    return string(o, key);
}

qint64 JsonDecoder::integer(const QJsonObject& o, QLatin1StringView key)
{
    auto scope = this->key(key);
    if (failed())
        return 0;
    if (!o.contains(key)) {
        fail(QStringLiteral("missing required key"));
        return 0;
    }
    const QJsonValue value = o.value(key);
    const double d = value.toDouble();
    // Integers beyond 2^53 cannot be told apart from their neighbours as JSON numbers; refuse them.
    if (!value.isDouble() || std::trunc(d) != d || std::fabs(d) > 9007199254740992.0) {
        fail(QStringLiteral("expected an integer"));
        return 0;
    }
    return value.toInteger();
}

std::optional<qint64> JsonDecoder::optionalInteger(const QJsonObject& o, QLatin1StringView key)
{
    if (failed() || !present(o, key))
        return std::nullopt;
    return integer(o, key);
}

bool JsonDecoder::boolean(const QJsonObject& o, QLatin1StringView key)
{
    auto scope = this->key(key);
    if (failed())
        return false;
    if (!o.contains(key)) {
        fail(QStringLiteral("missing required key"));
        return false;
    }
    const QJsonValue value = o.value(key);
    if (!value.isBool()) {
        fail(QStringLiteral("expected a Boolean"));
        return false;
    }
    return value.toBool();
}

QUuid JsonDecoder::uuid(const QJsonObject& o, QLatin1StringView key)
{
    const QString text = string(o, key);
    if (failed())
        return {};
    const auto id = JsonFormat::parseUuid(text);
    if (!id) {
        auto scope = this->key(key);
        fail(QStringLiteral("malformed UUID"));
        return {};
    }
    return *id;
}

std::optional<QUuid> JsonDecoder::optionalUuid(const QJsonObject& o, QLatin1StringView key)
{
    if (failed() || !present(o, key))
        return std::nullopt;
    return uuid(o, key);
}

QDateTime JsonDecoder::date(const QJsonObject& o, QLatin1StringView key)
{
    const QString text = string(o, key);
    if (failed())
        return {};
    const auto date = JsonFormat::parseDate(text);
    if (!date) {
        auto scope = this->key(key);
        fail(QStringLiteral("malformed date (expected YYYY-MM-DDTHH:MM:SSZ)"));
        return {};
    }
    return *date;
}

std::optional<QByteArray> JsonDecoder::optionalBase64(const QJsonObject& o, QLatin1StringView key)
{
    if (failed() || !present(o, key))
        return std::nullopt;
    const QString text = string(o, key);
    if (failed())
        return std::nullopt;
    const QByteArray latin = text.toLatin1();
    auto decoded = QByteArray::fromBase64Encoding(latin, QByteArray::AbortOnBase64DecodingErrors);
    // Standard base64 always comes in padded groups of four; anything else is damaged data.
    if (!decoded || latin.size() % 4 != 0 || text.size() != latin.size()) {
        auto scope = this->key(key);
        fail(QStringLiteral("invalid base64 data"));
        return std::nullopt;
    }
    return std::move(decoded.decoded);
}

QJsonArray JsonDecoder::requiredArray(const QJsonObject& o, QLatin1StringView key)
{
    auto scope = this->key(key);
    if (failed())
        return {};
    if (!o.contains(key)) {
        fail(QStringLiteral("missing required key"));
        return {};
    }
    return array(o.value(key));
}

std::optional<QJsonArray> JsonDecoder::optionalArray(const QJsonObject& o, QLatin1StringView key)
{
    if (failed() || !present(o, key))
        return std::nullopt;
    return requiredArray(o, key);
}

namespace JsonFormat {

QString uuidString(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QUuid> parseUuid(const QString& text)
{
    static const QRegularExpression canonical(
        QStringLiteral("^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"));
    if (!canonical.match(text).hasMatch())
        return std::nullopt;
    return QUuid::fromString(text);
}

QString dateString(const QDateTime& date)
{
    QDateTime utc = date.toUTC();
    // parseDate takes four-digit years only (and there is no year 0): anything else would make the whole file
    // unreadable at the next start, so it is never written.
    if (!utc.isValid() || utc.date().year() < 1 || utc.date().year() > 9999) {
        logLine(u"JsonFormat",
                utc.isValid()
                    ? QStringLiteral("Saved the current time in place of a date in year %1").arg(utc.date().year())
                    : QStringLiteral("Saved the current time in place of an invalid date"));
        utc = nowInWholeSeconds();
    }
    return utc.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + u'Z';
}

std::optional<QDateTime> parseDate(const QString& text)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})(?:(Z)|([+-])(\d{2}):(\d{2}))$)"));
    const auto m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate day(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!day.isValid() || !time.isValid())
        return std::nullopt;
    int offset = 0;
    if (m.captured(7).isEmpty()) {
        const int hours = m.captured(9).toInt();
        const int minutes = m.captured(10).toInt();
        if (hours > 23 || minutes > 59)
            return std::nullopt;
        offset = (hours * 3600 + minutes * 60) * (m.captured(8) == u"-" ? -1 : 1);
    }
    return QDateTime(day, time, Qt::UTC).addSecs(-offset);
}

QDateTime truncatedToSeconds(const QDateTime& date)
{
    // Drop the milliseconds field, as dateString does; dividing the epoch milliseconds would round dates before
    // 1970 up instead.
    const QDateTime utc = date.toUTC();
    return utc.addMSecs(-utc.time().msec());
}

QDateTime nowInWholeSeconds()
{
    return truncatedToSeconds(QDateTime::currentDateTimeUtc());
}

} // namespace JsonFormat
