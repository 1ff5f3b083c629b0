#pragma once

#include <QFile>
#include <QStringList>

#include "formats/kvx_file.h"

// The addresses of a list file, read with the format's own parser.
inline QStringList KvxAddresses(const QString& path, kvx::File* whole = nullptr)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {QStringLiteral("<cannot open>")};
    const QByteArray bytes = f.readAll();
    kvx::File file = kvx::Parse(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    QStringList out;
    for (const kvx::Record& r : file.records)
        out.append(QString::fromStdString(r.address));
    if (whole)
        *whole = std::move(file);
    return out;
}

// A list file of one row whose header holds a login.
inline QByteArray KvxWithLogin(const std::string& user, const std::string& password, const std::string& title,
                               const std::string& address)
{
    kvx::Header header;
    header.user = user;
    header.password = password;
    kvx::Record record;
    record.title = title;
    record.address = address;
    uint8_t head[kvx::kHeaderSize];
    uint8_t rec[kvx::kRecordSize];
    kvx::EncodeHeader(header, head);
    kvx::EncodeRecord(record, rec);
    return QByteArray(reinterpret_cast<const char*>(head), sizeof head) +
           QByteArray(reinterpret_cast<const char*>(rec), sizeof rec);
}
