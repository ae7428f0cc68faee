#include "historylocation.h"

#include "historyerror.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

namespace nerufa::history {

namespace {

const QString kFolder = QStringLiteral("nerufa-slip");

HistoryError badText(const QString &text, const QString &why)
{
    return HistoryError(QStringLiteral("履歴のデータベースの指定「%1」が読めません。%2\n"
                                       "off、postgresql://ユーザー@ホスト/データベース名、"
                                       "またはファイルのパスを指定してください。")
                            .arg(text, why));
}

Location postgres(const QString &text, const QUrl &url)
{
    Location location;
    location.kind = Location::Kind::Postgres;
    location.host = url.host();
    location.port = url.port();
    location.user = url.userName();
    location.password = url.password();
    location.database = url.path().mid(1);
    QStringList options;
    bool timeout = false;
    for (const auto &[key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("host"))
            location.host = value;
        else if (key == QLatin1String("port"))
            location.port = value.toInt();
        else if (key == QLatin1String("user"))
            location.user = value;
        else if (key == QLatin1String("password"))
            location.password = value;
        else if (key.contains(QLatin1Char(';')) || value.contains(QLatin1Char(';')))
            throw badText(text, QStringLiteral("設定に「;」は使えません。"));
        else
            options << key + QLatin1Char('=') + value;
        timeout = timeout || key == QLatin1String("connect_timeout");
    }
    // A server that does not answer must not keep a desk waiting long.
    if (!timeout)
        options << QStringLiteral("connect_timeout=5");
    location.options = options.join(QLatin1Char(';'));
    if (location.database.isEmpty() || location.database.contains(QLatin1Char('/')))
        throw badText(text, QStringLiteral("データベース名がありません。"));
    return location;
}

} // namespace

QString Location::describe() const
{
    switch (kind) {
    case Kind::Off:
        return QStringLiteral("off");
    case Kind::Sqlite:
        return file;
    case Kind::Postgres:
        break;
    }
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setUserName(user);
    if (!host.startsWith(QLatin1Char('/')))
        url.setHost(host.isEmpty() ? QStringLiteral("localhost") : host);
    url.setPort(port);
    url.setPath(QLatin1Char('/') + database);
    QString text = url.toString();
    if (host.startsWith(QLatin1Char('/')))
        text += QStringLiteral("?host=") + host;
    return text;
}

Location parseLocation(const QString &given)
{
    const QString text = given.trimmed();
    if (text.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0)
        return {};
    if (text.isEmpty())
        throw badText(given, QStringLiteral("空です。"));
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (url.isValid() && (scheme == QLatin1String("postgresql") || scheme == QLatin1String("postgres")))
        return postgres(text, url);
    Location location;
    location.kind = Location::Kind::Sqlite;
    if (scheme == QLatin1String("sqlite")) {
        if (!url.isValid() || url.path().isEmpty())
            throw badText(text, QStringLiteral("ファイルのパスがありません。"));
        location.file = url.path();
    } else if (text.contains(QLatin1String("://"))) {
        throw badText(text, QStringLiteral("postgresql:// と sqlite: のほかは使えません。"));
    } else {
        location.file = text;
    }
    location.file = QFileInfo(location.file).absoluteFilePath();
    return location;
}

QString defaultFile()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(kFolder + QStringLiteral("/history.sqlite"));
}

QString configFile()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(kFolder + QStringLiteral("/nerufa-slip.conf"));
}

Location chosenLocation(const std::optional<QString> &commandLine)
{
    if (commandLine)
        return parseLocation(*commandLine);
    const QSettings settings(configFile(), QSettings::IniFormat);
    // A value holding a comma reads as a list; the whole line is meant.
    const QVariant value = settings.value(QStringLiteral("history/database"));
    const QString text = value.typeId() == QMetaType::QStringList ? value.toStringList().join(QLatin1Char(','))
                                                                  : value.toString();
    if (settings.status() != QSettings::NoError)
        throw HistoryError(QStringLiteral("設定ファイル「%1」が読めません。").arg(configFile()));
    if (text.trimmed().isEmpty()) {
        Location location;
        location.kind = Location::Kind::Sqlite;
        location.file = defaultFile();
        return location;
    }
    return parseLocation(text);
}

} // namespace nerufa::history
